// A group pair as read: the code, the value (a view into the file or into the reader's
// decoded texts), and the line of the code for messages.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace qv::dxf {

struct Pair {
    int code = 0;
    std::string_view value;
    int line = 0;
};

// A file that cannot be read: what is wrong, and where.
class FormatError : public std::runtime_error
{
public:
    FormatError(int line, const std::string& what)
        : std::runtime_error(line > 0 ? "line " + std::to_string(line) + ": " + what : what), m_line(line) {}
    int line() const { return m_line; }

private:
    int m_line;
};

} // namespace qv::dxf
