// An exact decimal of a given precision and scale (18 and 10 until set), bound as decimal
// text of that scale. Its declared size is its own (9 until set).
#pragma once

#include "database/parameter.h"

class CParameterDecimal : public CParameter
{
public:
    int getType() override { return ADODB::adNumeric; }
    int getSize() override { return m_decimalSize; }
    void addParameterToCommand(_CommandPtr command) override;
    void getOutputParametersFromCommand(ADODB::ParametersPtr parameters) override;
    MSXML2::IXMLDOMNodePtr serialize(CString namespaceURI) override;
    CString valueText() override;

    void setValue(double value);
    void setSize(int size) { m_decimalSize = size; }
    void setPrecision(int precision) { m_precision = precision; }
    int getPrecision() const { return m_precision; }
    void setScale(int scale) { m_scale = scale; }
    int getScale() const { return m_scale; }

protected:
    // Precision and scale reach the command as their low bytes.
    void describe(ADODB::Parameter& parameter) override;
    void store(const _variant_t& value) override;

private:
    double m_doubleValue = 0.0;
    int m_decimalSize = 9;
    int m_precision = 18;
    int m_scale = 10;
};
