// A typed argument of a stored-procedure call: its name ("@" included), direction, declared
// size and value. Each subclass binds one data type: it adds itself to a command, reads its
// value back after the call when it is an output, and describes itself as a "parameter"
// element.
#pragma once

#include "ado/ado.h"
#include "mfc/cstring.h"
#include "msxml/dom.h"

class CParameter
{
public:
    CParameter() = default;
    virtual ~CParameter() = default;
    CParameter(const CParameter&) = delete;
    CParameter& operator=(const CParameter&) = delete;

    virtual int getType() { return ADODB::adInteger; }
    virtual int getSize() { return 0; }
    // A copy of the value handed to the command.
    virtual _variant_t getValue() { return m_value; }
    virtual void addParameterToCommand(_CommandPtr command);
    virtual void getOutputParametersFromCommand(ADODB::ParametersPtr parameters);
    // Null for the base class.
    virtual MSXML2::IXMLDOMNodePtr serialize(CString namespaceURI);

    void setName(_bstr_t name) { m_name = std::move(name); }
    _bstr_t getName() { return m_name; }
    void setDirection(int direction) { m_direction = direction; }
    int getDirection() { return m_direction; }

    // The value as "parameterValue" writes it.
    virtual CString valueText() { return CString(); }

protected:
    // The common steps, for a subclass naming itself (procSig) and its source file.
    void addTo(_CommandPtr& command, const char* procSig, const char* file);
    void readBack(ADODB::ParametersPtr& parameters, const char* procSig, const char* file);
    MSXML2::IXMLDOMNodePtr serializeAs(const CString& namespaceURI, const char* typeWord, const char* procSig,
                                       const char* file);

    // Sets what the command parameter needs beyond name, type, direction, size and value.
    virtual void describe(ADODB::Parameter&) {}
    // Takes an output value (never null) as the subclass's own value.
    virtual void store(const _variant_t&) {}

    int m_size = 0;
    _variant_t m_value{0, VT_INT};
    _bstr_t m_name{""};
    int m_direction = ADODB::adParamInput;
};
