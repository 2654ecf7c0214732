// Texts in DXF files. Files before release 2007 hold texts in a code page (read as
// Windows-1252), later ones in UTF-8; either may hold "\U+XXXX" escapes for characters.
// Texts are UTF-8 in memory. Control characters and escape-like sequences are written as
// escapes, so that every text reads back as it was.
#pragma once

#include <string>
#include <string_view>

namespace qv::dxf {

enum class Encoding { kUtf8, kCodePage };

// Whether a raw text needs decoding: it holds bytes above ASCII or a backslash.
bool needsDecoding(std::string_view raw);
// Decodes raw into out (a UTF-8 file's text that is not valid UTF-8 is read as the code
// page) and replaces "\U+XXXX" escapes.
void decodeText(std::string_view raw, Encoding encoding, std::string& out);

// Whether a text must be escaped to stay one line that reads back the same.
bool needsEscape(std::string_view text);
// Control characters (line breaks above all; not tabs) become escapes ("\U+000A"), and so
// does a backslash that starts an escape-like "\U+XXXX" ("\U+005C").
void escapeText(std::string_view text, std::string& out);

std::string upper(std::string_view text);
bool equalNoCase(std::string_view a, std::string_view b);

} // namespace qv::dxf
