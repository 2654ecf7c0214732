// Failures of ODBC calls as _com_error: the driver's diagnostic records become the error's
// description and the records of the connection's Errors collection.
#pragma once

#include "odbcapi.h"

#include "ado/ado.h"


#include <string>
#include <vector>

namespace ADODB {

struct DiagRecord
{
    std::string sqlState;
    long nativeError = 0;
    std::string message;
};

std::vector<DiagRecord> readDiagnostics(SQLSMALLINT handleType, SQLHANDLE handle);

// Whether a state says the link to the server is gone: a connection exception (class 08) or
// the server ending the session (57P01 to 57P03).
bool isConnectionLoss(const std::string& sqlState);

// adErrOperationTimedOut for the time-out states (HYT00, HYT01, 57014), else E_FAIL.
HRESULT failureCode(const std::vector<DiagRecord>& records);

// Raises the failure that the handle's records describe, and adds them to `errors` when
// given.
[[noreturn]] void raiseDiagnostics(SQLSMALLINT handleType, SQLHANDLE handle, const char* source,
                                   Errors* errors);

// Raises on a return code that is not a success.
inline void checkDiagnostics(SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle,
                             const char* source, Errors* errors)
{
    if (!SQL_SUCCEEDED(rc))
        raiseDiagnostics(handleType, handle, source, errors);
}

// Raises an error of the layer's own, with its text.
[[noreturn]] void raiseError(HRESULT hr, const char* source, const std::string& description);

} // namespace ADODB
