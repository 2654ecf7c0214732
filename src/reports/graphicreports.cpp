#include "reports/graphicreports.h"

#include "database/parameters.h"
#include "database/parametertinyint.h"
#include "database/procedureguard.h"
#include "database/rowset.h"
#include "database/storedprocedure.h"
#include "reports/reportoutputs.h"
#include "support/kavroguard.h"
#include "support/systemutilities.h"

#include <cstdint>
#include <memory>
#include <vector>

CGraphicReports::~CGraphicReports()
{
    cleanUpQuietly([this] { deleteObjects(); });
}

void CGraphicReports::getGraphicReports(CStoredProcedure* procedure, CServerPreferenceVaultEye* server, int status,
                                        int timeout)
{
    CParameters parameters;
    procedureGuard(procedure, "CGraphicReports::getGraphicReports", __FILE__, [&] {
        // The ids are read to the end before any report is loaded, since loading runs
        // further calls through the same procedure object.
        std::vector<int> ids;
        {
            CStoredProcedure::Attachment attached;
            addInputParameter<CParameterTinyInt>(parameters, "@statusID", static_cast<unsigned char>(status & 0xFF));
            procedure->setTimeout(timeout);
            procedure->setName("__gr_getGraphicReports");
            attached.attach(procedure, &parameters);
            const _RecordsetPtr rows = procedure->execSPReturnParas();
            if (!rows)
                return;
            RowSet row(rows);
            row.forEachRow([&] {
                if (int id = 0; row.wholeNumber("grID", INT32_MIN, INT32_MAX, id))
                    ids.push_back(id);
            });
        }
        for (int id : ids) {
            auto report = std::make_unique<CGraphicReport>();
            report->getGraphicReport(procedure, server, id, timeout);
            if (report->hasUnknownPlotType())
                report->setGraphicReportStatus(procedure, timeout, kReportPlotTypeUnknown);
            else
                addGraphicReport(report.release());
        }
    });
}

void CGraphicReports::prepareReports(CStoredProcedure* procedure, int timeout)
{
    kavroGuard("CGraphicReports::prepareReports", __FILE__, [&] {
        CReportOutputs::beginRun();
        for (int i = 0; i < m_count; ++i) {
            m_reports.GetAt(i)->prepareReport(procedure, timeout);
            CSystemUtilities::doEvents();
        }
    });
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
