#include "database/dataservices.h"

#include "arx/acutprintf.h"
#include "support/exconnection.h"
#include "support/kavroguard.h"

#include <cctype>
#include <cstdlib>

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

} // namespace

CDataServices::CDataServices(CString server, CString database, CString user, CString password, int timeout)
{
    m_connectionString = connectionString(server, database, user, password);
    m_com.emplace();
    kavroComGuard("CDataServices::CDataServices", __FILE__,
        [](const _com_error& e) {
            throw new CEXConnection(e, KAVRO_PRODUCT_CAPTION, __FILE__, "CDataServices::CDataServices");
        },
        [&] {
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

void CDataServices::reconnectIfLost()
{
    if (!m_connected || m_connection->GetState() == ADODB::adStateOpen)
        return;
    m_connection->Open(m_connectionString.GetString(), "", "", 0);
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
