#include "support/log.h"

#include "mfc/file.h"
#include "support/exrecords.h"
#include "support/fileutilities.h"
#include "support/kavroguard.h"
#include "support/xmlutilities.h"
#include "win/winbase.h"

#include <cstdio>
#include <fcntl.h>
#include <optional>
#include <unistd.h>

namespace {

constexpr size_t scanLimit = 1 << 16;

// Where a record goes in a log file: the root's qualified name, the offset at which the
// record is written, and whether the root's start tag closes itself ("<errors/>").
struct Insertion
{
    std::string rootName;
    long long offset = 0;
    bool selfClosing = false;
};

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Reads up to size bytes at offset.
std::string readAt(int fd, long long offset, size_t size)
{
    std::string data(size, '\0');
    const ssize_t n = ::pread(fd, data.data(), size, offset);
    data.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return data;
}

// The root's start tag, found in the file's head.
struct StartTag
{
    std::string name;
    size_t insertAt = 0; // where content goes: the ">" or, when self-closing, before the "/>"
    size_t end = 0;      // just after the tag
    bool selfClosing = false;
};

// The root's start tag in the file's head, skipping the declaration, instructions and
// comments before it. None when the head is unusual (a document type, say).
std::optional<StartTag> rootStartTag(const std::string& head)
{
    size_t i = head.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    for (;;) {
        while (i < head.size() && isBlank(head[i]))
            ++i;
        if (head.compare(i, 2, "<?") == 0)
            i = head.find("?>", i);
        else if (head.compare(i, 4, "<!--") == 0)
            i = head.find("-->", i);
        else
            break;
        if (i == std::string::npos)
            return std::nullopt;
        i += 2;
    }
    if (i >= head.size() || head[i] != '<' || head.compare(i, 2, "<!") == 0)
        return std::nullopt;
    StartTag tag;
    size_t nameEnd = i + 1;
    while (nameEnd < head.size() && !isBlank(head[nameEnd]) && head[nameEnd] != '/' && head[nameEnd] != '>')
        ++nameEnd;
    tag.name = head.substr(i + 1, nameEnd - i - 1);
    char quote = 0;
    for (size_t j = nameEnd; j < head.size(); ++j) {
        const char c = head[j];
        if (quote)
            quote = c == quote ? 0 : quote;
        else if (c == '"' || c == '\'')
            quote = c;
        else if (c == '>') {
            tag.selfClosing = head[j - 1] == '/';
            tag.end = j + 1;
            tag.insertAt = tag.selfClosing ? j - 1 : j;
            while (tag.selfClosing && tag.insertAt > nameEnd && isBlank(head[tag.insertAt - 1]))
                --tag.insertAt;
            return tag;
        }
    }
    return std::nullopt;
}

// Finds where a record can be written into the file without reading it whole.
std::optional<Insertion> findInsertion(int fd)
{
    const std::optional<StartTag> tag = rootStartTag(readAt(fd, 0, scanLimit));
    if (!tag || tag->name.empty())
        return std::nullopt;
    Insertion at;
    at.rootName = tag->name;
    at.selfClosing = tag->selfClosing;
    const long long size = ::lseek(fd, 0, SEEK_END);
    if (at.selfClosing) {
        // Nothing but white space may follow a root that closes itself.
        const std::string rest = readAt(fd, static_cast<long long>(tag->end), scanLimit);
        if (size - static_cast<long long>(tag->end) > static_cast<long long>(scanLimit) ||
            rest.find_first_not_of(" \t\r\n") != std::string::npos)
            return std::nullopt;
        at.offset = static_cast<long long>(tag->insertAt);
        return at;
    }
    const long long tailStart = std::max<long long>(0, size - static_cast<long long>(scanLimit));
    const std::string tail = readAt(fd, tailStart, scanLimit);
    const std::string closing = "</" + at.rootName;
    const size_t close = tail.rfind(closing);
    if (close == std::string::npos)
        return std::nullopt;
    size_t after = close + closing.size();
    while (after < tail.size() && isBlank(tail[after]))
        ++after;
    if (after >= tail.size() || tail[after] != '>' || tail.find_first_not_of(" \t\r\n", after + 1) != std::string::npos)
        return std::nullopt;
    size_t before = close;
    while (before > 0 && isBlank(tail[before - 1]))
        --before;
    at.offset = tailStart + static_cast<long long>(before);
    return at;
}

// Writes the record at the insertion point and closes the root after it.
bool writeInsertion(int fd, const Insertion& at, const std::string& record)
{
    std::string text = at.selfClosing ? ">\n\t" : "\n\t";
    text.append(record).append("\n</").append(at.rootName).append(">\n");
    const long long end = at.offset + static_cast<long long>(text.size());
    return ::pwrite(fd, text.data(), text.size(), at.offset) == static_cast<ssize_t>(text.size()) &&
           ::ftruncate(fd, end) == 0 && ::fsync(fd) == 0;
}

std::string baseName(const std::string& qualified)
{
    const size_t colon = qualified.find(':');
    return colon == std::string::npos ? qualified : qualified.substr(colon + 1);
}

[[noreturn]] void throwBadLog(const CString& path, const char* procSig)
{
    throw new CEXInvalidXMLFile("", __FILE__, procSig, path);
}

} // namespace

void CLog::appendRecord(const CString& path, const char* rootName, const char* procSig,
                        const MSXML2::IXMLDOMNodePtr& record)
{
    const int fd = ::open(nativePath(path).c_str(), O_RDWR | O_CLOEXEC);
    if (fd >= 0) {
        const std::optional<Insertion> at = findInsertion(fd);
        if (at && baseName(at->rootName) != rootName) {
            ::close(fd);
            throwBadLog(path, procSig);
        }
        const bool written = at && writeInsertion(fd, *at, record->get_xml().str());
        ::close(fd);
        if (written)
            return;
    }
    // The file's end is not a plain closing tag: load it, append and save it whole.
    CoInitializeScope com;
    MSXML2::IXMLDOMDocumentPtr document;
    document.CreateInstance("Msxml2.DOMDocument");
    document->load(path);
    MSXML2::IXMLDOMNodePtr root = document->selectNodes("/*")->get_item(0);
    if (!root)
        throwBadLog(path, procSig);
    if (root->get_baseName() != rootName)
        throwBadLog(path, procSig);
    root->appendChild(record);
    document->save(path);
}

void CLog::writeToXMLErrorLog(CString path, CEXKavro* record)
{
    kavroGuard<CEXInvalidXMLFile>("CLog::writeToXMLErrorLog", __FILE__, [&] {
        if (!CFileUtilities().fileExists(path))
            createXMLDocument(path, "errors", ERROR_LOG_NAMESPACE, "errorLog.xsl");
        appendRecord(path, "errors", "CLog::writeToXMLErrorLog", record->serialize());
    }, 0);
}

void CLog::writeToXMLErrorLogs(const CErrorLogPaths* logs, CEXKavro* record)
{
    kavroGuard("CLog::writeToXMLErrorLogs", __FILE__, [&] {
        for (int i = 0; i < logs->getErrorLogCount(); ++i)
            CLog().writeToXMLErrorLog(logs->getErrorLogPath(i), record);
    }, 0);
}

void CLog::writeToXMLDebugLog(CString path, CString description, MSXML2::IXMLDOMNodePtr node)
{
    kavroGuard<CEXInvalidXMLFile>("CLog::writeToXMLDebugLog", __FILE__, [&] {
        if (!CFileUtilities().fileExists(path))
            createXMLDocument(path, "debugging", DEBUG_LOG_NAMESPACE, "debugLog.xsl");
        CoInitializeScope com;
        MSXML2::IXMLDOMDocumentPtr scratch;
        scratch.CreateInstance("Msxml2.DOMDocument");
        MSXML2::IXMLDOMNodePtr holder = scratch->createNode(MSXML2::NODE_ELEMENT, "debugging", DEBUG_LOG_NAMESPACE);
        scratch->appendChild(holder);
        appendDebug(scratch, holder, description, node);
        appendRecord(path, "debugging", "CLog::writeToXMLDebugLog", holder->get_lastChild());
    }, 0);
}

void CLog::appendDebug(MSXML2::IXMLDOMDocumentPtr document, MSXML2::IXMLDOMNodePtr root, CString description,
                       MSXML2::IXMLDOMNodePtr node)
{
    kavroGuard("CLog::appendDebug", __FILE__, [&] {
        MSXML2::IXMLDOMNodePtr error = document->createNode(MSXML2::NODE_ELEMENT, "error", ERROR_LOG_NAMESPACE);
        root->appendChild(error);
        CXMLUtilities xml;
        COleDateTime now = COleDateTime::GetCurrentTime();
        error->appendChild(xml.createUniversalTimeNode(ERROR_LOG_NAMESPACE, now));
        error->appendChild(xml.createNode("description", description, ERROR_LOG_NAMESPACE));
        if (node)
            error->appendChild(node);
    }, 0);
}

void CLog::createXMLDocument(CString path, CString rootName, CString namespaceURI, CString styleSheet)
{
    kavroGuard("CLog::createXMLDocument", __FILE__, [&] {
        MSXML2::IXMLDOMDocumentPtr document;
        document.CreateInstance("Msxml2.DOMDocument");
        document->appendChild(document->createProcessingInstruction("xml", "version=\"1.0\" encoding=\"UTF-8\""));
        if (!styleSheet.IsEmpty())
            document->appendChild(document->createProcessingInstruction(
                "xml-stylesheet", "type=\"text/xsl\" href=\"" + styleSheet + "\""));
        document->appendChild(document->createNode(MSXML2::NODE_ELEMENT, rootName, namespaceURI));
        try {
            document->save(path);
        } catch (const _com_error& e) {
            throw new CEXInvalidXMLFile(e.Source().c_str(), __FILE__, "CLog::createXMLDocument", path);
        }
    }, 0);
}

void CLog::outputToFile(CString path, CString text)
{
    kavroGuard("CLog::outputToFile", __FILE__, [&] {
        const UINT flags = CFileUtilities().fileExists(path) ? 16449 : 28737;
        CStdioFile file(path, flags);
        file.SeekToEnd();
        file.WriteString(COleDateTime::GetCurrentTime().Format("%d %b %Y %H:%M:%S") + "\t" + text + "\n");
        file.Close();
    }, 0);
}
