#include "pdffont.h"

#include "pdfnumber.h"
#include "truetypesubset.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <string_view>

namespace qv {

namespace {

constexpr size_t kCMapBlock = 100;   // entries per bfchar block, the most a CMap allows

void appendHex4(std::string& out, unsigned value)
{
    static const char digits[] = "0123456789ABCDEF";
    for (int shift = 12; shift >= 0; shift -= 4)
        out += digits[(value >> shift) & 0xF];
}

} // namespace

PdfFont::PdfFont(const std::string& file, int index)
{
    open(file, index);
}

void PdfFont::open(const std::string& file, int index)
{
    if (FT_Init_FreeType(&m_library) != 0 || FT_New_Face(m_library, file.c_str(), index, &m_face) != 0) {
        m_error = "the font \"" + file + "\" cannot be read";
        return;
    }
    m_glyphs.resize(static_cast<size_t>(m_face->num_glyphs));
}

PdfFont::~PdfFont()
{
    if (m_face)
        FT_Done_Face(m_face);
    if (m_library)
        FT_Done_FreeType(m_library);
}

unsigned PdfFont::glyphIndex(char32_t c) const
{
    return m_face ? FT_Get_Char_Index(m_face, c) : 0;
}

void PdfFont::define(unsigned glyph, char32_t c, double advance)
{
    if (glyph < m_glyphs.size() && !m_glyphs[glyph].defined)
        m_glyphs[glyph] = {c, advance, true, m_glyphs[glyph].used};
}

std::string PdfFont::subsetName() const
{
    // The tag follows from the glyphs kept, so that different subsets get different names.
    std::uint32_t hash = 2166136261u;
    for (unsigned g = 0; g < m_glyphs.size(); ++g)
        if (m_glyphs[g].used)
            hash = (hash ^ g) * 16777619u;
    std::string name;
    for (int k = 0; k < 6; ++k, hash /= 26)
        name += static_cast<char>('A' + hash % 26);
    const char* postScript = m_face ? FT_Get_Postscript_Name(m_face) : nullptr;
    name += '+';
    // A PDF name takes no blanks or delimiters; the font's name has none, but a damaged
    // font's might.
    for (const char* p = postScript ? postScript : "Font"; *p; ++p)
        if (*p > ' ' && *p < 127 && std::string_view("()<>[]{}/%#").find(*p) == std::string_view::npos)
            name += *p;
    return name;
}

std::string PdfFont::widths() const
{
    std::string out = "[";
    for (unsigned g = 0; g < m_glyphs.size();) {
        if (!m_glyphs[g].used) {
            ++g;
            continue;
        }
        appendPdfNumber(out, g, 0);
        out += " [";
        for (bool first = true; g < m_glyphs.size() && m_glyphs[g].used; ++g, first = false) {
            if (!first)
                out += ' ';
            appendPdfNumber(out, m_glyphs[g].advance * 1000, 2);
        }
        out += "] ";
    }
    out += ']';
    return out;
}

std::string PdfFont::toUnicode() const
{
    // The missing glyph stands for every character the font lacks: it maps to none of them
    // rather than to the wrong one.
    std::vector<unsigned> mapped;
    for (unsigned g = 1; g < m_glyphs.size(); ++g)
        if (m_glyphs[g].used && m_glyphs[g].defined)
            mapped.push_back(g);
    std::string out = "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n"
                      "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n"
                      "/CMapName /Adobe-Identity-UCS def\n/CMapType 2 def\n"
                      "1 begincodespacerange\n<0000> <FFFF>\nendcodespacerange\n";
    for (size_t first = 0; first < mapped.size(); first += kCMapBlock) {
        const size_t end = std::min(mapped.size(), first + kCMapBlock);
        appendPdfNumber(out, static_cast<double>(end - first), 0);
        out += " beginbfchar\n";
        for (size_t i = first; i < end; ++i) {
            const char32_t c = m_glyphs[mapped[i]].character;
            out += '<';
            appendHex4(out, mapped[i]);
            out += "> <";
            if (c >= 0x10000) {   // UTF-16 surrogates
                appendHex4(out, 0xD800 + ((c - 0x10000) >> 10));
                appendHex4(out, 0xDC00 + ((c - 0x10000) & 0x3FF));
            } else {
                appendHex4(out, c);
            }
            out += ">\n";
        }
        out += "endbfchar\n";
    }
    out += "endcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n";
    return out;
}

std::string PdfFont::metrics() const
{
    if (!m_face)
        return {};
    const double scale = 1000.0 / (m_face->units_per_EM ? m_face->units_per_EM : 1000);
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(m_face, FT_SFNT_OS2));
    const double capHeight = os2 && os2->version >= 2 ? os2->sCapHeight : m_face->ascender;
    std::string out = "/Flags 32 /FontBBox [";
    for (const FT_Pos v : {m_face->bbox.xMin, m_face->bbox.yMin, m_face->bbox.xMax, m_face->bbox.yMax}) {
        appendPdfNumber(out, static_cast<double>(v) * scale, 0);
        out += ' ';
    }
    out += "] /ItalicAngle 0 /Ascent ";
    appendPdfNumber(out, m_face->ascender * scale, 0);
    out += " /Descent ";
    appendPdfNumber(out, m_face->descender * scale, 0);
    out += " /CapHeight ";
    appendPdfNumber(out, capHeight * scale, 0);
    out += " /StemV 80";
    return out;
}

bool PdfFont::table(std::uint32_t tag, std::string& out) const
{
    FT_ULong length = 0;
    if (!m_face || FT_Load_Sfnt_Table(m_face, tag, 0, nullptr, &length) != 0)
        return false;
    out.resize(length);
    return FT_Load_Sfnt_Table(m_face, tag, 0, reinterpret_cast<FT_Byte*>(out.data()), &length) == 0;
}

bool PdfFont::subset(std::string& program, std::string& error) const
{
    if (!isValid()) {
        error = m_error;
        return false;
    }
    std::vector<bool> keep(m_glyphs.size());
    for (size_t g = 0; g < m_glyphs.size(); ++g)
        keep[g] = m_glyphs[g].used;
    const bool made = subsetTrueType([this](std::uint32_t tag, std::string& out) { return table(tag, out); }, std::move(keep),
                                     program, error);
    if (!made)
        error = "the font cannot be embedded: " + error;
    return made;
}

} // namespace qv
