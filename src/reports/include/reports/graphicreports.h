// The graphic reports of a batch run: every report of the server database that has a given
// status, each fully loaded, in the order read, owned; run one after the other.
#pragma once

#include "mfc/carray.h"
#include "reports/graphicreport.h"

class CServerPreferenceVaultEye;
class CStoredProcedure;

class CGraphicReports
{
public:
    CGraphicReports() = default;
    ~CGraphicReports();
    CGraphicReports(const CGraphicReports&) = delete;
    CGraphicReports& operator=(const CGraphicReports&) = delete;

    // Appends every report with the status ("__gr_getGraphicReports"), each loaded with its
    // categories, layers and link lines. A report whose plot type is unknown is not
    // appended: its status is recorded as kReportPlotTypeUnknown.
    void getGraphicReports(CStoredProcedure* procedure, CServerPreferenceVaultEye* server, int status, int timeout);
    // Runs every report in order, the host's pending messages handled after each; the first
    // report that fails ends the run.
    void prepareReports(CStoredProcedure* procedure, int timeout);
    // Takes the report.
    void addGraphicReport(CGraphicReport* report);
    CGraphicReport* getAt(int index) const { return m_reports.GetAt(index); }
    int count() const { return m_count; }
    void deleteObjects();

private:
    CArray<CGraphicReport*, CGraphicReport*> m_reports;
    int m_count = 0;
};
