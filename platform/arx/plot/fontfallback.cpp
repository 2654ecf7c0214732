#include "fontfallback.h"

#include <fontconfig/fontconfig.h>

#include <cstring>
#include <mutex>
#include <unordered_map>
#include <vector>

namespace qv {

namespace {

struct Candidate {
    FontFile font;
    FcCharSet* characters = nullptr;
};

class Fallbacks
{
public:
    ~Fallbacks()
    {
        for (Candidate& c : m_fonts)
            FcCharSetDestroy(c.characters);
    }

    const FontFile* find(char32_t c, bool trueTypeOnly)
    {
        const std::lock_guard lock(m_mutex);
        if (!m_sorted)
            sort();
        auto& known = trueTypeOnly ? m_trueType : m_any;
        if (const auto found = known.find(c); found != known.end())
            return found->second;
        const FontFile* font = nullptr;
        for (const Candidate& candidate : m_fonts)
            if ((!trueTypeOnly || candidate.font.trueType) && FcCharSetHasChar(candidate.characters, c)) {
                font = &candidate.font;
                break;
            }
        return known[c] = font;
    }

private:
    // Scalable outline fonts (no bitmaps, no colour glyphs) in fontconfig's order for the family.
    void sort()
    {
        m_sorted = true;
        FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>("DejaVu Sans"));
        if (!pattern)
            return;
        FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
        FcDefaultSubstitute(pattern);
        FcResult result = FcResultNoMatch;
        FcFontSet* set = FcFontSort(nullptr, pattern, FcFalse, nullptr, &result);
        FcPatternDestroy(pattern);
        for (int i = 0; set && i < set->nfont; ++i)
            add(set->fonts[i]);
        if (set)
            FcFontSetDestroy(set);
    }

    void add(FcPattern* font)
    {
        FcChar8* file = nullptr;
        FcChar8* format = nullptr;
        FcCharSet* characters = nullptr;
        FcBool outline = FcFalse, colour = FcFalse;
        int index = 0;
        if (FcPatternGetString(font, FC_FILE, 0, &file) != FcResultMatch
            || FcPatternGetCharSet(font, FC_CHARSET, 0, &characters) != FcResultMatch
            || FcPatternGetBool(font, FC_OUTLINE, 0, &outline) != FcResultMatch || !outline)
            return;
        if (FcPatternGetBool(font, FC_COLOR, 0, &colour) == FcResultMatch && colour)
            return;
        FcPatternGetInteger(font, FC_INDEX, 0, &index);
        const bool trueType = FcPatternGetString(font, FC_FONTFORMAT, 0, &format) == FcResultMatch
            && std::strcmp(reinterpret_cast<const char*>(format), "TrueType") == 0;
        m_fonts.push_back({{reinterpret_cast<const char*>(file), index, trueType}, FcCharSetCopy(characters)});
    }

    std::mutex m_mutex;
    bool m_sorted = false;
    std::vector<Candidate> m_fonts;   // never resized after sort(): the map's pointers stay
    std::unordered_map<char32_t, const FontFile*> m_trueType, m_any;
};

} // namespace

const FontFile* fallbackFont(char32_t c, bool trueTypeOnly)
{
    static Fallbacks fallbacks;
    return fallbacks.find(c, trueTypeOnly);
}

} // namespace qv
