// Measures texts as a plot draws them. Each family a text asks for (with its weight and
// slant) is matched once to an installed font (see fontmatch.h), DejaVu Sans standing for
// those that name none; each match spends the plot's work, so that a text naming thousands
// of fonts is refused before its matches take minutes. Each
// character's glyph is looked up once per font: in the font itself or, for a character it
// lacks, in the first installed font that has it (fontconfig's choice), named as missing when
// none has. The canvas draws these glyphs and the painter takes a plot's extents from them,
// so that both agree; a multiline text's layout measures its words with advance().
#pragma once

#include "fontmatch.h"
#include "plotfont.h"

#include <cairo.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace qv {

class TextMeasurer
{
public:
    // A character's glyph: its index in its face, its advance at an em of one.
    struct Glyph {
        unsigned long index = 0;
        double advance = 0;
        unsigned face = 0;   // a face of the measurer, the font's own or a fallback
        char32_t character = 0;
    };

    // trueTypeOnly: fonts and fallbacks with TrueType outlines only, as a PDF embeds them.
    explicit TextMeasurer(bool trueTypeOnly);
    // Each font matched from now on is paid for through pay (see kFontMatchPrice); once
    // it refuses, the fonts not yet matched take the default face.
    void chargeLookups(std::function<bool()> pay) { m_pay = std::move(pay); }
    ~TextMeasurer();
    TextMeasurer(const TextMeasurer&) = delete;
    TextMeasurer& operator=(const TextMeasurer&) = delete;

    // The face a font's texts are drawn in, matched on its first use; 0, the default, for a
    // font that names nothing installed. The default face is matched on the first call, so
    // that a plot without texts never reads the font configuration.
    unsigned face(const PlotFont& font);
    // The faces met so far, in order: the default, the fonts asked for and the fallbacks.
    unsigned faceCount() const { return static_cast<unsigned>(m_faces.size()); }
    const FontFile& file(unsigned face) const { return m_faces[face]->file; }
    // The options the faces are measured with (unhinted), for drawing them alike.
    const cairo_font_options_t* options() const { return m_options; }
    cairo_font_face_t* cairoFace(unsigned face) const { return m_faces[face]->cairo; }
    // The height of the face's capitals, and how far its outlines reach above and below the
    // baseline, per em.
    double capHeight(unsigned face) const { return m_faces[face]->capHeight; }
    double ascent(unsigned face) const { return m_faces[face]->ascent; }
    double descent(unsigned face) const { return m_faces[face]->descent; }

    const Glyph& glyph(unsigned face, char32_t c);
    // The glyphs of a text in a face (invalid UTF-8 as replacement characters).
    void glyphs(std::string_view utf8, unsigned face, std::vector<const Glyph*>& out);
    // The advance of the text at an em of one.
    double advance(std::string_view utf8, unsigned face);
    double advance(std::string_view utf8, const PlotFont& font) { return advance(utf8, face(font)); }
    // What the plot could not show: the characters no font has, for the user.
    std::vector<std::string> warnings() const;

private:
    struct Face {
        FontFile file;
        cairo_font_face_t* cairo = nullptr;
        cairo_scaled_font_t* measure = nullptr;   // at an em of one, unhinted
        double capHeight = 0, ascent = 0, descent = 0;
        Glyph ascii[128];
        bool asciiKnown[128] = {};
        std::unordered_map<char32_t, Glyph> others;
    };
    struct FontHash {
        size_t operator()(const PlotFont& f) const
        {
            return std::hash<std::string>()(f.name) ^ (f.bold ? 0x9E3779B9u : 0) ^ (f.italic ? 0x7F4A7C15u : 0);
        }
    };

    // Face 0: the default font, or DejaVu Sans as cairo finds it when none is installed.
    void loadDefault();
    // The face of a font file, loaded on first use; 0 when it cannot be loaded.
    unsigned load(const FontFile& file);
    // The face of a font not met before: its request's, matched on the request's first use.
    unsigned match(const PlotFont& font);
    Glyph measure(unsigned face, char32_t c) const;
    Glyph fallbackGlyph(char32_t c, const Glyph& primary);

    bool m_trueTypeOnly;
    cairo_font_options_t* m_options = nullptr;
    std::vector<std::unique_ptr<Face>> m_faces;
    std::unordered_map<PlotFont, unsigned, FontHash> m_fonts;
    std::unordered_map<std::string, unsigned> m_requests;   // by their keys
    std::function<bool()> m_pay;
    bool m_refused = false;   // the work spent: no more matches
    PlotFont m_lastFont;   // the font last asked for, and its face
    unsigned m_lastFace = 0;
    std::set<char32_t> m_missing;        // characters no font has
    std::set<char32_t> m_unembeddable;   // characters only fonts without TrueType outlines have
};

} // namespace qv
