// The graphic reports of a batch run: every report of the server database queued with a
// given status, in the order read, owned; each claimed, loaded and run one after the other.
// The claim makes the run safe beside other runs on the same report table, on this host or
// others: each report is run by exactly one of them.
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

    // Appends a report for each id queued with the status ("__gr_getGraphicReports"),
    // holding only its id: it is loaded when prepareReports claims it. The server settings
    // are kept for the claims. A status outside 0 to 255 is refused, naming it, and nothing
    // is read.
    void getGraphicReports(CStoredProcedure* procedure, CServerPreferenceVaultEye* server, int status, int timeout);
    // Claims each report in order (CGraphicReport::claim, from the status and with the
    // settings of the last getGraphicReports) and runs what the claim read, the host's
    // pending messages handled after each. A report no longer queued, or deleted, is
    // skipped, and one line at the end of the run counts those skipped; one whose plot type
    // names no device is recorded as kReportPlotTypeUnknown, and one of the DWF device as
    // kReportDWFNotPlottable, each with a line saying why, and the run goes on. Any other
    // fault of a report is recorded in its status and the run goes on, but for a call to the
    // server that fails: that ends the run.
    void prepareReports(CStoredProcedure* procedure, int timeout);
    // Takes the report, to be claimed by its id as those getGraphicReports appends are.
    void addGraphicReport(CGraphicReport* report);
    CGraphicReport* getAt(int index) const { return m_reports.GetAt(index); }
    int count() const { return m_count; }
    void deleteObjects();

private:
    // Claims the report and runs it, or records why it is not run; false when it was no
    // longer queued. A report whose call lost the link to the server is given up.
    bool claimAndRun(CGraphicReport* report, CStoredProcedure* procedure, int timeout);

    CArray<CGraphicReport*, CGraphicReport*> m_reports;
    int m_count = 0;
    // The queue getGraphicReports read: its status and server settings (none before).
    int m_queuedStatus = 0;
    CServerPreferenceVaultEye* m_server = nullptr;
};
