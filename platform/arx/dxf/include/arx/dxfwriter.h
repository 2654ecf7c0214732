// Writing ASCII DXF: group codes come pre-formatted, numbers and handles are formatted with
// to_chars, and everything goes through a large buffer to a sink (a file being replaced, or
// a string). The first failure is kept; later writes are dropped.
#pragma once

#include "arx/dxfsink.h"
#include "arx/dxftaglist.h"

#include <memory>
#include <string>
#include <string_view>

namespace qv::dxf {

class Writer
{
public:
    explicit Writer(Sink& sink, size_t bufferSize = size_t(1) << 20);
    ~Writer();
    Writer(const Writer&) = delete;
    Writer& operator=(const Writer&) = delete;

    // A value written as it is held: texts but record types escaped (see escapeText), others
    // as they are.
    void tag(int code, std::string_view value);
    void text(int code, std::string_view value) { tag(code, value); }
    // A value known to need no escape (record types, subclass markers, the known sections' names).
    void word(int code, std::string_view value) { pair(code, value.data(), value.size()); }
    // Values that the reader would refuse fail the writer: an integer beyond its code's
    // width, a real that is not finite.
    void integer(int code, long long value);
    void real(int code, double value);
    void handle(int code, unsigned long long value);
    void point(int code, double x, double y, double z);
    void point2d(int code, double x, double y);
    void tags(const TagList& tags);

    // Writes out what is buffered; false when anything failed.
    bool finish();
    bool failed() const { return !m_error.empty() || m_sinkFailed; }
    // Why a value could not be written ("" when the sink failed: the sink knows why).
    const std::string& error() const { return m_error; }
    void fail(const std::string& message);

private:
    // The code, or 999 after failing the writer when it is no group code.
    int validCode(int code);
    // A code line and a value line.
    void pair(int code, const char* value, size_t size);
    // A pair whose value is a number, formatted straight into the buffer.
    template <class Value>
    void number(int code, Value value, size_t (*format)(Value, char*));
    void put(const char* data, size_t size);
    void flush();

    Sink& m_sink;
    std::unique_ptr<char[]> m_buffer;
    size_t m_capacity;
    size_t m_used = 0;
    bool m_sinkFailed = false;
    std::string m_error;
    std::string m_escaped;
};

} // namespace qv::dxf
