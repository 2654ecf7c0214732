// A multiline text laid out in its own frame: x along its direction, y up, drawing units
// from its insertion point. Paragraphs break into lines at blanks so that none is wider than
// the text's width (or its column's), measured with the widths they are drawn with, unless
// the text is one paragraph at most a little wider: that one line is condensed to the width; lines
// stand apart by the line spacing (taller ones further, unless the spacing is exact), fill
// the columns (a column break or a full column starts the next one) and align within them;
// the whole block stands at the text's attachment point. The result is the pieces of text
// to draw, the rules to stroke (lines under, over and through, fraction bars and slashes)
// and the box of what is drawn.
#pragma once

#include "mtextcontent.h"

#include "arx/dbboxtree.h"
#include "arx/dbtext.h"

#include <functional>

namespace qv {

struct MTextGeometry {
    double height = 1;        // the text's own height (of its empty lines)
    double width = 0;         // lines wider than this wrap (0: none do)
    int attachment = 1;       // 1 top left to 9 bottom right
    double capHeight = 1;     // a text height per em of its font
    double lineDistance = 1;  // baselines apart, per text height
    double lineSpacing = 1;   // that distance's factor
    bool exactSpacing = false;
    AcDbMText::Columns columns;
};

class MTextLayout
{
public:
    // The advance of a text in a font at an em of one.
    using Measure = std::function<double(std::string_view utf8, const PlotFont& font)>;
    // Characters whose baseline starts at (x, y); the format's width factor holds its line's
    // condensing.
    struct Piece {
        std::string text;
        double x = 0, y = 0;
        MTextFormat format;
    };
    struct Rule {
        double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
        std::optional<std::uint32_t> rgb;
    };

    // Lines under, over and through the characters, from the baseline in text heights.
    static constexpr double kUnderline = -0.2, kOverline = 1.2, kStrike = 0.5;

    // Laying out stops once the content's elements and the layout's (words and blanks,
    // lines, pieces, rules) number more than maxElements: what it holds is bounded as it is made.
    MTextLayout(const MTextContent& content, const MTextGeometry& geometry, const Measure& measure,
                std::size_t maxElements = SIZE_MAX);

    // The elements made; more than maxElements when the layout stopped short.
    std::size_t elements() const { return m_elements; }
    bool isComplete() const { return m_elements <= m_maxElements; }
    const std::vector<Piece>& pieces() const { return m_pieces; }
    const std::vector<Rule>& rules() const { return m_rules; }
    const Box2d& box() const { return m_box; }

private:
    // A word, the blanks after it, a tab or a stack: what a line is made of.
    struct Item {
        const MTextRun* run = nullptr;
        std::string text;
        double width = 0;
        bool blank = false;
    };
    struct Line {
        std::vector<Item> items;
        const MTextParagraph* paragraph = nullptr;
        bool first = false, last = false;   // of its paragraph
        double height = 0, width = 0;   // the width as drawn
        double across = 1;              // under 1 for a condensed line: its places and glyphs narrowed
        double baseline = 0;
        int column = 0;
    };

    void breakParagraph(const MTextParagraph& p, double available);
    void itemsOf(const MTextRun& run, std::vector<Item>& out);
    double advance(const std::string& text, const MTextFormat& format) const;
    double stackWidth(const MTextRun& run) const;
    double advanceItem(const Line& line, double x, const Item& item) const;
    // The x of each item in its line (tabs reach their stops), the line's width.
    double placeItems(const Line& line, std::vector<double>* at) const;
    // The line's width without the blanks it ends with, which it drops.
    double trimmedWidth(Line& line) const;
    void flowIntoColumns();
    double columnLimit(int column) const;
    void emit(const Line& line, double left, double extra);
    void emitStack(const Item& item, double x, double baseline, double across);
    void addPiece(Piece piece);
    void addRule(double x0, double y0, double x1, double y1, const std::optional<std::uint32_t>& rgb);

    MTextGeometry m_geometry;
    Measure m_measure;
    double m_wrap = 0;
    bool m_label;   // a text of one paragraph, which may be condensed onto its line
    std::vector<Line> m_lines;
    std::vector<Piece> m_pieces;
    std::vector<Rule> m_rules;
    Box2d m_box;
    std::size_t m_elements = 0, m_maxElements = SIZE_MAX;
};

} // namespace qv
