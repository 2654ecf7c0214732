#include "mtextlayout.h"

#include <algorithm>
#include <cmath>

namespace qv {

namespace {

// Stacked parts of a fraction stand at 70% of the text's height, one over the bar and one
// under it, or beside a slash; those of a tolerance at 50%, so that both together stand
// about as tall as the text.
constexpr double kFractionSize = 0.7;
constexpr double kToleranceSize = 0.5;
constexpr double kTabStep = 4;   // text heights between tab stops where the paragraph sets none
constexpr int kMaxColumns = 100;
// Writers size a label's box to its text in their own fonts, which the faces a plot draws in
// may pass by a few per cent (up to 12% for digits and short words): a label (a text of one
// paragraph) that fits on one line up to this much wider than its box is condensed to the box
// rather than broken into lines of a word or two. Any wider label, one meant to wrap (twice
// its box or more) or one between, breaks at its blanks, and so does every paragraph of a
// text of several, as its writer laid the body out.
constexpr double kCondensable = 1.15;

MTextFormat scaled(const MTextFormat& format, double factor)
{
    MTextFormat part = format;
    part.height *= factor;
    return part;
}

size_t utf8Length(const std::string& text, size_t i)
{
    const auto lead = static_cast<unsigned char>(text[i]);
    const size_t n = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    return std::min(n, text.size() - i);
}

} // namespace

MTextLayout::MTextLayout(const MTextContent& content, const MTextGeometry& geometry, const Measure& measure,
                         std::size_t maxElements)
    : m_geometry(geometry), m_measure(measure), m_label(content.paragraphs().size() == 1),
      m_elements(content.elements()), m_maxElements(maxElements)
{
    if (!(m_geometry.capHeight > 0))
        m_geometry.capHeight = 1;
    m_wrap = geometry.columns.type != AcDbMText::kNoColumns ? geometry.columns.width : geometry.width;
    for (const MTextParagraph& p : content.paragraphs())
        if (isComplete())
            breakParagraph(p, m_wrap);
    if (isComplete())
        flowIntoColumns();
    m_lines.clear();   // they point into the content
}

double MTextLayout::advance(const std::string& text, const MTextFormat& format) const
{
    if (text.empty())
        return 0;
    const double width = m_measure(text, format.font) * format.height / m_geometry.capHeight * format.widthFactor
        * format.tracking;
    return std::isfinite(width) ? width : 0;
}

double MTextLayout::stackWidth(const MTextRun& run) const
{
    const double size = run.stack == '^' ? kToleranceSize : kFractionSize;
    const MTextFormat part = scaled(run.format, size);
    const double upper = advance(run.text, part), lower = advance(run.lower, part);
    return run.stack == '#' ? upper + 0.3 * run.format.height + lower : std::max(upper, lower);
}

// A text run as words and the blanks between them, lines breaking only at blanks.
void MTextLayout::itemsOf(const MTextRun& run, std::vector<Item>& out)
{
    if (run.kind != MTextRun::kText) {
        out.push_back({&run, {}, run.kind == MTextRun::kStack ? stackWidth(run) : 0, false});
        ++m_elements;
        return;
    }
    const std::string& text = run.text;
    for (size_t i = 0; i < text.size() && isComplete(); ++m_elements) {
        const bool blank = text[i] == ' ';
        size_t end = i;
        while (end < text.size() && (text[end] == ' ') == blank)
            ++end;
        Item item{&run, text.substr(i, end - i), 0, blank};
        item.width = advance(item.text, run.format);
        out.push_back(std::move(item));
        i = end;
    }
}

// Where the item ends, from x in its line; a tab reaches the next stop after x from the
// paragraph's left edge.
double MTextLayout::advanceItem(const Line& line, double x, const Item& item) const
{
    if (item.run->kind != MTextRun::kTab)
        return x + item.width;
    const MTextParagraph& p = *line.paragraph;
    const double indent = p.left + (line.first ? p.indent : 0), from = indent + x;
    const double step = kTabStep * m_geometry.height;
    const auto stop = std::upper_bound(p.tabs.begin(), p.tabs.end(), from + 1e-9);
    const double next = stop != p.tabs.end() ? *stop : (std::floor(from / step + 1e-9) + 1) * step;
    return std::isfinite(next) ? next - indent : x;
}

double MTextLayout::placeItems(const Line& line, std::vector<double>* at) const
{
    double x = 0;
    for (const Item& item : line.items) {
        if (at)
            at->push_back(x);
        x = advanceItem(line, x, item);
    }
    return x;
}

double MTextLayout::trimmedWidth(Line& line) const
{
    while (!line.items.empty() && line.items.back().blank)
        line.items.pop_back();
    return placeItems(line, nullptr);
}

void MTextLayout::breakParagraph(const MTextParagraph& p, double available)
{
    std::vector<Item> items;
    for (const MTextRun& run : p.runs)
        if (isComplete())
            itemsOf(run, items);
    if (!isComplete())
        return;
    Line line;
    line.paragraph = &p;
    line.first = true;
    auto finish = [&](Line& done) {
        done.width = trimmedWidth(done) * done.across;
        done.height = 0;
        for (const Item& item : done.items)
            done.height = std::max(done.height, item.run->format.height);
        if (done.height == 0)
            done.height = p.runs.empty() ? m_geometry.height : p.runs.back().format.height;
        m_lines.push_back(std::move(done));
        ++m_elements;
    };
    auto limit = [&](const Line& l) { return available - p.left - p.right - (l.first ? p.indent : 0); };
    // The whole paragraph on one line when it fits (as it does a text without a width), or a
    // label's would fit condensed.
    line.items = std::move(items);
    const double whole = trimmedWidth(line), room = limit(line);
    if (!(available > 0) || whole <= room * (m_label ? kCondensable : 1)) {
        line.across = available > 0 && whole > room ? room / whole : 1;
        line.last = true;
        finish(line);
        return;
    }
    items = std::move(line.items);
    line.items.clear();
    // The line's width so far, and where it may break: after its last blank that follows a word.
    double x = 0;
    size_t breakAt = 0;
    bool word = false;
    for (Item& item : items) {
        x = advanceItem(line, x, item);
        line.items.push_back(std::move(item));
        if (line.items.back().blank) {
            breakAt = word ? line.items.size() : breakAt;
            continue;
        }
        word = true;
        if (x <= limit(line) || breakAt == 0)
            continue;   // fits, or one word wider than the line stays whole
        Line next;
        next.paragraph = &p;
        next.items.assign(std::make_move_iterator(line.items.begin() + static_cast<long>(breakAt)),
                          std::make_move_iterator(line.items.end()));
        line.items.resize(breakAt);
        finish(line);
        line = std::move(next);
        x = placeItems(line, nullptr);
        breakAt = 0;
    }
    line.last = true;
    finish(line);
}

double MTextLayout::columnLimit(int column) const
{
    const AcDbMText::Columns& c = m_geometry.columns;
    if (c.type == AcDbMText::kDynamicColumns && !c.autoHeight && static_cast<size_t>(column) < c.heights.size())
        return c.heights[static_cast<size_t>(column)];
    return c.height;
}

void MTextLayout::flowIntoColumns()
{
    const AcDbMText::Columns& c = m_geometry.columns;
    const bool columns = c.type != AcDbMText::kNoColumns;
    const int most = !columns ? 1 : c.type == AcDbMText::kStaticColumns ? std::max(c.count, 1) : kMaxColumns;
    int column = 0;
    bool empty = true;
    double previous = 0, previousHeight = 0, bottom = 0, widest = 0;
    for (Line& line : m_lines) {
        if (line.first && line.paragraph->columnBreak && column + 1 < most) {
            ++column;
            empty = true;
        }
        const double factor = line.paragraph->lineSpacing > 0 ? line.paragraph->lineSpacing : m_geometry.lineSpacing;
        const double tallest = m_geometry.exactSpacing ? m_geometry.height : std::max(previousHeight, line.height);
        line.baseline = empty ? -line.height : previous - factor * m_geometry.lineDistance * tallest;
        const double limit = columns ? columnLimit(column) : 0;
        if (!empty && limit > 0 && -line.baseline > limit * (1 + 1e-9) && column + 1 < most) {
            ++column;
            line.baseline = -line.height;
        }
        line.column = column;
        empty = false;
        previous = line.baseline, previousHeight = line.height;
        bottom = std::max(bottom, -line.baseline);
        const MTextParagraph& p = *line.paragraph;
        widest = std::max(widest, line.width + p.left + p.right + (line.first ? p.indent : 0));
    }
    const int count = c.type == AcDbMText::kStaticColumns ? most : column + 1;
    const double columnWidth = columns ? c.width : m_wrap > 0 ? m_wrap : widest;
    const double blockWidth = columnWidth * count + (columns ? c.gutter * (count - 1) : 0);
    if (columns && (c.type == AcDbMText::kStaticColumns || c.autoHeight))
        bottom = std::max(bottom, c.height);
    const int across = (m_geometry.attachment - 1) % 3, down = (m_geometry.attachment - 1) / 3;
    const double left = -blockWidth * across / 2, shift = bottom * down / 2;
    for (Line& line : m_lines) {
        const int place = c.flowReversed ? count - 1 - line.column : line.column;
        line.baseline += shift;
        const MTextParagraph& p = *line.paragraph;
        const char align = p.align ? p.align : "lcr"[across];
        const double indent = p.left + (line.first ? p.indent : 0), room = columnWidth - indent - p.right;
        double x = left + place * (columnWidth + c.gutter) + indent, extra = 0;
        if (align == 'c')
            x += (room - line.width) / 2;
        else if (align == 'r')
            x += room - line.width;
        else if (align == 'j' && !line.last && room > line.width) {
            const auto blanks = std::count_if(line.items.begin(), line.items.end(), [](const Item& i) { return i.blank; });
            extra = blanks > 0 ? (room - line.width) / static_cast<double>(blanks) : 0;
        }
        emit(line, x, extra);
        if (!isComplete())
            break;
    }
}

// The line's items from x, blanks widened by extra (a justified line), places and glyphs
// narrowed by its condensing.
void MTextLayout::emit(const Line& line, double left, double extra)
{
    std::vector<double> at;
    placeItems(line, &at);
    const double across = line.across;
    const size_t firstPiece = m_pieces.size();
    double widened = 0, pieceEnd = NAN;
    for (size_t i = 0; i < line.items.size(); ++i) {
        const Item& item = line.items[i];
        const MTextFormat& f = item.run->format;
        const double x = left + (at[i] + widened) * across;
        const double y = line.baseline + (f.align == 1 ? (line.height - f.height) / 2 : f.align == 2 ? line.height - f.height : 0);
        widened += item.blank ? extra : 0;
        if (item.run->kind == MTextRun::kStack) {
            emitStack(item, x, y, across);
            continue;
        }
        if (item.run->kind == MTextRun::kTab)
            continue;
        const double width = (item.width + (item.blank ? extra : 0)) * across;
        if (f.tracking != 1) {   // each character at its own place
            double cx = x;
            for (size_t k = 0; k < item.text.size() && isComplete(); k += utf8Length(item.text, k)) {
                const std::string character = item.text.substr(k, utf8Length(item.text, k));
                addPiece({character, cx, y, f});
                cx += advance(character, f) * across;
            }
        } else if (!m_pieces.empty() && m_pieces.back().format == f && m_pieces.back().y == y
                   && std::abs(pieceEnd - x) <= 1e-9 * std::max(1.0, std::abs(x))) {
            m_pieces.back().text += item.text;   // one piece while nothing changes
        } else {
            addPiece({item.text, x, y, f});
        }
        pieceEnd = x + item.width * across;   // a widened blank ends the piece
        m_box.add(Box2d::around(x, y, x + width, y + f.height));
        for (const auto& [on, offset] : {std::pair{f.underline, kUnderline}, {f.overline, kOverline}, {f.strike, kStrike}})
            if (on)
                addRule(x, y + offset * f.height, x + width, y + offset * f.height, f.rgb);
    }
    if (across != 1)
        for (size_t i = firstPiece; i < m_pieces.size(); ++i)
            m_pieces[i].format.widthFactor *= across;
}

// The stack's parts from x, their places narrowed by across (their glyphs by the caller).
void MTextLayout::emitStack(const Item& item, double x, double baseline, double across)
{
    const MTextRun& run = *item.run;
    const double h = run.format.height, width = item.width * across;
    if (run.stack == '^') {   // the upper part's top at the text's, the lower one's foot just under the baseline
        const MTextFormat part = scaled(run.format, kToleranceSize);
        addPiece({run.text, x, baseline + 0.6 * h, part});
        addPiece({run.lower, x, baseline - 0.1 * h, part});
    } else if (run.stack == '#') {   // the upper part raised, a slash, the lower part on the baseline
        const MTextFormat part = scaled(run.format, kFractionSize);
        const double upper = advance(run.text, part) * across, slash = 0.3 * h * across;
        addPiece({run.text, x, baseline + 0.3 * h, part});
        addRule(x + upper, baseline, x + upper + slash, baseline + h, run.format.rgb);
        addPiece({run.lower, x + upper + slash, baseline, part});
    } else {   // centred over and under a bar a little under half the height
        const MTextFormat part = scaled(run.format, kFractionSize);
        const double upper = advance(run.text, part) * across, lower = advance(run.lower, part) * across;
        const double bar = baseline + 0.45 * h;
        addPiece({run.text, x + (width - upper) / 2, bar + 0.15 * h, part});
        addPiece({run.lower, x + (width - lower) / 2, bar - 0.85 * h, part});
        addRule(x, bar, x + width, bar, run.format.rgb);
    }
    m_box.add(Box2d::around(x, baseline - 0.4 * h, x + width, baseline + 1.3 * h));
}

void MTextLayout::addPiece(Piece piece)
{
    m_pieces.push_back(std::move(piece));
    ++m_elements;
}

void MTextLayout::addRule(double x0, double y0, double x1, double y1, const std::optional<std::uint32_t>& rgb)
{
    // A rule going on from the last one (underlined words and the blanks between) extends it.
    if (!m_rules.empty()) {
        Rule& last = m_rules.back();
        if (y0 == y1 && last.y0 == y0 && last.y1 == y1 && last.rgb == rgb && std::abs(last.x1 - x0) <= 1e-9 * std::max(1.0, std::abs(x0))) {
            last.x1 = x1;
            return;
        }
    }
    m_rules.push_back({x0, y0, x1, y1, rgb});
    ++m_elements;
    m_box.add(Box2d::around(std::min(x0, x1), std::min(y0, y1), std::max(x0, x1), std::max(y0, y1)));
}

} // namespace qv
