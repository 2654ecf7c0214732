#include "arx/dxfreader.h"

#include "arx/dxfcodes.h"
#include "arx/dxftext.h"

#include <algorithm>
#include <charconv>
#include <cstring>

namespace qv::dxf {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr size_t kHeaderWindow = 1 << 16;
// How much read text is given back at once.
constexpr size_t kReleaseStep = 4 << 20;

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

// Without the blanks around it (carriage returns too, beyond the one of a CRLF line end).
std::string_view trimmed(std::string_view s)
{
    while (!s.empty() && isBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

// The value of a header variable in the window: the line two after its name (empty when
// the name is not there).
std::string_view headerValue(std::string_view window, std::string_view name)
{
    const size_t at = window.find(name);
    if (at == std::string_view::npos)
        return {};
    size_t p = window.find('\n', at);
    p = p == std::string_view::npos ? p : window.find('\n', p + 1);
    if (p == std::string_view::npos)
        return {};
    const size_t e = window.find('\n', p + 1);
    return trimmed(window.substr(p + 1, e == std::string_view::npos ? e : e - p - 1));
}

// Release 2007 (AC1021) and later write UTF-8; older ones the code page they name.
TextDecoder decoderOf(std::string_view bytes)
{
    const std::string_view window = bytes.substr(0, kHeaderWindow);
    const std::string_view version = headerValue(window, "$ACADVER");
    return TextDecoder(version >= "AC1021", headerValue(window, "$DWGCODEPAGE"));
}

} // namespace

// Byte-order marks written more than once (by tools that add one whatever the text holds)
// are all skipped.
Reader::Reader(std::string_view bytes) : m_bytes(bytes), m_decoder(decoderOf(bytes))
{
    while (m_bytes.substr(m_pos).starts_with(kByteOrderMark))
        m_pos += kByteOrderMark.size();
}

Reader::Reader(MappedFile& file) : Reader(file.bytes()) { m_file = &file; }

std::string_view Reader::nextLine()
{
    // Lines are short: a plain scan beats a library call.
    const char* start = m_bytes.data() + m_pos;
    const char* end = m_bytes.data() + m_bytes.size();
    const char* p = start;
    while (p < end && *p != '\n')
        ++p;
    const auto length = static_cast<size_t>(p - start);
    m_pos += length + (p < end ? 1 : 0);
    ++m_line;
    std::string_view line(start, length);
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    return line;
}

std::string_view Reader::decoded(std::string_view raw)
{
    if (m_decodedUsed == m_decoded.size())
        m_decoded.push_back(std::make_unique<std::string>());
    std::string& out = *m_decoded[m_decodedUsed++];
    m_decoder.decode(raw, out);
    return out;
}

bool Reader::next(Pair& pair)
{
    if (m_pos >= m_bytes.size())
        return false;
    const std::string_view codeLine = trimmed(nextLine());
    const int codeLineNumber = m_line;
    if (m_pos >= m_bytes.size() && codeLine.empty())
        return false;   // the line end after the last value
    int code = 0;
    const char* end = codeLine.data() + codeLine.size();
    const auto r = std::from_chars(codeLine.data() + (codeLine.starts_with('+') ? 1 : 0), end, code);
    if (codeLine.empty() || r.ec != std::errc() || r.ptr != end || !isValidCode(code))
        throw FormatError(codeLineNumber, "invalid group code '" + std::string(codeLine.substr(0, 40)) + "'");
    if (m_pos >= m_bytes.size())
        throw FormatError(codeLineNumber, "group code without a value (the file is truncated)");
    std::string_view value = nextLine();
    if (valueKind(code) != ValueKind::kText || code == 0)
        value = trimmed(value);
    else if (needsDecoding(value))
        value = decoded(value);
    // Record types are neither decoded nor escaped: one holding a NUL byte cannot be kept.
    if (code == 0 && value.find('\0') != std::string_view::npos)
        throw FormatError(codeLineNumber, "record type with a NUL byte");
    pair = Pair{code, value, codeLineNumber};
    return true;
}

bool Reader::nextRecord(Record& record)
{
    record.clear();
    m_decodedUsed = 0;
    if (!m_hasPending) {
        m_pendingOffset = m_pos;
        if (!next(m_pending))
            return false;
    }
    m_hasPending = false;
    if (m_file && m_pendingOffset - m_releasedUpTo >= kReleaseStep) {
        m_file->release(m_pendingOffset);
        m_releasedUpTo = m_pendingOffset;
    }
    record.add() = m_pending;
    if (m_pending.code != 0)
        return true;
    for (size_t at = m_pos;; at = m_pos) {
        Pair& pair = record.add();
        if (!next(pair)) {
            record.dropLast();
            break;
        }
        if (pair.code == 0) {
            m_pending = pair;
            m_pendingOffset = at;
            m_hasPending = true;
            record.dropLast();
            break;
        }
    }
    return true;
}

} // namespace qv::dxf
