// The XML error log (root "errors", style sheet "errorLog.xsl"), the XML debug log (root
// "debugging", style sheet "debugLog.xsl") and the plain text log.
//
// A record is appended to an XML log without reading or rewriting what the file already
// holds, so writing n records costs time linear in n: the root element's start tag and its
// closing tag are located and the record is written in front of the closing tag. A file
// whose end is not a plain closing tag (a comment after the root, say) is loaded, extended
// and saved whole instead.
#pragma once

#include "msxml/dom.h"
#include "support/errorlogpaths.h"
#include "support/exkavro.h"

// The namespace of the debug log's root; its records are in the error-log namespace.
inline constexpr const char* DEBUG_LOG_NAMESPACE = "urn:kavrosystems:quorvane:debuglog";

class CLog
{
public:
    virtual ~CLog() = default;

    // Appends the record's chain to the error log at path, creating the file when needed.
    // A file whose root is not "errors" is left untouched and CEXInvalidXMLFile is raised.
    void writeToXMLErrorLog(CString path, CEXKavro* record);
    // The record to every error log of the list (the loaded server settings), in order.
    void writeToXMLErrorLogs(const CErrorLogPaths* logs, CEXKavro* record);
    // Appends a record of the description and node (which may be empty) to the debug log.
    void writeToXMLDebugLog(CString path, CString description, MSXML2::IXMLDOMNodePtr node);
    void appendDebug(MSXML2::IXMLDOMDocumentPtr document, MSXML2::IXMLDOMNodePtr root, CString description,
                     MSXML2::IXMLDOMNodePtr node);
    void createXMLDocument(CString path, CString rootName, CString namespaceURI, CString styleSheet);
    // Appends a time-stamped line to a text file.
    void outputToFile(CString path, CString text);

private:
    void appendRecord(const CString& path, const char* rootName, const char* procSig,
                      const MSXML2::IXMLDOMNodePtr& record);
};
