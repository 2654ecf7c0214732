#include "odbchandle.h"

#include "diagnostics.h"

#include <utility>

namespace ADODB {

namespace {

SQLSMALLINT parentType(SQLSMALLINT type)
{
    return type == SQL_HANDLE_STMT ? SQL_HANDLE_DBC : SQL_HANDLE_ENV;
}

} // namespace

OdbcHandle::OdbcHandle(SQLSMALLINT type, SQLHANDLE parent, const char* source) : m_type(type)
{
    const SQLRETURN rc = SQLAllocHandle(type, parent, &m_handle);
    if (SQL_SUCCEEDED(rc))
        return;
    m_handle = SQL_NULL_HANDLE;
    if (parent == SQL_NULL_HANDLE)
        raiseError(E_FAIL, source, "the ODBC driver manager could not allocate an environment");
    raiseDiagnostics(parentType(type), parent, source, nullptr);
}

OdbcHandle::~OdbcHandle() { reset(); }

OdbcHandle::OdbcHandle(OdbcHandle&& other) noexcept
    : m_type(other.m_type), m_handle(std::exchange(other.m_handle, nullptr))
{
}

OdbcHandle& OdbcHandle::operator=(OdbcHandle&& other) noexcept
{
    if (this != &other) {
        reset();
        m_type = other.m_type;
        m_handle = std::exchange(other.m_handle, nullptr);
    }
    return *this;
}

void OdbcHandle::reset()
{
    if (m_handle != SQL_NULL_HANDLE)
        SQLFreeHandle(m_type, std::exchange(m_handle, nullptr));
}

} // namespace ADODB
