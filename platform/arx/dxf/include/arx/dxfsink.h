// Where a writer's bytes go: a file being replaced, or a string.
#pragma once

#include <cstddef>
#include <string>

namespace qv::dxf {

class Sink
{
public:
    virtual ~Sink() = default;
    // false (with the reason kept by the sink) when the bytes could not be written.
    virtual bool write(const char* data, size_t size) = 0;
};

// The bytes appended to a string.
class StringSink : public Sink
{
public:
    explicit StringSink(std::string& out) : m_out(out) {}
    bool write(const char* data, size_t size) override
    {
        m_out.append(data, size);
        return true;
    }

private:
    std::string& m_out;
};

} // namespace qv::dxf
