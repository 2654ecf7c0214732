// The state of a connection: its ODBC handle while open, its settings and its errors.
#pragma once

#include "ado/ado.h"
#include "odbchandle.h"

#include <string>

namespace ADODB {

struct Connection::Impl
{
    OdbcHandle dbc;   // allocated and connected while the connection is open
    long connectionTimeout = 15;
    long commandTimeout = 30;
    std::string catalog;   // of the connection string
    std::shared_ptr<Errors> errors = std::make_shared<Errors>();

    bool isOpen() const { return static_cast<bool>(dbc); }
    // Raises adErrObjectClosed, from `source`, when the connection is not open.
    void requireOpen(const char* source) const;
};

} // namespace ADODB
