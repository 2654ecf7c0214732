// Texts in DXF files. Files before release 2007 hold texts in a code page, later ones in
// UTF-8; either may hold escapes for characters: "\U+XXXX" (Unicode) and "\M+nXXXX" (the
// two-byte code XXXX of page n: 1 Japanese 932, 2 Chinese 950, 3 Korean 949, 4 Korean
// Johab 1361, 5 Chinese 936). Texts are UTF-8 in memory (see TextDecoder). Control
// characters and escape-like sequences are written as escapes, so that every text reads
// back as it was.
#pragma once

#include "win/widetext.h"

#include <string>
#include <string_view>

namespace qv::dxf {

bool isValidUtf8(std::string_view text);
using ::appendUtf8;
// The code of a "\U+XXXX" escape at text[i], or -1.
int unicodeEscapeAt(std::string_view text, size_t i);
// The two-byte code of a "\M+nXXXX" escape at text[i] (n in page), or -1.
int multiByteEscapeAt(std::string_view text, size_t i, int& page);

// Whether a text must be escaped to stay one line that reads back the same.
bool needsEscape(std::string_view text);
// Control characters (line breaks above all; not tabs) become escapes ("\U+000A"), and so
// does a backslash that starts an escape-like "\U+XXXX" or "\M+nXXXX" ("\U+005C").
void escapeText(std::string_view text, std::string& out);

std::string upper(std::string_view text);
bool equalNoCase(std::string_view a, std::string_view b);

// Hash and equality of names regardless of letter case, as upper and equalNoCase see it, for
// maps looked up by any spelling of a name without making its upper-case copy.
struct NoCaseHash {
    using is_transparent = void;
    size_t operator()(std::string_view text) const; // not noexcept: maps keep each hash
};
struct NoCaseEqual {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const noexcept { return equalNoCase(a, b); }
};

} // namespace qv::dxf
