// The base error record. Every failure travels as a chain of these, outermost first: each
// method a failure passes through wraps what it caught in a new record naming itself, and
// only the innermost record says what went wrong. Records are made with new and thrown by
// pointer; whoever catches one owns it (and its chain).
#pragma once

#include "mfc/cstring.h"
#include "msxml/dom.h"

class CErrorLogPaths;

enum ErrorSeverity { low = 0, medium = 1, high = 2 };

// What a record says of a call to the server: none failed in it; one failed that the server
// refused or that could not be made; or one failed whose outcome is unknown (no answer came
// within the time-out, or the link was lost), which the server may have run all the same.
enum class ServerCallFailure { none, failed, outcomeUnknown };

// The namespace of the XML error log and of every record in it.
inline constexpr const char* ERROR_LOG_NAMESPACE = "urn:kavrosystems:quorvane:errorlog";

class CEXKavro
{
public:
    CEXKavro(CString source, CString file, CString procSig, int code, CEXKavro* inner);
    virtual ~CEXKavro() = default;
    CEXKavro(const CEXKavro&) = delete;
    CEXKavro& operator=(const CEXKavro&) = delete;

    // Keeps the last component of a source path, without a final ".cpp".
    static void stripSourcePath(CString& path);
    // The system's message text for a Windows error code.
    static CString getWindowsErrorText(DWORD code);
    // Deletes a record and every record it wraps, innermost first.
    static void deleteChain(CEXKavro* record);

    CString getSource() const { return m_source; }
    CString getClass() const { return m_class; }
    CString getProcSig() const { return m_procSig; }
    CString getDescription() const { return m_description; }
    int getCode() const { return m_code; }
    int getSeverity() const { return m_severity; }
    CEXKavro* getInnerException() const { return m_inner; }
    CString getSeverityText() const;
    // Marks the record as that of a failed call to the server; the object that made the
    // call marks the record it raises, so that the chain tells it from any other fault.
    void setServerCallFailure(ServerCallFailure failure) { m_serverCallFailure = failure; }
    // The failed call to the server that the chain from this record holds: the outermost
    // mark, none when no record is marked.
    ServerCallFailure getServerCallFailure() const;

    // The record as an "error" element in the error-log namespace, its inner records nested
    // in "innerException" elements.
    MSXML2::IXMLDOMNodePtr serialize();

    // Shows the chain in the "Error Detected." message box.
    void display();
    // Writes the chain to the command line.
    void print();
    // Writes the chain to every error log of the list (the loaded server settings).
    void writeToErrorLogs(const CErrorLogPaths* logs);
    void writeToErrorLog(CString path);

protected:
    // One line per record, indented by its depth, then the innermost description.
    CString chainText(bool withClass) const;

    // The six children common to every form of the "error" element.
    MSXML2::IXMLDOMNodePtr serializeFields();
    // The form of the records that carry a node: the six children, the node when there is
    // one, then the inner record's "error" element directly, without an "innerException".
    MSXML2::IXMLDOMNodePtr serializeWithNode(const MSXML2::IXMLDOMNodePtr& node);

    CString m_source;
    CString m_class;
    CString m_procSig;
    CString m_description;
    int m_code;
    int m_severity = high;
    CEXKavro* m_inner;
    ServerCallFailure m_serverCallFailure = ServerCallFailure::none;
};
