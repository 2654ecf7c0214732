// The process's one ODBC environment (ODBC 3 behaviour), made at its first use.
#pragma once

#include "odbcapi.h"


namespace ADODB {

SQLHENV odbcEnvironment();

} // namespace ADODB
