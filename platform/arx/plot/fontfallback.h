// The installed fonts that stand in for DejaVu Sans for the characters it lacks (Chinese,
// for one), in the order fontconfig sorts them for that family. The fonts are sorted once
// per process, on the first character looked up, and each character's font is remembered:
// drawings whose texts DejaVu Sans covers never ask fontconfig.
#pragma once

#include "fontmatch.h"

namespace qv {

// The first font that has c, or null when none has; with trueTypeOnly, the first of those
// with TrueType outlines. The fonts live as long as the process.
const FontFile* fallbackFont(char32_t c, bool trueTypeOnly);

} // namespace qv
