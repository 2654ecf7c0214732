#include "win/widetext.h"

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool isContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// The code point that starts at text[pos], advancing pos past it; kReplacement and one byte
// for an ill-formed sequence (overlong forms, surrogates and values above U+10FFFF included).
char32_t decodeUtf8(std::string_view text, size_t& pos, bool& ok)
{
    const auto lead = static_cast<unsigned char>(text[pos]);
    int extra = 0;
    char32_t cp = lead;
    char32_t least = 0;
    if (lead >= 0xF0 && lead <= 0xF4) {
        extra = 3, cp = lead & 0x07, least = 0x10000;
    } else if (lead >= 0xE0 && lead < 0xF0) {
        extra = 2, cp = lead & 0x0F, least = 0x800;
    } else if (lead >= 0xC2 && lead < 0xE0) {
        extra = 1, cp = lead & 0x1F, least = 0x80;
    } else if (lead >= 0x80) {
        ok = false;
        ++pos;
        return kReplacement;
    }
    if (pos + static_cast<size_t>(extra) >= text.size()) {
        ok = false;
        ++pos;
        return kReplacement;
    }
    for (int i = 1; i <= extra; ++i) {
        const auto byte = static_cast<unsigned char>(text[pos + static_cast<size_t>(i)]);
        if (!isContinuation(byte)) {
            ok = false;
            ++pos;
            return kReplacement;
        }
        cp = (cp << 6) | (byte & 0x3F);
    }
    if (cp < least || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ok = false;
        ++pos;
        return kReplacement;
    }
    pos += static_cast<size_t>(extra) + 1;
    return cp;
}

bool isHighSurrogate(char32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool isLowSurrogate(char32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

} // namespace

template <class Unit>
std::basic_string<Unit> utf8ToUtf16Units(std::string_view text, bool* wellFormed)
{
    std::basic_string<Unit> out;
    out.reserve(text.size());
    bool ok = true;
    for (size_t pos = 0; pos < text.size();) {
        const char32_t cp = decodeUtf8(text, pos, ok);
        if (cp < 0x10000) {
            out += static_cast<Unit>(cp);
        } else {
            out += static_cast<Unit>(0xD800 + ((cp - 0x10000) >> 10));
            out += static_cast<Unit>(0xDC00 + ((cp - 0x10000) & 0x3FF));
        }
    }
    if (wellFormed)
        *wellFormed = ok;
    return out;
}

template <class Unit>
std::string utf16UnitsToUtf8(const Unit* text, std::size_t length, bool* wellFormed)
{
    std::string out;
    out.reserve(length);
    bool ok = true;
    for (size_t i = 0; i < length; ++i) {
        const char32_t unit = text[i];
        if (isHighSurrogate(unit) && i + 1 < length && isLowSurrogate(text[i + 1])) {
            appendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (static_cast<char32_t>(text[i + 1]) - 0xDC00));
            ++i;
        } else if (isHighSurrogate(unit) || isLowSurrogate(unit)) {
            ok = false;
            appendUtf8(out, kReplacement);
        } else {
            appendUtf8(out, unit);
        }
    }
    if (wellFormed)
        *wellFormed = ok;
    return out;
}

template std::u16string utf8ToUtf16Units<char16_t>(std::string_view, bool*);
template std::basic_string<unsigned short> utf8ToUtf16Units<unsigned short>(std::string_view, bool*);
template std::string utf16UnitsToUtf8<char16_t>(const char16_t*, std::size_t, bool*);
template std::string utf16UnitsToUtf8<unsigned short>(const unsigned short*, std::size_t, bool*);
