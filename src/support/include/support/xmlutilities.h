// Makes the XML elements that the system writes, and new XML files with their declaration,
// style-sheet instruction and root element. The helper's own document only makes nodes;
// callers hang them into documents of their own.
#pragma once

#include "mfc/oledatetime.h"
#include "msxml/dom.h"

class CXMLUtilities
{
public:
    CXMLUtilities();
    ~CXMLUtilities();
    CXMLUtilities(const CXMLUtilities&) = delete;
    CXMLUtilities& operator=(const CXMLUtilities&) = delete;

    // Writes a file holding the declaration, the style-sheet instruction when styleSheet is
    // not empty, and an empty root element in namespaceURI (none when it is empty).
    void createXMLDoc(CString path, CString styleSheet, CString rootName, CString namespaceURI);
    MSXML2::IXMLDOMNodePtr createNode(CString name, CString namespaceURI);
    MSXML2::IXMLDOMNodePtr createNode(CString name, CString text, CString namespaceURI);
    // A "date" element with year, month, day, hour, minute and second children (-1 each
    // for an invalid value).
    MSXML2::IXMLDOMNodePtr createUniversalTimeNode(CString namespaceURI, COleDateTime& dateTime);

private:
    MSXML2::IXMLDOMDocumentPtr m_document;
    bool m_comInitialised = false;
};
