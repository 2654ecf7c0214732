// Connection strings: the keys of an ADO-style string ("Data Source", "Initial Catalog",
// "User Id", "Password"; "Provider" ignored) and their translation to an ODBC driver string.
#pragma once

#include <map>
#include <string>

namespace ADODB {

// The values of a connection string by lower-case key. Keys compare case-insensitively, blanks
// around keys and unbraced values are dropped, a value may be braced, "{...}", with "}}"
// standing for "}". A malformed string raises _com_error(E_INVALIDARG) naming the fault.
std::map<std::string, std::string> parseConnectionString(const std::string& text);

// The ODBC string for a connection string, with "Driver" naming the given driver. "Data
// Source" gives "Server", and "Port" when it is "host,port". A user or password that is not
// empty replaces the one of the string. The password is braced when it holds ";", "=",
// braces, quotes or outer blanks (drivers take the braces off a password). Drivers keep the
// braces of other values, so those go as written, and a server, database or user that
// cannot go as written (it holds ";", begins with "{" or has blanks at either end) is
// refused with _com_error(E_INVALIDARG) naming it.
std::string odbcConnectionString(const std::string& connectionString, const std::string& driver,
                                 const std::string& user = {}, const std::string& password = {});

// A value as an ODBC string holds it: braced, with "}" doubled, when it needs to be.
std::string odbcValue(const std::string& value);

} // namespace ADODB
