#include "arx/dxfreader.h"

#include "arx/dxfbytes.h"
#include "arx/dxfcodes.h"
#include "arx/dxftext.h"
#include "dxfscan.h"

#include <bit>
#include <charconv>
#include <cstdint>
#include <limits>

namespace qv::dxf {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr size_t kHeaderWindow = 1 << 16;
// Longer than any group code's line.
constexpr size_t kCodeLineLimit = 256;
// How much read text is given back at once.
constexpr size_t kReleaseStep = 4 << 20;

// Calls visit with where each line of the window that is name, blanks aside, begins and the
// line itself, without its line feed, while visit returns true.
template <class Visit>
void forLines(std::string_view window, std::string_view name, Visit visit)
{
    for (size_t at = window.find(name); at != std::string_view::npos;) {
        const size_t start = window.rfind('\n', at) + 1, end = window.find('\n', at);
        const std::string_view line = window.substr(start, end == std::string_view::npos ? end : end - start);
        if (trimmed(line) == name && !visit(start, line))
            return;
        at = end == std::string_view::npos ? end : window.find(name, end);
    }
}

// The integer a line holds, blanks and a leading '+' aside; false when it holds none.
bool integerOf(std::string_view line, int& value)
{
    line = trimmed(line);
    const char* end = line.data() + line.size();
    const auto r = std::from_chars(line.data() + (line.starts_with('+') ? 1 : 0), end, value);
    return !line.empty() && r.ec == std::errc() && r.ptr == end;
}

// The group code of a line (-1 when it is none).
int codeOf(std::string_view line)
{
    int code = -1;
    return integerOf(line, code) ? code : -1;
}

// Byte-order marks written more than once (by tools that add one whatever the text holds)
// are all skipped.
std::string_view withoutByteOrderMarks(std::string_view bytes)
{
    while (bytes.starts_with(kByteOrderMark))
        bytes.remove_prefix(kByteOrderMark.size());
    return bytes;
}

// The group code of the line before the one that begins at (-1 when it is none).
int codeAbove(std::string_view window, size_t at)
{
    if (at < 2)
        return -1;
    const size_t code = window.rfind('\n', at - 2) + 1;
    return codeOf(window.substr(code, at - 1 - code));
}

// Where the last line of the window that names a variable (the value of a 9 pair) is name
// (npos when none is): the last of a variable given twice is the drawing's, as the header
// keeps it, and the name given in a pair of another code, or with blanks (which belong to a
// name as the header keeps it, but for a carriage return at the end), names none.
size_t lineOf(std::string_view window, std::string_view name)
{
    size_t last = std::string_view::npos;
    forLines(window, name, [&](size_t at, std::string_view line) {
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        if (codeAbove(window, at) == 9 && line == name)
            last = at;
        return true;
    });
    return last;
}

// The value of a header variable's pair of the code in the window: among the pairs after the
// line of its name, up to the next variable (empty when there is none).
std::string_view headerValue(std::string_view window, std::string_view name, int code)
{
    constexpr size_t npos = std::string_view::npos;
    const size_t line = lineOf(window, name);
    for (size_t at = line == npos ? npos : window.find('\n', line); at != npos;) {
        const size_t value = window.find('\n', at + 1);
        if (value == npos)
            return {};
        const size_t end = window.find('\n', value + 1);
        const int read = codeOf(window.substr(at + 1, value - at - 1));
        if (read == code)
            return trimmed(window.substr(value + 1, end == npos ? npos : end - value - 1));
        if (read == 9 || read == 0)
            return {};
        at = end;
    }
    return {};
}

// The header section in the window, up to the next 0 pair of a section (the whole window
// when it has none): the variables of another section, kept as they came, decide nothing
// beside a header; those after an ENDSEC within the header count, as the header is read on
// there.
std::string_view headerSection(std::string_view window)
{
    size_t begin = std::string_view::npos;
    forLines(window, "HEADER", [&](size_t at, std::string_view) {
        if (codeAbove(window, at) == 2)
            begin = at;
        return begin == std::string_view::npos;
    });
    if (begin == std::string_view::npos)
        return window;
    size_t end = std::string_view::npos;
    const std::string_view section = window.substr(begin);
    forLines(section, "SECTION", [&](size_t at, std::string_view) {
        if (codeAbove(section, at) == 0)   // a 0 pair's, not a text of another code
            end = at;
        return end == std::string_view::npos;
    });
    return section.substr(0, end);
}

// Release 2007 (AC1021) and later write UTF-8; older ones the code page they name.
TextDecoder decoderOf(std::string_view bytes)
{
    const std::string_view window = headerSection(bytes.substr(0, kHeaderWindow));
    const std::string_view version = headerValue(window, "$ACADVER", 1);
    return TextDecoder(version >= "AC1021", headerValue(window, "$DWGCODEPAGE", 3));
}

#ifdef QV_PORTABLE_SCAN
constexpr Reader::Scan kBuiltScan = Reader::Scan::kPortable;
#else
constexpr Reader::Scan kBuiltScan = Reader::Scan::kSimd;
#endif

// No code: a line left to the thorough parse, or the end of the file.
constexpr int kNoCode = std::numeric_limits<int>::min();

// What the scan of a line looks for besides its end: bytes that make a text need decoding
// (above ASCII, or a backslash), or NUL bytes.
enum class Watch { kNothing, kDecoding, kNul };

template <Watch watch>
uint64_t marksOf(uint64_t w)
{
    if constexpr (watch == Watch::kDecoding)
        return (w & kHighBits) | zeroBytes(w ^ (kOnes * '\\'));
    else if constexpr (watch == Watch::kNul)
        return zeroBytes(w);
    else
        return 0;
}

// The same for the sixteen bytes of a look, a bit each.
template <Watch watch, class Look>
unsigned marksIn(const Look& look)
{
    if constexpr (watch == Watch::kDecoding)
        return look.highBytes() | look.bytesOf('\\');
    else if constexpr (watch == Watch::kNul)
        return look.bytesOf('\0');
    else
        return 0;
}

template <Watch watch>
bool marked(unsigned char c)
{
    if constexpr (watch == Watch::kDecoding)
        return needsDecoding(c);
    else if constexpr (watch == Watch::kNul)
        return c == 0;
    else
        return false;
}

// The end of the line at p (its line feed, or end), and in found whether the bytes before
// hold what watch looks for: sixteen bytes at a time, then eight, then one.
template <Watch watch, class Look>
[[gnu::always_inline]] inline const char* lineEnd(const char* p, const char* end, bool& found)
{
    uint64_t seen = 0;
    for (; end - p >= 16; p += 16) {
        const Look look(p);
        const unsigned breaks = look.bytesOf('\n');
        const unsigned marks = marksIn<watch>(look);
        if (breaks) {
            found = (seen | (marks & (breaks - 1) & ~breaks)) != 0;
            return p + std::countr_zero(breaks);
        }
        seen |= marks;
    }
    for (; end - p >= 8; p += 8) {
        const uint64_t w = wordAt(p);
        const uint64_t breaks = zeroBytes(w ^ (kOnes * '\n'));
        if (breaks) {
            found = (seen | (marksOf<watch>(w) & (breaks - 1) & ~breaks)) != 0;
            return p + std::countr_zero(breaks) / 8;
        }
        seen |= marksOf<watch>(w);
    }
    found = seen != 0;
    for (; p != end && *p != '\n'; ++p)
        found = found || marked<watch>(static_cast<unsigned char>(*p));
    return p;
}

} // namespace

Reader::Reader(std::string_view bytes, Scan scan)
    : m_bytes(bytes),
      m_cur(withoutByteOrderMarks(bytes).data()),
      m_end(bytes.data() + bytes.size()),
      m_decoder(decoderOf(bytes)),
      m_scan(scan == Scan::kBuilt ? kBuiltScan : scan)
{
}

Reader::Reader(MappedFile& file) : Reader(file.bytes()) { m_file = &file; }

template <auto watch, class Look>
[[gnu::always_inline]] inline std::string_view Reader::nextLine(Cursor& c, bool& found) const
{
    const char* start = c.at;
    const char* end = lineEnd<watch, Look>(start, m_end, found);
    c.at = end == m_end ? end : end + 1;
    ++c.line;
    std::string_view line(start, static_cast<size_t>(end - start));
    // Values that are trimmed lose their carriage returns with their blanks.
    if (watch == Watch::kDecoding && !line.empty() && line.back() == '\r')
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

Reader::LineKind Reader::lineKindOf(int code)
{
    if (code == 0)
        return LineKind::kRecordType;
    return kValueKinds[static_cast<size_t>(code - kMinCode)] == ValueKind::kText ? LineKind::kText : LineKind::kPlain;
}

// The common line of a code, within the next eight bytes (which must be there): blanks,
// digits, blanks and a line end, the code valid. Any other line gives kNoCode, left to
// codeOfLine, which knows what to say.
[[gnu::always_inline]] inline Reader::KnownCode Reader::plainCode(Cursor& c)
{
    const uint64_t word = wordAt(c.at);
    const uint64_t breaks = zeroBytes(word ^ (kOnes * '\n'));
    if (!breaks)
        return {};
    const char* lineEnd = c.at + std::countr_zero(breaks) / 8;
    // The bytes up to the line end and the line end, the bits after it cleared: no two lines
    // have the same.
    const uint64_t line = word & (breaks - 1) & ~breaks;
    KnownCode& known = m_knownCodes[slotOf(line)];
    if (known.line != line) {
        // The line end stops every scan below.
        const char* p = c.at;
        while (*p == ' ')
            ++p;
        const char* digits = p;
        unsigned value = 0;
        for (unsigned digit; (digit = static_cast<unsigned char>(*p) - unsigned{'0'}) <= 9; ++p)
            value = value * 10 + digit;
        if (p == digits)
            return {};
        while (p != lineEnd && isBlank(*p))
            ++p;
        if (p != lineEnd || value > static_cast<unsigned>(kMaxCode))
            return {};
        known = {line, static_cast<int>(value), lineKindOf(static_cast<int>(value))};
    }
    c.at = lineEnd + 1;
    ++c.line;
    return known;
}

// A code line of one to seven bytes that the file had before, found with one look at the
// sixteen bytes at the cursor (which must be there); the look also gives the line ends
// after it (breaks) and the bytes its value line is checked for (marks: for a text those
// that make it need decoding, for a record type NUL bytes), both from the byte after the
// code line. kNoCode, the cursor where it was, for any other line.
template <class Look>
[[gnu::always_inline]] inline Reader::KnownCode Reader::knownCode(Cursor& c, unsigned& breaks, unsigned& marks) const
{
    const Look look(c.at);
    const unsigned lineBreaks = look.bytesOf('\n');
    const auto codeEnd = static_cast<unsigned>(std::countr_zero(lineBreaks | 0x10000u));
    if (codeEnd - 1 > 6)
        return {};
    // The bytes up to the line end and the line end itself, as plainCode keeps them.
    const uint64_t line = look.firstWord() & (~0ull >> (56 - 8 * codeEnd));
    const KnownCode& known = m_knownCodes[slotOf(line)];
    if (known.line != line)
        return {};
    breaks = lineBreaks >> (codeEnd + 1);
    if (known.kind == LineKind::kText)
        marks = marksIn<Watch::kDecoding>(look) >> (codeEnd + 1);
    else if (known.kind == LineKind::kRecordType)
        marks = marksIn<Watch::kNul>(look) >> (codeEnd + 1);
    c.at += codeEnd + 1;
    ++c.line;
    return known;
}

// Any code line: kNoCode for the empty line after the last value.
template <class Look>
int Reader::codeOfLine(Cursor& c) const
{
    bool found = false;
    const std::string_view codeLine = trimmed(nextLine<Watch::kNothing, Look>(c, found));
    if (c.at == m_end && codeLine.empty())
        return kNoCode;
    int code = 0;
    if (!integerOf(codeLine, code) || !isValidCode(code))
        throw FormatError(c.line, "invalid group code '" + std::string(codeLine.substr(0, 40)) + "'");
    return code;
}

// The cursor is the caller's, so that it stays in registers while pairs are stored.
template <class Look>
[[gnu::always_inline]] inline bool Reader::read(Cursor& c, Pair& pair)
{
    KnownCode known;
    unsigned breaks = 0, marks = 0;   // of the bytes after the code line, as knownCode saw them
    if (m_end - c.at >= 16)
        known = knownCode<Look>(c, breaks, marks);
    if (known.code == kNoCode && m_end - c.at >= 8)
        known = plainCode(c);
    if (known.code == kNoCode) {
        if (c.at == m_end)
            return false;
        // Out of line, on a copy: the cursor's address is never taken.
        Cursor slow = c;
        known.code = codeOfLine<Look>(slow);
        c = slow;
        if (known.code == kNoCode)
            return false;
        known.kind = lineKindOf(known.code);
    }
    const int codeLine = c.line;
    // A value line that ends within the bytes looked at is taken at once, unless it is a text
    // that needs decoding or a record type with a NUL byte.
    if (breaks) {
        const auto length = static_cast<unsigned>(std::countr_zero(breaks));
        if ((marks & ((1u << length) - 1)) == 0) {
            std::string_view value(c.at, length);
            c.at += length + 1;
            ++c.line;
            // Blanks (and other bytes up to the space) at either end are rare: trimmed only then.
            if (known.kind == LineKind::kText) {
                if (!value.empty() && value.back() == '\r')
                    value.remove_suffix(1);
            } else if (!value.empty() && (static_cast<unsigned char>(value.front()) <= ' '
                                          || static_cast<unsigned char>(value.back()) <= ' ')) {
                value = trimmed(value);
            }
            pair = Pair{known.code, value, codeLine};
            return true;
        }
    }
    if (c.at == m_end)
        throw FormatError(codeLine, "group code without a value (the file is truncated)");
    bool found = false;
    std::string_view value;
    if (known.kind == LineKind::kPlain) {
        value = trimmed(nextLine<Watch::kNothing, Look>(c, found));
    } else if (known.kind == LineKind::kText) {
        value = nextLine<Watch::kDecoding, Look>(c, found);
        if (found)
            value = decoded(value);
    } else {
        // Record types are neither decoded nor escaped: one holding a NUL byte cannot be kept.
        value = trimmed(nextLine<Watch::kNul, Look>(c, found));
        if (found)
            throw FormatError(codeLine, "record type with a NUL byte");
    }
    pair = Pair{known.code, value, codeLine};
    return true;
}

bool Reader::next(Pair& pair)
{
    Cursor c{m_cur, m_line};
    const bool read = m_scan == Scan::kPortable ? this->read<PortableLook>(c, pair) : this->read<SimdLook>(c, pair);
    m_cur = c.at;
    m_line = c.line;
    return read;
}

bool Reader::nextRecord(Record& record)
{
    return m_scan == Scan::kPortable ? nextRecordBy<PortableLook>(record) : nextRecordBy<SimdLook>(record);
}

template <class Look>
bool Reader::nextRecordBy(Record& record)
{
    record.clear();
    m_decodedUsed = 0;
    Cursor c{m_cur, m_line};
    if (!m_hasPending) {
        m_pendingOffset = offset(c.at);
        const bool read = this->read<Look>(c, m_pending);
        m_cur = c.at;
        m_line = c.line;
        if (!read)
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
    // The record's storage is filled in place, its size kept in a local, given back at the end.
    std::span<Pair> room = record.room();
    size_t size = 1;
    for (const char* at = c.at;; at = c.at) {
        if (size == room.size())
            room = record.grownRoom();
        Pair& pair = room[size];
        if (!read<Look>(c, pair)) {
            // Past a page of the file that faulted every line runs on to the end of the
            // zeros read for it: they make no record.
            if (m_file && m_file->faulted())
                throw FormatError(c.line, "the file could not be read from here on");
            break;
        }
        if (pair.code == 0) {
            m_pending = pair;
            m_pendingOffset = offset(at);
            m_hasPending = true;
            break;
        }
        ++size;
    }
    record.keep(size);
    m_cur = c.at;
    m_line = c.line;
    return true;
}

bool beginsWithCode(std::string_view bytes)
{
    const std::string_view head = withoutByteOrderMarks(bytes).substr(0, kCodeLineLimit);
    const size_t end = head.find('\n');
    int code = 0;
    return (end != std::string_view::npos || head.size() < kCodeLineLimit) && integerOf(head.substr(0, end), code);
}

} // namespace qv::dxf
