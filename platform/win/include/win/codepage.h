// Texts in the Windows-1252 code page, which files for other systems' programs keep.
#pragma once

#include <string>
#include <string_view>

namespace qv {

// The UTF-8 text in Windows-1252 bytes. A character the code page does not hold becomes
// "?", as the system's own conversion writes it; so does an ill-formed sequence.
std::string utf8ToWindows1252(std::string_view text);

} // namespace qv
