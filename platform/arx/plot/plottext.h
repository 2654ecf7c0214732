// The plain text of single-line texts as a plot shows it: control codes ("%%d", "%%p",
// "%%c", "%%%", "%%nnn") as their characters, the underline and overline toggles apart. In a
// shape font "%%127", "%%128" and "%%129" are the degree, plus/minus and diameter signs, as
// the shape fonts give those codes; elsewhere they are the characters of those numbers.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qv {

// A stretch of a text's characters with a line under it ("%%u" toggles it) or over it
// ("%%o"), in bytes of its plain text.
struct TextRule {
    size_t from = 0, to = 0;
    bool over = false;
};
// The text's rules are added to rules when given; shapeFont: the text is in a shape font.
std::string plainText(const std::string& text, bool shapeFont, std::vector<TextRule>* rules = nullptr);
// The length of the control code at text[i] ("%%" and what follows), its character appended
// to out (none for the underline and overline toggles "%%u", "%%o"); 0 when none starts there.
size_t controlCodeAt(std::string_view text, size_t i, bool shapeFont, std::string& out);

} // namespace qv
