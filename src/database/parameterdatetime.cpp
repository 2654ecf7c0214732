#include "database/parameterdatetime.h"

void CParameterDateTime::setValue(COleDateTime value)
{
    m_dateValue = value;
    m_value = _variant_t(value.m_dt, VT_DATE);
}

void CParameterDateTime::addParameterToCommand(_CommandPtr command)
{
    addTo(command, "CParameterDateTime::addParameterToCommand", __FILE__);
}

void CParameterDateTime::getOutputParametersFromCommand(ADODB::ParametersPtr parameters)
{
    readBack(parameters, "CParameterDateTime::getOutputParametersFromCommand", __FILE__);
}

MSXML2::IXMLDOMNodePtr CParameterDateTime::serialize(CString namespaceURI)
{
    return serializeAs(namespaceURI, "dateTime", "CParameterDateTime::serialize", __FILE__);
}

void CParameterDateTime::store(const _variant_t& value)
{
    _variant_t date = value;
    date.ChangeType(VT_DATE);
    setValue(COleDateTime(date.date));
}
