#include "support/exconnection.h"

CEXConnection::CEXConnection(const _com_error& e, CString source, CString file, CString procSig)
    : CEXKavro(std::move(source), std::move(file), std::move(procSig), 0, nullptr)
{
    m_description = e.Description().c_str();
}

MSXML2::IXMLDOMNodePtr CEXConnection::serialize()
{
    MSXML2::IXMLDOMNodePtr error = serializeFields();
    if (m_node)
        error->appendChild(m_node);
    if (m_inner)
        error->appendChild(m_inner->serialize());
    return error;
}
