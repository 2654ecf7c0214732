// A failed connection to the server database. The record can carry an XML node that its
// own serialize form appends after the common fields.
#pragma once

#include "ado/ado.h"
#include "support/exkavro.h"
#include "win/com.h"

class CEXConnection : public CEXKavro
{
public:
    CEXConnection(const _com_error& e, CString source, CString file, CString procSig);
    // "An error occurred whilst connecting to" the connection's database; the connection's
    // errors become the chain under it.
    CEXConnection(const _ConnectionPtr& connection, CString source, CString file, CString procSig);

    // The "error" element with the node, then the inner record's element directly under it.
    MSXML2::IXMLDOMNodePtr serialize();

    // One CEXCustom per error of the connection, the first innermost: each carries the
    // error's description and native error number and wraps the record of the error before
    // it. Null when the connection reports no errors.
    static CEXKavro* chainOfADOErrors(const _ConnectionPtr& connection, const CString& source,
                                      const CString& file, const CString& procSig);

protected:
    MSXML2::IXMLDOMNodePtr m_node;
};
