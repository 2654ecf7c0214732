// A date and time, bound as a timestamp.
#pragma once

#include "database/parameter.h"
#include "mfc/oledatetime.h"

class CParameterDateTime : public CParameter
{
public:
    int getType() override { return ADODB::adDBTimeStamp; }
    int getSize() override { return 0; }
    void addParameterToCommand(_CommandPtr command) override;
    void getOutputParametersFromCommand(ADODB::ParametersPtr parameters) override;
    MSXML2::IXMLDOMNodePtr serialize(CString namespaceURI) override;
    // "%Y%m%d%Hh%M%S_", as 2018053114h0509_.
    CString valueText() override { return m_dateValue.Format("%Y%m%d%Hh%M%S_"); }

    void setValue(COleDateTime value);

protected:
    void store(const _variant_t& value) override;

private:
    COleDateTime m_dateValue;
};
