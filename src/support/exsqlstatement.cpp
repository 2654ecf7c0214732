#include "support/exsqlstatement.h"

CEXSQLStatement::CEXSQLStatement(const _com_error& e, CString statement, CString source, CString file,
                                 CString procSig)
    : CEXKavro(std::move(source), std::move(file), std::move(procSig), 0, nullptr),
      m_statement(std::move(statement))
{
    m_description = e.Description().c_str();
}
