// The host's wildcard patterns: "*" any sequence, "?" any character, "#" a digit, "@" a
// letter, "." a character that is neither letter nor digit, "[...]" one of the characters
// (ranges "a-z"), "[~...]" one character not among them, "`" takes the next character
// literally, "," separates alternatives, and a "~" that begins the pattern negates it.
// Texts and patterns are UTF-8; characters beyond ASCII count as letters.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

// RTNORM when the text matches the pattern (letter case counts), else RTERROR.
int acutWcMatch(const char* string, const char* pattern);

namespace qv {

// A pattern read once and matched against many texts, in time proportional to the text's
// length times the pattern's.
class WcPattern
{
public:
    WcPattern(std::string_view pattern, bool ignoreCase);
    bool matches(std::string_view text) const;

    // One pattern element: it matches one character, or any sequence for a star.
    struct Element {
        enum Kind { kChar, kAny, kDigit, kLetter, kOther, kSet, kStar } kind = kChar;
        char32_t c = 0;
        std::vector<std::pair<char32_t, char32_t>> ranges;   // kSet
        bool negated = false;                                // kSet
    };

private:
    // An alternative of ASCII characters alone, perhaps then a star, is matched as its text
    // (folded when case is ignored) is: the text itself, or the text's beginning.
    struct Alternative {
        std::vector<Element> elements;
        std::string literal;
        bool isLiteral = false;
        bool isPrefix = false;
    };

    bool matchesOne(const Element& e, char32_t c) const;
    bool matchesAlternative(std::string_view text, const Alternative& alternative) const;
    bool matchesLiteral(std::string_view text, const Alternative& alternative) const;

    std::vector<Alternative> m_alternatives;
    bool m_negated = false;
    bool m_ignoreCase;
};

bool wcMatch(std::string_view text, std::string_view pattern, bool ignoreCase);

} // namespace qv
