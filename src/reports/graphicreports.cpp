#include "reports/graphicreports.h"

#include "arx/acutprintf.h"
#include "database/parameters.h"
#include "database/parametertinyint.h"
#include "database/plotoptions.h"
#include "database/procedureguard.h"
#include "database/rowset.h"
#include "database/storedprocedure.h"
#include "reports/reportoutputs.h"
#include "support/excustom.h"
#include "support/kavroguard.h"
#include "support/systemutilities.h"
#include "support/utilities.h"

#include <cstdint>
#include <memory>

CGraphicReports::~CGraphicReports()
{
    cleanUpQuietly([this] { deleteObjects(); });
}

void CGraphicReports::getGraphicReports(CStoredProcedure* procedure, CServerPreferenceVaultEye* server, int status,
                                        int timeout)
{
    CParameters parameters;
    CStoredProcedure::Attachment attached;
    procedureGuard(procedure, "CGraphicReports::getGraphicReports", __FILE__, [&] {
        // The queue's status goes to the server as one byte: a wider one would be cut to
        // another status.
        if (status < 0 || status > UINT8_MAX)
            throw new CEXCustom("The queue status " + CUtilities::IntToCString(status) + " is outside 0 to 255",
                                KAVRO_PRODUCT_CAPTION, __FILE__, "CGraphicReports::getGraphicReports", 0, nullptr);
        m_queuedStatus = status;
        m_server = server;
        addInputParameter<CParameterTinyInt>(parameters, "@statusID", static_cast<unsigned char>(status));
        procedure->setTimeout(timeout);
        procedure->setName("__gr_getGraphicReports");
        attached.attach(procedure, &parameters);
        const _RecordsetPtr rows = procedure->execSPReturnParas();
        if (!rows)
            return;
        RowSet row(rows);
        row.forEachRow([&] {
            if (int id = 0; row.wholeNumber("grID", INT32_MIN, INT32_MAX, id)) {
                auto report = std::make_unique<CGraphicReport>();
                report->setID(id);
                addGraphicReport(report.release());
            }
        });
    });
}

namespace {

// The status of a claimed report that is not run, said on the command line (data that
// cannot be used was said as it was claimed); none for one that runs.
ReportStepOutcome refusal(const CGraphicReport& report)
{
    if (report.hasInvalidData())
        return kReportDataInvalid;
    if (report.hasUnknownPlotType()) {
        acutPrintf("Graphic report %d not run: its plot type names no plot device.\n", report.getID());
        return kReportPlotTypeUnknown;
    }
    if (report.getPlotTypeID() == kDWF) {
        acutPrintf("Graphic report %d not run: the DWF device cannot be plotted to here, no writer of that format "
                   "is available.\n",
                   report.getID());
        return kReportDWFNotPlottable;
    }
    return std::nullopt;
}

// Gives up a report whose call lost the link to the server: the line says so, the cause is
// printed and logged.
void giveUp(int id, CEXKavro* e)
{
    const std::unique_ptr<CEXKavro, void (*)(CEXKavro*)> failure(e, CEXKavro::deleteChain);
    acutPrintf("Graphic report %d given up: the link to the server was lost while it ran.\n", id);
    CReportOutputs::reportFailure("The cause", failure.get());
}

} // namespace

void CGraphicReports::prepareReports(CStoredProcedure* procedure, int timeout)
{
    kavroGuard("CGraphicReports::prepareReports", __FILE__, [&] {
        CReportOutputs::beginRun();
        if (m_count > 0 && !m_server)
            throw new CEXCustom("The reports cannot be claimed: no queue has been read", KAVRO_PRODUCT_CAPTION,
                                __FILE__, "CGraphicReports::prepareReports", 0, nullptr);
        // Beside runs on other hosts most reports may be claimed by another run: they are
        // counted in one line at the end, also when the run ends on a failure.
        int skipped = 0;
        const auto saySkipped = [&] {
            if (skipped > 0)
                acutPrintf("Graphic reports skipped, no longer queued (another run took them, or they were changed "
                           "or deleted): %d\n",
                           skipped);
        };
        try {
            for (int i = 0; i < m_count; ++i)
                if (!claimAndRun(m_reports.GetAt(i), procedure, timeout))
                    ++skipped;
        } catch (CEXKavro*) {
            saySkipped();
            throw;
        }
        saySkipped();
    });
}

bool CGraphicReports::claimAndRun(CGraphicReport* report, CStoredProcedure* procedure, int timeout)
{
    // A link lost in a report gives up that report only: the run ends when the connection
    // cannot be made again before the next.
    procedure->connectAgainIfLost();
    bool claimed = true;
    try {
        if (!report->claim(procedure, m_server, m_queuedStatus, timeout))
            claimed = false;
        else if (const ReportStepOutcome refused = refusal(*report))
            report->setGraphicReportStatus(procedure, timeout, *refused);
        else
            report->prepareReport(procedure, timeout);
    } catch (CEXKavro* e) {
        if (!procedure->linkLost())
            throw;
        giveUp(report->getID(), e);
    }
    CSystemUtilities::doEvents();
    return claimed;
}

void CGraphicReports::addGraphicReport(CGraphicReport* report)
{
    try {
        m_reports.Add(report);
        ++m_count;
    } catch (...) {
        throw new CEXUnhandled(KAVRO_PRODUCT_CAPTION, __FILE__, "CGraphicReports::addGraphicReport", 0, nullptr);
    }
}

void CGraphicReports::deleteObjects()
{
    kavroGuard("CGraphicReports::deleteObjects", __FILE__, [&] {
        for (int i = 0; i < m_reports.GetSize(); ++i)
            delete m_reports.GetAt(i);
        m_reports.RemoveAll();
        m_count = 0;
    });
}
