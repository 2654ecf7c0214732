// The status of a graphic report in a batch run, and what each step of the run gives.
#pragma once

#include <optional>

// How far a batch run of a report got, as recorded in the database (its numbers are those
// the report table holds).
enum CGraphicReportStatus {
    kReportStarted = 2,
    kReportPlotted = 3,
    kReportDrawingMissing = 4,
    // The drawing cannot be read (not a drawing, empty, cut short, a folder): nothing is run.
    kReportDrawingUnreadable = 5,
    kReportOutputFolderMissing = 10,
    kReportOutputNameInvalid = 11,
    kReportCopyNotSaved = 12,
    kReportXMLNotWritten = 13,
    kReportPlotTypeUnknown = 14,
    // None of the spaces, assets or link-line ends the report names is in its drawing:
    // nothing is plotted.
    kReportNothingInDrawing = 15,
    // The plot type is the DWF device's, which cannot be plotted to here (no writer of
    // that format is available): nothing is run.
    kReportDWFNotPlottable = 16,
    // A value of the report's row or categories cannot be used, the layout it plots is not
    // in its drawing, or applying it to its drawing failed: nothing is plotted.
    kReportDataInvalid = 17,
    // The plot failed: refused by its work limit, or its file could not be written.
    kReportPlotFailed = 18,
    // The plot's file is one that another report of the same run wrote (two output names
    // may give one file: "plan" and "plan.png" give a PDF's "plan.pdf"), or the output name
    // has no stem (".", ".hidden" and ".pdf" all give ".pdf"): nothing is written, and the
    // other report's file stays.
    kReportOutputTaken = 19,
};

// What a step of a report's batch run gives: empty when it went well and the run of the
// report goes on, else the status the report ends with.
using ReportStepOutcome = std::optional<CGraphicReportStatus>;
