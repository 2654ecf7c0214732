// The plot option tables: stored plot identifiers (as the server settings hold them) turned
// into the plot engine's devices, media names, scales and plot areas, and back. An
// identifier outside its table gives the first entry.
#pragma once

#include "mfc/cstring.h"

// The plot-to-file devices.
enum PlotDevice : int { kDWF = 0, kPDF = 1, kJPG = 2, kPNG = 3 };

// The paper sizes, one per canonical media name (0 to 88).
enum MediaSize : int { kMediaSizeCount = 89 };

class CPlotOptions
{
public:
    static CString plotExtension(PlotDevice device);
    // The host device configuration of a device (DWF for an unknown one).
    static CString convertPlotDevice(PlotDevice device);
    static PlotDevice convertPlotDevice(int id);
    static int convertToPlotDeviceID(PlotDevice device);
    // The canonical media name of a size (that of size 0 for an unknown one).
    static const char* convertMediaSize(MediaSize size);
    static MediaSize convertMediaSize(int id);
    static int convertToMediaSizeID(MediaSize size);
    // Stored scale identifiers 0 to 33 and the host's standard scale types 0 to 34 without 19.
    static int convertScale(int id);
    static int convertToScaleTypeID(int scaleType);
    static int convertPlotArea(int id);
    static int convertToAreaTypeID(int plotType);
    // Gives the file name the device's extension, replacing what follows its last ".".
    static void checkPlotFileExtension(CString& fileName, PlotDevice device);
};
