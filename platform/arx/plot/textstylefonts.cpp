#include "textstylefonts.h"

#include "arx/dbsymtb.h"
#include "arx/dbtext.h"
#include "arx/resbuf.h"

namespace qv {

namespace {

// A TrueType font's flags in a style's XData: the character set and pitch in the low bytes,
// then these.
constexpr long kItalic = 0x1000000, kBold = 0x2000000;

PlotFont fontOf(const AcDbTextStyleTableRecord* style)
{
    PlotFont font;
    if (!style)
        return font;
    font.name = style->fileName();
    resbuf* xdata = style->xData("ACAD");
    for (const resbuf* rb = xdata; rb; rb = rb->rbnext)
        if (rb->restype == 1000 && rb->resval.rstring && font.name.empty())
            font.name = rb->resval.rstring;
        else if (rb->restype == 1071)
            font.bold = (rb->resval.rlong & kBold) != 0, font.italic = (rb->resval.rlong & kItalic) != 0;
    acutRelRb(xdata);
    return font;
}

} // namespace

template <class Text>
const PlotFont& TextStyleFonts::ofText(const Text* text)
{
    std::string name = text->textStyleName();
    if (m_last && name == m_lastName)
        return *m_last;
    auto found = m_fonts.find(name);
    if (found == m_fonts.end())
        found = m_fonts.emplace(name, fontOf(AcDbTextStyleTableRecord::cast(text->textStyle().object()))).first;
    m_lastName = std::move(name);
    return *(m_last = &found->second);
}

const PlotFont& TextStyleFonts::of(const AcDbText* text) { return ofText(text); }

const PlotFont& TextStyleFonts::of(const AcDbMText* text) { return ofText(text); }

} // namespace qv
