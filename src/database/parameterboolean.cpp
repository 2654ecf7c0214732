#include "database/parameterboolean.h"

#include "support/utilities.h"

void CParameterBoolean::setValue(int value)
{
    m_boolValue = value;
    _variant_t flag;
    flag.vt = VT_BOOL;
    flag.boolVal = static_cast<VARIANT_BOOL>(value & 0xFFFF);
    m_value = flag;
}

void CParameterBoolean::addParameterToCommand(_CommandPtr command)
{
    addTo(command, "CParameterBoolean::addParameterToCommand", __FILE__);
}

void CParameterBoolean::getOutputParametersFromCommand(ADODB::ParametersPtr parameters)
{
    readBack(parameters, "CParameterBoolean::getOutputParametersFromCommand", __FILE__);
}

MSXML2::IXMLDOMNodePtr CParameterBoolean::serialize(CString namespaceURI)
{
    return serializeAs(namespaceURI, "boolean", "CParameterBoolean::serialize", __FILE__);
}

CString CParameterBoolean::valueText() { return CUtilities::LongToCString(m_boolValue); }

void CParameterBoolean::store(const _variant_t& value)
{
    // A true from the server arrives as -1 and is kept so.
    setValue(static_cast<int>(static_cast<long>(value)));
}
