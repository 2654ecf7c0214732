#include "database/parametertinyint.h"

#include "support/utilities.h"

void CParameterTinyInt::setValue(unsigned char value)
{
    m_byteValue = value;
    m_value = _variant_t(static_cast<BYTE>(value));
}

void CParameterTinyInt::addParameterToCommand(_CommandPtr command)
{
    addTo(command, "CParameterTinyInt::addParameterToCommand", __FILE__);
}

void CParameterTinyInt::getOutputParametersFromCommand(ADODB::ParametersPtr parameters)
{
    readBack(parameters, "CParameterTinyInt::getOutputParametersFromCommand", __FILE__);
}

MSXML2::IXMLDOMNodePtr CParameterTinyInt::serialize(CString namespaceURI)
{
    return serializeAs(namespaceURI, "tinyInt", "CParameterTinyInt::serialize", __FILE__);
}

CString CParameterTinyInt::valueText() { return CUtilities::LongToCString(m_byteValue); }

void CParameterTinyInt::store(const _variant_t& value)
{
    setValue(static_cast<BYTE>(value));
}
