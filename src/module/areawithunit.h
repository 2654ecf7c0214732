// The AREA text of a space block the module makes from an outline.
#pragma once

#include "mfc/cstring.h"

// An area's digits and its unit as a new space's AREA attribute shows them: "sq.m." for
// units 0, "sq.ft." for any other.
inline CString areaWithUnit(const CString& digits, int units) { return digits + (units == 0 ? "sq.m." : "sq.ft."); }
