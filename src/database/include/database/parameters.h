// The owning list of the typed parameters of one stored-procedure call, in the order of the
// procedure's arguments.
#pragma once

#include "database/parameter.h"
#include "mfc/carray.h"

#include <memory>

class CParameters
{
public:
    CParameters() = default;
    virtual ~CParameters();
    CParameters(const CParameters&) = delete;
    CParameters& operator=(const CParameters&) = delete;

    // Appends the parameter; the list owns it from now on.
    void add(CParameter* parameter);
    // The framework's invalid-argument exception outside the list.
    CParameter* getAt(int index);
    int getCount() const { return m_count; }
    // The first parameter of exactly that name ("@" included, case counts), else null.
    CParameter* getParameter(_bstr_t name);

    // Adds every parameter to the command, in list order.
    void addParametersToCommand(_CommandPtr command);
    // After the call: reads back the value of every output and input-output parameter.
    void getOutputParametersFromCommand(_CommandPtr command);
    // "\tParameters\n\t\tName: <name>\t\tValue: <value>\n" per parameter.
    CString outToString();
    // A "parameters" element with one "parameter" element per parameter.
    MSXML2::IXMLDOMNodePtr serialize(CString namespaceURI);
    void deleteObjects();

private:
    CArray<CParameter*> m_parameters;
    int m_count = 0;
};

// Makes an input parameter of class P with the name and value and adds it to the list.
template <class P, class V>
P* addInputParameter(CParameters& list, const char* name, V value)
{
    auto parameter = std::make_unique<P>();
    parameter->setName(name);
    parameter->setDirection(ADODB::adParamInput);
    parameter->setValue(std::move(value));
    list.add(parameter.get());
    return parameter.release();
}
