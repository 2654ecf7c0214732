// The fonts text styles name, read once per style: the style's font file, or where it names
// none the family of its TrueType font (the style's XData), with the weight and slant that
// font's flags give.
#pragma once

#include "plotfont.h"

#include "arx/dbid.h"

#include <unordered_map>

namespace qv {

class TextStyleFonts
{
public:
    // The font of the style; the default font for no style.
    const PlotFont& of(AcDbObjectId style);

private:
    std::unordered_map<AcDbObjectId, PlotFont> m_fonts;
};

} // namespace qv
