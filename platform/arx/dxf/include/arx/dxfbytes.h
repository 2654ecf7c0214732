// The classes of bytes that reading and writing DXF tell apart, each decided here only.
#pragma once

#include <string_view>

namespace qv::dxf {

// A blank around a line's value: a space, a tab, or a carriage return (beyond the one of a
// CRLF line end).
inline bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

inline bool isDigit(char c) { return static_cast<unsigned char>(c - '0') < 10; }

// The value of a hexadecimal digit of either case, -1 for any other byte.
inline int hexDigit(char c)
{
    const unsigned byte = static_cast<unsigned char>(c);
    if (byte - '0' < 10)
        return static_cast<int>(byte - '0');
    const unsigned letter = (byte | 0x20) - 'a';
    return letter < 6 ? static_cast<int>(letter + 10) : -1;
}

// Whether a text with the byte needs decoding: bytes above ASCII and the backslash of escapes.
inline bool needsDecoding(unsigned char c) { return c >= 0x80 || c == '\\'; }

// Without the blanks at either end.
inline std::string_view trimmed(std::string_view s)
{
    while (!s.empty() && isBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

} // namespace qv::dxf
