#include "database/parameterfloat.h"

#include "support/utilities.h"

void CParameterFloat::setValue(double value)
{
    m_doubleValue = value;
    m_value = _variant_t(value);
}

void CParameterFloat::addParameterToCommand(_CommandPtr command)
{
    addTo(command, "CParameterFloat::addParameterToCommand", __FILE__);
}

void CParameterFloat::getOutputParametersFromCommand(ADODB::ParametersPtr parameters)
{
    readBack(parameters, "CParameterFloat::getOutputParametersFromCommand", __FILE__);
}

MSXML2::IXMLDOMNodePtr CParameterFloat::serialize(CString namespaceURI)
{
    return serializeAs(namespaceURI, "float", "CParameterFloat::serialize", __FILE__);
}

CString CParameterFloat::valueText() { return CUtilities::DoubleToCString(m_doubleValue, 5); }

void CParameterFloat::store(const _variant_t& value)
{
    setValue(static_cast<double>(value));
}
