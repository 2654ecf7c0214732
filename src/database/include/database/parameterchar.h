// Text declared as fixed-length characters (20 until set). Values are never cut to the
// declared size.
#pragma once

#include "database/parameter.h"

class CParameterChar : public CParameter
{
public:
    CParameterChar() { m_size = 20; }

    int getType() override { return ADODB::adChar; }
    int getSize() override { return m_size; }
    void addParameterToCommand(_CommandPtr command) override;
    void getOutputParametersFromCommand(ADODB::ParametersPtr parameters) override;
    MSXML2::IXMLDOMNodePtr serialize(CString namespaceURI) override;
    CString valueText() override { return m_text.c_str(); }

    void setSize(int size) { m_size = size; }
    // The text and the value handed to the command change together.
    void setValue(_bstr_t value);

protected:
    void store(const _variant_t& value) override;

private:
    _bstr_t m_text{""};
};
