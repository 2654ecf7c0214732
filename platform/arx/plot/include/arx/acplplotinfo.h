// What one sheet of a plot shows: a layout, plotted with its own settings or with overrides,
// and the settings the info validator found the sheet will be plotted with.
#pragma once

#include "arx/dbid.h"
#include "arx/dblayout.h"

#include <memory>

class AcPlPlotInfo
{
public:
    AcPlPlotInfo();
    ~AcPlPlotInfo();
    AcPlPlotInfo(const AcPlPlotInfo&) = delete;
    AcPlPlotInfo& operator=(const AcPlPlotInfo&) = delete;

    void setLayout(const AcDbObjectId& layoutId);
    AcDbObjectId layout() const { return m_layout; }
    // Keeps a copy of the settings (the caller keeps its own); null plots the layout's own.
    void setOverrideSettings(const AcDbPlotSettings* overrides);
    const AcDbPlotSettings* overrideSettings() const { return m_overrides.get(); }
    // The settings validation settled on (a copy); null until validated, and again after a
    // change of layout or overrides.
    const AcDbPlotSettings* validatedSettings() const { return m_validated.get(); }
    void setValidatedSettings(const AcDbPlotSettings* settings);
    bool isValidated() const { return m_validated != nullptr; }

private:
    AcDbObjectId m_layout;
    std::unique_ptr<AcDbPlotSettings> m_overrides;
    std::unique_ptr<AcDbPlotSettings> m_validated;
};
