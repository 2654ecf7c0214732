#include "textmeasurer.h"

#include "fontfallback.h"

#include "arx/dxftext.h"

#include <cairo-ft.h>
#include <fontconfig/fontconfig.h>

#include <cstdio>

namespace qv {

namespace {

constexpr char32_t kReplacement = 0xFFFD;
constexpr double kDefaultCapHeight = 0.729;   // DejaVu Sans's, for a font without an "H"
constexpr size_t kMaxNamedCharacters = 40;    // per warning

// Whether a character shows as a glyph, so that a font lacking it matters: all but the C0
// control codes, which texts draw as nothing (a C1 code, "%%129" in a TrueType font, plots as
// an empty box and is named).
bool printable(char32_t c)
{
    return c >= 0x20;
}

// "U+4E2D U+6587", the first of them and how many more.
std::string codePoints(const std::set<char32_t>& characters)
{
    std::string out;
    size_t named = 0;
    for (const char32_t c : characters) {
        if (named++ == kMaxNamedCharacters) {
            out += " and " + std::to_string(characters.size() - kMaxNamedCharacters) + " more";
            break;
        }
        char text[16];
        std::snprintf(text, sizeof text, "%sU+%04X", out.empty() ? "" : " ", static_cast<unsigned>(c));
        out += text;
    }
    return out;
}

// The next code point of UTF-8 text at i (advanced past it); a replacement character for
// a malformed sequence, of which one byte is skipped.
char32_t decodeUtf8(std::string_view s, size_t& i)
{
    const auto lead = static_cast<unsigned char>(s[i]);
    const int length = lead < 0x80 ? 1 : (lead >> 5) == 6 ? 2 : (lead >> 4) == 14 ? 3 : (lead >> 3) == 30 ? 4 : 0;
    if (length == 0 || i + length > s.size()) {
        ++i;
        return kReplacement;
    }
    char32_t c = length == 1 ? lead : lead & (0x7F >> length);
    for (int k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(s[i + k]);
        if ((next >> 6) != 2) {
            ++i;
            return kReplacement;
        }
        c = (c << 6) | (next & 0x3F);
    }
    static const char32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
    i += length;
    return c < least[length] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF) ? kReplacement : c;
}

// The cairo face of a font file; of DejaVu Sans as cairo finds it when there is no file.
cairo_font_face_t* cairoFaceOf(const FontFile& file)
{
    if (file.file.empty())
        return cairo_toy_font_face_create("DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FILE, reinterpret_cast<const FcChar8*>(file.file.c_str()));
    FcPatternAddInteger(pattern, FC_INDEX, file.index);
    cairo_font_face_t* face = cairo_ft_font_face_create_for_pattern(pattern);
    FcPatternDestroy(pattern);
    return face;
}

} // namespace

TextMeasurer::TextMeasurer(bool trueTypeOnly)
    : m_trueTypeOnly(trueTypeOnly)
{
    m_options = cairo_font_options_create();
    cairo_font_options_set_hint_metrics(m_options, CAIRO_HINT_METRICS_OFF);
    cairo_font_options_set_hint_style(m_options, CAIRO_HINT_STYLE_NONE);
}

TextMeasurer::~TextMeasurer()
{
    for (const auto& f : m_faces) {
        if (f->measure)
            cairo_scaled_font_destroy(f->measure);
        cairo_font_face_destroy(f->cairo);
    }
    cairo_font_options_destroy(m_options);
}

unsigned TextMeasurer::load(const FontFile& file)
{
    for (unsigned k = 0; k < m_faces.size(); ++k)
        if (m_faces[k]->file.file == file.file && m_faces[k]->file.index == file.index)
            return k;
    auto face = std::make_unique<Face>();
    face->file = file;
    face->cairo = cairoFaceOf(file);
    cairo_matrix_t unit;
    cairo_matrix_init_identity(&unit);
    face->measure = cairo_scaled_font_create(face->cairo, &unit, &unit, m_options);
    if (cairo_scaled_font_status(face->measure) != CAIRO_STATUS_SUCCESS) {
        cairo_scaled_font_destroy(face->measure);
        cairo_font_face_destroy(face->cairo);
        return 0;
    }
    cairo_font_extents_t font;
    cairo_scaled_font_extents(face->measure, &font);
    face->ascent = font.ascent, face->descent = font.descent;
    m_faces.push_back(std::move(face));
    const unsigned index = faceCount() - 1;
    const Glyph capital = measure(index, U'H');
    cairo_text_extents_t ink{};
    const cairo_glyph_t h{capital.index, 0, 0};
    if (capital.index != 0)
        cairo_scaled_font_glyph_extents(m_faces[index]->measure, &h, 1, &ink);
    m_faces[index]->capHeight = ink.height > 0 ? ink.height : kDefaultCapHeight;
    return index;
}

void TextMeasurer::loadDefault()
{
    FontRequest request;
    FontFile file;
    if (!requestFor({}, request) || !matchFont(request, m_trueTypeOnly, file) || (load(file), m_faces.empty()))
        load({});   // DejaVu Sans as cairo finds it; a PDF cannot embed it
    m_fonts[{}] = 0;
    m_requests[request.key] = 0;
}

unsigned TextMeasurer::face(const PlotFont& font)
{
    if (m_faces.empty())
        loadDefault();
    if (font == m_lastFont)
        return m_lastFace;
    auto found = m_fonts.find(font);
    if (found == m_fonts.end())
        found = m_fonts.emplace(font, match(font)).first;
    m_lastFont = font;
    return m_lastFace = found->second;
}

unsigned TextMeasurer::match(const PlotFont& font)
{
    FontRequest request;
    if (!requestFor(font, request))
        return 0;
    if (const auto found = m_requests.find(request.key); found != m_requests.end())
        return found->second;
    FontFile file;
    m_refused = m_refused || (m_pay && !m_pay());
    const bool matched = !m_refused && matchFont(request, m_trueTypeOnly, file);
    return m_requests[request.key] = matched ? load(file) : 0;
}

TextMeasurer::Glyph TextMeasurer::measure(unsigned face, char32_t c) const
{
    Glyph g;
    g.face = face, g.character = c;
    cairo_scaled_font_t* font = m_faces[face]->measure;
    cairo_glyph_t* glyphs = nullptr;
    int count = 0;
    std::string utf8;
    dxf::appendUtf8(utf8, static_cast<unsigned>(c));
    if (cairo_scaled_font_text_to_glyphs(font, 0, 0, utf8.c_str(), static_cast<int>(utf8.size()), &glyphs, &count,
                                         nullptr, nullptr, nullptr) == CAIRO_STATUS_SUCCESS && count > 0) {
        cairo_text_extents_t extents;
        cairo_scaled_font_glyph_extents(font, glyphs, 1, &extents);
        g.index = glyphs[0].index, g.advance = extents.x_advance;
    }
    cairo_glyph_free(glyphs);
    return g;
}

const TextMeasurer::Glyph& TextMeasurer::glyph(unsigned face, char32_t c)
{
    Face& f = *m_faces[face];
    if (c < 128 && f.asciiKnown[c])
        return f.ascii[c];
    if (c >= 128)
        if (const auto found = f.others.find(c); found != f.others.end())
            return found->second;
    Glyph g = measure(face, c);
    if (g.index == 0 && printable(c))
        g = fallbackGlyph(c, g);
    if (c < 128) {
        f.asciiKnown[c] = true;
        return f.ascii[c] = g;
    }
    return f.others[c] = g;
}

TextMeasurer::Glyph TextMeasurer::fallbackGlyph(char32_t c, const Glyph& primary)
{
    const FontFile* font = fallbackFont(c, m_trueTypeOnly);
    if (!font) {
        (m_trueTypeOnly && fallbackFont(c, false) ? m_unembeddable : m_missing).insert(c);
        return primary;
    }
    // Face 0 when the fallback is the default font (a style's font lacks what it has), or when
    // the font would not load.
    const Glyph g = measure(load(*font), c);
    if (g.index == 0) {   // the font's character set promised more than its character map holds
        m_missing.insert(c);
        return primary;
    }
    return g;
}

void TextMeasurer::glyphs(std::string_view utf8, unsigned face, std::vector<const Glyph*>& out)
{
    out.clear();
    for (size_t i = 0; i < utf8.size();) {
        const auto byte = static_cast<unsigned char>(utf8[i]);
        out.push_back(&glyph(face, byte < 0x80 ? (++i, byte) : decodeUtf8(utf8, i)));
    }
}

double TextMeasurer::advance(std::string_view utf8, unsigned face)
{
    double advance = 0;
    for (size_t i = 0; i < utf8.size();) {
        const auto byte = static_cast<unsigned char>(utf8[i]);
        advance += glyph(face, byte < 0x80 ? (++i, byte) : decodeUtf8(utf8, i)).advance;
    }
    return advance;
}

std::vector<std::string> TextMeasurer::warnings() const
{
    std::vector<std::string> out;
    if (!m_missing.empty())
        out.push_back("no font has " + codePoints(m_missing) + "; they plot as empty boxes");
    if (!m_unembeddable.empty())
        out.push_back("only fonts without TrueType outlines, which a PDF plot cannot embed, have " +
                      codePoints(m_unembeddable) + "; they plot as empty boxes");
    return out;
}

} // namespace qv
