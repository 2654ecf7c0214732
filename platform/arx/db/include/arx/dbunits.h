// The units a drawing's lengths are in: the one its insertion units ($INSUNITS) name, or the
// one its linear units imply, and the length of each.
#pragma once

#include "arx/dbid.h"

// The metres one unit is long; 0 for kUnitsUndefined and codes that name no unit.
double acdbUnitsMetres(AcDb::UnitsValue units);
// The unit of a drawing's lengths: the one its insertion units name, else the inch for linear
// units 3 or 4 (architectural, engineering) and the millimetre for the others, as drawings
// that name none have always been measured.
AcDb::UnitsValue acdbLengthUnits(AcDb::UnitsValue insertionUnits, short linearUnits);
