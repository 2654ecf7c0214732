// The publish engine: plots documents of sheets to files, one call per stage, in the order
// beginPlot, beginDocument, (beginPage, beginGenerateGraphics, endGenerateGraphics,
// endPage)..., endDocument, endPlot. A call out of that order gives eNotApplicable
// and changes nothing. The sheet is drawn by beginGenerateGraphics; when drawing fails, it
// and every later call of the document give the failure's status, and errorMessage() says
// why. Plotting is to files only.
#pragma once

#include "arx/errorstatus.h"

#include <string>

class AcPlPlotInfo;
class AcPlPlotPageInfo;
class AcPlPlotProgressDialog;

class AcPlPlotEngine
{
public:
    AcPlPlotEngine() = default;
    AcPlPlotEngine(const AcPlPlotEngine&) = delete;
    AcPlPlotEngine& operator=(const AcPlPlotEngine&) = delete;

    // Deletes the engine.
    void destroy();

    Acad::ErrorStatus beginPlot(AcPlPlotProgressDialog* progress, void* params = nullptr);
    Acad::ErrorStatus endPlot(void* params = nullptr);
    // The info must stay alive until endPage. plotToFile false is refused (eNotImplementedYet),
    // as is an empty file name (eInvalidInput).
    Acad::ErrorStatus beginDocument(AcPlPlotInfo& info, const char* documentName, void* params = nullptr,
                                    int copies = 1, bool plotToFile = false, const char* fileName = nullptr);
    Acad::ErrorStatus endDocument(void* params = nullptr);
    Acad::ErrorStatus beginPage(AcPlPlotPageInfo& pageInfo, AcPlPlotInfo& info, bool lastPage, void* params = nullptr);
    Acad::ErrorStatus endPage(void* params = nullptr);
    Acad::ErrorStatus beginGenerateGraphics(void* params = nullptr);
    Acad::ErrorStatus endGenerateGraphics(void* params = nullptr);

    bool isBackgroundPackaging() const { return false; }
    // Why the sheet could not be drawn; empty while nothing failed.
    const std::string& errorMessage() const { return m_error; }

private:
    enum class Stage { idle, plot, document, page, graphics };

    ~AcPlPlotEngine() = default;
    Acad::ErrorStatus advance(Stage from, Stage to);
    Acad::ErrorStatus drawSheet();

    Stage m_stage = Stage::idle;
    AcPlPlotInfo* m_info = nullptr;
    std::string m_fileName;
    Acad::ErrorStatus m_failure = Acad::eOk;
    std::string m_error;
};
