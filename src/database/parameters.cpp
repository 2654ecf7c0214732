#include "database/parameters.h"

#include "support/kavroguard.h"
#include "support/xmlutilities.h"

CParameters::~CParameters()
{
    cleanUpQuietly([&] { deleteObjects(); });
}

void CParameters::add(CParameter* parameter)
{
    m_parameters.Add(parameter);
    ++m_count;
}

CParameter* CParameters::getAt(int index) { return m_parameters.GetAt(index); }

CParameter* CParameters::getParameter(_bstr_t name)
{
    return kavroGuard("CParameters::getParameter", __FILE__, [&]() -> CParameter* {
        for (int i = 0; i < m_count; ++i) {
            CParameter* parameter = getAt(i);
            if (parameter->getName().str() == name.str())
                return parameter;
        }
        return nullptr;
    });
}

void CParameters::addParametersToCommand(_CommandPtr command)
{
    const char* procSig = "CParameters::addParametersToCommand";
    kavroComGuard(procSig, __FILE__, comUnhandled(procSig, __FILE__), [&] {
        for (int i = 0; i < getCount(); ++i)
            getAt(i)->addParameterToCommand(command);
    });
}

void CParameters::getOutputParametersFromCommand(_CommandPtr command)
{
    kavroGuard("CParameters::getOutputParametersFromCommand", __FILE__, [&] {
        for (int i = 0; i < getCount(); ++i) {
            CParameter* parameter = getAt(i);
            const int direction = parameter->getDirection();
            if (direction == ADODB::adParamOutput || direction == ADODB::adParamInputOutput)
                parameter->getOutputParametersFromCommand(command->GetParameters());
        }
    });
}

CString CParameters::outToString()
{
    return kavroGuard("CParameters::outToString", __FILE__, [&] {
        CString text;
        for (int i = 0; i < m_count; ++i) {
            CParameter* parameter = getAt(i);
            text += "\tParameters\n";
            text += CString("\t\tName: ") + parameter->getName().c_str();
            text += "\t\tValue: " + parameter->valueText() + "\n";
        }
        return text;
    });
}

MSXML2::IXMLDOMNodePtr CParameters::serialize(CString namespaceURI)
{
    return kavroGuard("CParameters::serialize", __FILE__, [&] {
        CXMLUtilities xml;
        MSXML2::IXMLDOMNodePtr element = xml.createNode("parameters", namespaceURI);
        for (int i = 0; i < m_count; ++i)
            element->appendChild(getAt(i)->serialize(namespaceURI));
        return element;
    }, 0);
}

void CParameters::deleteObjects()
{
    kavroGuard("CParameters::deleteObjects", __FILE__, [&] {
        for (CParameter* parameter : m_parameters)
            delete parameter;
        m_parameters.RemoveAll();
        m_count = 0;
    }, 0);
}
