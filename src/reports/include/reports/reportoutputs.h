// The files a batch run of a report writes (the plot, the drawing's copy, the report's
// XML), each written under a short temporary name in its own folder and moved into place
// only when every one of them was written, before the report's status is recorded: the
// files in place and the status recorded for the report agree. A run that fails before
// the files are moved, or whose status the server refuses, leaves the files of the run
// before it as they were; the caller keeps the new files when the status was recorded or
// may have been.
//
// A temporary is named ".~qv", the process's tag (qv::temporaryTag: the mark of its process
// space and its number), a serial number and the target's extension, so that a later run in
// the same process space can tell the temporaries whose process has died, and remove them.
#pragma once

#include "mfc/cstring.h"
#include "reports/graphicreportstatus.h"

#include <vector>

class CEXKavro;

class CReportOutputs
{
public:
    // The files of the report of this id (0 for none).
    explicit CReportOutputs(int report = 0) : m_report(report) {}
    // Puts back the files a commit replaced unless they were kept, and removes the temporary
    // files that were not moved into place.
    ~CReportOutputs();
    CReportOutputs(const CReportOutputs&) = delete;
    CReportOutputs& operator=(const CReportOutputs&) = delete;

    // The temporary path, in the folder of `path`, to write the file of `path` under;
    // `failure` is the status a failed move of it into place gives. Before the first file
    // of a batch run goes to a folder, the temporaries dead processes of this process space
    // left there are removed.
    CString stage(const CString& path, CGraphicReportStatus failure);
    // Whether a file staged already goes to the path.
    bool holds(const CString& path) const;
    // Moves every staged file into place, each file it replaces kept aside under a
    // temporary name, so that a target is never missing. When a move fails, the files
    // already moved are put back, the cause is printed and logged, and the failed file's
    // status is given; else none.
    ReportStepOutcome commit();
    // Drops the files the commit kept aside: the new files stay in place, and are the
    // report's for the rest of the batch run.
    void keep();

    // Starts a batch run: each folder is swept again before the first file goes to it, and
    // no file is any report's yet.
    static void beginRun();
    // Why a report may not write the file of the path: another report of the run kept its
    // file there ("graphic report 9801 of this run wrote it"); "" when none did. Paths meet
    // as in holds(), the folders compared as they are on disk.
    static CString writtenInRun(const CString& path);
    // Prints "\t" + what + ": " + the failure's cause on the command line, and writes the
    // failure to the error logs of the document-monitor settings when there are any.
    static void reportFailure(const CString& what, CEXKavro* failure);

private:
    struct Output
    {
        CString staged;
        CString target;
        CString kept;   // the replaced file's temporary name, empty when there was none
        CGraphicReportStatus failure;
        bool moved = false;
    };

    static CString temporaryIn(const CString& folder, const CString& target);
    // Moves one staged file into place; false with errno set when it could not be.
    static bool moveIntoPlace(Output& output);
    void putBack();

    int m_report = 0;
    std::vector<Output> m_outputs;
    bool m_committed = false;
};
