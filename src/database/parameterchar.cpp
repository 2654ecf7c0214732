#include "database/parameterchar.h"

void CParameterChar::setValue(_bstr_t value)
{
    m_value = _variant_t(value);
    m_text = std::move(value);
}

void CParameterChar::addParameterToCommand(_CommandPtr command)
{
    addTo(command, "CParameterChar::addParameterToCommand", __FILE__);
}

void CParameterChar::getOutputParametersFromCommand(ADODB::ParametersPtr parameters)
{
    readBack(parameters, "CParameterChar::getOutputParametersFromCommand", __FILE__);
}

MSXML2::IXMLDOMNodePtr CParameterChar::serialize(CString namespaceURI)
{
    return serializeAs(namespaceURI, "char", "CParameterChar::serialize", __FILE__);
}

void CParameterChar::store(const _variant_t& value) { setValue(static_cast<_bstr_t>(value)); }
