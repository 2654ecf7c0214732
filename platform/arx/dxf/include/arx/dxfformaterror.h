// A file that cannot be read: what is wrong, and on which line.
#pragma once

#include <stdexcept>
#include <string>

namespace qv::dxf {

class FormatError : public std::runtime_error
{
public:
    // line 0: the file as a whole.
    FormatError(int line, const std::string& what)
        : std::runtime_error(line > 0 ? "line " + std::to_string(line) + ": " + what : what), m_line(line) {}
    int line() const { return m_line; }

private:
    int m_line;
};

} // namespace qv::dxf
