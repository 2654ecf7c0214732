// The value of a hexadecimal digit: the one rule every reader of hexadecimal text follows
// (registry files, DXF handles, binary data and escapes).
#pragma once

namespace qv {

// The value of a hexadecimal digit of either case, -1 for any other byte.
inline int hexDigit(char c)
{
    const unsigned byte = static_cast<unsigned char>(c);
    if (byte - '0' < 10)
        return static_cast<int>(byte - '0');
    const unsigned letter = (byte | 0x20) - 'a';
    return letter < 6 ? static_cast<int>(letter + 10) : -1;
}

} // namespace qv
