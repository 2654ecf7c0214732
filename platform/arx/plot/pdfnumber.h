// Numbers as PDF content wants them: fixed-point decimals without exponent, trailing zeros
// dropped, written straight into the stream without printf or the locale (a plot of many
// entities writes millions of them).
#pragma once

#include <string>

namespace qv {

// Appends value rounded to decimals (0 to 6) places; values that are not finite are written
// as 0, values beyond the range PDF readers take are clamped to it.
void appendPdfNumber(std::string& out, double value, int decimals);

} // namespace qv
