// A subset of a TrueType font program that keeps glyph ids: the outlines of the glyphs kept
// (and of the components of kept composite glyphs) stay, every other glyph is left empty, and
// only the tables a renderer of an embedded font needs are written (head, hhea, maxp, hmtx,
// loca, glyf and the hinting tables cvt, fpgm and prep when there are).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace qv {

// Reads the table tagged tag into out; false when the font has no such table.
using TrueTypeTableReader = std::function<bool(std::uint32_t tag, std::string& out)>;

// Writes the subset of the glyphs marked in keep (glyph 0 is always kept) to program; false
// with the reason when a table is missing or damaged.
bool subsetTrueType(const TrueTypeTableReader& read, std::vector<bool> keep, std::string& program, std::string& error);

} // namespace qv
