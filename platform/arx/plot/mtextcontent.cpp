#include "mtextcontent.h"

#include "fontmatch.h"
#include "plottext.h"

#include "arx/cmcolor.h"
#include "arx/dxfnumber.h"
#include "arx/dxftext.h"
#include "arx/dxftextdecoder.h"

#include <algorithm>
#include <cctype>

namespace qv {

namespace {

constexpr std::string_view kSpecial = "{}\\^%\t\n";

bool number(std::string_view text, double& value) { return dxf::parseReal(text, value); }

// A value given as is, or as a multiple of the current one ("2x"), within [low, high].
void setScaled(std::string_view argument, double& value, double low, double high)
{
    const bool relative = !argument.empty() && std::tolower(static_cast<unsigned char>(argument.back())) == 'x';
    double given = 0;
    if (number(relative ? argument.substr(0, argument.size() - 1) : argument, given) && given > 0)
        value = std::clamp(relative ? value * given : given, low, high);
}

// The end of a code's argument: its ';' (one escaped by a backslash does not end it), or
// the end of the contents.
size_t argumentEnd(std::string_view s, size_t from)
{
    for (size_t i = from; i < s.size(); ++i) {
        if (s[i] == '\\')
            ++i;
        else if (s[i] == ';')
            return i;
    }
    return s.size();
}

// A stacked part's characters: escaped ones as themselves, control codes as their characters.
std::string stackPart(std::string_view part, bool shapeFont)
{
    std::string out;
    for (size_t i = 0; i < part.size(); ++i) {
        if (const size_t code = controlCodeAt(part, i, shapeFont, out); code > 0)
            i += code - 1;
        else if (part[i] == '\\' && i + 1 < part.size())
            out += part[++i];
        else
            out += part[i];
    }
    return out;
}

} // namespace

MTextContent::MTextContent(std::string_view contents, const MTextFormat& base, std::size_t maxElements)
    : m_base(base), m_format(base), m_maxElements(maxElements)
{
    m_paragraphs.emplace_back();
    m_elements = 1;
    read(contents);
}

void MTextContent::read(std::string_view s)
{
    for (size_t i = 0; i < s.size() && m_elements <= m_maxElements;) {
        switch (s[i]) {
        case '{':
            m_scopes.push_back(m_format);
            ++i;
            break;
        case '}':
            if (!m_scopes.empty()) {
                m_format = m_scopes.back();
                m_scopes.pop_back();
            }
            ++i;
            break;
        case '\\': i = readCode(s, i); break;
        case '^': i = readCaret(s, i); break;
        case '\t':
            appendRun(MTextRun::kTab);
            ++i;
            break;
        case '\n':
            newParagraph(false);
            ++i;
            break;
        case '%': {
            std::string character;
            const size_t code = s.substr(i, 2) == "%%" ? controlCodeAt(s, i, isShapeFont(m_format.font.name), character) : 0;
            append(code > 0 ? std::string_view(character) : s.substr(i, 1));
            i += std::max<size_t>(code, 1);
            break;
        }
        default: {
            const size_t end = std::min(s.find_first_of(kSpecial, i), s.size());
            append(s.substr(i, end - i));
            i = end;
        }
        }
    }
}

size_t MTextContent::readCode(std::string_view s, size_t i)
{
    if (i + 1 >= s.size()) {
        append("\\");
        return s.size();
    }
    const char code = s[i + 1];
    switch (code) {
    case 'P': case 'X': newParagraph(false); return i + 2;
    case 'N': newParagraph(true); return i + 2;
    case '~': append("\u00A0"); return i + 2;   // a space no line breaks at
    case 'L': case 'l': m_format.underline = code == 'L'; return i + 2;
    case 'O': case 'o': m_format.overline = code == 'O'; return i + 2;
    case 'K': case 'k': m_format.strike = code == 'K'; return i + 2;
    case 'U': {
        const int character = dxf::unicodeEscapeAt(s, i);
        if (character < 0)
            break;
        std::string out;
        dxf::appendUtf8(out, static_cast<unsigned>(character));
        append(out);
        return i + 7;
    }
    case 'M': {
        // An escape the reader left names no character of its page: it shows nothing.
        int page = 0;
        if (dxf::multiByteEscapeAt(s, i, page) < 0)
            break;
        std::string out;
        dxf::TextDecoder(true, {}).decode(s.substr(i, 8), out);
        if (out != s.substr(i, 8))
            append(out);
        return i + 8;
    }
    case 'f': case 'F': case 'H': case 'W': case 'Q': case 'T': case 'A': case 'C': case 'c': case 'p': case 'S': {
        const size_t end = argumentEnd(s, i + 2);
        const std::string_view argument = s.substr(i + 2, end - i - 2);
        if (code == 'f' || code == 'F')
            setFont(argument, code == 'F');
        else if (code == 'H')
            setHeight(argument);
        else if (code == 'W')
            setScaled(argument, m_format.widthFactor, 0.01, 100);
        else if (code == 'T')
            setScaled(argument, m_format.tracking, 0.75, 4);
        else if (code == 'A')
            m_format.align = argument == "1" ? 1 : argument == "2" ? 2 : 0;
        else if (code == 'C' || code == 'c')
            setColour(argument, code == 'c');
        else if (code == 'p')
            readParagraphCode(argument);
        else if (code == 'S')
            readStack(argument);
        return std::min(end + 1, s.size());   // obliquing (\Q) is not drawn
    }
    case '\\': case '{': case '}': append(s.substr(i + 1, 1)); return i + 2;
    default: break;
    }
    append(s.substr(i, 2));   // what is no code shows as written
    return i + 2;
}

// "^I" is a tab, "^J" (line feed) and "^M" (carriage return) break the line, "^ " is a
// caret; the other codes "^@" to "^_" stand for the other control characters, which show
// nothing (as "%%nnn" of one does). A caret before anything else is itself.
size_t MTextContent::readCaret(std::string_view s, size_t i)
{
    const char next = i + 1 < s.size() ? s[i + 1] : '\0';
    if (next == ' ') {
        append("^");
        return i + 2;
    }
    if (next < '@' || next > '_') {
        append("^");
        return i + 1;
    }
    const unsigned control = static_cast<unsigned>(next - '@');
    if (control == '\t')
        appendRun(MTextRun::kTab);
    else if (control == '\n' || control == '\r')
        newParagraph(false);
    return i + 2;
}

void MTextContent::setHeight(std::string_view argument)
{
    // Bounded to a thousand times the text's height either way, so that no run sizes a line
    // beyond the drawing.
    setScaled(argument, m_format.height, m_base.height / 1000, m_base.height * 1000);
}

// \C: a colour index (0 by block and 256 by layer take the entity's); \c: a true colour,
// blue in the high byte and red in the low one. White plots black on the paper.
void MTextContent::setColour(std::string_view argument, bool trueColour)
{
    long long value = 0;
    if (!dxf::parseInt(argument, value))
        return;
    std::uint32_t rgb = 0;
    if (trueColour) {
        const auto bgr = static_cast<std::uint32_t>(value) & 0xFFFFFF;
        rgb = (bgr & 0xFF) << 16 | (bgr & 0xFF00) | bgr >> 16;
    } else if (value == 0 || value == 256) {
        m_format.rgb.reset();
        return;
    } else if (value > 0 && value < 256) {
        rgb = AcCmColor::paletteRGB(static_cast<Adesk::UInt16>(value)) & 0xFFFFFF;
    } else {
        return;
    }
    m_format.rgb = rgb == 0xFFFFFF ? 0 : rgb;
}

// "\fFamily|b1|i0|c0|p34;" names a family with its weight and slant, "\Ffile;" a font file.
void MTextContent::setFont(std::string_view argument, bool file)
{
    const size_t bar = argument.find('|');
    const std::string_view name = argument.substr(0, bar);
    if (!name.empty())
        m_format.font.name = std::string(name);
    m_format.font.bold = m_format.font.italic = false;
    for (size_t at = bar; !file && at != std::string_view::npos; at = argument.find('|', at + 1)) {
        const std::string_view flag = argument.substr(at + 1, 2);
        if (flag == "b1" || flag == "i1")
            (flag[0] == 'b' ? m_format.font.bold : m_format.font.italic) = true;
    }
}

// Items, commas between them or not: "q" and l, c, r or j for the alignment, "i", "l" and
// "r" with the first line's, the left and the right indents, "t" with tab stops (more after
// commas, "c" or "r" before one making no difference here), "s" and a letter with a line
// spacing factor; "*" resets an item. An "x" only marks the extended form.
void MTextContent::readParagraphCode(std::string_view argument)
{
    MTextParagraph& p = m_paragraphs.back();
    const double unit = m_base.height;
    size_t at = 0;
    // Indents and stops within a million text heights, so that none takes a line off to infinity.
    auto value = [&](double& v) {
        size_t end = at;
        while (end < argument.size() && std::string_view("0123456789+-.eE").find(argument[end]) != std::string_view::npos)
            ++end;
        const bool read = number(argument.substr(at, end - at), v);
        v = std::clamp(v, -1e6, 1e6);
        at = end;
        return read;
    };
    auto startsValue = [&](size_t i) { return i < argument.size() && (std::isdigit(static_cast<unsigned char>(argument[i])) || argument[i] == '.' || argument[i] == '-'); };
    while (at < argument.size()) {
        const char key = argument[at++];
        const bool reset = at < argument.size() && argument[at] == '*';
        at += reset;
        double v = 0;
        if (key == 'q') {
            const char align = !reset && at < argument.size() ? argument[at++] : 0;
            p.align = align && std::string_view("lcrj").find(align) != std::string_view::npos ? align : 0;
        } else if (key == 'i' || key == 'l' || key == 'r') {
            (key == 'i' ? p.indent : key == 'l' ? p.left : p.right) = !reset && value(v) ? v * unit : 0;
        } else if (key == 't') {
            p.tabs.clear();
            for (bool more = true; more;) {
                at += at < argument.size() && (argument[at] == 'c' || argument[at] == 'r') && startsValue(at + 1);
                if (!startsValue(at) || !value(v))
                    break;
                p.tabs.push_back(v * unit);
                more = at + 1 < argument.size() && argument[at] == ',' && (startsValue(at + 1) || startsValue(at + 2));
                at += more;
            }
            std::sort(p.tabs.begin(), p.tabs.end());
        } else if (key == 's') {
            while (at < argument.size() && std::isalpha(static_cast<unsigned char>(argument[at])))
                ++at;
            p.lineSpacing = !reset && value(v) ? std::clamp(v, 0.25, 4.0) : 0;
        }
    }
}

// "a/b" over a bar, "a#b" beside a slash, "a^b" over each other; without a separator the
// characters stay inline.
void MTextContent::readStack(std::string_view argument)
{
    size_t at = 0;
    for (; at < argument.size() && std::string_view("/#^").find(argument[at]) == std::string_view::npos; ++at)
        at += argument[at] == '\\';
    const bool shapeFont = isShapeFont(m_format.font.name);
    if (at >= argument.size()) {
        append(stackPart(argument, shapeFont));
        return;
    }
    MTextRun run;
    run.kind = MTextRun::kStack;
    run.text = stackPart(argument.substr(0, at), shapeFont);
    run.lower = stackPart(argument.substr(at + 1), shapeFont);
    run.stack = argument[at];
    run.format = m_format;
    m_paragraphs.back().runs.push_back(std::move(run));
    ++m_elements;
}

void MTextContent::append(std::string_view characters)
{
    if (characters.empty())
        return;
    std::vector<MTextRun>& runs = m_paragraphs.back().runs;
    if (runs.empty() || runs.back().kind != MTextRun::kText || !(runs.back().format == m_format))
        appendRun(MTextRun::kText);
    runs.back().text += characters;
}

void MTextContent::appendRun(MTextRun::Kind kind)
{
    MTextRun run;
    run.kind = kind;
    run.format = m_format;
    m_paragraphs.back().runs.push_back(std::move(run));
    ++m_elements;
}

// A paragraph keeps the previous one's alignment, indents, tab stops and spacing.
void MTextContent::newParagraph(bool columnBreak)
{
    MTextParagraph next;
    const MTextParagraph& previous = m_paragraphs.back();
    next.align = previous.align;
    next.indent = previous.indent, next.left = previous.left, next.right = previous.right;
    next.tabs = previous.tabs;
    next.lineSpacing = previous.lineSpacing;
    next.columnBreak = columnBreak;
    m_paragraphs.push_back(std::move(next));
    ++m_elements;
}

} // namespace qv
