// A font that PDF plots show their texts in, embedded so that the file looks the same
// everywhere and text extraction gives the characters back: the file the canvas measures a
// font's glyphs with, read with FreeType. It goes into the file as a
// composite font whose character codes are glyph ids, with the widths the layout used, a map
// from glyphs back to characters, and a subset of the font program: glyph ids are kept and
// the outlines of glyphs never shown are emptied (components of shown composites stay).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct FT_LibraryRec_;
struct FT_FaceRec_;

namespace qv {

class PdfFont
{
public:
    // The face of a font file (index: the face in a collection).
    PdfFont(const std::string& file, int index);
    ~PdfFont();
    PdfFont(const PdfFont&) = delete;
    PdfFont& operator=(const PdfFont&) = delete;

    // False, with the reason, when the font cannot be found or read.
    bool isValid() const { return m_error.empty(); }
    const std::string& error() const { return m_error; }

    // The glyph of character c (0, the missing glyph, when the font has none).
    unsigned glyphIndex(char32_t c) const;
    // Gives glyph the character it stands for and its advance at an em of one; the first
    // character and advance given for a glyph stay.
    void define(unsigned glyph, char32_t c, double advance);
    // Marks a glyph as shown, so that it is kept in the subset.
    void use(unsigned glyph)
    {
        if (glyph < m_glyphs.size())
            m_glyphs[glyph].used = true;
    }

    // The name of the subset (a tag of six capitals, "+", the font's PostScript name).
    std::string subsetName() const;
    // The CID font's widths array, "[...]", for the glyphs shown (in thousandths of an em).
    std::string widths() const;
    // The ToUnicode CMap of the glyphs shown.
    std::string toUnicode() const;
    // The font descriptor's metrics: flags, bounding box, angle, ascent, descent, cap height, stem.
    std::string metrics() const;
    // The font program holding the outlines of the glyphs shown; false with the reason when the
    // font's tables cannot be read (a font without TrueType outlines, a damaged file).
    bool subset(std::string& program, std::string& error) const;

private:
    struct GlyphUse {
        char32_t character = 0;
        double advance = 0;
        bool defined = false, used = false;
    };

    void open(const std::string& file, int index);
    bool table(std::uint32_t tag, std::string& out) const;

    FT_LibraryRec_* m_library = nullptr;
    FT_FaceRec_* m_face = nullptr;
    std::vector<GlyphUse> m_glyphs;   // by glyph id
    std::string m_error;
};

} // namespace qv
