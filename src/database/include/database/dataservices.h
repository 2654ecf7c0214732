// One connection to the server database, opened by the connecting constructor and closed
// by the destructor. The base of the stored-procedure and plain-statement objects: each of
// them has a connection of its own for as long as it lives.
#pragma once

#include "ado/ado.h"
#include "mfc/cstring.h"

#include <optional>

class CDataServices
{
public:
    // Unconnected; begins no COM initialisation.
    CDataServices() = default;
    // Opens the connection, or throws CEXConnection with the server's message. When the
    // data-access objects cannot be made the object stays unconnected and nothing is raised.
    CDataServices(CString server, CString database, CString user, CString password, int timeout);
    virtual ~CDataServices();
    CDataServices(const CDataServices&) = delete;
    CDataServices& operator=(const CDataServices&) = delete;

    // The leading number of the data-access objects' version; 0.0 when not connected.
    double getADOVersion();

    // The connection string of the four values. A value holding ";", "=", braces, quotes or
    // outer blanks is braced, "}" doubled, so that it cannot end its key or add another;
    // every other value is copied as it is.
    static CString connectionString(const CString& server, const CString& database, const CString& user,
                                    const CString& password);

    // Whether a connected object's link to the server is lost: a call found it gone or got
    // no answer within its time-out, or the server has closed its end since (as when it was
    // restarted). The next call connects again first.
    bool linkLost();
    // reconnectIfLost, raising CEXConnection when the connection cannot be made again.
    void connectAgainIfLost();

protected:
    // Opens a connected object's connection again when its link to the server was lost, and
    // says so on the command line. A login refused or unanswered is tried again, with a pause
    // that doubles from 0.1 s, until the connection's time-out has passed since the first
    // try (as long as a login waits for a time-out of 0: 60 s), with a line after the first
    // failed try; then the last failure is raised as _com_error, and the next call tries
    // again.
    void reconnectIfLost();

    _ConnectionPtr m_connection;
    int m_connected = 0;

private:
    CString m_connectionString;
    // COM initialised by the connecting constructor, ended by the destructor; also ended
    // when that constructor throws.
    std::optional<CoInitializeScope> m_com;
};
