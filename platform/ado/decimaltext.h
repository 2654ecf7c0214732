// Exact decimal text for a numeric parameter of a given precision and scale.
#pragma once

#include "win/variant.h"

#include <string>

namespace ADODB {

// The value with exactly `scale` digits after the point: a text value ("-12.345") keeps
// every digit it has up to the scale and is rounded half away from zero beyond it; a number
// is written to the scale. Raises _com_error with `what` in its text when the value is no
// decimal number or has more digits before the point than precision - scale allows (a
// precision of 0 sets no limit).
std::string decimalText(const _variant_t& value, int precision, int scale, const std::string& what);

} // namespace ADODB
