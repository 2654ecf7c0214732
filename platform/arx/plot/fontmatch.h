// Which installed font plots the texts of a font a drawing names. A TrueType file name
// ("arial.ttf", "timesbd.ttf") or a family name ("Arial") goes to fontconfig with its weight
// and slant, and fontconfig's substitution rules choose the installed font of the same metrics
// (Liberation Sans for Arial); a shape font ("romans.shx") is drawn in the installed font of
// about its width that a small table names. A name that leads to no such font matches
// nothing, and the caller draws in its default font.
#pragma once

#include "plotfont.h"

#include <string>

namespace qv {

struct FontFile {
    std::string file;
    int index = 0;           // the face in a collection (.ttc)
    bool trueType = false;   // outlines a PDF can embed as a TrueType subset (not CFF)
};

// Whether the name is of a shape font: a ".shx" file, or one the table of shape fonts knows
// ("txt", "iso"), whose character codes differ from Unicode's above 126.
bool isShapeFont(const std::string& name);

// What fontconfig is asked for a font: the family its name stands for, with its weight and
// slant. Fonts of one key ("Arial" and "arial.ttf", "txt" and "TXT.SHX") are one request, as
// fontconfig takes family names with letter case and blanks aside.
struct FontRequest {
    std::string family, key;
    bool bold = false, italic = false;
};

// The request for the font named; false when the name leads to nothing to ask (a shape font
// the table does not know). The empty name is the plot's default font, DejaVu Sans.
bool requestFor(const PlotFont& font, FontRequest& out);
// The installed font for the request; false when it leads to none (or, with trueTypeOnly,
// to none with TrueType outlines). Each request is matched once per process (a fontconfig
// match, a fraction of a millisecond); the calls after take that font.
bool matchFont(const FontRequest& request, bool trueTypeOnly, FontFile& out);

} // namespace qv
