// A failed plain SQL statement. The statement's text is kept for whoever reports it.
#pragma once

#include "support/exkavro.h"
#include "win/com.h"

class CEXSQLStatement : public CEXKavro
{
public:
    CEXSQLStatement(const _com_error& e, CString statement, CString source, CString file, CString procSig);

    CString getStatement() const { return m_statement; }

private:
    CString m_statement;
};
