// An ODBC handle owned for its lifetime: freed on destruction.
#pragma once

#include "odbcapi.h"


namespace ADODB {

class OdbcHandle
{
public:
    OdbcHandle() = default;
    // Allocates a handle of `type` under `parent` (SQL_NULL_HANDLE for an environment);
    // raises _com_error, with the parent's diagnostics, when that fails.
    OdbcHandle(SQLSMALLINT type, SQLHANDLE parent, const char* source);
    ~OdbcHandle();
    OdbcHandle(OdbcHandle&& other) noexcept;
    OdbcHandle& operator=(OdbcHandle&& other) noexcept;
    OdbcHandle(const OdbcHandle&) = delete;
    OdbcHandle& operator=(const OdbcHandle&) = delete;

    SQLHANDLE get() const { return m_handle; }
    SQLSMALLINT type() const { return m_type; }
    explicit operator bool() const { return m_handle != SQL_NULL_HANDLE; }
    void reset();

private:
    SQLSMALLINT m_type = 0;
    SQLHANDLE m_handle = SQL_NULL_HANDLE;
};

} // namespace ADODB
