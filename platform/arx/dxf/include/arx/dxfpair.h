// A group pair as read: the code, the value (a view into the file or into the reader's
// decoded texts), and the line of the code for messages.
#pragma once

#include <string_view>

namespace qv::dxf {

struct Pair {
    int code = 0;
    std::string_view value;
    int line = 0;
};

} // namespace qv::dxf
