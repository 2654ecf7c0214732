// The host's plot commands. EXPORT asks for a path and plots the current layout with its
// own settings to PDF, PNG or JPG by the path's extension; PLOT asks for the layout, the
// device, the media and the path, an empty answer keeping the layout's own. A layout whose
// settings were never set up (no device) plots its extents scaled to fit, centred. Each
// returns false, having said why on standard error, when the plot failed.
#pragma once

class AcApDocument;

class PlotCommands
{
public:
    static bool exportLayout(AcApDocument* doc);
    static bool plot(AcApDocument* doc);
};
