#include "statement.h"

#include "diagnostics.h"
#include "resultreader.h"
#include "utf16.h"

#include <functional>


namespace ADODB {

namespace {

std::function<void()>& resultArrivalHook()
{
    static std::function<void()> hook;
    return hook;
}

} // namespace

void setResultArrivalHook(std::function<void()> hook) { resultArrivalHook() = std::move(hook); }

Statement::Statement(Connection::Impl& connection, const char* source)
    : m_connection(connection), m_errors(connection.errors.get()), m_source(source),
      m_statement(SQL_HANDLE_STMT, connection.dbc.get(), source)
{
}

void Statement::check(SQLRETURN rc) const
{
    checkDiagnostics(rc, SQL_HANDLE_STMT, m_statement.get(), m_source, m_errors);
}

void Statement::setTimeout(long seconds)
{
    m_timeout = std::max(seconds, 0L);
    check(SQLSetStmtAttr(m_statement.get(), SQL_ATTR_QUERY_TIMEOUT,
                         reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(m_timeout)), 0));
}

void Statement::bind(ParameterBinding& binding) { binding.bind(m_statement.get(), m_errors); }

std::shared_ptr<RowStore> Statement::execute(const std::string& text)
{
    if (m_timeout > 0 && m_connection.socket.known())
        m_watchdog.emplace(std::chrono::seconds(m_timeout + graceSeconds),
                           [socket = m_connection.socket] { socket.drop(); });
    std::shared_ptr<RowStore> rows;
    try {
        rows = run(text);
    } catch (const _com_error&) {
        endFailedRun(dropped());
        throw;
    }
    if (dropped()) {   // dropped just as the answer came in
        m_statement.reset();
        m_connection.close();
    }
    return rows;
}

template <class Call>
SQLRETURN Statement::awaitServer(Call call)
{
    if (m_watchdog)
        m_watchdog->resume();
    const SQLRETURN rc = call();
    if (m_watchdog)
        m_watchdog->pause();
    return rc;
}

bool Statement::linkLost() const
{
    for (long i = 0; i < m_errors->GetCount(); ++i)
        if (isConnectionLoss(m_errors->GetItem(i)->GetSQLState().str()))
            return true;
    return m_connection.isDead();
}

void Statement::endFailedRun(bool timedOut)
{
    const bool lost = timedOut || linkLost();
    m_statement.reset();
    if (lost)
        m_connection.close();
    if (!timedOut)
        return;
    const std::string description = "the server did not answer within the time-out of " + std::to_string(m_timeout)
                                    + " s: the connection to it is closed";
    m_errors->Add(std::make_shared<Error>(adErrOperationTimedOut, m_source, description, "HYT00", 0));
    raiseError(adErrOperationTimedOut, m_source, description);
}

std::shared_ptr<RowStore> Statement::run(const std::string& text)
{
    odbcstring wide = toUtf16(text);
    SQLRETURN rc = awaitServer(
        [&] { return SQLExecDirectW(m_statement.get(), wide.data(), static_cast<SQLINTEGER>(wide.size())); });
    std::shared_ptr<RowStore> rows;
    if (rc != SQL_NO_DATA) {
        check(rc);
        takeResult(rows);
    }
    while ((rc = awaitServer([&] { return SQLMoreResults(m_statement.get()); })) != SQL_NO_DATA) {
        check(rc);
        takeResult(rows);
    }
    return rows;
}

void Statement::takeResult(std::shared_ptr<RowStore>& rows)
{
    SQLLEN count = -1;
    if (SQL_SUCCEEDED(SQLRowCount(m_statement.get(), &count)) && m_rowsAffected < 0)
        m_rowsAffected = static_cast<long>(count);
    if (rows)
        return;   // a later result set: SQLMoreResults drops its rows
    SQLSMALLINT columns = 0;
    check(SQLNumResultCols(m_statement.get(), &columns));
    if (columns <= 0)
        return;
    if (resultArrivalHook())
        resultArrivalHook()();
    rows = ResultReader(m_statement.get(), m_source, m_errors).read();
}

void Statement::reportRowsAffected(VARIANT* recordsAffected) const
{
    if (!recordsAffected)
        return;
    VariantClear(recordsAffected);
    recordsAffected->vt = VT_I4;
    recordsAffected->lVal = m_rowsAffected;
}

} // namespace ADODB
