#include "database/dataservices.h"

#include "arx/acutprintf.h"
#include "support/exconnection.h"
#include "support/kavroguard.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <thread>

namespace {

// A connection-string value as the data-access layer reads it back unchanged.
CString quoted(const CString& value)
{
    const bool outerBlank = !value.IsEmpty() && (std::isspace(static_cast<unsigned char>(value[0])) ||
                                                 std::isspace(static_cast<unsigned char>(value[value.GetLength() - 1])));
    if (value.FindOneOf(";={}\"'") < 0 && !outerBlank)
        return value;
    CString braced = value;
    braced.Replace("}", "}}");
    return "{" + braced + "}";
}

// Raises a failure to connect as CEXConnection with the server's message.
auto connectionFailure(const char* procSig)
{
    return [procSig](const _com_error& e) { throw new CEXConnection(e, KAVRO_PRODUCT_CAPTION, __FILE__, procSig); };
}

} // namespace

CDataServices::CDataServices(CString server, CString database, CString user, CString password, int timeout)
{
    m_connectionString = connectionString(server, database, user, password);
    m_com.emplace();
    kavroComGuard("CDataServices::CDataServices", __FILE__, connectionFailure("CDataServices::CDataServices"), [&] {
            if (FAILED(m_connection.CreateInstance("ADODB.Connection", nullptr, ADODB::CLSCTX_ALL)))
                return;
            m_connection->PutConnectionTimeout(timeout);
            m_connection->Open(m_connectionString.GetString(), "", "", 0);
            m_connected = 1;
        });
}

CDataServices::~CDataServices()
{
    if (m_connected && m_connection->GetState() == ADODB::adStateOpen) {
        try {
            m_connection->Close();
        } catch (const _com_error&) {
            // The connection is released below whatever Close said.
        }
    }
    m_com.reset();
    m_connection.Release();
}

bool CDataServices::linkLost() { return m_connected && m_connection->GetState() != ADODB::adStateOpen; }

void CDataServices::connectAgainIfLost()
{
    kavroComGuard("CDataServices::connectAgainIfLost", __FILE__, connectionFailure("CDataServices::connectAgainIfLost"),
                  [&] { reconnectIfLost(); });
}

void CDataServices::reconnectIfLost()
{
    if (!linkLost())
        return;
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::seconds(m_connection->GetLoginWait());
    constexpr Clock::duration firstPause = std::chrono::milliseconds(100);
    Clock::duration pause = firstPause;
    for (;;) {
        try {
            m_connection->Open(m_connectionString.GetString(), "", "", 0);
            break;
        } catch (const _com_error&) {
            // A server restarting refuses logins for a moment ("the database system is
            // shutting down", then the connection refused): it is tried again for as long
            // as a login waits.
            const Clock::duration left = deadline - Clock::now();
            if (left <= Clock::duration::zero())
                throw;
            if (pause == firstPause)
                acutPrintf("The connection to the server database was lost and cannot be made yet: it is tried again "
                           "for up to %ld s\n",
                           m_connection->GetLoginWait());
            std::this_thread::sleep_for(std::min(pause, left));
            pause *= 2;
        }
    }
    acutPrintf("The connection to the server database was lost and has been made again\n");
}

double CDataServices::getADOVersion()
{
    return kavroGuard("CDataServices::getADOVersion", __FILE__, [&] {
        if (!m_connected)
            return 0.0;
        return std::atof(m_connection->GetVersion().c_str());
    });
}

CString CDataServices::connectionString(const CString& server, const CString& database, const CString& user,
                                        const CString& password)
{
    return "Provider=SQLOLEDB;Data Source=" + quoted(server) + ";Initial Catalog=" + quoted(database) +
           ";User Id=" + quoted(user) + ";Password=" + quoted(password) + ";";
}
