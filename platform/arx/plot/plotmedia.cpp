#include "arx/plotmedia.h"

#include "arx/dxftext.h"

#include <cmath>
#include <cstdlib>
#include <regex>

namespace qv {

namespace {

constexpr double kMmPerInch = 25.4;
constexpr double kSameSizeMm = 0.5;   // sizes this close are one sheet's

// The number that ends at the text's end, or a negative value.
double number(const std::string& text)
{
    if (text.empty() || text.find_first_not_of("0123456789.") != std::string::npos)
        return -1;
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    return *end ? -1 : value;
}

// The paper size a name ends with, "_(<w>_x_<h>_<MM|Inches>)", in millimetres, whatever
// group it begins with (given in group).
bool sizeOf(const std::string& name, std::string& group, double& widthMm, double& heightMm)
{
    const size_t open = name.find("_(");
    const size_t cross = name.find("_x_", open);
    const size_t unit = name.find('_', cross == std::string::npos ? cross : cross + 3);
    if (open == std::string::npos || cross == std::string::npos || unit == std::string::npos || name.back() != ')')
        return false;
    group = name.substr(0, name.find('_'));
    const std::string units = name.substr(unit + 1, name.size() - unit - 2);
    const double factor = units == "MM" ? 1 : units == "Inches" ? kMmPerInch : 0;
    const double w = number(name.substr(open + 2, cross - open - 2));
    const double h = number(name.substr(cross + 3, unit - cross - 3));
    if (factor == 0 || w <= 0 || h <= 0)
        return false;
    widthMm = w * factor;
    heightMm = h * factor;
    return true;
}

// The standard sheet of a size in millimetres, as turned; "" for none.
std::string sheetOfSize(double widthMm, double heightMm)
{
    for (const PlotMedia::Sheet& sheet : PlotMedia::sheets()) {
        double w = 0, h = 0;
        PlotMedia::size(sheet.name, w, h);
        if (std::abs(w - widthMm) <= kSameSizeMm && std::abs(h - heightMm) <= kSameSizeMm)
            return sheet.name;
    }
    return "";
}

// A short name made comparable: capitals without blanks, "_" or "-" ("ANSI b" → "ANSIB").
std::string shortKey(const std::string& name)
{
    std::string key;
    for (char c : dxf::upper(name))
        if (c != ' ' && c != '_' && c != '-')
            key += c;
    return key;
}

} // namespace

const std::vector<PlotMedia::Sheet>& PlotMedia::sheets()
{
    static const std::vector<Sheet> all = {
        {"ISO_A0_(1189.00_x_841.00_MM)", "A0"},  {"ISO_A0_(841.00_x_1189.00_MM)", ""},
        {"ISO_A1_(841.00_x_594.00_MM)", "A1"},   {"ISO_A1_(594.00_x_841.00_MM)", ""},
        {"ISO_A2_(594.00_x_420.00_MM)", "A2"},   {"ISO_A2_(420.00_x_594.00_MM)", ""},
        {"ISO_A3_(420.00_x_297.00_MM)", "A3"},   {"ISO_A3_(297.00_x_420.00_MM)", ""},
        {"ISO_A4_(297.00_x_210.00_MM)", "A4"},   {"ISO_A4_(210.00_x_297.00_MM)", ""},
        {"ANSI_A_(11.00_x_8.50_Inches)", "ANSI A"}, {"ANSI_A_(8.50_x_11.00_Inches)", ""},
        {"ANSI_B_(17.00_x_11.00_Inches)", "ANSI B"}, {"ANSI_B_(11.00_x_17.00_Inches)", ""},
        {"ANSI_C_(22.00_x_17.00_Inches)", "ANSI C"}, {"ANSI_C_(17.00_x_22.00_Inches)", ""},
        {"ANSI_D_(34.00_x_22.00_Inches)", "ANSI D"}, {"ANSI_D_(22.00_x_34.00_Inches)", ""},
        {"ANSI_E_(44.00_x_34.00_Inches)", "ANSI E"}, {"ANSI_E_(34.00_x_44.00_Inches)", ""},
        {"ARCH_A_(12.00_x_9.00_Inches)", "ARCH A"}, {"ARCH_A_(9.00_x_12.00_Inches)", ""},
        {"ARCH_B_(18.00_x_12.00_Inches)", "ARCH B"}, {"ARCH_B_(12.00_x_18.00_Inches)", ""},
        {"ARCH_C_(24.00_x_18.00_Inches)", "ARCH C"}, {"ARCH_C_(18.00_x_24.00_Inches)", ""},
        {"ARCH_D_(36.00_x_24.00_Inches)", "ARCH D"}, {"ARCH_D_(24.00_x_36.00_Inches)", ""},
        {"ARCH_E_(48.00_x_36.00_Inches)", "ARCH E"}, {"ARCH_E_(36.00_x_48.00_Inches)", ""},
        {"ANSI_Legal_(14.00_x_8.50_Inches)", "Legal"}, {"ANSI_Legal_(8.50_x_14.00_Inches)", ""},
    };
    return all;
}

bool PlotMedia::size(const std::string& name, double& widthMm, double& heightMm)
{
    std::string group;
    double w = 0, h = 0;
    if (!sizeOf(name, group, w, h) || (group != "ISO" && group != "ANSI" && group != "ARCH"))
        return false;
    widthMm = w;
    heightMm = h;
    return true;
}

std::string PlotMedia::find(const std::string& name)
{
    // Other names of the standard sheets: Letter is ANSI A, Tabloid ANSI B.
    const std::string key = shortKey(name);
    const std::string alias = key == "LETTER" ? "ANSIA" : key == "TABLOID" ? "ANSIB" : key;
    for (const Sheet& sheet : sheets())
        if (dxf::equalNoCase(name, sheet.name) || (*sheet.shortName && alias == shortKey(sheet.shortName)))
            return sheet.name;
    std::string group;
    double w = 0, h = 0;
    if (size(name, w, h))
        return name;
    if (sizeOf(name, group, w, h))
        return sheetOfSize(w, h);
    static const std::regex millimetres(R"(\s*(\d+(?:\.\d*)?)\s*[xX]\s*(\d+(?:\.\d*)?)\s*(?:mm|MM)?\s*)");
    std::smatch match;
    if (std::regex_match(name, match, millimetres))
        return sheetOfSize(std::strtod(match[1].str().c_str(), nullptr), std::strtod(match[2].str().c_str(), nullptr));
    return "";
}

} // namespace qv
