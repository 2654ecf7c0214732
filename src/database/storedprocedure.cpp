#include "database/storedprocedure.h"

#include "database/debuglogpath.h"
#include "support/kavroguard.h"
#include "support/log.h"
#include "support/xmlutilities.h"

CStoredProcedure::CStoredProcedure(CString server, CString database, CString user, CString password, int timeout)
    : CDataServices(std::move(server), std::move(database), std::move(user), std::move(password), timeout),
      m_timeout(timeout)
{
}

_RecordsetPtr CStoredProcedure::execSPReturnParas() { return run("execSPReturnParas", true, ignoreOutputs); }

void CStoredProcedure::execSPNoReturnParas() { run("execSPNoReturnParas", true, ignoreOutputs); }

void CStoredProcedure::execSPNoReturnParasReturn() { run("execSPNoReturnParasReturn", true, readOutputs); }

void CStoredProcedure::execSPNoReturnNoParas() { run("execSPNoReturnNoParas", false, ignoreOutputs); }

_RecordsetPtr CStoredProcedure::execSPReturnNoParas() { return run("execSPReturnNoParas", false, ignoreOutputs); }

_RecordsetPtr CStoredProcedure::run(const char* variant, bool withParameters, Outputs outputs)
{
    const CString procSig = CString("CStoredProcedure::") + variant;
    // Every record the run raises is marked as the call's failure; the server may have run a
    // call that got no answer within the time-out or lost the link.
    ServerCallFailure failure = ServerCallFailure::failed;
    const auto failed = [&](const _com_error& e) {
        if (e.Error() == ADODB::adErrOperationTimedOut || linkLost())
            failure = ServerCallFailure::outcomeUnknown;
        comUnhandled(procSig, __FILE__)(e);
    };
    try {
        return kavroComGuard(procSig, __FILE__, failed, [&]() -> _RecordsetPtr {
            if (!m_connected)
                return nullptr;
            reconnectIfLost();
            _CommandPtr command;
            command.CreateInstance("ADODB.Command", nullptr, ADODB::CLSCTX_ALL);
            command->PutRefActiveConnection(m_connection);
            command->PutCommandType(ADODB::adCmdStoredProc);
            command->PutCommandTimeout(m_timeout);
            command->PutCommandText(m_name);
            if (withParameters && m_parameters && m_parameters->getCount() > 0)
                m_parameters->addParametersToCommand(command);
            if (!debugLogPath.IsEmpty())
                CLog().writeToXMLDebugLog(debugLogPath, variant, serialize(DEBUG_LOG_NAMESPACE));
            _RecordsetPtr records = command->Execute(nullptr, nullptr, ADODB::adCmdStoredProc);
            if (outputs == readOutputs && m_parameters)
                m_parameters->getOutputParametersFromCommand(command);
            return records;
        });
    } catch (CEXKavro* e) {
        e->setServerCallFailure(failure);
        throw;
    }
}

MSXML2::IXMLDOMNodePtr CStoredProcedure::serialize(CString namespaceURI)
{
    const char* procSig = "CStoredProcedure::serialize";
    return kavroComGuard(procSig, __FILE__, comUnhandled(procSig, __FILE__), [&] {
        CXMLUtilities xml;
        MSXML2::IXMLDOMNodePtr element = xml.createNode("storedProcedure", namespaceURI);
        element->appendChild(xml.createNode("name", m_name.c_str(), namespaceURI));
        COleDateTime now = COleDateTime::GetCurrentTime();
        element->appendChild(xml.createUniversalTimeNode(ERROR_LOG_NAMESPACE, now));
        if (m_parameters)
            element->appendChild(m_parameters->serialize(namespaceURI));
        return element;
    });
}
