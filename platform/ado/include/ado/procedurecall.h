// The ODBC call escape that runs a stored procedure by name.
#pragma once

#include <string>

namespace ADODB {

// "{call "schema"."name"(?, ?)}" for a procedure name "name", "schema.name", "[schema].[name]",
// "[db]..[name]" or "db.schema.name" (three parts keep the first and the last), each part
// quoted as written with '"' doubled. One marker per parameter; the parentheses are always
// there. An empty name or an empty part raises _com_error(E_INVALIDARG).
std::string procedureCallText(const std::string& procedureName, std::size_t parameterCount);

} // namespace ADODB
