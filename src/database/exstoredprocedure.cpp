#include "database/exstoredprocedure.h"

#include "database/storedprocedure.h"
#include "support/exconnection.h"

CEXStoredProcedure::CEXStoredProcedure(const _com_error& e, CStoredProcedure* sp, CString source, CString file,
                                       CString procSig, int severity)
    : CEXKavro(std::move(source), std::move(file), std::move(procSig), 0, nullptr)
{
    m_source = e.Source().c_str();
    m_description = e.Description().c_str();
    m_severity = severity;
    m_node = sp->serialize(ERROR_LOG_NAMESPACE);
}

CEXStoredProcedure::CEXStoredProcedure(const _ConnectionPtr& connection, CStoredProcedure* sp, CString source,
                                       CString file, CString procSig, int severity)
    : CEXKavro(source, file, procSig, 0, nullptr)
{
    m_description = CString("An error occurred whilst executing [") + connection->GetDefaultDatabase().c_str() +
                    "]..[" + sp->getName().c_str() + "]";
    m_severity = severity;
    m_node = sp->serialize(ERROR_LOG_NAMESPACE);
    // Last, so that a failure above leaves no chain behind.
    m_inner = CEXConnection::chainOfADOErrors(connection, source, file, procSig);
}

MSXML2::IXMLDOMNodePtr CEXStoredProcedure::serialize()
{
    return serializeWithNode(m_node);
}
