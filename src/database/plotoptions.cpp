#include "database/plotoptions.h"

#include "support/exrecords.h"
#include "support/kavroguard.h"

#include <algorithm>

namespace {

// The host utilities offer these tables to their callers (CAcadUtilities derives from
// CPlotOptions), so error records name them there, as the host utilities' operations.
constexpr const char* HOST_UTILITIES_FILE = "acadutilities.cpp";

struct DeviceEntry
{
    const char* extension;
    const char* configuration;
};

// Extension and host device configuration of each plot device.
constexpr DeviceEntry devices[] = {
    {".dwf", "DWF6 ePlot.pc3"},
    {".pdf", "DWG To PDF.pc3"},
    {".jpg", "PublishToWeb JPG.pc3"},
    {".png", "PublishToWeb PNG.pc3"},
};

const DeviceEntry& deviceEntry(PlotDevice device)
{
    return device >= kDWF && device <= kPNG ? devices[device] : devices[kDWF];
}

// The host's canonical media name of each media size: ISO sheets in millimetres, then ANSI
// and ARCH sheets in inches, each as plain, "expand" and "full_bleed" variants.
constexpr const char* mediaNames[kMediaSizeCount] = {
    "ISO_A1_(841.00_x_594.00_MM)",
    "ISO_A1_(594.00_x_841.00_MM)",
    "ISO_A2_(594.00_x_420.00_MM)",
    "ISO_A2_(420.00_x_594.00_MM)",
    "ISO_A3_(420.00_x_297.00_MM)",
    "ISO_A3_(297.00_x_420.00_MM)",
    "ISO_A4_(297.00_x_210.00_MM)",
    "ISO_A4_(210.00_x_297.00_MM)",
    "ISO_A0_(841.00_x_1189.00_MM)",
    "ISO_expand_A4_(297.00_x_210.00_MM)",
    "ISO_expand_A4_(210.00_x_297.00_MM)",
    "ISO_expand_A3_(420.00_x_297.00_MM)",
    "ISO_expand_A3_(297.00_x_420.00_MM)",
    "ISO_expand_A2_(594.00_x_420.00_MM)",
    "ISO_expand_A2_(420.00_x_594.00_MM)",
    "ISO_expand_A1_(841.00_x_594.00_MM)",
    "ISO_expand_A1_(594.00_x_841.00_MM)",
    "ISO_expand_A0_(841.00_x_1189.00_MM)",
    "ISO_full_bleed_A5_(210.00_x_148.00_MM)",
    "ISO_full_bleed_A5_(148.00_x_210.00_MM)",
    "ISO_full_bleed_A4_(297.00_x_210.00_MM)",
    "ISO_full_bleed_A4_(210.00_x_297.00_MM)",
    "ISO_full_bleed_A3_(420.00_x_297.00_MM)",
    "ISO_full_bleed_A3_(297.00_x_420.00_MM)",
    "ISO_full_bleed_A2_(594.00_x_420.00_MM)",
    "ISO_full_bleed_A2_(420.00_x_594.00_MM)",
    "ISO_full_bleed_A1_(841.00_x_594.00_MM)",
    "ISO_full_bleed_A1_(594.00_x_841.00_MM)",
    "ISO_full_bleed_A0_(841.00_x_1189.00_MM)",
    "ISO_full_bleed_B3_(500.00_x_353.00_MM)",
    "ISO_full_bleed_B3_(353.00_x_500.00_MM)",
    "ISO_full_bleed_B2_(707.00_x_500.00_MM)",
    "ISO_full_bleed_B2_(500.00_x_707.00_MM)",
    "ISO_full_bleed_B1_(1000.00_x_707.00_MM)",
    "ISO_full_bleed_B1_(707.00_x_1000.00_MM)",
    "ISO_full_bleed_B0_(1414.00_x_1000.00_MM)",
    "ISO_full_bleed_B0_(1000.00_x_1414.00_MM)",
    "ISO_full_bleed_2A0_(1189.00_x_1682.00_MM)",
    "ISO_full_bleed_4A0_(1682.00_x_2378.00_MM)",
    "ANSI_A_(11.00_x_8.50_Inches)",
    "ANSI_A_(8.50_x_11.00_Inches)",
    "ANSI_B_(17.00_x_11.00_Inches)",
    "ANSI_B_(11.00_x_17.00_Inches)",
    "ANSI_C_(22.00_x_17.00_Inches)",
    "ANSI_C_(17.00_x_22.00_Inches)",
    "ANSI_D_(34.00_x_22.00_Inches)",
    "ANSI_D_(22.00_x_34.00_Inches)",
    "ANSI_E_(34.00_x_44.00_Inches)",
    "ANSI_expand_A_(11.00_x_8.50_Inches)",
    "ANSI_expand_A_(8.50_x_11.00_Inches)",
    "ANSI_expand_B_(17.00_x_11.00_Inches)",
    "ANSI_expand_B_(11.00_x_17.00_Inches)",
    "ANSI_expand_C_(22.00_x_17.00_Inches)",
    "ANSI_expand_C_(17.00_x_22.00_Inches)",
    "ANSI_expand_D_(34.00_x_22.00_Inches)",
    "ANSI_expand_D_(22.00_x_34.00_Inches)",
    "ANSI_expand_E_(34.00_x_44.00_Inches)",
    "ANSI_full_bleed_F_(28.00_x_40.00_Inches)",
    "ANSI_full_bleed_E_(34.00_x_44.00_Inches)",
    "ANSI_full_bleed_D_(34.00_x_22.00_Inches)",
    "ANSI_full_bleed_D_(22.00_x_34.00_Inches)",
    "ANSI_full_bleed_C_(22.00_x_17.00_Inches)",
    "ANSI_full_bleed_C_(17.00_x_22.00_Inches)",
    "ANSI_full_bleed_B_(17.00_x_11.00_Inches)",
    "ANSI_full_bleed_B_(11.00_x_17.00_Inches)",
    "ANSI_full_bleed_A_(11.00_x_8.50_Inches)",
    "ANSI_full_bleed_A_(8.50_x_11.00_Inches)",
    "ARCH_C_(24.00_x_18.00_Inches)",
    "ARCH_C_(18.00_x_24.00_Inches)",
    "ARCH_D_(36.00_x_24.00_Inches)",
    "ARCH_D_(24.00_x_36.00_Inches)",
    "ARCH_E_(36.00_x_48.00_Inches)",
    "ARCH_E1_(30.00_x_42.00_Inches)",
    "ARCH_expand_C_(24.00_x_18.00_Inches)",
    "ARCH_expand_C_(18.00_x_24.00_Inches)",
    "ARCH_expand_D_(36.00_x_24.00_Inches)",
    "ARCH_expand_D_(24.00_x_36.00_Inches)",
    "ARCH_expand_E_(36.00_x_48.00_Inches)",
    "ARCH_expand_E1_(30.00_x_42.00_Inches)",
    "ARCH_full_bleed_E1_(30.00_x_42.00_Inches)",
    "ARCH_full_bleed_E_(36.00_x_48.00_Inches)",
    "ARCH_full_bleed_D_(36.00_x_24.00_Inches)",
    "ARCH_full_bleed_D_(24.00_x_36.00_Inches)",
    "ARCH_full_bleed_C_(24.00_x_18.00_Inches)",
    "ARCH_full_bleed_C_(18.00_x_24.00_Inches)",
    "ARCH_full_bleed_B_(18.00_x_12.00_Inches)",
    "ARCH_full_bleed_B_(12.00_x_18.00_Inches)",
    "ARCH_full_bleed_A_(12.00_x_9.00_Inches)",
    "ARCH_full_bleed_A_(9.00_x_12.00_Inches)",
};

// The identity on first to last, 0 for anything else.
int withinOrZero(int value, int first, int last)
{
    return value >= first && value <= last ? value : 0;
}

} // namespace

CString CPlotOptions::plotExtension(PlotDevice device)
{
    return kavroGuard("CAcadUtilities::plotExtension", HOST_UTILITIES_FILE,
                      [&] { return CString(deviceEntry(device).extension); });
}

CString CPlotOptions::convertPlotDevice(PlotDevice device)
{
    return kavroGuard("CAcadUtilities::convertPlotDevice", HOST_UTILITIES_FILE,
                      [&] { return CString(deviceEntry(device).configuration); });
}

PlotDevice CPlotOptions::convertPlotDevice(int id)
{
    return kavroGuard("CAcadUtilities::convertPlotDevice", HOST_UTILITIES_FILE,
                      [&] { return static_cast<PlotDevice>(withinOrZero(id, kDWF, kPNG)); });
}

int CPlotOptions::convertToPlotDeviceID(PlotDevice device)
{
    return kavroGuard("CAcadUtilities::convertToPlotDeviceID", HOST_UTILITIES_FILE,
                      [&] { return withinOrZero(device, kDWF, kPNG); });
}

const char* CPlotOptions::convertMediaSize(MediaSize size)
{
    return kavroGuard("CAcadUtilities::convertMediaSize", HOST_UTILITIES_FILE,
                      [&] { return mediaNames[withinOrZero(size, 0, kMediaSizeCount - 1)]; });
}

MediaSize CPlotOptions::convertMediaSize(int id)
{
    return kavroGuard("CAcadUtilities::convertMediaSize", HOST_UTILITIES_FILE,
                      [&] { return static_cast<MediaSize>(withinOrZero(id, 0, kMediaSizeCount - 1)); });
}

int CPlotOptions::convertToMediaSizeID(MediaSize size)
{
    return kavroGuard("CAcadUtilities::convertToMediaSizeID", HOST_UTILITIES_FILE,
                      [&] { return withinOrZero(size, 0, kMediaSizeCount - 1); });
}

int CPlotOptions::convertScale(int id)
{
    // The host's scale type 19 is never stored: identifiers from 19 on stand for one higher.
    return kavroGuard("CAcadUtilities::convertScale", HOST_UTILITIES_FILE, [&] {
        if (id >= 0 && id <= 18)
            return id;
        return id >= 19 && id <= 33 ? id + 1 : 0;
    });
}

int CPlotOptions::convertToScaleTypeID(int scaleType)
{
    return kavroGuard("CAcadUtilities::convertToScaleTypeID", HOST_UTILITIES_FILE, [&] {
        if (scaleType >= 0 && scaleType <= 18)
            return scaleType;
        return scaleType >= 20 && scaleType <= 34 ? scaleType - 1 : 0;
    });
}

int CPlotOptions::convertPlotArea(int id)
{
    return kavroGuard("CAcadUtilities::convertPlotArea", HOST_UTILITIES_FILE, [&] { return withinOrZero(id, 0, 5); });
}

int CPlotOptions::convertToAreaTypeID(int plotType)
{
    return kavroGuard("CAcadUtilities::convertToAreaTypeID", HOST_UTILITIES_FILE,
                      [&] { return withinOrZero(plotType, 0, 5); });
}

void CPlotOptions::checkPlotFileExtension(CString& fileName, PlotDevice device)
{
    kavroGuard("CAcadUtilities::checkPlotFileExtension", HOST_UTILITIES_FILE, [&] {
        const CString extension = plotExtension(device);
        if (fileName.IsEmpty())
            throw new CEXInvalidPlotFilename(KAVRO_PRODUCT_CAPTION, HOST_UTILITIES_FILE,
                                             "CAcadUtilities::checkPlotFileExtension", fileName);
        // Only a dot in the file's own name starts its extension, not one in a folder name.
        const int folderEnd = std::max(fileName.ReverseFind('/'), fileName.ReverseFind('\\'));
        const int dot = fileName.ReverseFind('.') > folderEnd ? fileName.ReverseFind('.') : -1;
        if (dot < 0)
            fileName += extension;
        else if (fileName.Right(extension.GetLength()) != extension)
            fileName = fileName.Left(dot) + extension;
    });
}
