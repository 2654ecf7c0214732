// The fonts text styles name, read once per style: the style's font file, or where it names
// none the family of its TrueType font (the style's XData), with the weight and slant that
// font's flags give. Styles are looked up by the names texts give, the last one first.
#pragma once

#include "plotfont.h"

#include <string>
#include <unordered_map>

class AcDbMText;
class AcDbText;

namespace qv {

class TextStyleFonts
{
public:
    // The font of the text's style; the default font for a style that is not there.
    const PlotFont& of(const AcDbText* text);
    const PlotFont& of(const AcDbMText* text);

private:
    template <class Text>
    const PlotFont& ofText(const Text* text);

    std::unordered_map<std::string, PlotFont> m_fonts;
    std::string m_lastName;
    const PlotFont* m_last = nullptr;
};

} // namespace qv
