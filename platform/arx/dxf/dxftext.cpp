#include "arx/dxftext.h"

#include "arx/dxfbytes.h"

#include <cctype>
#include <cstdint>
#include <cstring>

namespace qv::dxf {

namespace {

// The current locale's upper-case map, the one toupper reads (glibc), fetched once per
// text instead of once per byte.
const std::int32_t* upperMap() { return *__ctype_toupper_loc(); }

// The value of the four hexadecimal digits at text[i], or -1.
int hexAt(std::string_view text, size_t i)
{
    if (i + 4 > text.size())
        return -1;
    int value = 0;
    for (size_t k = i; k < i + 4; ++k) {
        const int d = hexDigit(text[k]);
        if (d < 0)
            return -1;
        value = value * 16 + d;
    }
    return value;
}

} // namespace

bool isValidUtf8(std::string_view s)
{
    for (size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        const size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (n == 0 || i + n > s.size())
            return false;
        for (size_t k = 1; k < n; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80)
                return false;
        i += n;
    }
    return true;
}

int unicodeEscapeAt(std::string_view text, size_t i)
{
    return i + 7 <= text.size() && text.compare(i, 3, "\\U+") == 0 ? hexAt(text, i + 3) : -1;
}

int multiByteEscapeAt(std::string_view text, size_t i, int& page)
{
    if (i + 8 > text.size() || text.compare(i, 3, "\\M+") != 0 || text[i + 3] < '1' || text[i + 3] > '5')
        return -1;
    page = text[i + 3] - '0';
    return hexAt(text, i + 4);
}

bool needsEscape(std::string_view text)
{
    const auto escaped = [](unsigned char c) { return (c < 0x20 && c != '\t') || c == '\\'; };
    // Eight bytes at a time: a word with no control character and no backslash (most are)
    // needs no look at its bytes.
    constexpr std::uint64_t ones = 0x0101010101010101ull, highs = 0x8080808080808080ull;
    size_t i = 0;
    for (; i + 8 <= text.size(); i += 8) {
        std::uint64_t word;
        std::memcpy(&word, text.data() + i, 8);
        const std::uint64_t backslash = word ^ (ones * '\\');
        if ((((word - ones * 0x20) & ~word) | ((backslash - ones) & ~backslash)) & highs)
            for (size_t j = i; j < i + 8; ++j)
                if (escaped(static_cast<unsigned char>(text[j])))
                    return true;
    }
    for (; i < text.size(); ++i)
        if (escaped(static_cast<unsigned char>(text[i])))
            return true;
    return false;
}

void escapeText(std::string_view text, std::string& out)
{
    static const char digits[] = "0123456789ABCDEF";
    out.clear();
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        int page = 0;
        if ((c < 0x20 && c != '\t') || (c == '\\' && (unicodeEscapeAt(text, i) >= 0 || multiByteEscapeAt(text, i, page) >= 0))) {
            out += "\\U+00";
            out += digits[c >> 4];
            out += digits[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
}

std::string upper(std::string_view text)
{
    const std::int32_t* map = upperMap();
    std::string s(text);
    for (char& c : s)
        c = static_cast<char>(map[static_cast<unsigned char>(c)]);
    return s;
}

size_t NoCaseHash::operator()(std::string_view text) const
{
    // FNV-1a over the upper-case bytes.
    const std::int32_t* map = upperMap();
    size_t hash = 14695981039346656037ull;
    for (const char c : text)
        hash = (hash ^ static_cast<unsigned char>(map[static_cast<unsigned char>(c)])) * 1099511628211ull;
    return hash;
}

bool equalNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    // Names are mostly compared in the letter case they were given.
    if (a == b)
        return true;
    const std::int32_t* map = upperMap();
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i] && map[static_cast<unsigned char>(a[i])] != map[static_cast<unsigned char>(b[i])])
            return false;
    return true;
}

} // namespace qv::dxf
