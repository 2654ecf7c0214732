#include "database/parameter.h"

#include "support/kavroguard.h"
#include "support/utilities.h"
#include "support/xmlutilities.h"

void CParameter::addParameterToCommand(_CommandPtr) {}

void CParameter::getOutputParametersFromCommand(ADODB::ParametersPtr) {}

MSXML2::IXMLDOMNodePtr CParameter::serialize(CString) { return nullptr; }

void CParameter::addTo(_CommandPtr& command, const char* procSig, const char* file)
{
    kavroComGuard(procSig, file, comUnhandled(procSig, file), [&] {
        _ParameterPtr parameter = command->CreateParameter(m_name, getType(), m_direction, getSize(), m_value);
        describe(*parameter);
        command->GetParameters()->Append(parameter);
    });
}

void CParameter::readBack(ADODB::ParametersPtr& parameters, const char* procSig, const char* file)
{
    kavroGuard(procSig, file, [&] {
        const _ParameterPtr item = parameters->GetItem(_variant_t(m_name));
        if (!item)
            return;
        const _variant_t value = item->GetValue();
        if (!value.isNull())
            store(value);
    });
}

MSXML2::IXMLDOMNodePtr CParameter::serializeAs(const CString& namespaceURI, const char* typeWord,
                                               const char* procSig, const char* file)
{
    return kavroGuard(procSig, file, [&] {
        CXMLUtilities xml;
        MSXML2::IXMLDOMNodePtr element = xml.createNode("parameter", namespaceURI);
        element->appendChild(xml.createNode("parameterName", m_name.c_str(), namespaceURI));
        element->appendChild(xml.createNode("parameterType", typeWord, namespaceURI));
        element->appendChild(xml.createNode("parameterSize", CUtilities::IntToCString(getSize()), namespaceURI));
        element->appendChild(xml.createNode("parameterValue", valueText(), namespaceURI));
        return element;
    }, 0);
}
