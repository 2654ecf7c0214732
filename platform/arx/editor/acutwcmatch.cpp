#include "arx/acutwcmatch.h"

#include "arx/resbuf.h"

#include <algorithm>

namespace qv {

namespace {

using Element = WcPattern::Element;

// The next UTF-8 character; a byte that starts no valid sequence stands for itself.
char32_t nextChar(std::string_view s, size_t& i)
{
    const auto b = static_cast<unsigned char>(s[i++]);
    const int extra = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : 0;
    if (extra == 0 || i + static_cast<size_t>(extra) > s.size())
        return b;
    char32_t c = b & (0x3F >> extra);
    for (int k = 0; k < extra; ++k) {
        const auto cont = static_cast<unsigned char>(s[i + static_cast<size_t>(k)]);
        if ((cont & 0xC0) != 0x80)
            return b;
        c = (c << 6) | (cont & 0x3F);
    }
    i += static_cast<size_t>(extra);
    return c;
}

char32_t fold(char32_t c, bool ignoreCase) { return ignoreCase && c >= 'A' && c <= 'Z' ? c + 32 : c; }
bool isDigit(char32_t c) { return c >= '0' && c <= '9'; }
bool isLetter(char32_t c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c >= 0x80; }

// Reads "[...]" from just after the "["; false when no "]" closes it.
bool readSet(std::string_view p, size_t& i, Element& e)
{
    size_t j = i;
    e.kind = Element::kSet;
    if (j < p.size() && p[j] == '~') {
        e.negated = true;
        ++j;
    }
    for (bool first = true; j < p.size(); first = false) {
        if (p[j] == ']' && !first) {
            i = j + 1;
            return true;
        }
        if (p[j] == '`' && j + 1 < p.size())
            ++j;
        const char32_t low = nextChar(p, j);
        char32_t high = low;
        if (j + 1 < p.size() && p[j] == '-' && p[j + 1] != ']') {
            ++j;
            high = nextChar(p, j);
        }
        e.ranges.emplace_back(low, high);
    }
    return false;
}

Element::Kind kindOf(char32_t c)
{
    switch (c) {
    case '*': return Element::kStar;
    case '?': return Element::kAny;
    case '#': return Element::kDigit;
    case '@': return Element::kLetter;
    case '.': return Element::kOther;
    default: return Element::kChar;
    }
}

std::vector<Element> compile(std::string_view p)
{
    std::vector<Element> elements;
    for (size_t i = 0; i < p.size();) {
        Element e;
        if (p[i] == '`' && i + 1 < p.size()) {
            ++i;
            e.c = nextChar(p, i);
        } else if (p[i] == '[') {
            if (!readSet(p, ++i, e)) {
                e = Element();   // an unclosed "[" is itself
                e.c = '[';
            }
        } else {
            e.c = nextChar(p, i);
            e.kind = kindOf(e.c);
        }
        if (!(e.kind == Element::kStar && !elements.empty() && elements.back().kind == Element::kStar))
            elements.push_back(std::move(e));
    }
    return elements;
}

// The alternatives of a pattern: split at commas outside brackets and not escaped.
std::vector<std::string_view> alternatives(std::string_view p)
{
    std::vector<std::string_view> parts;
    size_t start = 0;
    bool inBrackets = false;
    for (size_t i = 0; i < p.size(); ++i) {
        if (p[i] == '`')
            ++i;
        else if (p[i] == '[')
            inBrackets = true;
        else if (p[i] == ']')
            inBrackets = false;
        else if (p[i] == ',' && !inBrackets) {
            parts.push_back(p.substr(start, i - start));
            start = i + 1;
        }
    }
    parts.push_back(p.substr(start));
    return parts;
}

} // namespace

WcPattern::WcPattern(std::string_view pattern, bool ignoreCase) : m_ignoreCase(ignoreCase)
{
    m_negated = !pattern.empty() && pattern.front() == '~';
    if (m_negated)
        pattern.remove_prefix(1);
    for (const std::string_view text : alternatives(pattern)) {
        Alternative& alternative = m_alternatives.emplace_back();
        alternative.elements = compile(text);
        const std::vector<Element>& elements = alternative.elements;
        alternative.isPrefix = !elements.empty() && elements.back().kind == Element::kStar;
        const size_t characters = elements.size() - (alternative.isPrefix ? 1 : 0);
        alternative.isLiteral = std::all_of(elements.begin(), elements.begin() + static_cast<std::ptrdiff_t>(characters),
                                            [](const Element& e) { return e.kind == Element::kChar && e.c < 0x80; });
        for (size_t i = 0; alternative.isLiteral && i < characters; ++i)
            alternative.literal += static_cast<char>(fold(elements[i].c, ignoreCase));
    }
}

bool WcPattern::matches(std::string_view text) const
{
    bool matched = false;
    for (const Alternative& alternative : m_alternatives)
        matched = matched || matchesAlternative(text, alternative);
    return matched != m_negated;
}

// An ASCII character of the pattern matches one byte of the text: a character beyond ASCII,
// or a byte that starts no valid sequence, is never an ASCII character.
bool WcPattern::matchesLiteral(std::string_view text, const Alternative& alternative) const
{
    const std::string& literal = alternative.literal;
    if (alternative.isPrefix ? text.size() < literal.size() : text.size() != literal.size())
        return false;
    for (size_t i = 0; i < literal.size(); ++i)
        if (fold(static_cast<unsigned char>(text[i]), m_ignoreCase) != static_cast<unsigned char>(literal[i]))
            return false;
    return true;
}

bool WcPattern::matchesOne(const Element& e, char32_t c) const
{
    switch (e.kind) {
    case Element::kAny: return true;
    case Element::kDigit: return isDigit(c);
    case Element::kLetter: return isLetter(c);
    case Element::kOther: return !isDigit(c) && !isLetter(c);
    case Element::kSet: {
        const char32_t lower = fold(c, m_ignoreCase);
        const char32_t upper = m_ignoreCase && c >= 'a' && c <= 'z' ? c - 32 : c;
        bool found = false;
        for (const auto& [low, high] : e.ranges)
            found = found || (low <= c && c <= high) || (low <= lower && lower <= high) || (low <= upper && upper <= high);
        return found != e.negated;
    }
    default: return fold(e.c, m_ignoreCase) == fold(c, m_ignoreCase);
    }
}

// Greedy matching that returns to the last star on a mismatch; positions are byte offsets.
bool WcPattern::matchesAlternative(std::string_view text, const Alternative& alternative) const
{
    if (alternative.isLiteral)
        return matchesLiteral(text, alternative);
    const std::vector<Element>& pattern = alternative.elements;
    size_t t = 0, p = 0, starP = pattern.size(), starT = 0;
    while (t < text.size()) {
        size_t next = t;
        const char32_t c = nextChar(text, next);
        if (p < pattern.size() && pattern[p].kind == Element::kStar) {
            starP = p++;
            starT = t;
        } else if (p < pattern.size() && matchesOne(pattern[p], c)) {
            ++p;
            t = next;
        } else if (starP < pattern.size()) {
            p = starP + 1;
            nextChar(text, starT);
            t = starT;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p].kind == Element::kStar)
        ++p;
    return p == pattern.size();
}

bool wcMatch(std::string_view text, std::string_view pattern, bool ignoreCase)
{
    return WcPattern(pattern, ignoreCase).matches(text);
}

} // namespace qv

int acutWcMatch(const char* string, const char* pattern)
{
    if (!string || !pattern)
        return RTERROR;
    return qv::wcMatch(string, pattern, false) ? RTNORM : RTERROR;
}
