// Names that many objects share (linetypes, text styles): each distinct name is kept once
// for the process, and objects hold a pointer to it.
#pragma once

#include <string_view>

namespace qv::dxf {

// A stable, NUL-terminated copy of name, the same pointer for the same bytes.
const char* internName(std::string_view name);

} // namespace qv::dxf
