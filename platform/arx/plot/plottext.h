// The plain text of single-line and multiline texts as a plot shows it: control codes of
// single-line texts ("%%d", "%%p", "%%c", "%%%") as their characters, and multiline texts'
// formatting codes stripped, paragraphs ("\P") as line breaks.
#pragma once

#include <string>
#include <vector>

namespace qv {

std::string plainText(const std::string& text);
// The lines of a multiline text's contents.
std::vector<std::string> plainMTextLines(const std::string& contents);

} // namespace qv
