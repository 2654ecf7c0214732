#include "truetypesubset.h"

#include <algorithm>

namespace qv {

namespace {

constexpr std::uint32_t tag(const char (&name)[5])
{
    return static_cast<std::uint32_t>(static_cast<unsigned char>(name[0])) << 24 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(name[1])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(name[2])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(name[3]));
}

std::uint32_t read16(const std::string& s, size_t at)
{
    return static_cast<std::uint32_t>(static_cast<unsigned char>(s[at])) << 8 | static_cast<unsigned char>(s[at + 1]);
}

std::uint32_t read32(const std::string& s, size_t at)
{
    return read16(s, at) << 16 | read16(s, at + 2);
}

void put16(std::string& s, std::uint32_t value)
{
    s += static_cast<char>(value >> 8), s += static_cast<char>(value);
}

void put32(std::string& s, std::uint32_t value)
{
    put16(s, value >> 16), put16(s, value & 0xFFFF);
}

void write32(std::string& s, size_t at, std::uint32_t value)
{
    for (int k = 0; k < 4; ++k)
        s[at + k] = static_cast<char>(value >> (24 - 8 * k));
}

std::uint32_t checksum(const std::string& s)
{
    std::uint32_t sum = 0;
    for (size_t i = 0; i < s.size(); i += 4) {
        std::uint32_t word = 0;
        for (size_t k = 0; k < 4; ++k)
            word = word << 8 | (i + k < s.size() ? static_cast<unsigned char>(s[i + k]) : 0);
        sum += word;
    }
    return sum;
}

// Composite glyph flags.
constexpr std::uint32_t kArgsAreWords = 0x0001, kHaveScale = 0x0008, kMoreComponents = 0x0020,
                        kHaveXYScale = 0x0040, kHaveTwoByTwo = 0x0080;

// Adds the components of a composite glyph to keep and to the glyphs still to visit; false
// when the glyph's record runs past its end.
bool addComponents(const std::string& glyph, std::vector<bool>& keep, std::vector<unsigned>& visit)
{
    size_t at = 10;
    for (;;) {
        if (at + 4 > glyph.size())
            return false;
        const std::uint32_t flags = read16(glyph, at), component = read16(glyph, at + 2);
        at += 4 + (flags & kArgsAreWords ? 4 : 2);
        at += flags & kHaveScale ? 2 : flags & kHaveXYScale ? 4 : flags & kHaveTwoByTwo ? 8 : 0;
        if (component < keep.size() && !keep[component]) {
            keep[component] = true;
            visit.push_back(component);
        }
        if (!(flags & kMoreComponents))
            return at <= glyph.size();
    }
}

// The glyphs' offsets into glyf, from loca in its short or long form.
bool glyphOffsets(const std::string& loca, bool longOffsets, size_t glyphs, size_t glyfSize,
                  std::vector<std::uint32_t>& offsets)
{
    if (loca.size() < (glyphs + 1) * (longOffsets ? 4 : 2))
        return false;
    offsets.resize(glyphs + 1);
    for (size_t i = 0; i <= glyphs; ++i) {
        offsets[i] = longOffsets ? read32(loca, 4 * i) : read16(loca, 2 * i) * 2;
        if (offsets[i] > glyfSize || (i > 0 && offsets[i] < offsets[i - 1]))
            return false;
    }
    return true;
}

// The sfnt file: table directory, then the tables in tag order, each padded to four bytes,
// with the whole file's checksum adjustment in head.
std::string assemble(std::vector<std::pair<std::uint32_t, std::string>>& tables)
{
    std::sort(tables.begin(), tables.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    const auto count = static_cast<std::uint32_t>(tables.size());
    std::uint32_t power = 1, log = 0;
    while (power * 2 <= count)
        power *= 2, ++log;
    std::string out;
    put32(out, 0x00010000);
    put16(out, count), put16(out, power * 16), put16(out, log), put16(out, count * 16 - power * 16);
    size_t offset = 12 + 16 * tables.size(), headAt = 0;
    for (const auto& [name, data] : tables) {
        put32(out, name), put32(out, checksum(data)), put32(out, static_cast<std::uint32_t>(offset));
        put32(out, static_cast<std::uint32_t>(data.size()));
        if (name == tag("head"))
            headAt = offset;
        offset += (data.size() + 3) & ~size_t{3};
    }
    for (const auto& table : tables) {
        out += table.second;
        out.append(((table.second.size() + 3) & ~size_t{3}) - table.second.size(), '\0');
    }
    write32(out, headAt + 8, 0xB1B0AFBA - checksum(out));
    return out;
}

} // namespace

bool subsetTrueType(const TrueTypeTableReader& read, std::vector<bool> keep, std::string& program, std::string& error)
{
    std::string head, maxp, loca, glyf;
    if (!read(tag("head"), head) || !read(tag("maxp"), maxp) || !read(tag("loca"), loca) || !read(tag("glyf"), glyf)) {
        error = "the font has no TrueType outlines";
        return false;
    }
    std::vector<std::uint32_t> offsets;
    if (head.size() < 54 || maxp.size() < 6 ||
        !glyphOffsets(loca, read16(head, 50) != 0, read16(maxp, 4), glyf.size(), offsets)) {
        error = "the font's glyph tables are damaged";
        return false;
    }
    const size_t glyphs = offsets.size() - 1;
    keep.resize(glyphs);
    if (glyphs > 0)
        keep[0] = true;
    std::vector<unsigned> visit;
    for (unsigned g = 0; g < glyphs; ++g)
        if (keep[g])
            visit.push_back(g);
    while (!visit.empty()) {
        const unsigned g = visit.back();
        visit.pop_back();
        const std::string outline = glyf.substr(offsets[g], offsets[g + 1] - offsets[g]);
        if (outline.size() >= 10 && (read16(outline, 0) & 0x8000) && !addComponents(outline, keep, visit)) {
            error = "the font's glyph tables are damaged";
            return false;
        }
    }
    std::string newGlyf, newLoca;
    for (size_t g = 0; g < glyphs; ++g) {
        put32(newLoca, static_cast<std::uint32_t>(newGlyf.size()));
        if (keep[g]) {
            newGlyf.append(glyf, offsets[g], offsets[g + 1] - offsets[g]);
            newGlyf.append(((newGlyf.size() + 3) & ~size_t{3}) - newGlyf.size(), '\0');
        }
    }
    put32(newLoca, static_cast<std::uint32_t>(newGlyf.size()));
    write32(head, 8, 0);
    head[50] = 0, head[51] = 1;   // long loca offsets
    std::vector<std::pair<std::uint32_t, std::string>> tables{
        {tag("head"), head}, {tag("maxp"), maxp}, {tag("loca"), newLoca}, {tag("glyf"), newGlyf}};
    for (const std::uint32_t name : {tag("hhea"), tag("hmtx"), tag("cvt "), tag("fpgm"), tag("prep")}) {
        std::string data;
        if (read(name, data))
            tables.emplace_back(name, std::move(data));
        else if (name == tag("hhea") || name == tag("hmtx")) {
            error = "the font has no horizontal metrics";
            return false;
        }
    }
    program = assemble(tables);
    return true;
}

} // namespace qv
