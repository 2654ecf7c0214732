#include "support/exkavro.h"

#include "arx/acutprintf.h"
#include "support/errorlogpaths.h"
#include "support/log.h"
#include "support/xmlutilities.h"
#include "win/messagebox.h"
#include "win/winbase.h"

CEXKavro::CEXKavro(CString source, CString file, CString procSig, int code, CEXKavro* inner)
    : m_source(std::move(source)), m_class(std::move(file)), m_procSig(std::move(procSig)), m_code(code),
      m_inner(inner)
{
    stripSourcePath(m_class);
}

void CEXKavro::stripSourcePath(CString& path)
{
    // Both separators count: source paths come from Windows builds and from this one.
    const int cut = std::max(path.ReverseFind('\\'), path.ReverseFind('/'));
    if (cut >= 0)
        path = path.Mid(cut + 1);
    if (path.GetLength() >= 4 && path.Right(4) == ".cpp")
        path = path.Left(path.GetLength() - 4);
}

CString CEXKavro::getWindowsErrorText(DWORD code)
{
    char* buffer = nullptr;
    FormatMessage(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM, nullptr, code, 1024,
                  reinterpret_cast<LPTSTR>(&buffer), 0, nullptr);
    CString text;
    text.Format("%s", buffer ? buffer : "");
    LocalFree(buffer);
    return text;
}

void CEXKavro::deleteChain(CEXKavro* record)
{
    // Innermost first: collect the chain, then delete from its end.
    std::vector<CEXKavro*> chain;
    for (CEXKavro* r = record; r; r = r->m_inner)
        chain.push_back(r);
    for (auto it = chain.rbegin(); it != chain.rend(); ++it)
        delete *it;
}

ServerCallFailure CEXKavro::getServerCallFailure() const
{
    for (const CEXKavro* record = this; record; record = record->m_inner)
        if (record->m_serverCallFailure != ServerCallFailure::none)
            return record->m_serverCallFailure;
    return ServerCallFailure::none;
}

CString CEXKavro::getSeverityText() const
{
    switch (m_severity) {
    case low: return "low";
    case medium: return "medium";
    default: return "high";
    }
}

MSXML2::IXMLDOMNodePtr CEXKavro::serializeWithNode(const MSXML2::IXMLDOMNodePtr& node)
{
    MSXML2::IXMLDOMNodePtr error = serializeFields();
    if (node)
        error->appendChild(node);
    if (m_inner)
        error->appendChild(m_inner->serialize());
    return error;
}

MSXML2::IXMLDOMNodePtr CEXKavro::serializeFields()
{
    CXMLUtilities xml;
    COleDateTime now = COleDateTime::GetCurrentTime();
    MSXML2::IXMLDOMNodePtr error = xml.createNode("error", ERROR_LOG_NAMESPACE);
    error->appendChild(xml.createUniversalTimeNode(ERROR_LOG_NAMESPACE, now));
    error->appendChild(xml.createNode("class", m_class, ERROR_LOG_NAMESPACE));
    error->appendChild(xml.createNode("procSig", m_procSig, ERROR_LOG_NAMESPACE));
    error->appendChild(xml.createNode("source", m_source, ERROR_LOG_NAMESPACE));
    error->appendChild(xml.createNode("description", m_description, ERROR_LOG_NAMESPACE));
    error->appendChild(xml.createNode("severity", getSeverityText(), ERROR_LOG_NAMESPACE));
    return error;
}

MSXML2::IXMLDOMNodePtr CEXKavro::serialize()
{
    MSXML2::IXMLDOMNodePtr error = serializeFields();
    if (m_inner) {
        CXMLUtilities xml;
        MSXML2::IXMLDOMNodePtr wrapper = xml.createNode("innerException", ERROR_LOG_NAMESPACE);
        wrapper->appendChild(m_inner->serialize());
        error->appendChild(wrapper);
    }
    return error;
}

CString CEXKavro::chainText(bool withClass) const
{
    CString text;
    int depth = 0;
    for (const CEXKavro* r = this; r; r = r->m_inner, ++depth) {
        text += CString('\t', depth);
        if (withClass)
            text += r->m_class + "::";
        text += r->m_procSig + (r->m_inner ? "\n" : "\n\n" + r->m_description);
    }
    return text;
}

void CEXKavro::display()
{
    MessageBox(nullptr, chainText(true), "Error Detected.", MB_OK | MB_ICONERROR);
}

void CEXKavro::print()
{
    acutPrintf("%s\n", chainText(false));
}

void CEXKavro::writeToErrorLogs(const CErrorLogPaths* logs)
{
    acutPrintf("An error has been detected please consult the error log\n");
    for (int i = 0; i < logs->getErrorLogCount(); ++i)
        writeToErrorLog(logs->getErrorLogPath(i));
}

void CEXKavro::writeToErrorLog(CString path)
{
    CLog log;
    log.writeToXMLErrorLog(path, this);
    acutPrintf("An error has been detected in %s. Please consult the error log\n", m_procSig);
}
