// A graphic report in a batch run: read from the server database, run end to end on its
// drawing (applied, plotted, a copy saved, written back as XML) and its status and plotted
// layout recorded in the database.
#include "reports/graphicreport.h"

#include "arx/acutprintf.h"
#include "database/parameterint.h"
#include "database/parameters.h"
#include "database/parametervarchar.h"
#include "database/procedureguard.h"
#include "database/rowset.h"
#include "database/serverpreferencevaulteye.h"
#include "database/storedprocedure.h"
#include "host/acaddrawing.h"
#include "host/acadutilities.h"
#include "host/layers.h"
#include "reports/categories.h"
#include "reports/linklines.h"
#include "reports/reportoutputs.h"
#include "support/fileutilities.h"
#include "support/kavroguard.h"
#include "support/utilities.h"

#include <climits>
#include <memory>

namespace {

// A 16-bit number column; false, and the number untouched, for NULL.
bool shortOf(const RowSet& row, const char* column, int& number)
{
    return row.wholeNumber(column, SHRT_MIN, SHRT_MAX, number);
}

// Whether a target of the run is refused for the fault (none when it is empty); the refusal
// is printed with its reason.
bool refused(const char* what, const CString& fault)
{
    if (fault.IsEmpty())
        return false;
    acutPrintf("\t%s is refused: %s.\n", what, fault);
    return true;
}

// The failure of a step that writes a file: its cause is printed and logged.
void reportFailure(const CString& what, CEXKavro* e)
{
    const std::unique_ptr<CEXKavro, void (*)(CEXKavro*)> failure(e, CEXKavro::deleteChain);
    CReportOutputs::reportFailure(what, failure.get());
}

// Runs a step of report `id` that calls no server, so that a fault of it is the report's
// own and not the run's: the cause is printed with the report's id and logged, and the
// step gives `failure` in place of its outcome.
template <class Step>
ReportStepOutcome reportStep(int id, const char* what, CGraphicReportStatus failure, Step&& step)
{
    try {
        return step();
    } catch (CEXKavro* e) {
        CString text;
        text.Format("Graphic report %d failed, %s", id, what);
        reportFailure(text, e);
        return failure;
    }
}

// Where a copy or XML target puts its file: a bare name goes into nameFolder, a folder
// takes folderName, a full path is split into its folder and name; fault says why the
// target cannot be used ("" when it can).
struct Place {
    CString folder;
    CString name;
    CString fault;
};

Place placeOf(CString target, const CString& nameFolder, const CString& folderName)
{
    CFileUtilities files;
    Place place;
    switch (files.getPathType(target)) {
    case fileName:
        place.folder = nameFolder;
        place.name = target;
        place.fault = files.getFileNameFault(nameFolder, target);
        break;
    case folderPath:
        place.folder = target;
        place.name = folderName;
        if (!files.directoryExists(target))
            place.fault = "its folder does not exist";
        break;
    case filePath:
        place.folder = files.getDirectoryString(target);
        place.name = target.Mid(place.folder.GetLength());
        break;
    default:
        place.fault = "it is neither a file name, nor a folder, nor a full path";
    }
    return place;
}

// Why a copy or XML target cannot take the path, beyond its own kind's checks: the drawing
// itself, or a file another output of the report goes to; "" when it can.
CString placeFault(const CString& path, CAcadDrawing* drawing, const CReportOutputs& outputs)
{
    if (CFileUtilities().isSameFile(path, drawing->getPath() + drawing->getFileName()))
        return "it is the drawing itself";
    if (outputs.holds(path))
        return "another file of the report goes there";
    return CString();
}

// What the drawing's plot gives its report: none when it plotted; a folder missing by the
// time of the plot as a missing output folder; a drawing no longer open as a failed plot.
ReportStepOutcome plotOutcome(CAcadDrawing::PlotState state)
{
    switch (state) {
    case CAcadDrawing::kPlotted:
        return std::nullopt;
    case CAcadDrawing::kFolderMissing:
        return kReportOutputFolderMissing;
    case CAcadDrawing::kNotPlotted:
        break;
    }
    return kReportPlotFailed;
}

// The name the plot is written under: the output name with the device's extension.
CString plotFileName(CString name, int plotType)
{
    if (!name.IsEmpty())
        CAcadUtilities::checkPlotFileExtension(name, CAcadUtilities::convertPlotDevice(plotType));
    return name;
}

// Why the plot's file name is one that every output name without a stem gives (".", ".hidden"
// and ".pdf" all give ".pdf"): a file that no report can call its own; "" when it has a stem.
CString stemFault(const CString& plotName)
{
    if (plotName.ReverseFind('.') != 0)
        return CString();
    return "it has no stem, so it gives \"" + plotName + "\" as every name without one does";
}

} // namespace

void CGraphicReport::getGraphicReport(CStoredProcedure* procedure, CServerPreferenceVaultEye* server, int id,
                                      int timeout)
{
    CParameters parameters;
    CStoredProcedure::Attachment attached;
    procedureGuard(procedure, "CGraphicReport::getGraphicReport", __FILE__, [&] {
        m_id = id;
        addInputParameter<CParameterInt>(parameters, "@graphicReportID", id);
        procedure->setTimeout(timeout);
        procedure->setName("__gr_getGraphicReport");
        attached.attach(procedure, &parameters);
        const _RecordsetPtr rows = procedure->execSPReturnParas();
        if (rows && readRow(RowSet(rows), server))
            readCollections(procedure, server->getDbTimeout());
    });
}

bool CGraphicReport::claim(CStoredProcedure* procedure, CServerPreferenceVaultEye* server, int queuedStatus,
                           int timeout)
{
    CParameters parameters;
    CStoredProcedure::Attachment attached;
    try {
        return procedureGuard(procedure, "CGraphicReport::claim", __FILE__, [&] {
            addInputParameter<CParameterInt>(parameters, "@graphicReportID", m_id);
            addInputParameter<CParameterInt>(parameters, "@statusID", queuedStatus);
            procedure->setTimeout(timeout);
            procedure->setName("__gr_claimGraphicReport");
            attached.attach(procedure, &parameters);
            const _RecordsetPtr rows = procedure->execSPReturnParas();
            if (!rows || !readRow(RowSet(rows), server))
                return false;
            readCollections(procedure, server->getDbTimeout());
            return true;
        });
    } catch (CEXKavro* e) {
        // Values are read only once the claim has answered: a fault that no failed call
        // to the server caused (the server lost, refusing or not answering) is a value of
        // the claimed report's.
        if (e->getServerCallFailure() != ServerCallFailure::none)
            throw;
        CString what;
        what.Format("Graphic report %d not run, its data cannot be used", m_id);
        reportFailure(what, e);
        m_dataInvalid = true;
        return true;
    }
}

bool CGraphicReport::readRow(RowSet&& row, CServerPreferenceVaultEye* server)
{
    return row.firstRow([&] {
        CString text;
        int number = 0;
        if (row.text("grTitle", text))
            m_title = text;
        if (row.text("grDrawingPath", text))
            setDrawingPath(text);
        if (row.text("grDrawingFilename", text))
            setDrawingFilename(text);
        if (row.text("grPlotLayout", text))
            m_plotLayout = text;
        // A NULL plot type names no device, as an unknown number does.
        m_unknownPlotType = true;
        if (shortOf(row, "grPlotTypeID", number)) {
            m_unknownPlotType = number < kDWF || number > kPNG;
            m_plotTypeID = CAcadUtilities::convertPlotDevice(number);
        }
        if (shortOf(row, "grPlotAreaTypeID", number))
            m_plotAreaTypeID = CAcadUtilities::convertPlotArea(number);
        if (shortOf(row, "grPlotMediaSizeID", number))
            m_plotMediaSizeID = CAcadUtilities::convertMediaSize(number);
        if (shortOf(row, "grPlotScaleTypeID", number))
            m_plotScaleTypeID = CAcadUtilities::convertScale(number);
        if (shortOf(row, "grPlotCentred", number))
            m_plotCentred = number;
        if (!row.text("grOutputPath", text) || text.IsEmpty())
            text = server->getGraphRepOutPath();
        setOutputPath(text);
        if (row.text("grOutputFilename", text))
            setOutputFilename(text);
        if (row.text("grSaveCopyTo", text))
            setSaveCopyTo(text);
        if (row.text("grXMLOutputTo", text))
            m_xmlOutputTo = text;
        if (const _variant_t total = row.value("grTotalChildAreas"); !total.isNull())
            m_totalChildAreas = static_cast<double>(total);
    });
}

void CGraphicReport::readCollections(CStoredProcedure* procedure, int timeout)
{
    auto categories = std::make_unique<CCategories>();
    categories->getReportCategories(procedure, m_id, timeout);
    if (categories->count() > 0) {
        delete m_categories;
        m_categories = categories.release();
    }
    auto layers = std::make_unique<CLayers>();
    layers->getGraphicReportLayersOn(procedure, m_id, timeout);
    if (layers->getCount() > 0)
        setLayersOn(layers.release());
    auto lines = std::make_unique<CLinkLines>();
    lines->getGraphicReportLinkLines(procedure, m_id, timeout);
    if (lines->getCount() > 0)
        setLinkLines(lines.release());
}

bool CGraphicReport::setGraphicReportStatus(CStoredProcedure* procedure, int timeout, CGraphicReportStatus status)
{
    CParameters parameters;
    CStoredProcedure::Attachment attached;
    return procedureGuard(procedure, "CGraphicReport::setGraphicReportStatus", __FILE__, [&] {
        addInputParameter<CParameterInt>(parameters, "@graphicReportID", m_id);
        addInputParameter<CParameterInt>(parameters, "@statusID", static_cast<int>(status));
        procedure->setTimeout(timeout);
        procedure->setName("__gr_setGraphicReportStatus");
        attached.attach(procedure, &parameters);
        const _RecordsetPtr rows = procedure->execSPReturnParas();
        int recorded = 1;
        if (rows) {
            RowSet row(rows);
            row.firstRow([&] { row.wholeNumber("grRecorded", 0, INT_MAX, recorded); });
        }
        if (recorded == 0)
            acutPrintf("Graphic report %d: its status %d was not recorded: it is no longer the run's claim on the "
                       "server (its status was changed, or it was deleted, while it ran).\n",
                       m_id, static_cast<int>(status));
        return recorded != 0;
    });
}

void CGraphicReport::setGraphicReportLayout(CStoredProcedure* procedure, int timeout, CString layout)
{
    CParameters parameters;
    CStoredProcedure::Attachment attached;
    procedureGuard(procedure, "CGraphicReport::setGraphicReportLayout", __FILE__, [&] {
        addInputParameter<CParameterInt>(parameters, "@graphicReportID", m_id);
        addInputParameter<CParameterVarChar>(parameters, "@layout", _bstr_t(layout.GetString()));
        procedure->setTimeout(timeout);
        procedure->setName("__gr_setGraphicReportLayout");
        attached.attach(procedure, &parameters);
        procedure->execSPNoReturnParas();
    });
}

void CGraphicReport::prepareReport(CStoredProcedure* procedure, int timeout)
{
    CReportOutputs outputs(m_id);
    std::unique_ptr<CAcadDrawing> drawing;
    try {
        kavroGuard("CGraphicReport::prepareReport", __FILE__, [&] {
            if (!CFileUtilities().fileExists(m_drawingPath + m_drawingFilename)) {
                setGraphicReportStatus(procedure, timeout, kReportDrawingMissing);
                return;
            }
            if (const ReportStepOutcome unread =
                    reportStep(m_id, "its drawing cannot be read", kReportDrawingUnreadable, [&] {
                        drawing = std::make_unique<CAcadDrawing>(m_drawingPath, m_drawingFilename);
                        return ReportStepOutcome();
                    })) {
                setGraphicReportStatus(procedure, timeout, *unread);
                return;
            }
            if (drawing->lock() != Acad::eOk)
                return;
            // The drawing is locked here: a report not applied is one for another drawing,
            // and a plot of it would show nothing of the report.
            ReportStepOutcome outcome =
                reportStep(m_id, "it could not be applied to its drawing", kReportDataInvalid, [&] {
                    return applyToDrawing(drawing.get()) ? ReportStepOutcome() : kReportNothingInDrawing;
                });
            if (!outcome)
                outcome = plotReport(procedure, timeout, drawing.get(), outputs);
            if (!outcome && !m_saveCopyTo.IsEmpty())
                outcome = saveCopy(drawing.get(), outputs);
            if (!outcome)
                outcome = writeReportXML(drawing.get(), outputs);
            // Every file is in place before status 3 is recorded.
            if (!outcome)
                outcome = outputs.commit();
            recordStatus(procedure, timeout, outcome.value_or(kReportPlotted), outputs);
            drawing->unlock(FALSE);
            // Closes the drawing without saving it: the report's changes live on only in the
            // plot file and the copy, and in a drawing the user had open, which stays open
            // with them unsaved beside the user's own changes.
            drawing.reset();
        });
    } catch (CEXKavro*) {
        // Every lock level is released and the drawing closed unsaved (unless the user had it
        // open), so that no document stays locked, or open for nothing, after a failed report.
        if (drawing && drawing->isLocked())
            cleanUpQuietly([&] { drawing->unlock(TRUE); });
        drawing.reset();
        throw;
    }
}

void CGraphicReport::recordStatus(CStoredProcedure* procedure, int timeout, CGraphicReportStatus status,
                                  CReportOutputs& outputs)
{
    // The new files stay once the status is recorded, and when the call's outcome is
    // unknown: the server may have recorded it, and a status 2 with the new files claims
    // nothing false where a 3 with the old ones would. A status the server refused, or a
    // report no longer the run's claim, gets the old files back as `outputs` goes.
    try {
        if (setGraphicReportStatus(procedure, timeout, status))
            outputs.keep();
    } catch (CEXKavro* e) {
        if (e->getServerCallFailure() == ServerCallFailure::outcomeUnknown)
            outputs.keep();
        throw;
    }
}

ReportStepOutcome CGraphicReport::plotReport(CStoredProcedure* procedure, int timeout, CAcadDrawing* drawing,
                                             CReportOutputs& outputs)
{
    CFileUtilities files;
    if (!files.directoryExists(m_outputPath))
        return kReportOutputFolderMissing;
    const CString layoutBefore = m_plotLayout;
    const CString name = plotFileName(m_outputFilename, m_plotTypeID);
    if (refused("The output file name", files.getFileNameFault(m_outputPath, name)))
        return kReportOutputNameInvalid;
    if (refused("The output file name", stemFault(name)) ||
        refused("The output file", CReportOutputs::writtenInRun(m_outputPath + name)))
        return kReportOutputTaken;
    if (!m_plotLayout.IsEmpty() &&
        !acdbLayoutManager()->layoutExists(m_plotLayout, drawing->getDocument()->database())) {
        acutPrintf("\tGraphic report %d not plotted: its drawing has no layout \"%s\".\n", m_id,
                   CUtilities::oneLine(m_plotLayout));
        return kReportDataInvalid;
    }
    const CString staged =
        outputs.stage(m_outputPath + name, kReportOutputNameInvalid).Mid(m_outputPath.GetLength());
    const ReportStepOutcome plotted = reportStep(m_id, "its plot was not written", kReportPlotFailed, [&] {
        return plotOutcome(drawing->plot(m_plotLayout, m_outputPath, staged, m_plotTypeID, m_plotUseSettings,
                                         m_plotCentred, m_plotScaleTypeID, m_plotAreaTypeID, m_plotMediaSizeID, 1));
    });
    if (plotted != kReportPlotFailed && m_plotLayout != layoutBefore)
        setGraphicReportLayout(procedure, timeout, m_plotLayout);
    return plotted;
}

ReportStepOutcome CGraphicReport::saveCopy(CAcadDrawing* drawing, CReportOutputs& outputs)
{
    try {
        auto [folder, name, fault] = placeOf(m_saveCopyTo, drawing->getPath(), m_drawingFilename);
        if (fault.IsEmpty())
            fault = placeFault(folder + name, drawing, outputs);
        if (refused("The copy's target", fault))
            return kReportCopyNotSaved;
        drawing->saveAs(folder, outputs.stage(folder + name, kReportCopyNotSaved).Mid(folder.GetLength()));
        return std::nullopt;
    } catch (CEXKavro* e) {
        reportFailure("The drawing's copy was not saved", e);
        return kReportCopyNotSaved;
    }
}

ReportStepOutcome CGraphicReport::writeReportXML(CAcadDrawing* drawing, CReportOutputs& outputs)
{
    CFileUtilities files;
    CString target = m_xmlOutputTo;
    CString fault;
    if (target.IsEmpty()) {
        const CString plotted = CAcadUtilities::plotExtension(CAcadUtilities::convertPlotDevice(m_plotTypeID));
        target = m_outputPath + files.swapFileExtension(plotFileName(m_outputFilename, m_plotTypeID), plotted, ".xml");
    } else {
        // The drawing's own extension (".dxf", or ".dwg" by name) gives way to ".xml".
        const CString xmlName =
            files.swapFileExtension(m_drawingFilename, m_drawingFilename.Right(4) == ".dxf" ? ".dxf" : ".dwg", ".xml");
        const Place place = placeOf(target, m_outputPath, xmlName);
        target = place.folder + place.name;
        fault = place.fault;
    }
    if (fault.IsEmpty())
        fault = placeFault(target, drawing, outputs);
    if (refused("The XML target", fault))
        return kReportXMLNotWritten;
    try {
        serialize(outputs.stage(target, kReportXMLNotWritten));
        return std::nullopt;
    } catch (CEXKavro* e) {
        reportFailure("The report's XML was not written", e);
        return kReportXMLNotWritten;
    }
}
