#include "plottext.h"

#include "arx/dxftext.h"

#include <cctype>
#include <iterator>

namespace qv {

namespace {

// What a shape font draws for the codes from 127 on.
constexpr unsigned kShapeSigns[] = {0x00B0, 0x00B1, 0x2300};

} // namespace

size_t controlCodeAt(std::string_view text, size_t i, bool shapeFont, std::string& out)
{
    if (text.substr(i, 2) != "%%" || i + 2 >= text.size())
        return 0;
    auto digit = [&](size_t k) { return k < text.size() && std::isdigit(static_cast<unsigned char>(text[k])); };
    if (digit(i + 2) && digit(i + 3) && digit(i + 4)) {   // the character of a decimal code
        const unsigned code = static_cast<unsigned>((text[i + 2] - '0') * 100 + (text[i + 3] - '0') * 10 + text[i + 4] - '0');
        const unsigned sign = code - 127;
        if (shapeFont && sign < std::size(kShapeSigns))
            dxf::appendUtf8(out, kShapeSigns[sign]);
        else if (code >= 32)   // control characters draw nothing
            dxf::appendUtf8(out, code);
        return 5;
    }
    switch (std::tolower(static_cast<unsigned char>(text[i + 2]))) {
    case 'd': out += "\u00B0"; break;
    case 'p': out += "\u00B1"; break;
    case 'c': out += "\u2300"; break;
    case '%': out += '%'; break;
    case 'u': case 'o': break;
    default: return 0;
    }
    return 3;
}

std::string plainText(const std::string& text, bool shapeFont, std::vector<TextRule>* rules)
{
    std::string out;
    out.reserve(text.size());
    size_t open[2] = {std::string::npos, std::string::npos};   // where the underline, the overline began
    auto toggle = [&](bool over) {
        size_t& from = open[over];
        if (from != std::string::npos && rules && from < out.size())
            rules->push_back({from, out.size(), over});
        from = from == std::string::npos ? out.size() : std::string::npos;
    };
    for (size_t i = 0; i < text.size();) {
        const size_t code = controlCodeAt(text, i, shapeFont, out);
        if (code == 0)
            out += text[i];
        else if (code == 3 && std::string_view("uUoO").find(text[i + 2]) != std::string_view::npos)
            toggle(std::tolower(static_cast<unsigned char>(text[i + 2])) == 'o');
        i += code > 0 ? code : 1;
    }
    for (const bool over : {false, true})
        if (open[over] != std::string::npos)
            toggle(over);
    return out;
}

} // namespace qv
