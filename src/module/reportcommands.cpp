// The graphic-report commands: "kgr" applies a report file to the drawing it names, "kagr"
// to the current drawing; "klbd" and "kpbd" define a report's legend or pie-chart block
// from answers the user types.
#include "commands.h"

#include "arx/acutprintf.h"
#include "blocks/blocks.h"
#include "host/acadhost.h"
#include "host/acadutilities.h"
#include "host/hostguards.h"
#include "module/commandframe.h"
#include "module/preferences.h"
#include "reports/graphicreport.h"
#include "reports/legendtable.h"
#include "reports/piechart.h"
#include "support/exrecords.h"
#include "support/fileutilities.h"
#include "support/kavroguard.h"

#include <memory>

namespace {

const char* const reportFilter = "XML Graphic Reports (*.xml)|*.xml";

CString chooseReportFile()
{
    return CFileUtilities().browseForFile(reportFilter);
}

// Reads the report file. A file that holds no report is named with the reason, so that
// nothing is applied to the drawing in its name.
bool readReport(CGraphicReport& report, const CString& path)
{
    if (report.deSerialize(path))
        return true;
    acutPrintf("\nNo graphic report was applied: %s cannot be read - %s.\n", path, report.getReadProblem());
    return false;
}

// The current document, wrapped as every command wraps it, and kept open.
std::unique_ptr<CAcadDrawing> wrapCurrentDrawing()
{
    auto drawing = std::make_unique<CAcadDrawing>();
    drawing->setDocument(acDocManagerPtr()->curDocument());
    drawing->setFileName(drawing->getDocument() ? drawing->getDocument()->fileName() : "");
    drawing->setOpen(TRUE);
    drawing->setKeepOpen(TRUE);
    return drawing;
}

void showChain(CEXKavro* chain)
{
    chain->display();
    CEXKavro::deleteChain(chain);
}

// Runs work and shows what it raises: a module error with its own chain, anything else
// wrapped under the signature.
template <class Work>
void showingFailures(const char* signature, Work&& work)
{
    try {
        work();
    } catch (CEXKavro* e) {
        showChain(e);
    } catch (CException* e) {
        showChain(new CEXUnhandled(KAVRO_PRODUCT_CAPTION, MODULE_MAIN_FILE, signature, 0, nullptr));
        e->Delete();
    } catch (...) {
        showChain(new CEXUnhandled(KAVRO_PRODUCT_CAPTION, MODULE_MAIN_FILE, signature, 0, nullptr));
    }
}

// Marker blocks read from the drawing, destroyed with the list.
struct MarkerList
{
    CBlocks blocks;
    ~MarkerList()
    {
        cleanUpQuietly([this] { blocks.destroyBlocks(); });
    }
};

// Applies the report to the locked drawing, then defines the legend and pie-chart blocks
// that no marker of the drawing will show. A report that was not applied defines nothing.
void applyLocked(CGraphicReport& report, CAcadDrawing* drawing)
{
    if (!report.applyToDrawing(drawing))
        return;
    acutPrintf("graphic report successfully applied.\n");
    if (!acadHost.isFullHost()) {
        defineLegacyLegendAndPie(drawing, &report, 1, 1);
        return;
    }
    MarkerList legends;
    MarkerList pies;
    legends.blocks.getLegendBlock_SS(drawing);
    pies.blocks.getPieBlock_SS(drawing);
    const int defineLegend = legends.blocks.count() == 0 ? 1 : 0;
    const int definePie = pies.blocks.count() == 0 ? 1 : 0;
    if (defineLegend || definePie)
        defineLegacyLegendAndPie(drawing, &report, defineLegend, definePie);
}

// The frame of "kgr" and "kagr": the report file chosen and read, the drawing opened or
// wrapped, the report applied under the drawing's lock.
void runGraphicReport(const char* signature, bool openReportDrawing)
{
    std::unique_ptr<CAcadDrawing> drawing;
    try {
        const CString path = chooseReportFile();
        CGraphicReport report;
        if (!path.IsEmpty() && readReport(report, path)) {
            if (openReportDrawing) {
                drawing = std::make_unique<CAcadDrawing>(report.getDrawingPath(), report.getDrawingFilename());
                drawing->setKeepOpen(TRUE);
            } else {
                drawing = wrapCurrentDrawing();
            }
            if (drawing->lock() == Acad::eOk) {
                showingFailures(signature, [&] { applyLocked(report, drawing.get()); });
                drawing->unlock(FALSE);
            }
            drawing.reset();
        }
    } catch (CEXKavro* e) {
        if (drawing && drawing->isLocked())
            cleanUpQuietly([&] { drawing->unlock(TRUE); });
        drawing.reset();
        showChain(e);
    }
    acutPrintf("\n");
}

// The frame of "klbd" and "kpbd".
void runBlockDefine(const char* title, int defineLegend, int definePie)
{
    try {
        printCommandTitle(title);
        const CString path = chooseReportFile();
        if (path.IsEmpty())
            return;
        CGraphicReport report;
        if (!readReport(report, path))
            return;
        const auto drawing = wrapCurrentDrawing();
        const DrawingLock lock(drawing.get());
        if (lock.held())
            defineLegacyLegendAndPie(drawing.get(), &report, defineLegend, definePie);
    } catch (CEXKavro* e) {
        showChain(e);
    }
}

// Whether the chain ends in a prompt the user cancelled.
bool cancelled(CEXKavro* chain)
{
    while (chain->getInnerException())
        chain = chain->getInnerException();
    return dynamic_cast<CEXCancelled*>(chain) != nullptr;
}

// What the legacy legend and pie-chart definitions are made with.
struct LegacySettings
{
    double textSize = 0.0;
    double radius = 0.0;
    double rotation = 0.0; // radians
    int ignoreEmpty = 1;
    CString units;
    int precision = 0;
};

LegacySettings askLegacySettings(const CPreferences& preferences, int definePie)
{
    CAcadUtilities prompts;
    const int shown = preferences.getPrecision();
    LegacySettings settings;
    prompts.getSize("specify text size", preferences.getTextSize(), shown, &settings.textSize);
    if (definePie)
        prompts.getSize("specify pie chart radius", 10.0 * settings.textSize, shown, &settings.radius);
    double degrees = 0.0;
    prompts.getDouble("specify rotation (in degrees)", preferences.getTextRotation(), shown, &degrees);
    settings.rotation = degrees * 0.017453292519943295;
    BOOL ignore = TRUE;
    prompts.getBoolean("ignore empty categories and pie chart segments?", TRUE, &ignore);
    settings.ignoreEmpty = ignore ? 1 : 0;
    prompts.getString("specify units", preferences.getUnits().areaText(), &settings.units);
    prompts.getPrecision("specify precision", preferences.getPrecision(), &settings.precision);
    return settings;
}

void defineLegacyLegend(CAcadDrawing* drawing, CGraphicReport* report, const LegacySettings& settings)
{
    const CLegendTable legend(drawing, settings.textSize, settings.precision, settings.units, settings.ignoreEmpty,
                              report, settings.rotation, nullptr);
    acutPrintf("legend definition successfully created.\n");
}

// A pie chart with nothing to show (no categories, no total, no segment left) defines no
// block, and says so rather than reporting a definition that was not made.
void defineLegacyPie(CAcadDrawing* drawing, CGraphicReport* report, const LegacySettings& settings)
{
    const CPieChart chart(drawing, report, settings.radius, 0.0, settings.textSize, settings.precision, settings.units,
                          settings.ignoreEmpty, 1, 1, settings.rotation, nullptr);
    if (chart.getBlockId().isNull())
        acutPrintf("no pie chart definition was created: the report has nothing to chart.\n");
    else
        acutPrintf("pie chart definition successfully created.\n");
}

} // namespace

void graphicReport()
{
    runGraphicReport("graphicReport", true);
}

void applyGraphicReport()
{
    runGraphicReport("applyGraphicReport", false);
}

void pieBlockDefine()
{
    runBlockDefine("Kavro Pie Chart Block Define", 0, 1);
}

void legendBlockDefine()
{
    runBlockDefine("Kavro Legend Block Define", 1, 0);
}

void defineLegacyLegendAndPie(CAcadDrawing* drawing, CGraphicReport* report, int defineLegend, int definePie)
{
    const char* signature = "defineLegacyLegendAndPie";
    try {
        kavroGuard(signature, MODULE_MAIN_FILE, [&] {
            CPreferences preferences;
            preferences.loadPreferences();
            const LegacySettings settings = askLegacySettings(preferences, definePie);
            const DrawingLock lock(drawing);
            if (!lock.held())
                return;
            if (defineLegend)
                defineLegacyLegend(drawing, report, settings);
            if (definePie)
                defineLegacyPie(drawing, report, settings);
        });
    } catch (CEXKavro* e) {
        // A cancelled prompt ends the definitions quietly; every other failure is shown.
        if (cancelled(e)) {
            acutPrintf("\n*Cancel*\n");
            CEXKavro::deleteChain(e);
            return;
        }
        showChain(e);
    }
}
