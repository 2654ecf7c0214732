// The state of a connection: its ODBC handle while open, its settings and its errors.
#pragma once

#include "ado/ado.h"
#include "connectionsocket.h"
#include "odbchandle.h"

#include <string>

namespace ADODB {

struct Connection::Impl
{
    OdbcHandle dbc;   // allocated and connected while the connection is open
    ConnectionSocket socket;   // the driver's, when it could be told
    long connectionTimeout = 15;
    long commandTimeout = 30;
    std::string catalog;   // of the connection string
    std::shared_ptr<Errors> errors = std::make_shared<Errors>();

    bool isOpen() const { return static_cast<bool>(dbc); }
    // Raises adErrObjectClosed, from `source`, when the connection is not open.
    void requireOpen(const char* source) const;
    // Whether the driver says the link to the server is gone.
    bool isDead() const;
    // Disconnects and frees the handle: the connection reads as closed and can be opened
    // again (also after its link to the server is gone).
    void close();
};

} // namespace ADODB
