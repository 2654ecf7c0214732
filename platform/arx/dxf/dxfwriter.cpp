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
    char text[8];
    unsigned char size;
};

const std::array<CodeLine, kCodeCount>& codeLines()
{
    static const std::array<CodeLine, kCodeCount> lines = [] {
        std::array<CodeLine, kCodeCount> t{};
        for (int c = kMinCode; c <= kMaxCode; ++c) {
            CodeLine& line = t[static_cast<size_t>(c - kMinCode)];
            char digits[kNumberBuffer];
            const size_t n = formatInt(c, digits);
            const size_t pad = n < 3 ? 3 - n : 0;
            std::memset(line.text, ' ', pad);
            std::memcpy(line.text + pad, digits, n);
            line.text[pad + n] = '\n';
            line.size = static_cast<unsigned char>(pad + n + 1);
        }
        return t;
    }();
    return lines;
}

} // namespace

Writer::Writer(Sink& sink, size_t bufferSize)
    : m_sink(sink), m_buffer(std::make_unique<char[]>(bufferSize)), m_capacity(bufferSize)
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

void Writer::code(int code)
{
    if (!isValidCode(code))
        fail("invalid group code " + std::to_string(code));
    const int c = isValidCode(code) ? code : 999;
    const CodeLine& line = codeLines()[static_cast<size_t>(c - kMinCode)];
    put(line.text, line.size);
}

void Writer::tag(int c, std::string_view value)
{
    code(c);
    if (valueKind(c) == ValueKind::kText && needsEscape(value)) {
        escapeText(value, m_escaped);
        value = m_escaped;
    }
    put(value.data(), value.size());
    put("\n", 1);
}

void Writer::integer(int c, long long value)
{
    if (!fitsCode(c, value))
        fail("integer " + std::to_string(value) + " too large for group code " + std::to_string(c));
    char buf[kNumberBuffer + 1];
    const size_t n = formatInt(value, buf);
    buf[n] = '\n';
    code(c);
    put(buf, n + 1);
}

void Writer::real(int c, double value)
{
    if (!std::isfinite(value)) {
        fail("a number for group code " + std::to_string(c) + " is not finite");
        value = 0;
    }
    char buf[kNumberBuffer + 1];
    const size_t n = formatReal(value, buf);
    buf[n] = '\n';
    code(c);
    put(buf, n + 1);
}

void Writer::handle(int c, unsigned long long value)
{
    char buf[kNumberBuffer + 1];
    const size_t n = formatHandle(value, buf);
    buf[n] = '\n';
    code(c);
    put(buf, n + 1);
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
