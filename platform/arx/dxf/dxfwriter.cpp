#include "arx/dxfwriter.h"

#include "arx/dxfcodes.h"
#include "arx/dxfnumber.h"
#include "arx/dxftext.h"

#include <array>
#include <cmath>
#include <cstring>

namespace qv::dxf {

namespace {

// A group code line: the code right-aligned in three columns, and the line end.
struct CodeLine {
    char text[8] = {};
    unsigned char size = 0;
};

constexpr auto kCodeLines = [] {
    std::array<CodeLine, kCodeCount> lines{};
    for (int c = kMinCode; c <= kMaxCode; ++c) {
        char digits[8] = {};
        int n = 0;
        for (int v = c < 0 ? -c : c; n == 0 || v > 0; v /= 10)
            digits[n++] = static_cast<char>('0' + v % 10);
        if (c < 0)
            digits[n++] = '-';
        CodeLine& line = lines[static_cast<size_t>(c - kMinCode)];
        int at = 0;
        for (int pad = 3 - n; pad > 0; --pad)
            line.text[at++] = ' ';
        while (n > 0)
            line.text[at++] = digits[--n];
        line.text[at++] = '\n';
        line.size = static_cast<unsigned char>(at);
    }
    return lines;
}();

} // namespace

Writer::Writer(Sink& sink, size_t bufferSize)
    : m_sink(sink), m_buffer(std::make_unique_for_overwrite<char[]>(bufferSize)), m_capacity(bufferSize)
{
}

Writer::~Writer() = default;

void Writer::flush()
{
    if (m_used > 0 && !m_sinkFailed)
        m_sinkFailed = !m_sink.write(m_buffer.get(), m_used);
    m_used = 0;
}

void Writer::put(const char* data, size_t size)
{
    if (size == 0)
        return;
    if (m_used + size > m_capacity) {
        flush();
        if (size > m_capacity / 2) {
            m_sinkFailed = m_sinkFailed || !m_sink.write(data, size);
            return;
        }
    }
    std::memcpy(m_buffer.get() + m_used, data, size);
    m_used += size;
}

int Writer::validCode(int code)
{
    if (!isValidCode(code)) {
        fail("invalid group code " + std::to_string(code));
        code = 999;
    }
    return code;
}

void Writer::pair(int code, const char* value, size_t size)
{
    const CodeLine& line = kCodeLines[static_cast<size_t>(validCode(code) - kMinCode)];
    // The code line is copied whole (a fixed size copies fast), its padding overwritten after.
    if (m_used + sizeof line.text + size + 1 > m_capacity) {
        put(line.text, line.size);
        put(value, size);
        put("\n", 1);
        return;
    }
    char* p = m_buffer.get() + m_used;
    std::memcpy(p, line.text, sizeof line.text);
    if (size > 0)
        std::memcpy(p + line.size, value, size);
    p[line.size + size] = '\n';
    m_used += line.size + size + 1;
}

template <class Value>
void Writer::number(int code, Value value, size_t (*format)(Value, char*))
{
    if (m_used + sizeof(CodeLine::text) + kNumberBuffer + 1 > m_capacity) {
        char buf[kNumberBuffer];
        pair(code, buf, format(value, buf));
        return;
    }
    const CodeLine& line = kCodeLines[static_cast<size_t>(validCode(code) - kMinCode)];
    char* p = m_buffer.get() + m_used;
    std::memcpy(p, line.text, sizeof line.text);
    const size_t size = format(value, p + line.size);
    p[line.size + size] = '\n';
    m_used += line.size + size + 1;
}

// Record types (code 0) are read as they stand: never escaped.
void Writer::tag(int c, std::string_view value)
{
    if (valueKind(c) == ValueKind::kText && c != 0 && needsEscape(value)) {
        escapeText(value, m_escaped);
        value = m_escaped;
    }
    pair(c, value.data(), value.size());
}

void Writer::integer(int c, long long value)
{
    if (!fitsCode(c, value))
        fail("integer " + std::to_string(value) + " too large for group code " + std::to_string(c));
    number<long long>(c, value, formatInt);
}

void Writer::real(int c, double value)
{
    if (!std::isfinite(value)) {
        fail("a number for group code " + std::to_string(c) + " is not finite");
        value = 0;
    }
    number<double>(c, value, formatReal);
}

void Writer::handle(int c, unsigned long long value)
{
    number<unsigned long long>(c, value, formatHandle);
}

void Writer::point(int c, double x, double y, double z)
{
    real(c, x);
    real(c + 10, y);
    real(c + 20, z);
}

void Writer::point2d(int c, double x, double y)
{
    real(c, x);
    real(c + 10, y);
}

void Writer::tags(const TagList& tags)
{
    for (const Tag& t : tags)
        tag(t.code, t.value());
}

void Writer::fail(const std::string& message)
{
    if (m_error.empty())
        m_error = message;
}

bool Writer::finish()
{
    flush();
    return !failed();
}

} // namespace qv::dxf
