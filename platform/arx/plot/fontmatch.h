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

// The installed font for the font named, with its weight and slant; false when the name
// leads to none (or, with trueTypeOnly, to none with TrueType outlines). The empty name is
// the plot's default font, DejaVu Sans.
bool matchFont(const PlotFont& font, bool trueTypeOnly, FontFile& out);

} // namespace qv
