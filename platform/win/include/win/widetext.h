// Conversions between UTF-8, the text of this system, and UTF-16, the wide text that some
// stored formats keep (registry text values).
#pragma once

#include <string>
#include <string_view>

// Each ill-formed sequence becomes U+FFFD; wellFormed, when given, tells whether there was none.
std::u16string utf8ToUtf16(std::string_view text, bool* wellFormed = nullptr);
// Each unpaired surrogate becomes U+FFFD; wellFormed, when given, tells whether there was none.
std::string utf16ToUtf8(std::u16string_view text, bool* wellFormed = nullptr);
