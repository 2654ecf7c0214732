// A graphic report: the drawing it is for, the layers it switches on, its categories of
// space blocks and assets with their hatch styles, how its legend and pie chart look and,
// for a batch run, how the drawing is plotted and where the copies go. Read from and
// written to the report's XML file (root "graphicReport").
#pragma once

#include "mfc/cstring.h"
#include "msxml/dom.h"
#include "reports/graphicreportstatus.h"

class CAcadDrawing;
class CCategories;
class CLayers;
class CLinkLines;
class CReportOutputs;
class CServerPreferenceVaultEye;
class CStoredProcedure;
class RowSet;

// The namespace of the report file's elements.
inline constexpr const char* GRAPHIC_REPORT_NAMESPACE = "urn:kavrosystems:quorvane:graphicreport";

class CGraphicReport
{
public:
    CGraphicReport() = default;
    ~CGraphicReport();
    CGraphicReport(const CGraphicReport&) = delete;
    CGraphicReport& operator=(const CGraphicReport&) = delete;

    // Writes the whole report to a new file at the path (an existing file is replaced).
    void serialize(CString path);
    // Fills the report from the file at the path. A file that is missing or not XML, whose
    // root is not "graphicReport" or that has no elements leaves the report as it was and
    // gives false, with the reason in getReadProblem.
    bool deSerialize(CString path);
    CString getReadProblem() const { return m_readProblem; }

    // Makes the drawing show the report: its layers on and all others off, its link lines,
    // the blocks and assets of each category hatched and formatted in the category's style,
    // and on a full host the legend table and pie chart at the first markers. The layers of
    // what it draws (hatches, link lines, legend, pie chart) are left on. Gives false, and
    // changes nothing, when the drawing cannot be locked or when the report names spaces,
    // assets or link-line ends and the drawing holds none of them (which it says). A failure
    // puts the drawing's layout and layers back as they were and releases the lock taken
    // here before it is raised.
    bool applyToDrawing(CAcadDrawing* drawing);

    // Fills the report from the server database ("__gr_getGraphicReport"), with its
    // categories, layers and link lines; an empty output folder gives the server's report
    // folder.
    void getGraphicReport(CStoredProcedure* procedure, CServerPreferenceVaultEye* server, int id, int timeout);
    // Claims the report of this id for a run ("__gr_claimGraphicReport"): in one statement
    // the server moves it from the queued status to kReportStarted, only while it still has
    // the queued status, and hands back its row, which fills the report as getGraphicReport
    // does. False, and nothing read, for a report no longer queued (another run claimed
    // it, or it was changed) or deleted. A value of the claimed row or its collections that
    // cannot be used (a hatch colour that is no colour, say) is printed with the report's id
    // and logged, and leaves the report claimed but not to be run (hasInvalidData); a failed
    // call to the server raises.
    bool claim(CStoredProcedure* procedure, CServerPreferenceVaultEye* server, int queuedStatus, int timeout);
    // Runs a claimed report end to end: its drawing opened and the report applied, plotted,
    // a copy saved and the report written as XML, the drawing closed without saving; the
    // status reached is recorded (CGraphicReportStatus). The plot, the copy and the XML are
    // moved into place, all of them or none, before status 3 is recorded; a refused target or
    // a failed write gives its status with the reason printed and leaves the files that were
    // in place. A fault of the report's own (a drawing that cannot be read, a failure as it
    // is applied or plotted, a plot layout the drawing does not have) gives its status with
    // the report's id and the cause printed, and the files that were in place stay. A status 3
    // the server refused, or could not record because the report is no longer the run's
    // claim, puts the files that were in place back; one whose call got no answer or lost the
    // link leaves the new files. A failed call to the server raises, leaving the status
    // recorded so far and the files that were in place. Either way the drawing is left
    // unlocked and closed.
    void prepareReport(CStoredProcedure* procedure, int timeout);
    bool hasInvalidData() const { return m_dataInvalid; }
    // Records the status ("__gr_setGraphicReportStatus"), which the server does only while
    // the report is still at kReportStarted, the run's claim: false, with a line saying so,
    // when it answers that it changed no report (a server that gives no count is taken to
    // have recorded it).
    bool setGraphicReportStatus(CStoredProcedure* procedure, int timeout, CGraphicReportStatus status);
    void setGraphicReportLayout(CStoredProcedure* procedure, int timeout, CString layout);

    int getID() const { return m_id; }
    void setID(int id) { m_id = id; }
    CString getTitle() const { return m_title; }
    void setTitle(CString title) { m_title = std::move(title); }
    // Folders are stored through the path check (a final "/" added, refused characters
    // removed).
    CString getDrawingPath() const { return m_drawingPath; }
    void setDrawingPath(CString path);
    CString getDrawingFilename() const { return m_drawingFilename; }
    void setDrawingFilename(CString name) { m_drawingFilename = std::move(name); }
    CString getOutputPath() const { return m_outputPath; }
    void setOutputPath(CString path);
    CString getOutputFilename() const { return m_outputFilename; }
    void setOutputFilename(CString name) { m_outputFilename = std::move(name); }
    int getPlotTypeID() const { return m_plotTypeID; }
    // Whether the plot type read from the database names no device, an unknown number or
    // NULL (it cannot be plotted).
    bool hasUnknownPlotType() const { return m_unknownPlotType; }
    void setPlotTypeID(int id) { m_plotTypeID = id; }
    int getPlotUseSettings() const { return m_plotUseSettings; }
    void setPlotUseSettings(int use) { m_plotUseSettings = use; }
    int getPlotCentred() const { return m_plotCentred; }
    void setPlotCentred(int centred) { m_plotCentred = centred; }
    int getPlotAreaTypeID() const { return m_plotAreaTypeID; }
    void setPlotAreaTypeID(int id) { m_plotAreaTypeID = id; }
    // The host's scale type (0 to 18 and 20 to 34), as the stored identifier converts.
    int getPlotScaleTypeID() const { return m_plotScaleTypeID; }
    void setPlotScaleTypeID(int id) { m_plotScaleTypeID = id; }
    int getPlotMediaSizeID() const { return m_plotMediaSizeID; }
    void setPlotMediaSizeID(int id) { m_plotMediaSizeID = id; }
    CString getPlotLayout() const { return m_plotLayout; }
    void setPlotLayout(CString layout) { m_plotLayout = std::move(layout); }
    CString getSaveCopyTo() const { return m_saveCopyTo; }
    void setSaveCopyTo(CString target) { m_saveCopyTo = std::move(target); }
    CString getXMLOutputTo() const { return m_xmlOutputTo; }
    void setXMLOutputTo(CString target);
    double getTotalChildAreas() const { return m_totalChildAreas; }
    void setTotalChildAreas(double total) { m_totalChildAreas = total; }
    // The report owns its categories; a replaced collection is left to its holder.
    CCategories* getCategories() const { return m_categories; }
    void setCategories(CCategories* categories) { m_categories = categories; }
    CLayers* getLayersOn() const { return m_layersOn; }
    // The report owns the layers; a list it held before is deleted.
    void setLayersOn(CLayers* layers);
    // The link lines to draw (only a report read from the database has them; the report
    // file does not carry them). The report owns the list; a replaced one is deleted.
    CLinkLines* getLinkLines() const { return m_linkLines; }
    void setLinkLines(CLinkLines* linkLines);
    double getPieXYOffset() const { return m_pieXYOffset; }
    void setPieXYOffset(double offset) { m_pieXYOffset = offset; }
    int getPieIgnoreEmptySegments() const { return m_pieIgnoreEmptySegments; }
    void setPieIgnoreEmptySegments(int ignore) { m_pieIgnoreEmptySegments = ignore; }
    int getPieShowLabels() const { return m_pieShowLabels; }
    void setPieShowLabels(int show) { m_pieShowLabels = show; }
    int getPieShowLabelSegmentLines() const { return m_pieShowLabelSegmentLines; }
    void setPieShowLabelSegmentLines(int show) { m_pieShowLabelSegmentLines = show; }

private:
    // The batch run's steps after the application, each giving none when it went well, else
    // the status the report ends with; the files they write are staged in `outputs`. The output name and the copy's and the XML's
    // bare file names name files of their folders (CFileUtilities::getFileNameFault); a
    // copy or XML that cannot be written gives 12 or 13 with its cause printed and logged.
    ReportStepOutcome plotReport(CStoredProcedure* procedure, int timeout, CAcadDrawing* drawing,
                                 CReportOutputs& outputs);
    ReportStepOutcome saveCopy(CAcadDrawing* drawing, CReportOutputs& outputs);
    ReportStepOutcome writeReportXML(CAcadDrawing* drawing, CReportOutputs& outputs);
    // Records the status reached, and keeps the files the outputs moved into place or lets
    // them go back.
    void recordStatus(CStoredProcedure* procedure, int timeout, CGraphicReportStatus status, CReportOutputs& outputs);
    // Fills the report from the first row of "__gr_getGraphicReport"'s columns; false when
    // there is none. The rows are taken so that they are closed once read, before further
    // calls run through the same procedure object.
    bool readRow(RowSet&& row, CServerPreferenceVaultEye* server);
    // The categories, layers-on and link lines of a report read from the database, each kept
    // only when it holds something.
    void readCollections(CStoredProcedure* procedure, int timeout);
    void readElement(const CString& name, const MSXML2::IXMLDOMNodePtr& node);

    int m_id = 0;
    CString m_title;
    CString m_drawingPath;
    CString m_drawingFilename;
    CString m_outputPath;
    CString m_outputFilename;
    int m_plotTypeID = 0;
    bool m_unknownPlotType = false;
    bool m_dataInvalid = false;
    int m_plotUseSettings = 1;
    int m_plotCentred = 1;
    int m_plotAreaTypeID = 0;
    int m_plotScaleTypeID = 0;
    int m_plotMediaSizeID = 0;
    CString m_plotLayout;
    CString m_saveCopyTo;
    CString m_xmlOutputTo;
    double m_totalChildAreas = 0.0;
    CCategories* m_categories = nullptr;
    CLayers* m_layersOn = nullptr;
    CLinkLines* m_linkLines = nullptr;
    double m_pieXYOffset = 0.0;
    int m_pieIgnoreEmptySegments = 1;
    int m_pieShowLabels = 1;
    int m_pieShowLabelSegmentLines = 1;
    CString m_readProblem;
};
