#include "database/parameterint.h"

#include "support/utilities.h"

void CParameterInt::setValue(int value)
{
    m_intValue = value;
    m_value = _variant_t(static_cast<long>(value));
}

void CParameterInt::addParameterToCommand(_CommandPtr command)
{
    addTo(command, "CParameterInt::addParameterToCommand", __FILE__);
}

void CParameterInt::getOutputParametersFromCommand(ADODB::ParametersPtr parameters)
{
    readBack(parameters, "CParameterInt::getOutputParametersFromCommand", __FILE__);
}

MSXML2::IXMLDOMNodePtr CParameterInt::serialize(CString namespaceURI)
{
    return serializeAs(namespaceURI, "int", "CParameterInt::serialize", __FILE__);
}

CString CParameterInt::valueText() { return CUtilities::LongToCString(m_intValue); }

void CParameterInt::store(const _variant_t& value)
{
    setValue(static_cast<int>(static_cast<long>(value)));
}
