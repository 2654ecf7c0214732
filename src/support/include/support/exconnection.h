// A failed connection to the server database. The record can carry an XML node that its
// own serialize form appends after the common fields.
#pragma once

#include "support/exkavro.h"
#include "win/com.h"

class CEXConnection : public CEXKavro
{
public:
    CEXConnection(const _com_error& e, CString source, CString file, CString procSig);

    // The "error" element with the node, then the inner record's element directly under it.
    MSXML2::IXMLDOMNodePtr serialize();

protected:
    MSXML2::IXMLDOMNodePtr m_node;
};
