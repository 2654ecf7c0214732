#include "win/codepage.h"

#include "win/widetext.h"

namespace qv {

namespace {

// The characters of the bytes 0x80 to 0x9F (0 where the code page has none).
constexpr char16_t kHighRow[32] = {
    0x20AC, 0, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0, 0x017D, 0,
    0, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0, 0x017E, 0x0178};

char byteOf(char16_t unit)
{
    if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF))
        return static_cast<char>(unit);
    for (int i = 0; i < 32; ++i)
        if (kHighRow[i] && kHighRow[i] == unit)
            return static_cast<char>(0x80 + i);
    return '?';
}

} // namespace

std::string utf8ToWindows1252(std::string_view text)
{
    const std::u16string units = utf8ToUtf16(text);
    std::string out;
    out.reserve(units.size());
    for (size_t i = 0; i < units.size(); ++i) {
        // A character beyond the 16-bit plane is one "?", not one per surrogate.
        if (units[i] >= 0xD800 && units[i] < 0xDC00 && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
            units[i + 1] < 0xE000)
            ++i;
        out += units[i] >= 0xD800 && units[i] < 0xE000 ? '?' : byteOf(units[i]);
    }
    return out;
}

} // namespace qv
