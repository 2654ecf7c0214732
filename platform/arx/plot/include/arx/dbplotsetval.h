// The host's plot-settings validator: changes plot settings (a layout's or free-standing
// ones) only to values the host's devices and media offer. Devices and media names are
// those of the plot engine (qv::PlotDevice, qv::PlotMedia); a device or media
// name the host does not know is refused with eInvalidInput and changes nothing.
#pragma once

#include "arx/dblayout.h"

class AcDbPlotSettingsValidator
{
public:
    // Brings the device and media lists up to date for the settings; the host's lists are
    // fixed, so this only checks that there are settings.
    Acad::ErrorStatus refreshLists(AcDbPlotSettings* settings);
    // The device, and the media when one is named; without one the media is kept.
    Acad::ErrorStatus setPlotCfgName(AcDbPlotSettings* settings, const char* plotDeviceName,
                                     const char* mediaName = nullptr);
    // The media, with the paper size it names.
    Acad::ErrorStatus setCanonicalMediaName(AcDbPlotSettings* settings, const char* mediaName);
    Acad::ErrorStatus setPlotType(AcDbPlotSettings* settings, AcDbPlotSettings::PlotType type);
    Acad::ErrorStatus setUseStandardScale(AcDbPlotSettings* settings, bool useStandard);
    Acad::ErrorStatus setStdScaleType(AcDbPlotSettings* settings, int scaleType);
    Acad::ErrorStatus setPlotCentered(AcDbPlotSettings* settings, bool centered);
    Acad::ErrorStatus setPlotRotation(AcDbPlotSettings* settings, AcDbPlotSettings::PlotRotation rotation);
};
