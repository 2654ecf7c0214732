#include "arx/acplplotengine.h"

#include "arx/acplplotinfo.h"
#include "arx/dbobject.h"
#include "arx/plotrender.h"

void AcPlPlotEngine::destroy() { delete this; }

Acad::ErrorStatus AcPlPlotEngine::advance(Stage from, Stage to)
{
    if (m_stage != from)
        return Acad::eNotApplicable;
    m_stage = to;
    return Acad::eOk;
}

Acad::ErrorStatus AcPlPlotEngine::beginPlot(AcPlPlotProgressDialog*, void*)
{
    return advance(Stage::idle, Stage::plot);
}

Acad::ErrorStatus AcPlPlotEngine::endPlot(void*) { return advance(Stage::plot, Stage::idle); }

Acad::ErrorStatus AcPlPlotEngine::beginDocument(AcPlPlotInfo& info, const char*, void*, int, bool plotToFile,
                                                const char* fileName)
{
    if (m_stage != Stage::plot)
        return Acad::eNotApplicable;
    if (!plotToFile)
        return Acad::eNotImplementedYet;
    if (!fileName || !*fileName)
        return Acad::eInvalidInput;
    m_info = &info;
    m_fileName = fileName;
    m_failure = Acad::eOk;
    m_error.clear();
    return advance(Stage::plot, Stage::document);
}

Acad::ErrorStatus AcPlPlotEngine::endDocument(void*)
{
    const Acad::ErrorStatus status = advance(Stage::document, Stage::plot);
    m_info = nullptr;
    return status != Acad::eOk ? status : m_failure;
}

Acad::ErrorStatus AcPlPlotEngine::beginPage(AcPlPlotPageInfo&, AcPlPlotInfo& info, bool, void*)
{
    if (m_stage != Stage::document)
        return Acad::eNotApplicable;
    m_info = &info;
    return advance(Stage::document, Stage::page);
}

Acad::ErrorStatus AcPlPlotEngine::endPage(void*)
{
    const Acad::ErrorStatus status = advance(Stage::page, Stage::document);
    return status != Acad::eOk ? status : m_failure;
}

Acad::ErrorStatus AcPlPlotEngine::beginGenerateGraphics(void*)
{
    if (const Acad::ErrorStatus status = advance(Stage::page, Stage::graphics); status != Acad::eOk)
        return status;
    m_failure = drawSheet();
    return m_failure;
}

Acad::ErrorStatus AcPlPlotEngine::endGenerateGraphics(void*)
{
    const Acad::ErrorStatus status = advance(Stage::graphics, Stage::page);
    return status != Acad::eOk ? status : m_failure;
}

// Draws the sheet with the settings validation settled on, else the overrides, else the
// layout's own.
Acad::ErrorStatus AcPlPlotEngine::drawSheet()
{
    AcDbLayout* layout = nullptr;
    if (const Acad::ErrorStatus es = acdbOpenObject(layout, m_info->layout(), AcDb::kForRead); es != Acad::eOk) {
        m_error = "The layout to plot cannot be read.";
        return es;
    }
    qv::PlotRequest request;
    request.database = m_info->layout().database();
    request.layoutId = m_info->layout();
    request.settings = m_info->validatedSettings()   ? m_info->validatedSettings()
                       : m_info->overrideSettings() ? m_info->overrideSettings()
                                                    : layout;
    request.path = m_fileName;
    qv::PlotResult result;
    try {
        result = qv::plotLayout(request);
    } catch (const std::exception& e) {
        result = {Acad::ePlotFailed, e.what()};
    }
    layout->close();
    m_error = result.message;
    if (result.status != Acad::eOk && m_error.empty())
        m_error = "The sheet could not be drawn.";
    return result.status;
}
