#include "arx/dxftext.h"

#include <cctype>
#include <cstring>

namespace qv::dxf {

namespace {

// Windows-1252 code points of the bytes 0x80 to 0x9F (0 where the code page has none).
constexpr unsigned short kCp1252High[32] = {
    0x20AC, 0, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0, 0x017D, 0,
    0, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0, 0x017E, 0x0178};

void appendUtf8(std::string& out, unsigned cp)
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

bool isHighSurrogate(int cp) { return cp >= 0xD800 && cp < 0xDC00; }
bool isLowSurrogate(int cp) { return cp >= 0xDC00 && cp < 0xE000; }

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The character of an escape "\U+XXXX" at text[i], or -1.
int escapeAt(std::string_view text, size_t i)
{
    if (i + 7 > text.size() || text.compare(i, 3, "\\U+") != 0)
        return -1;
    int cp = 0;
    for (size_t k = i + 3; k < i + 7; ++k) {
        const int d = hexDigit(text[k]);
        if (d < 0)
            return -1;
        cp = cp * 16 + d;
    }
    return cp;
}

void appendCodePage(std::string& out, std::string_view raw)
{
    for (unsigned char c : raw) {
        const unsigned cp = c >= 0x80 && c < 0xA0 ? kCp1252High[c - 0x80] : c;
        appendUtf8(out, cp ? cp : 0xFFFD);
    }
}

// Escapes of a character beyond 0xFFFF come as a pair of surrogates; a lone surrogate is
// no character.
void replaceEscapes(std::string_view text, std::string& out)
{
    for (size_t i = 0; i < text.size(); ++i) {
        if (const int cp = escapeAt(text, i); cp >= 0) {
            const int low = isHighSurrogate(cp) ? escapeAt(text, i + 7) : -1;
            if (isLowSurrogate(low)) {
                appendUtf8(out, 0x10000 + ((static_cast<unsigned>(cp) - 0xD800) << 10) + (static_cast<unsigned>(low) - 0xDC00));
                i += 7;
            } else {
                appendUtf8(out, isHighSurrogate(cp) || isLowSurrogate(cp) ? 0xFFFD : static_cast<unsigned>(cp));
            }
            i += 6;
        } else {
            out += text[i];
        }
    }
}

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

} // namespace

bool needsDecoding(std::string_view raw)
{
    for (unsigned char c : raw)
        if (c >= 0x80 || c == '\\')
            return true;
    return false;
}

void decodeText(std::string_view raw, Encoding encoding, std::string& out)
{
    out.clear();
    bool high = false;
    for (unsigned char c : raw)
        high = high || c >= 0x80;
    if (!high || (encoding == Encoding::kUtf8 && isValidUtf8(raw))) {
        replaceEscapes(raw, out);
        return;
    }
    std::string utf8;
    appendCodePage(utf8, raw);
    replaceEscapes(utf8, out);
}

bool needsEscape(std::string_view text)
{
    for (unsigned char c : text)
        if ((c < 0x20 && c != '\t') || c == '\\')
            return true;
    return false;
}

void escapeText(std::string_view text, std::string& out)
{
    static const char digits[] = "0123456789ABCDEF";
    out.clear();
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if ((c < 0x20 && c != '\t') || (c == '\\' && escapeAt(text, i) >= 0)) {
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
    std::string s(text);
    for (char& c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

bool equalNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i] && std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

} // namespace qv::dxf
