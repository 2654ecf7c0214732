#include "host/layout.h"

#include "database/parameterint.h"
#include "database/parametervarchar.h"
#include "database/procedureguard.h"
#include "database/storedprocedure.h"
#include "support/kavroguard.h"

void CLayout::addLayoutToQPX(CStoredProcedure* procedure, int timeout, int attachID)
{
    const char* procSig = "CLayout::addLayoutToQPX";
    CParameters parameters;
    CStoredProcedure::Attachment attached;
    procedureGuard(procedure, procSig, __FILE__, [&] {
        addInputParameter<CParameterVarChar>(parameters, "@layoutName", _bstr_t(m_name.GetString()));
        addInputParameter<CParameterInt>(parameters, "@attachID", attachID);
        procedure->setTimeout(timeout);
        procedure->setName("__to_addDrawingLayout");
        attached.attach(procedure, &parameters);
        procedure->execSPNoReturnParas();
    });
}
