#include "arx/acplplotinfo.h"

namespace {

std::unique_ptr<AcDbPlotSettings> copyOf(const AcDbPlotSettings* settings)
{
    if (!settings)
        return nullptr;
    auto copy = std::make_unique<AcDbPlotSettings>(settings->modelType());
    copy->copyFrom(settings);
    return copy;
}

} // namespace

AcPlPlotInfo::AcPlPlotInfo() = default;
AcPlPlotInfo::~AcPlPlotInfo() = default;

void AcPlPlotInfo::setLayout(const AcDbObjectId& layoutId)
{
    m_layout = layoutId;
    m_validated.reset();
}

void AcPlPlotInfo::setOverrideSettings(const AcDbPlotSettings* overrides)
{
    m_overrides = copyOf(overrides);
    m_validated.reset();
}

void AcPlPlotInfo::setValidatedSettings(const AcDbPlotSettings* settings)
{
    m_validated = copyOf(settings);
}
