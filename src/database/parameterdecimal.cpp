#include "database/parameterdecimal.h"

#include "support/utilities.h"

void CParameterDecimal::setValue(double value)
{
    m_doubleValue = value;
    m_value = _variant_t(value);
}

void CParameterDecimal::addParameterToCommand(_CommandPtr command)
{
    addTo(command, "CParameterDecimal::addParameterToCommand", __FILE__);
}

void CParameterDecimal::describe(ADODB::Parameter& parameter)
{
    parameter.PutPrecision(static_cast<unsigned char>(m_precision & 0xFF));
    parameter.PutNumericScale(static_cast<unsigned char>(m_scale & 0xFF));
}

void CParameterDecimal::getOutputParametersFromCommand(ADODB::ParametersPtr parameters)
{
    readBack(parameters, "CParameterDecimal::getOutputParametersFromCommand", __FILE__);
}

MSXML2::IXMLDOMNodePtr CParameterDecimal::serialize(CString namespaceURI)
{
    return serializeAs(namespaceURI, "decimal", "CParameterDecimal::serialize", __FILE__);
}

CString CParameterDecimal::valueText() { return CUtilities::DoubleToCString(m_doubleValue, 5); }

void CParameterDecimal::store(const _variant_t& value) { setValue(static_cast<double>(value)); }
