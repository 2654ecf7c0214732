// An unsigned byte, 0 to 255.
#pragma once

#include "database/parameter.h"

class CParameterTinyInt : public CParameter
{
public:
    int getType() override { return ADODB::adTinyInt; }
    int getSize() override { return 1; }
    void addParameterToCommand(_CommandPtr command) override;
    void getOutputParametersFromCommand(ADODB::ParametersPtr parameters) override;
    MSXML2::IXMLDOMNodePtr serialize(CString namespaceURI) override;
    CString valueText() override;

    void setValue(unsigned char value);

protected:
    void store(const _variant_t& value) override;

private:
    unsigned char m_byteValue = 0;
};
