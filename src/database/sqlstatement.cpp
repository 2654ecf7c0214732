#include "database/sqlstatement.h"

#include "support/exsqlstatement.h"
#include "support/kavroguard.h"

CSQLStatement::CSQLStatement(CString server, CString database, CString user, CString password, int timeout)
    : CDataServices(std::move(server), std::move(database), std::move(user), std::move(password), timeout)
{
}

_RecordsetPtr CSQLStatement::execSQLReturn(_bstr_t sql) { return execute(sql, "CSQLStatement::execSQLReturn"); }

int CSQLStatement::execSQLNoReturn(_bstr_t sql)
{
    if (!m_connected)
        return 0;
    execute(sql, "CSQLStatement::execSQLNoReturn");
    return 1;
}

_RecordsetPtr CSQLStatement::execute(const _bstr_t& sql, const char* procSig)
{
    auto statementError = [&](const _com_error& e) {
        throw new CEXSQLStatement(e, sql.c_str(), KAVRO_PRODUCT_CAPTION, __FILE__, procSig);
    };
    return kavroComGuard(procSig, __FILE__, statementError, [&]() -> _RecordsetPtr {
        if (!m_connected)
            return nullptr;
        reconnectIfLost();
        _variant_t recordsAffected(0L);
        return m_connection->Execute(sql, &recordsAffected, ADODB::adCmdUnspecified);
    });
}
