#include "diagnostics.h"

#include "utf16.h"


#include <memory>

namespace ADODB {

namespace {

std::string trimmedMessage(std::string text)
{
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
        text.pop_back();
    return text;
}

// One record, or nothing past the last.
bool readRecord(SQLSMALLINT handleType, SQLHANDLE handle, SQLSMALLINT number, DiagRecord& record)
{
    SQLWCHAR state[6] = {};
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    odbcstring message(512, 0);
    SQLRETURN rc = SQLGetDiagRecW(handleType, handle, number, state, &native, message.data(),
                                  static_cast<SQLSMALLINT>(message.size()), &length);
    if (rc == SQL_SUCCESS_WITH_INFO && length >= static_cast<SQLSMALLINT>(message.size())) {
        message.assign(static_cast<size_t>(length) + 1, 0);
        rc = SQLGetDiagRecW(handleType, handle, number, state, &native, message.data(),
                            static_cast<SQLSMALLINT>(message.size()), &length);
    }
    if (!SQL_SUCCEEDED(rc))
        return false;
    record.sqlState = toUtf8(state, 5);
    record.nativeError = native;
    record.message = trimmedMessage(toUtf8(message.data(), std::min<size_t>(length, message.size())));
    return true;
}

} // namespace

std::vector<DiagRecord> readDiagnostics(SQLSMALLINT handleType, SQLHANDLE handle)
{
    std::vector<DiagRecord> records;
    DiagRecord record;
    for (SQLSMALLINT number = 1; readRecord(handleType, handle, number, record); ++number)
        records.push_back(record);
    return records;
}

bool isConnectionLoss(const std::string& sqlState)
{
    return sqlState.rfind("08", 0) == 0 || sqlState == "57P01" || sqlState == "57P02" || sqlState == "57P03";
}

HRESULT failureCode(const std::vector<DiagRecord>& records)
{
    for (const DiagRecord& record : records)
        if (record.sqlState == "HYT00" || record.sqlState == "HYT01" || record.sqlState == "57014")
            return adErrOperationTimedOut;
    return E_FAIL;
}

void raiseDiagnostics(SQLSMALLINT handleType, SQLHANDLE handle, const char* source, Errors* errors)
{
    const std::vector<DiagRecord> records = readDiagnostics(handleType, handle);
    const HRESULT hr = failureCode(records);
    if (errors) {
        for (const DiagRecord& record : records)
            errors->Add(std::make_shared<Error>(hr, source, record.message, record.sqlState,
                                                record.nativeError));
    }
    const std::string description =
        records.empty() ? std::string("the ODBC driver reported a failure without a message")
                        : records.front().message;
    _com_issue_errorex(hr, {description, source});
}

void raiseError(HRESULT hr, const char* source, const std::string& description)
{
    _com_issue_errorex(hr, {description, source});
}

} // namespace ADODB
