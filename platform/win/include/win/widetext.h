// Conversions between UTF-8, the text of this system, and UTF-16, the wide text that some
// stored formats keep (registry text values) and that ODBC's wide calls take.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Appends the UTF-8 bytes of the code point cp (below 0x110000).
inline void appendUtf8(std::string& out, char32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Over any 16-bit code unit: char16_t, or the unsigned short of ODBC's wide text.
// Each ill-formed sequence becomes U+FFFD; wellFormed, when given, tells whether there was none.
template <class Unit>
std::basic_string<Unit> utf8ToUtf16Units(std::string_view text, bool* wellFormed = nullptr);
// Each unpaired surrogate becomes U+FFFD; wellFormed, when given, tells whether there was none.
template <class Unit>
std::string utf16UnitsToUtf8(const Unit* text, std::size_t length, bool* wellFormed = nullptr);

extern template std::u16string utf8ToUtf16Units<char16_t>(std::string_view, bool*);
extern template std::basic_string<unsigned short> utf8ToUtf16Units<unsigned short>(std::string_view, bool*);
extern template std::string utf16UnitsToUtf8<char16_t>(const char16_t*, std::size_t, bool*);
extern template std::string utf16UnitsToUtf8<unsigned short>(const unsigned short*, std::size_t, bool*);

inline std::u16string utf8ToUtf16(std::string_view text, bool* wellFormed = nullptr)
{
    return utf8ToUtf16Units<char16_t>(text, wellFormed);
}

inline std::string utf16ToUtf8(std::u16string_view text, bool* wellFormed = nullptr)
{
    return utf16UnitsToUtf8(text.data(), text.size(), wellFormed);
}
