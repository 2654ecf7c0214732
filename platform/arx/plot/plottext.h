// The plain text of single-line texts as a plot shows it: control codes ("%%d", "%%p",
// "%%c", "%%%", "%%nnn") as their characters.
#pragma once

#include <string>
#include <string_view>

namespace qv {

std::string plainText(const std::string& text);
// The length of the control code at text[i] ("%%" and what follows), its character appended
// to out (none for the underline and overline toggles "%%u", "%%o"); 0 when none starts there.
size_t controlCodeAt(std::string_view text, size_t i, std::string& out);

} // namespace qv
