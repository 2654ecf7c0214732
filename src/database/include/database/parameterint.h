// A 32-bit integer.
#pragma once

#include "database/parameter.h"

class CParameterInt : public CParameter
{
public:
    int getType() override { return ADODB::adInteger; }
    int getSize() override { return 4; }
    void addParameterToCommand(_CommandPtr command) override;
    void getOutputParametersFromCommand(ADODB::ParametersPtr parameters) override;
    MSXML2::IXMLDOMNodePtr serialize(CString namespaceURI) override;
    CString valueText() override;

    void setValue(int value);

protected:
    void store(const _variant_t& value) override;

private:
    int m_intValue = 0;
};
