// The graphic-report commands: "kgr" applies a report file to the drawing it names, "kagr"
// to the current drawing.
#include "commands.h"

#include "arx/acutprintf.h"
#include "host/hostguards.h"
#include "module/slabmend.h"
#include "reports/graphicreport.h"
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

// Applies the report to the locked drawing.
void applyLocked(CGraphicReport& report, CAcadDrawing* drawing)
{
    report.applyToDrawing(drawing);
    acutPrintf("graphic report successfully applied.\n");
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

} // namespace

void graphicReport()
{
    runGraphicReport("graphicReport", true);
}

void applyGraphicReport()
{
    runGraphicReport("applyGraphicReport", false);
}
