#include "pdfwriter.h"

#include "deflate/paralleldeflate.h"
#include "pdfnumber.h"

#include <algorithm>

namespace qv {

namespace {

constexpr int kCoordinateDecimals = 2;   // a hundredth of a point
constexpr int kWidthDecimals = 3;
constexpr int kMatrixDecimals = 4;       // the text matrix's em vectors
constexpr int kSheetDecimals = 4;        // the page's size, as precise as the media's
constexpr size_t kFirstFontObject = 5, kFontObjects = 5;

void appendHexGlyph(std::string& out, unsigned glyph)
{
    static const char digits[] = "0123456789ABCDEF";
    out += digits[(glyph >> 12) & 0xF], out += digits[(glyph >> 8) & 0xF];
    out += digits[(glyph >> 4) & 0xF], out += digits[glyph & 0xF];
}

std::string number(double value, int decimals)
{
    std::string out;
    appendPdfNumber(out, value, decimals);
    return out;
}

} // namespace

PdfWriter::PdfWriter(double widthPt, double heightPt)
    : m_width(widthPt), m_height(heightPt)
{
    // Round caps and joins; y down from the top-left corner.
    m_content = "1 J 1 j\n1 0 0 -1 0 " + number(heightPt, kSheetDecimals) + " cm\n";
}

void PdfWriter::colour(std::string& out, std::uint32_t rgb, const char* op)
{
    for (const int shift : {16, 8, 0}) {
        appendPdfNumber(out, ((rgb >> shift) & 0xFF) / 255.0, 3);
        out += ' ';
    }
    out += op;
    out += '\n';
}

void PdfWriter::setStroke(std::uint32_t rgb, double width)
{
    if (rgb != m_state.stroke) {
        colour(m_content, rgb, "RG");
        m_state.stroke = rgb;
    }
    if (width != m_state.width) {
        appendPdfNumber(m_content, width, kWidthDecimals);
        m_content += " w\n";
        m_state.width = width;
    }
}

void PdfWriter::setFill(std::uint32_t rgb)
{
    if (rgb != m_state.fill) {
        colour(m_content, rgb, "rg");
        m_state.fill = rgb;
    }
}

void PdfWriter::point(double x, double y, const char* op)
{
    appendPdfNumber(m_content, x, kCoordinateDecimals);
    m_content += ' ';
    appendPdfNumber(m_content, y, kCoordinateDecimals);
    m_content += op;
}

void PdfWriter::moveTo(double x, double y)
{
    point(x, y, " m\n");
    m_inPath = true;
}

void PdfWriter::lineTo(double x, double y)
{
    point(x, y, " l\n");
}

void PdfWriter::curveTo(double x1, double y1, double x2, double y2, double x3, double y3)
{
    point(x1, y1, " ");
    point(x2, y2, " ");
    point(x3, y3, " c\n");
}

void PdfWriter::closePath()
{
    m_content += "h\n";
}

void PdfWriter::strokePath()
{
    if (m_inPath)
        m_content += "S\n";
    m_inPath = false;
}

void PdfWriter::fillPath()
{
    if (m_inPath)
        m_content += "f*\n";
    m_inPath = false;
}

void PdfWriter::clipPath()
{
    // Clipping to no area leaves nothing visible, as an empty clip path does.
    m_content += m_inPath ? "W* n\n" : "0 0 0 0 re W n\n";
    m_inPath = false;
}

void PdfWriter::save()
{
    m_content += "q\n";
    m_saved.push_back(m_state);
}

void PdfWriter::restore()
{
    if (m_saved.empty())
        return;
    m_content += "Q\n";
    m_state = m_saved.back();
    m_saved.pop_back();
}

unsigned PdfWriter::addFont(const std::string& file, int index)
{
    m_fonts.push_back(std::make_unique<PdfFont>(file, index));
    m_fontUsed.push_back(false);
    return static_cast<unsigned>(m_fonts.size() - 1);
}

void PdfWriter::text(unsigned font, const double matrix[6], std::uint32_t rgb, const unsigned* glyphs, size_t count)
{
    if (count == 0 || font >= m_fonts.size())
        return;
    const bool begin = m_texts.empty();
    if (begin)
        m_texts = "BT\n";
    if (begin || rgb != m_textFill)
        colour(m_texts, rgb, "rg");
    if (begin || font != m_textFont) {
        m_texts += "/F" + std::to_string(font + 1) + " 1 Tf\n";
        m_textFont = font;
    }
    m_textFill = rgb;
    for (int k = 0; k < 6; ++k) {
        appendPdfNumber(m_texts, matrix[k], k < 4 ? kMatrixDecimals : kCoordinateDecimals);
        m_texts += ' ';
    }
    m_texts += "Tm <";
    for (size_t i = 0; i < count; ++i) {
        appendHexGlyph(m_texts, glyphs[i]);
        m_fonts[font]->use(glyphs[i]);
    }
    m_texts += "> Tj\n";
    m_fontUsed[font] = true;
}

void PdfWriter::flushTexts()
{
    if (m_texts.empty())
        return;
    m_content += m_texts;
    m_content += "ET\n";
    m_state.fill = m_textFill;
    m_texts.clear();
}

bool PdfWriter::put(const std::function<bool(const char*, size_t)>& sink, const std::string& bytes)
{
    m_written += bytes.size();
    return sink(bytes.data(), bytes.size());
}

bool PdfWriter::putObject(const std::function<bool(const char*, size_t)>& sink, const std::string& body)
{
    m_offsets.push_back(m_written);
    return put(sink, std::to_string(m_offsets.size()) + " 0 obj\n" + body + "\nendobj\n");
}

bool PdfWriter::putStream(const std::function<bool(const char*, size_t)>& sink, const std::string& data,
                          const std::string& entries)
{
    // Content streams are long and repetitive: the fastest level already shrinks them
    // several times over.
    std::string packed;
    if (!deflateParallel(data.data(), data.size(), packed)) {
        m_error = "the page cannot be compressed";
        return false;
    }
    m_offsets.push_back(m_written);
    return put(sink, std::to_string(m_offsets.size()) + " 0 obj\n<< /Length " + std::to_string(packed.size()) +
                         " /Filter /FlateDecode" + entries + " >>\nstream\n") &&
           put(sink, packed) && put(sink, "\nendstream\nendobj\n");
}

// The page's fonts, /F1 for font 0 and so on, by the objects that follow the content.
std::string PdfWriter::resources(const std::vector<unsigned>& used) const
{
    if (used.empty())
        return "<< >>";
    std::string out = "<< /Font <<";
    for (size_t k = 0; k < used.size(); ++k)
        out += " /F" + std::to_string(used[k] + 1) + ' ' + std::to_string(kFirstFontObject + kFontObjects * k) + " 0 R";
    return out + " >> >>";
}

// A font's objects: the composite font, its CID font, descriptor, font program and map to
// Unicode, numbered on from the next object.
bool PdfWriter::putFont(const std::function<bool(const char*, size_t)>& sink, const PdfFont& font)
{
    std::string program;
    if (!font.subset(program, m_error))
        return false;
    const std::string name = font.subsetName();
    const size_t first = m_offsets.size() + 1;
    const auto ref = [first](size_t k) { return std::to_string(first + k) + " 0 R"; };
    return putObject(sink, "<< /Type /Font /Subtype /Type0 /BaseFont /" + name +
                               " /Encoding /Identity-H /DescendantFonts [" + ref(1) + "] /ToUnicode " + ref(4) + " >>") &&
           putObject(sink, "<< /Type /Font /Subtype /CIDFontType2 /BaseFont /" + name +
                               " /CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >>"
                               " /FontDescriptor " + ref(2) + " /CIDToGIDMap /Identity /W " + font.widths() + " >>") &&
           putObject(sink, "<< /Type /FontDescriptor /FontName /" + name + ' ' + font.metrics() + " /FontFile2 " +
                               ref(3) + " >>") &&
           putStream(sink, program, " /Length1 " + std::to_string(program.size())) &&
           putStream(sink, font.toUnicode(), "");
}

bool PdfWriter::finish(const std::function<bool(const char*, size_t)>& sink)
{
    flushTexts();
    strokePath();
    while (!m_saved.empty())
        restore();
    std::vector<unsigned> used;
    for (unsigned k = 0; k < m_fonts.size(); ++k)
        if (m_fontUsed[k])
            used.push_back(k);
    // Objects: 1 catalog, 2 page tree, 3 page, 4 content, then five for each font.
    bool ok = put(sink, "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n") && putObject(sink, "<< /Type /Catalog /Pages 2 0 R >>") &&
              putObject(sink, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>") &&
              putObject(sink, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 " + number(m_width, kSheetDecimals) + ' ' +
                                  number(m_height, kSheetDecimals) + "] /Resources " + resources(used) +
                                  " /Contents 4 0 R >>") &&
              putStream(sink, m_content, "");
    for (const unsigned k : used)
        ok = ok && putFont(sink, *m_fonts[k]);
    if (!ok)
        return false;
    const size_t xref = m_written;
    std::string table = "xref\n0 " + std::to_string(m_offsets.size() + 1) + "\n0000000000 65535 f \n";
    for (const size_t offset : m_offsets) {
        const std::string digits = std::to_string(offset);
        table += std::string(10 - std::min<size_t>(10, digits.size()), '0') + digits + " 00000 n \n";
    }
    table += "trailer\n<< /Size " + std::to_string(m_offsets.size() + 1) + " /Root 1 0 R >>\nstartxref\n" +
             std::to_string(xref) + "\n%%EOF\n";
    return put(sink, table);
}

} // namespace qv
