// The host's plot commands. EXPORT asks for a path and plots the current layout with its
// own settings to PDF, PNG or JPG by the path's extension; PLOT asks for the layout, the
// device, the media and the path, an empty answer keeping the layout's own, "?" listing the
// choices and an answer refused (a file of a format the device named does not write, too)
// being asked again on a terminal; in a script it fails the command. A layout that names no
// device the host knows plots its extents scaled to fit, centred, to the format of the
// file's extension or PDF. A file that exists is replaced, on a terminal only once the user
// says Yes (qv::replacing). A plot written is named on a line with its media and scale. Each
// returns false, having said why on standard error, when the plot failed.
#pragma once

class AcApDocument;

class PlotCommands
{
public:
    static bool exportLayout(AcApDocument* doc);
    static bool plot(AcApDocument* doc);
};
