#include "ado/ado.h"

namespace ADODB {

Error::Error(long number, std::string source, std::string description, std::string sqlState,
             long nativeError)
    : m_number(number), m_source(std::move(source)), m_description(std::move(description)),
      m_sqlState(std::move(sqlState)), m_nativeError(nativeError)
{
}

long Error::GetNumber() const { return m_number; }
_bstr_t Error::GetSource() const { return m_source; }
_bstr_t Error::GetDescription() const { return m_description; }
_bstr_t Error::GetSQLState() const { return m_sqlState; }
long Error::GetNativeError() const { return m_nativeError; }

} // namespace ADODB
