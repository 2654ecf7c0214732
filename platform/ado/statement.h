// One statement run on an open connection: its handle lives for the run only, so that the
// rows it gives are read in full before it is freed. A run with a time-out is bounded on
// this side too: when the server has not answered a little after its time-out, the
// connection's socket is dropped and the run fails as timed out. The bound is on each wait
// for the server (the run, and each further result set), not on reading the rows of a result
// that has come in, however long that takes. A run that finds the link to the server gone
// leaves the connection closed.
#pragma once

#include "connectionimpl.h"
#include "parameterbinding.h"
#include "rowstore.h"
#include "watchdog.h"

#include <memory>
#include <optional>

namespace ADODB {

class Statement
{
public:
    Statement(Connection::Impl& connection, const char* source);
    // Seconds the statement may run; 0 for no limit.
    void setTimeout(long seconds);
    void bind(ParameterBinding& binding);
    // Runs the text; returns the rows of its first result set (null when it gives none),
    // having read past every later one.
    std::shared_ptr<RowStore> execute(const std::string& text);
    // How long past its time-out a run waits for the server's own time-out error.
    static constexpr long graceSeconds = 2;
    // Gives recordsAffected (when not null) the count of rows the statement affected, VT_I4.
    void reportRowsAffected(VARIANT* recordsAffected) const;

private:
    void check(SQLRETURN rc) const;
    // Notes the rows affected and keeps the first result set's rows.
    void takeResult(std::shared_ptr<RowStore>& rows);
    std::shared_ptr<RowStore> run(const std::string& text);
    // Makes a call into the driver that waits for the server, the watchdog's limit running
    // (when the run has a time-out) during the call only.
    template <class Call>
    SQLRETURN awaitServer(Call call);
    bool dropped() const { return m_watchdog && m_watchdog->expired(); }
    // After a failed run: the statement freed, and the connection closed when its link is
    // gone; a run that the watchdog ended raises as timed out.
    void endFailedRun(bool timedOut);
    // Whether the failure's records or the driver say the link to the server is gone.
    bool linkLost() const;

    Connection::Impl& m_connection;
    Errors* m_errors;
    const char* m_source;
    OdbcHandle m_statement;
    long m_rowsAffected = -1;
    long m_timeout = 0;
    std::optional<Watchdog> m_watchdog;   // for a run with a time-out
};

} // namespace ADODB
