#include "fontmatch.h"

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace qv {

namespace {

constexpr const char* kDefaultFamily = "DejaVu Sans";

// A family of fonts and the weight and slant one of its files adds.
struct Family {
    std::string name;
    bool bold = false, italic = false;
};

// TrueType files whose names are not their families', by the stem of the regular face; the
// bold, italic and bold italic faces add "b" or "bd", "i", and "bi" or "z".
struct TrueTypeFile {
    std::string_view stem, family;
};
constexpr TrueTypeFile kTrueTypeFiles[] = {
    {"arial", "Arial"},     {"arialn", "Arial Narrow"}, {"times", "Times New Roman"}, {"cour", "Courier New"},
    {"calibri", "Calibri"}, {"cambria", "Cambria"},     {"verdana", "Verdana"},       {"tahoma", "Tahoma"},
    {"georgia", "Georgia"}, {"consola", "Consolas"},    {"segoeui", "Segoe UI"},      {"simsun", "SimSun"},
};

// Shape fonts, drawn in the installed font nearest their width. Measured as the advance of a
// line of mixed capitals, small letters and digits per capital height: txt, standard and the
// iso fonts about 0.70, narrower than DejaVu Sans (0.73), in which texts fitted to their
// boxes would wrap, so DejaVu Sans Condensed (0.66), of the same look; simplex, romans and
// romand 0.82, which no installed proportional sans reaches (DejaVu Sans is the widest);
// the serifed complex, romanc and romant about 0.9 to 1.0, nearest DejaVu Serif (0.75);
// monotxt is fixed-pitch. Big fonts hold East Asian characters.
struct ShapeFont {
    std::string_view stem;
    Family family;
};
constexpr const char* kNarrow = "DejaVu Sans Condensed";
const ShapeFont kShapeFonts[] = {
    {"txt", {kNarrow}},              {"standard", {kNarrow}},         {"simplex", {"DejaVu Sans"}},
    {"romans", {"DejaVu Sans"}},     {"romand", {"DejaVu Sans"}},     {"iso", {kNarrow}},
    {"isocp", {kNarrow}},            {"isocp2", {kNarrow}},           {"isocp3", {kNarrow}},
    {"isoct", {kNarrow}},            {"isoct2", {kNarrow}},           {"isoct3", {kNarrow}},
    {"gbenor", {kNarrow}},           {"gbeitc", {kNarrow, false, true}},
    {"complex", {"DejaVu Serif"}},   {"romanc", {"DejaVu Serif"}},    {"romant", {"DejaVu Serif"}},
    {"gothice", {"DejaVu Serif"}},   {"gothicg", {"DejaVu Serif"}},   {"gothici", {"DejaVu Serif"}},
    {"italic", {"DejaVu Serif", false, true}},  {"italicc", {"DejaVu Serif", false, true}},
    {"italict", {"DejaVu Serif", false, true}}, {"monotxt", {"DejaVu Sans Mono"}},
    {"gbcbig", {"WenQuanYi Micro Hei"}},        {"bigfont", {"WenQuanYi Micro Hei"}},
    {"chineset", {"WenQuanYi Micro Hei"}},      {"extfont", {"WenQuanYi Micro Hei"}},
    {"extfont2", {"WenQuanYi Micro Hei"}},
};

std::string lower(std::string_view s)
{
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return std::tolower(c); });
    return out;
}

// A family name compared as fontconfig compares them: letter case and blanks aside.
std::string familyKey(std::string_view s)
{
    std::string out = lower(s);
    out.erase(std::remove(out.begin(), out.end(), ' '), out.end());
    return out;
}

bool trueTypeFamily(const std::string& stem, Family& out)
{
    for (const TrueTypeFile& f : kTrueTypeFiles) {
        if (stem.compare(0, f.stem.size(), f.stem) != 0)
            continue;
        const std::string_view face = std::string_view(stem).substr(f.stem.size());
        if (face.empty() || face == "b" || face == "bd" || face == "i" || face == "bi" || face == "z") {
            out = {std::string(f.family), face.starts_with('b') || face == "z", face.ends_with('i') || face == "z"};
            return true;
        }
    }
    return false;
}

// A font name's last part, without its extension, in small letters; the extension apart.
std::string stemOf(const std::string& name, std::string& extension)
{
    const size_t slash = name.find_last_of("/\\");
    std::string stem = lower(slash == std::string::npos ? name : name.substr(slash + 1));
    const size_t dot = stem.rfind('.');
    extension = dot == std::string::npos ? "" : stem.substr(dot + 1);
    if (dot != std::string::npos)
        stem.resize(dot);
    return stem;
}

const ShapeFont* knownShapeFont(const std::string& stem)
{
    for (const ShapeFont& f : kShapeFonts)
        if (stem == f.stem)
            return &f;
    return nullptr;
}

// The family a font's name stands for; false for a shape font the table does not know.
bool familyOf(const std::string& name, Family& out)
{
    if (name.empty()) {
        out = {kDefaultFamily};
        return true;
    }
    std::string extension;
    const std::string stem = stemOf(name, extension);
    if (const ShapeFont* shape = knownShapeFont(stem)) {
        out = shape->family;
        return true;
    }
    if (extension == "shx")
        return false;
    if (trueTypeFamily(stem, out))
        return true;
    out = {extension.empty() ? name : stem};
    return !out.name.empty();
}

using Pattern = std::unique_ptr<FcPattern, void (*)(FcPattern*)>;

// The families fontconfig takes as the one asked for: it and the metric-compatible ones its
// rules bind as strongly; not the generic families added for any font.
std::vector<std::string> askedFamilies(const FcPattern* pattern)
{
    std::vector<std::string> out;
    FcValue value;
    FcValueBinding binding = FcValueBindingWeak;
    for (int i = 0; FcPatternGetWithBinding(pattern, FC_FAMILY, i, &value, &binding) == FcResultMatch; ++i)
        if (binding != FcValueBindingWeak && value.type == FcTypeString)
            out.push_back(familyKey(reinterpret_cast<const char*>(value.u.s)));
    return out;
}

bool isAsked(const FcPattern* match, const std::vector<std::string>& asked)
{
    FcChar8* family = nullptr;
    for (int i = 0; FcPatternGetString(match, FC_FAMILY, i, &family) == FcResultMatch; ++i)
        if (std::find(asked.begin(), asked.end(), familyKey(reinterpret_cast<const char*>(family))) != asked.end())
            return true;
    return false;
}

// The installed font fontconfig matches to the request; false when it matches none.
bool installedFont(const FontRequest& request, FontFile& out)
{
    Pattern pattern(FcPatternCreate(), FcPatternDestroy);
    FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(request.family.c_str()));
    FcPatternAddInteger(pattern.get(), FC_WEIGHT, request.bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern.get(), FC_SLANT, request.italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern.get(), FC_OUTLINE, FcTrue);
    FcConfigSubstitute(nullptr, pattern.get(), FcMatchPattern);
    FcDefaultSubstitute(pattern.get());
    FcResult result = FcResultNoMatch;
    const Pattern match(FcFontMatch(nullptr, pattern.get(), &result), FcPatternDestroy);
    FcChar8* file = nullptr;
    FcChar8* format = nullptr;
    if (!match || FcPatternGetString(match.get(), FC_FILE, 0, &file) != FcResultMatch
        || !isAsked(match.get(), askedFamilies(pattern.get())))
        return false;
    out.file = reinterpret_cast<const char*>(file);
    if (FcPatternGetInteger(match.get(), FC_INDEX, 0, &out.index) != FcResultMatch)
        out.index = 0;
    out.trueType = FcPatternGetString(match.get(), FC_FONTFORMAT, 0, &format) == FcResultMatch
        && std::strcmp(reinterpret_cast<const char*>(format), "TrueType") == 0;
    return true;
}

} // namespace

bool isShapeFont(const std::string& name)
{
    std::string extension;
    const std::string stem = stemOf(name, extension);
    return extension == "shx" || knownShapeFont(stem);
}

bool requestFor(const PlotFont& font, FontRequest& out)
{
    Family family;
    if (!familyOf(font.name, family))
        return false;
    out.family = family.name;
    out.bold = font.bold || family.bold, out.italic = font.italic || family.italic;
    out.key = familyKey(family.name) + (out.bold ? "|b" : "") + (out.italic ? "|i" : "");
    return true;
}

bool matchFont(const FontRequest& request, bool trueTypeOnly, FontFile& out)
{
    // fontconfig's configuration stays as loaded for the process: each request's font is
    // matched once, and the plots after the first take it from here.
    static std::mutex mutex;
    static std::unordered_map<std::string, std::optional<FontFile>> matched;
    const std::lock_guard lock(mutex);
    auto found = matched.find(request.key);
    if (found == matched.end()) {
        FontFile file;
        found = matched.emplace(request.key, installedFont(request, file) ? std::optional(file) : std::nullopt).first;
    }
    if (!found->second)
        return false;
    out = *found->second;
    return out.trueType || !trueTypeOnly;
}

} // namespace qv
