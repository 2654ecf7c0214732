#include "connectionimpl.h"

#include "ado/connectionstring.h"
#include "diagnostics.h"
#include "environment.h"
#include "recordsetimpl.h"
#include "statement.h"
#include "utf16.h"


#include <cstdlib>

namespace ADODB {

namespace {

constexpr const char* source = "ADODB.Connection";
// The login wait that a time-out of 0 stands for: long, but never forever.
constexpr long longestLoginWait = 60;

std::string configuredDriver()
{
    const char* driver = std::getenv("QUORVANE_ODBC_DRIVER");
    if (!driver || !*driver)
        raiseError(E_FAIL, source, "no ODBC driver configured: set QUORVANE_ODBC_DRIVER");
    return driver;
}

// A driver that does not take the attribute keeps its own wait; psqlODBC takes the login
// time-out for the whole login, a server that accepts and stays silent included.
void setTimeoutAttribute(SQLHDBC dbc, SQLINTEGER attribute, long seconds)
{
    SQLSetConnectAttr(dbc, attribute, reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(seconds)), 0);
}

} // namespace

void Connection::Impl::requireOpen(const char* from) const
{
    if (!isOpen())
        raiseError(adErrObjectClosed, from, "Operation is not allowed when the object is closed.");
}

bool Connection::Impl::isDead() const
{
    SQLUINTEGER dead = SQL_CD_FALSE;
    const SQLRETURN rc = SQLGetConnectAttr(dbc.get(), SQL_ATTR_CONNECTION_DEAD, &dead, 0, nullptr);
    return SQL_SUCCEEDED(rc) && dead == SQL_CD_TRUE;
}

void Connection::Impl::close()
{
    SQLDisconnect(dbc.get());
    dbc.reset();
    socket = {};
}

Connection::Connection() : m_impl(std::make_unique<Impl>()) {}

Connection::~Connection()
{
    if (m_impl->isOpen())
        SQLDisconnect(m_impl->dbc.get());
}

Connection::Impl& Connection::impl() const { return *m_impl; }

long Connection::GetConnectionTimeout() const { return m_impl->connectionTimeout; }
void Connection::PutConnectionTimeout(long seconds) { m_impl->connectionTimeout = std::max(seconds, 0L); }
long Connection::GetLoginWait() const
{
    return m_impl->connectionTimeout > 0 ? m_impl->connectionTimeout : longestLoginWait;
}
long Connection::GetCommandTimeout() const { return m_impl->commandTimeout; }
void Connection::PutCommandTimeout(long seconds) { m_impl->commandTimeout = std::max(seconds, 0L); }

void Connection::Open(const _bstr_t& connectionString, const _bstr_t& userId, const _bstr_t& password, long)
{
    if (m_impl->isOpen())
        raiseError(adErrObjectOpen, source, "Operation is not allowed when the object is open.");
    m_impl->errors->Clear();
    const std::string text = connectionString.str();
    const odbcstring odbcText = toUtf16(odbcConnectionString(text, configuredDriver(), userId.str(), password.str()));
    m_impl->catalog = parseConnectionString(text)["initial catalog"];

    OdbcHandle dbc(SQL_HANDLE_DBC, odbcEnvironment(), source);
    setTimeoutAttribute(dbc.get(), SQL_ATTR_LOGIN_TIMEOUT, GetLoginWait());
    setTimeoutAttribute(dbc.get(), SQL_ATTR_CONNECTION_TIMEOUT, GetLoginWait());
    const ConnectionSocket::Sockets before = ConnectionSocket::openSockets();
    const SQLRETURN rc = SQLDriverConnectW(dbc.get(), nullptr, const_cast<SQLWCHAR*>(odbcText.data()),
                                           static_cast<SQLSMALLINT>(odbcText.size()), nullptr, 0, nullptr,
                                           SQL_DRIVER_NOPROMPT);
    checkDiagnostics(rc, SQL_HANDLE_DBC, dbc.get(), source, m_impl->errors.get());
    m_impl->socket = ConnectionSocket(before, ConnectionSocket::openSockets());
    m_impl->dbc = std::move(dbc);
}

void Connection::Close()
{
    m_impl->requireOpen(source);
    m_impl->errors->Clear();
    m_impl->close();
}

long Connection::GetState() const
{
    if (m_impl->isOpen() && m_impl->socket.closedByPeer())
        m_impl->close();   // the server ended the session: only a new login can go on
    return m_impl->isOpen() ? adStateOpen : adStateClosed;
}

_bstr_t Connection::GetVersion() const { return "6.1"; }

_bstr_t Connection::GetDefaultDatabase() const
{
    if (!m_impl->isOpen())
        return m_impl->catalog;
    SQLWCHAR name[256] = {};
    SQLINTEGER length = 0;
    const SQLRETURN rc = SQLGetConnectAttrW(m_impl->dbc.get(), SQL_ATTR_CURRENT_CATALOG, name, sizeof name, &length);
    if (!SQL_SUCCEEDED(rc))
        return m_impl->catalog;
    return toUtf8(name, std::min<size_t>(static_cast<size_t>(length) / sizeof(SQLWCHAR), 255));
}

ErrorsPtr Connection::GetErrors() const { return m_impl->errors; }

_RecordsetPtr Connection::Execute(const _bstr_t& commandText, VARIANT* recordsAffected, long)
{
    m_impl->requireOpen(source);
    m_impl->errors->Clear();
    Statement statement(*m_impl, source);
    statement.setTimeout(m_impl->commandTimeout);
    _RecordsetPtr recordset = makeRecordset(statement.execute(commandText.str()));
    statement.reportRowsAffected(recordsAffected);
    return recordset;
}

} // namespace ADODB
