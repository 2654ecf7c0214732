#include "plottext.h"

#include <cctype>

namespace qv {

std::string plainText(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text.compare(i, 2, "%%") != 0 || i + 2 >= text.size()) {
            out += text[i];
            continue;
        }
        switch (std::tolower(static_cast<unsigned char>(text[i + 2]))) {
        case 'd': out += "\u00B0"; break;
        case 'p': out += "\u00B1"; break;
        case 'c': out += "\u2300"; break;
        case '%': out += '%'; break;
        case 'u': case 'o': break;   // underline and overline toggles
        default: out.append(text, i, 3); break;
        }
        i += 2;
    }
    return out;
}

namespace {

// Skips a code's argument up to and including its ';' (codes such as \f, \H, \C, \A).
size_t skipArgument(const std::string& s, size_t i)
{
    const size_t end = s.find(';', i);
    return end == std::string::npos ? s.size() : end + 1;
}

} // namespace

std::vector<std::string> plainMTextLines(const std::string& contents)
{
    std::vector<std::string> lines(1);
    for (size_t i = 0; i < contents.size();) {
        const char c = contents[i];
        if (c == '{' || c == '}') {
            ++i;
            continue;
        }
        if (c != '\\' || i + 1 >= contents.size()) {
            lines.back() += c;
            ++i;
            continue;
        }
        const char code = contents[i + 1];
        i += 2;
        switch (code) {
        case 'P': lines.emplace_back(); break;
        case '~': lines.back() += ' '; break;
        case '\\': case '{': case '}': lines.back() += code; break;
        case 'L': case 'l': case 'O': case 'o': case 'K': case 'k': break;
        case 'S': {   // stacked fraction "a^b;", "a/b;" or "a#b;" shown as a/b
            const size_t end = skipArgument(contents, i);
            for (size_t j = i; j < end && contents[j] != ';'; ++j)
                lines.back() += contents[j] == '^' || contents[j] == '#' ? '/' : contents[j];
            i = end;
            break;
        }
        default: i = skipArgument(contents, i); break;   // \f \F \H \W \Q \T \A \C \c \p
        }
    }
    for (std::string& line : lines)
        line = plainText(line);
    return lines;
}

} // namespace qv
