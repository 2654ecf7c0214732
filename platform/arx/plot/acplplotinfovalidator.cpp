#include "arx/acplplotinfovalidator.h"

#include "arx/dbobject.h"
#include "arx/plotdevice.h"
#include "arx/plotmedia.h"

namespace {

Acad::ErrorStatus checkSettings(const AcDbPlotSettings& settings)
{
    double width = 0, height = 0;
    if (qv::PlotDevice::format(settings.plotCfgName()).empty() ||
        !qv::PlotMedia::size(settings.canonicalMediaName(), width, height))
        return Acad::eInvalidPlotInfo;
    return Acad::eOk;
}

} // namespace

Acad::ErrorStatus AcPlPlotInfoValidator::validate(AcPlPlotInfo& info) const
{
    AcDbLayout* layout = nullptr;
    if (acdbOpenObject(layout, info.layout(), AcDb::kForRead) != Acad::eOk)
        return Acad::eInvalidLayout;
    const AcDbPlotSettings* settings = info.overrideSettings() ? info.overrideSettings() : layout;
    const Acad::ErrorStatus status = checkSettings(*settings);
    if (status == Acad::eOk)
        info.setValidatedSettings(settings);
    layout->close();
    return status;
}
