// A multiline text's contents read into paragraphs of runs. Formatting codes set the
// properties of the characters after them: font (\f, \F), height (\H), width (\W), tracking
// (\T), colour (\C, \c), lines under, over and through (\L \l, \O \o, \K \k) and the place
// within the line (\A); braces scope them. Paragraph codes (\p) set a paragraph's alignment,
// indents, tab stops and line spacing; \P ends a paragraph, \N a column. Special characters
// become what they stand for: "%%d", "%%nnn" and the like, caret codes ("^I" a tab, "^J"
// and "^M" line breaks), "\~", "\U+XXXX", "\\", "\{" and "\}"; \S stacks two texts.
#pragma once

#include "plotfont.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

// What the characters of a run share; heights in drawing units.
struct MTextFormat {
    PlotFont font;
    double height = 1;
    double widthFactor = 1;
    double tracking = 1;   // the characters' advances times this
    bool underline = false, overline = false, strike = false;
    std::optional<std::uint32_t> rgb;   // none: the entity's colour
    int align = 0;                      // within the line: 0 on the baseline, 1 centred, 2 at the top
    bool operator==(const MTextFormat&) const = default;
};

struct MTextRun {
    enum Kind { kText, kTab, kStack };
    Kind kind = kText;
    std::string text;    // the characters, or a stack's upper part
    std::string lower;   // a stack's lower part
    char stack = 0;      // '/' over a bar, '#' beside a slash, '^' over each other (a tolerance)
    MTextFormat format;
};

// Indents and tab stops in drawing units from the paragraph's left edge.
struct MTextParagraph {
    std::vector<MTextRun> runs;
    char align = 0;   // 'l', 'c', 'r', 'j' (justified), or 0: as the text is attached
    double indent = 0, left = 0, right = 0;   // the first line's indent is relative to left
    std::vector<double> tabs;
    double lineSpacing = 0;     // a factor of the usual distance (0: the text's own)
    bool columnBreak = false;   // starts in the next column
};

class MTextContent
{
public:
    // base: the text's own format (its style's font, its height); indents and tab stops are
    // given in multiples of its height. Reading stops once the paragraphs and runs number
    // more than maxElements, so that what a text holds is bounded before it is made.
    MTextContent(std::string_view contents, const MTextFormat& base, std::size_t maxElements = SIZE_MAX);
    const std::vector<MTextParagraph>& paragraphs() const { return m_paragraphs; }
    // The paragraphs and runs read; more than maxElements when reading stopped short.
    std::size_t elements() const { return m_elements; }

private:
    void read(std::string_view s);
    // The code after a backslash at s[i]; returns the index after it.
    size_t readCode(std::string_view s, size_t i);
    size_t readCaret(std::string_view s, size_t i);
    void readParagraphCode(std::string_view argument);
    void readStack(std::string_view argument);
    void setHeight(std::string_view argument);
    void setColour(std::string_view argument, bool trueColour);
    void setFont(std::string_view argument, bool file);
    void append(std::string_view characters);
    void appendRun(MTextRun::Kind kind);
    void newParagraph(bool columnBreak);

    MTextFormat m_base, m_format;
    std::vector<MTextFormat> m_scopes;   // the formats outside the open braces
    std::vector<MTextParagraph> m_paragraphs;
    std::size_t m_elements = 0, m_maxElements = SIZE_MAX;
};

} // namespace qv
