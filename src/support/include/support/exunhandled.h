// The record that wraps whatever a method caught, and its forms for host statuses,
// framework, standard-library and COM errors and plain messages.
#pragma once

#include "arx/errorstatus.h"
#include "mfc/exceptions.h"
#include "support/exkavro.h"
#include "win/com.h"

#include <exception>

class CEXUnhandled : public CEXKavro
{
public:
    CEXUnhandled(CString source, CString file, CString procSig);
    CEXUnhandled(CString source, CString file, CString procSig, int code, CEXKavro* inner);
    // A host call that failed on a source line, while processing drawing (may be empty).
    CEXUnhandled(Acad::ErrorStatus es, CString source, CString file, CString procSig, int line,
                 CString drawing, CEXKavro* inner);
    CEXUnhandled(const CException* e, CString source, CString file, CString procSig, int code,
                 CEXKavro* inner);
    CEXUnhandled(const std::exception& e, CString source, CString file, CString procSig, int code,
                 CEXKavro* inner);
    CEXUnhandled(CString message, CString source, CString file, CString procSig, int code);
    CEXUnhandled(const _com_error& e, CString source, CString file, CString procSig, int severity);

    // The lines that describe a COM error: its HRESULT, the system text, and the error
    // information object's description and source when there is one.
    static CString getComErrorText(const _com_error& e);
};
