#include "arx/dbplotsetval.h"

#include "arx/dbdatabase.h"
#include "arx/plotdevice.h"
#include "arx/plotmedia.h"

Acad::ErrorStatus AcDbPlotSettingsValidator::refreshLists(AcDbPlotSettings* settings)
{
    return settings ? Acad::eOk : Acad::eNullObjectPointer;
}

Acad::ErrorStatus AcDbPlotSettingsValidator::setPlotCfgName(AcDbPlotSettings* settings, const char* plotDeviceName,
                                                            const char* mediaName)
{
    if (!settings)
        return Acad::eNullObjectPointer;
    if (!plotDeviceName || qv::PlotDevice::format(plotDeviceName).empty())
        return Acad::eInvalidInput;
    double width = 0, height = 0;
    if (mediaName && !qv::PlotMedia::size(mediaName, width, height))
        return Acad::eInvalidInput;
    if (const Acad::ErrorStatus es = settings->setPlotCfgName(plotDeviceName); es != Acad::eOk)
        return es;
    return mediaName ? setCanonicalMediaName(settings, mediaName) : Acad::eOk;
}

Acad::ErrorStatus AcDbPlotSettingsValidator::setCanonicalMediaName(AcDbPlotSettings* settings, const char* mediaName)
{
    if (!settings)
        return Acad::eNullObjectPointer;
    double width = 0, height = 0;
    if (!mediaName || !qv::PlotMedia::size(mediaName, width, height))
        return Acad::eInvalidInput;
    if (const Acad::ErrorStatus es = settings->setCanonicalMediaName(mediaName); es != Acad::eOk)
        return es;
    return settings->setPlotPaperSize(width, height);
}

Acad::ErrorStatus AcDbPlotSettingsValidator::setPlotType(AcDbPlotSettings* settings, AcDbPlotSettings::PlotType type)
{
    return settings ? settings->setPlotType(type) : Acad::eNullObjectPointer;
}

Acad::ErrorStatus AcDbPlotSettingsValidator::setUseStandardScale(AcDbPlotSettings* settings, bool useStandard)
{
    return settings ? settings->setUseStandardScale(useStandard) : Acad::eNullObjectPointer;
}

Acad::ErrorStatus AcDbPlotSettingsValidator::setStdScaleType(AcDbPlotSettings* settings, int scaleType)
{
    return settings ? settings->setStdScaleType(scaleType) : Acad::eNullObjectPointer;
}

Acad::ErrorStatus AcDbPlotSettingsValidator::setPlotCentered(AcDbPlotSettings* settings, bool centered)
{
    return settings ? settings->setPlotCentered(centered) : Acad::eNullObjectPointer;
}

Acad::ErrorStatus AcDbPlotSettingsValidator::setPlotRotation(AcDbPlotSettings* settings,
                                                             AcDbPlotSettings::PlotRotation rotation)
{
    return settings ? settings->setPlotRotation(rotation) : Acad::eNullObjectPointer;
}

AcDbPlotSettingsValidator* AcDbHostApplicationServices::plotSettingsValidator() const
{
    static AcDbPlotSettingsValidator validator;
    return &validator;
}
