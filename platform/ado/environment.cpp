#include "environment.h"

#include "diagnostics.h"
#include "odbchandle.h"


namespace ADODB {

namespace {

OdbcHandle makeEnvironment()
{
    OdbcHandle env(SQL_HANDLE_ENV, SQL_NULL_HANDLE, "ADODB.Connection");
    const SQLRETURN rc = SQLSetEnvAttr(env.get(), SQL_ATTR_ODBC_VERSION,
                                       reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    checkDiagnostics(rc, SQL_HANDLE_ENV, env.get(), "ADODB.Connection", nullptr);
    return env;
}

} // namespace

SQLHENV odbcEnvironment()
{
    static const OdbcHandle env = makeEnvironment();
    return env.get();
}

} // namespace ADODB
