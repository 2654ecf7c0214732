#include "support/xmlutilities.h"

#include "support/kavroguard.h"
#include "support/utilities.h"

CXMLUtilities::CXMLUtilities()
{
    kavroGuard("CXMLUtilities::CXMLUtilities", __FILE__, [&] {
        m_comInitialised = SUCCEEDED(CoInitialize(nullptr));
        // Not checked here: without the XML component the first use reports the failure.
        m_document.CreateInstance("Msxml2.DOMDocument");
    });
}

CXMLUtilities::~CXMLUtilities()
{
    m_document.Release();
    if (m_comInitialised)
        CoUninitialize();
}

void CXMLUtilities::createXMLDoc(CString path, CString styleSheet, CString rootName, CString namespaceURI)
{
    const char* procSig = "CXMLUtilities::createXMLDoc";
    // A save that fails says why (a full disk, a missing folder), as the XML layer tells it.
    kavroComGuard(procSig, __FILE__, comUnhandled(procSig, __FILE__), [&] {
        MSXML2::IXMLDOMDocumentPtr document;
        document.CreateInstance("Msxml2.DOMDocument");
        document->insertBefore(document->createProcessingInstruction("xml", "version=\"1.0\" encoding=\"UTF-8\""),
                               nullptr);
        if (!styleSheet.IsEmpty())
            document->insertBefore(
                document->createProcessingInstruction("xml-stylesheet", "type=\"text/xsl\" href=\"" + styleSheet + "\""),
                nullptr);
        MSXML2::IXMLDOMNodePtr root = namespaceURI.IsEmpty()
                                          ? document->createElement(rootName)
                                          : document->createNode(MSXML2::NODE_ELEMENT, rootName, namespaceURI);
        document->appendChild(root);
        document->save(path);
    });
}

MSXML2::IXMLDOMNodePtr CXMLUtilities::createNode(CString name, CString namespaceURI)
{
    return kavroGuard("CXMLUtilities::createNode", __FILE__,
                      [&] { return m_document->createNode(MSXML2::NODE_ELEMENT, name, namespaceURI); });
}

MSXML2::IXMLDOMNodePtr CXMLUtilities::createNode(CString name, CString text, CString namespaceURI)
{
    return kavroGuard("CXMLUtilities::createNode", __FILE__, [&] {
        MSXML2::IXMLDOMNodePtr node = m_document->createNode(MSXML2::NODE_ELEMENT, name, namespaceURI);
        node->put_text(text);
        return node;
    });
}

MSXML2::IXMLDOMNodePtr CXMLUtilities::createUniversalTimeNode(CString namespaceURI, COleDateTime& dateTime)
{
    return kavroGuard("CXMLUtilities::createUniversalTimeNode", __FILE__, [&] {
        MSXML2::IXMLDOMNodePtr date = createNode("date", namespaceURI);
        const bool valid = dateTime.GetStatus() == COleDateTime::valid;
        const std::pair<const char*, int> parts[] = {
            {"year", dateTime.GetYear()},     {"month", dateTime.GetMonth()},   {"day", dateTime.GetDay()},
            {"hour", dateTime.GetHour()},     {"minute", dateTime.GetMinute()}, {"second", dateTime.GetSecond()},
        };
        for (const auto& [name, value] : parts)
            date->appendChild(createNode(name, CUtilities::IntToCString(valid ? value : -1), namespaceURI));
        return date;
    });
}
