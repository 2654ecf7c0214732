#include "database/parametervarchar.h"

void CParameterVarChar::setValue(_bstr_t value)
{
    m_value = _variant_t(value);
    m_text = std::move(value);
}

void CParameterVarChar::addParameterToCommand(_CommandPtr command)
{
    addTo(command, "CParameterVarChar::addParameterToCommand", __FILE__);
}

void CParameterVarChar::getOutputParametersFromCommand(ADODB::ParametersPtr parameters)
{
    readBack(parameters, "CParameterVarChar::getOutputParametersFromCommand", __FILE__);
}

MSXML2::IXMLDOMNodePtr CParameterVarChar::serialize(CString namespaceURI)
{
    return serializeAs(namespaceURI, "varchar", "CParameterVarChar::serialize", __FILE__);
}

void CParameterVarChar::store(const _variant_t& value) { setValue(static_cast<_bstr_t>(value)); }
