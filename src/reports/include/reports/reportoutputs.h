// The files a batch run of a report writes (the plot, the drawing's copy, the report's
// XML), each written under a temporary name beside its place and moved into place only
// once the report's status is recorded: a run that fails, or whose status cannot be
// recorded, leaves in place the files that were there, so that the files and the status
// recorded for the report agree.
#pragma once

#include "mfc/carray.h"
#include "mfc/cstring.h"

class CReportOutputs
{
public:
    CReportOutputs() = default;
    // Removes the temporary files that were not moved into place.
    ~CReportOutputs();
    CReportOutputs(const CReportOutputs&) = delete;
    CReportOutputs& operator=(const CReportOutputs&) = delete;

    // The temporary path, in the same folder, to write the file of `path` under.
    CString stage(const CString& path);
    // Moves every staged file that was written into place; raises CEXCustom naming a file
    // that could not be moved.
    void commit();

private:
    CArray<CString, CString> m_staged;
    CArray<CString, CString> m_targets;
};
