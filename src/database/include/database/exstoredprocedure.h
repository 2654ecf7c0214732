// A failed stored-procedure call, with the call itself: the procedure's "storedProcedure"
// element (name, time and parameters as they were at the failure) that its own serialize
// form appends after the common fields.
#pragma once

#include "ado/ado.h"
#include "support/exkavro.h"
#include "win/com.h"

class CStoredProcedure;

class CEXStoredProcedure : public CEXKavro
{
public:
    // The COM error's description and source.
    CEXStoredProcedure(const _com_error& e, CStoredProcedure* sp, CString source, CString file, CString procSig,
                       int severity);
    // "An error occurred whilst executing [database]..[name]"; the connection's errors
    // become the chain under it.
    CEXStoredProcedure(const _ConnectionPtr& connection, CStoredProcedure* sp, CString source, CString file,
                       CString procSig, int severity);

    // The "error" element with the call's element, then the inner record's element directly
    // under it.
    MSXML2::IXMLDOMNodePtr serialize();
    MSXML2::IXMLDOMNodePtr getNode() const { return m_node; }

private:
    MSXML2::IXMLDOMNodePtr m_node;
};
