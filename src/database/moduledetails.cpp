#include "database/moduledetails.h"

#include "database/exstoredprocedure.h"
#include "database/parameterchar.h"
#include "database/parameterdatetime.h"
#include "database/parametervarchar.h"
#include "database/storedprocedure.h"
#include "support/kavroguard.h"

#include <memory>

namespace {

const char* const database = "vaultEye";

// Runs a procedure of input parameters on a connection of its own. A COM error becomes a
// CEXStoredProcedure that describes the call with its parameters.
template <class Fill>
void runProcedure(const char* procSig, const char* name, const CString& server, const CString& user,
                  const CString& password, int timeout, Fill fill)
{
    // The list outlives the procedure and its attachment to it.
    CParameters parameters;
    std::unique_ptr<CStoredProcedure> procedure;
    CStoredProcedure::Attachment attached;
    auto failedCall = [&](const _com_error& e) {
        if (!procedure)
            throw new CEXUnhandled(e, KAVRO_PRODUCT_CAPTION, __FILE__, procSig, high);
        throw new CEXStoredProcedure(e, procedure.get(), KAVRO_PRODUCT_CAPTION, __FILE__, procSig, high);
    };
    kavroComGuard(procSig, __FILE__, failedCall, [&] {
        procedure = std::make_unique<CStoredProcedure>(server, database, user, password, timeout);
        fill(parameters);
        procedure->setName(name);
        attached.attach(procedure.get(), &parameters);
        procedure->execSPNoReturnParas();
    });
}

} // namespace

CModuleDetails::CModuleDetails()
    : m_name("QRV"), m_description(KAVRO_PRODUCT_CAPTION), m_version(QUORVANE_MODULE_VERSION)
{
    kavroGuard("CModuleDetails::CModuleDetails", __FILE__, [&] { m_buildDate.ParseDateTime(__DATE__); }, 0);
}

void CModuleDetails::setModDetails(CString server, CString user, CString password, int timeout)
{
    runProcedure("CModuleDetails::setModDetails", "__mod_setModDetails", server, user, password, timeout,
                 [&](CParameters& list) {
                     addInputParameter<CParameterVarChar>(list, "@moduleName", _bstr_t(m_name.GetString()))
                         ->setSize(12);
                     addInputParameter<CParameterVarChar>(list, "@moduleDescription",
                                                          _bstr_t(m_description.GetString()))
                         ->setSize(255);
                     // Declared as long as the text, so that no part of the version is cut.
                     addInputParameter<CParameterChar>(list, "@moduleVersion", _bstr_t(m_version.GetString()))
                         ->setSize(m_version.GetLength());
                     addInputParameter<CParameterDateTime>(list, "@moduleDate", m_buildDate);
                 });
}

void CModuleDetails::setModuleRunning(CString server, CString user, CString password, int timeout)
{
    runProcedure("CModuleDetails::setModuleRunning", "__mod_setModRunning", server, user, password, timeout,
                 [&](CParameters& list) {
                     addInputParameter<CParameterVarChar>(list, "@MODNAME", _bstr_t(m_name.GetString()))
                         ->setSize(12);
                 });
}
