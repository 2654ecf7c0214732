// The classes of bytes that reading and writing DXF tell apart, each decided here only.
#pragma once

#include "win/hexdigit.h"

#include <string_view>

namespace qv::dxf {

// A blank around a line's value: a space, a tab, or a carriage return (beyond the one of a
// CRLF line end).
inline bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

inline bool isDigit(char c) { return static_cast<unsigned char>(c - '0') < 10; }

// Hexadecimal digits by the one rule of every reader of hexadecimal text.
using qv::hexDigit;

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
