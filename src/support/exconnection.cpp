#include "support/exconnection.h"

#include "support/excustom.h"

CEXConnection::CEXConnection(const _com_error& e, CString source, CString file, CString procSig)
    : CEXKavro(std::move(source), std::move(file), std::move(procSig), 0, nullptr)
{
    m_description = e.Description().c_str();
}

CEXConnection::CEXConnection(const _ConnectionPtr& connection, CString source, CString file, CString procSig)
    : CEXKavro(source, file, procSig, 0, nullptr)
{
    m_description = CString("An error occurred whilst connecting to ") + connection->GetDefaultDatabase().c_str();
    m_inner = chainOfADOErrors(connection, source, file, procSig);
}

CEXKavro* CEXConnection::chainOfADOErrors(const _ConnectionPtr& connection, const CString& source,
                                          const CString& file, const CString& procSig)
{
    const ADODB::ErrorsPtr errors = connection->GetErrors();
    const long count = errors->GetCount();
    CEXKavro* chain = nullptr;
    for (long i = 0; i < count; ++i) {
        ADODB::ErrorPtr error;
        try {
            error = errors->GetItem(_variant_t(i));
        } catch (const _com_error&) {
            break;
        }
        chain = new CEXCustom(error->GetDescription().c_str(), source, file, procSig,
                              static_cast<int>(error->GetNativeError()), chain);
    }
    return chain;
}

MSXML2::IXMLDOMNodePtr CEXConnection::serialize()
{
    return serializeWithNode(m_node);
}
