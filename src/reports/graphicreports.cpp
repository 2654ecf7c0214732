#include "reports/graphicreports.h"

#include "database/exstoredprocedure.h"
#include "database/parameters.h"
#include "database/parametertinyint.h"
#include "database/storedprocedure.h"
#include "support/kavroguard.h"
#include "support/systemutilities.h"

#include <memory>
#include <vector>

CGraphicReports::~CGraphicReports()
{
    cleanUpQuietly([this] { deleteObjects(); });
}

void CGraphicReports::getGraphicReports(CStoredProcedure* procedure, CServerPreferenceVaultEye* server, int status,
                                        int timeout)
{
    const char* procSig = "CGraphicReports::getGraphicReports";
    CParameters parameters;
    auto failedCall = [&](const _com_error& e) {
        throw new CEXStoredProcedure(e, procedure, KAVRO_PRODUCT_CAPTION, __FILE__, procSig, high);
    };
    kavroComGuard(procSig, __FILE__, failedCall, [&] {
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
            if (!(rows->GetBOF() && rows->GetadoEOF()))
                for (; !rows->GetadoEOF(); rows->MoveNext())
                    if (const _variant_t id = rows->GetCollect("grID"); !id.isNull())
                        ids.push_back(static_cast<int>(id));
            if (rows->GetState() == ADODB::adStateOpen)
                rows->Close();
        }
        for (int id : ids) {
            auto report = std::make_unique<CGraphicReport>();
            report->getGraphicReport(procedure, server, id, timeout);
            addGraphicReport(report.release());
        }
    });
}

void CGraphicReports::prepareReports(CStoredProcedure* procedure, int timeout)
{
    kavroGuard("CGraphicReports::prepareReports", __FILE__, [&] {
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
