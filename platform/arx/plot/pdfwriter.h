// A one-page PDF file written by the plot engine: the page's content built as text in memory
// (paths, strokes, even-odd fills and clips, texts in embedded fonts: those the texts name
// and those that stand in for them), then compressed and written out with the objects, cross-reference table and trailer that make the file. The
// page's user space has y pointing down from the sheet's top-left corner, as the canvas's.
#pragma once

#include "pdffont.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace qv {

class PdfWriter
{
public:
    // A page of the size in points.
    PdfWriter(double widthPt, double heightPt);

    // The fonts texts are shown in, numbered from 0 as they are added.
    PdfFont& font(unsigned index) { return *m_fonts[index]; }
    // Adds the face of a font file; its index.
    unsigned addFont(const std::string& file, int index);

    // The pen of the next strokes; given before their path begins.
    void setStroke(std::uint32_t rgb, double width);
    // The colour of the next fill; given before its path begins.
    void setFill(std::uint32_t rgb);
    void moveTo(double x, double y);
    void lineTo(double x, double y);
    // A cubic Bézier segment through the control points (x1, y1) and (x2, y2) to (x3, y3).
    void curveTo(double x1, double y1, double x2, double y2, double x3, double y3);
    void closePath();
    // Strokes, fills (even-odd) or clips to (even-odd) the path built since the last of these.
    void strokePath();
    void fillPath();
    void clipPath();
    // Saves and restores the graphics state (the clip with it).
    void save();
    void restore();

    // Glyphs of a font shown from the origin of the text matrix [a b c d e f] (an em of one
    // mapped to the page), each advancing by its width; they go out at flushTexts.
    void text(unsigned font, const double matrix[6], std::uint32_t rgb, const unsigned* glyphs, size_t count);
    bool hasTexts() const { return !m_texts.empty(); }
    void flushTexts();

    // Writes the file through sink, which returns false to stop; false with the reason when
    // it stopped or the font cannot be embedded.
    bool finish(const std::function<bool(const char*, size_t)>& sink);
    const std::string& error() const { return m_error; }

private:
    struct State {
        std::uint32_t stroke = 0, fill = 0;
        double width = 1;
    };

    void point(double x, double y, const char* op);
    void colour(std::string& out, std::uint32_t rgb, const char* op);
    bool put(const std::function<bool(const char*, size_t)>& sink, const std::string& bytes);
    bool putObject(const std::function<bool(const char*, size_t)>& sink, const std::string& body);
    bool putStream(const std::function<bool(const char*, size_t)>& sink, const std::string& data,
                   const std::string& entries);
    std::string resources(const std::vector<unsigned>& used) const;
    bool putFont(const std::function<bool(const char*, size_t)>& sink, const PdfFont& font);

    double m_width, m_height;
    std::vector<std::unique_ptr<PdfFont>> m_fonts;
    std::vector<bool> m_fontUsed;
    std::string m_content;
    std::string m_texts;              // the text objects waiting for flushTexts
    std::uint32_t m_textFill = 0;     // the fill colour the waiting texts leave set
    unsigned m_textFont = 0;          // the font the waiting texts leave set
    State m_state;
    std::vector<State> m_saved;
    bool m_inPath = false;
    std::vector<size_t> m_offsets;    // of the objects written
    size_t m_written = 0;
    std::string m_error;
};

} // namespace qv
