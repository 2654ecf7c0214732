// A floating-point number. Declared numeric without precision or scale, which the data-access
// layer binds as a double, so that no fraction is lost.
#pragma once

#include "database/parameter.h"

class CParameterFloat : public CParameter
{
public:
    int getType() override { return ADODB::adNumeric; }
    int getSize() override { return 8; }
    void addParameterToCommand(_CommandPtr command) override;
    void getOutputParametersFromCommand(ADODB::ParametersPtr parameters) override;
    MSXML2::IXMLDOMNodePtr serialize(CString namespaceURI) override;
    CString valueText() override;

    void setValue(double value);

protected:
    void store(const _variant_t& value) override;

private:
    double m_doubleValue = 0.0;
};
