// A truth value, bound as a bit: the value is handed over as given (1 stays 1).
#pragma once

#include "database/parameter.h"

class CParameterBoolean : public CParameter
{
public:
    int getType() override { return ADODB::adBoolean; }
    int getSize() override { return 1; }
    void addParameterToCommand(_CommandPtr command) override;
    void getOutputParametersFromCommand(ADODB::ParametersPtr parameters) override;
    MSXML2::IXMLDOMNodePtr serialize(CString namespaceURI) override;
    CString valueText() override;

    void setValue(int value);

protected:
    void store(const _variant_t& value) override;

private:
    int m_boolValue = 0;
};
