#include "arx/dbunits.h"

#include <array>

double acdbUnitsMetres(AcDb::UnitsValue units)
{
    static constexpr std::array<double, AcDb::kUnitsMax + 1> kMetres = {
        0, 0.0254, 0.3048, 1609.344, 0.001, 0.01, 1, 1000, 2.54e-8, 2.54e-5, 0.9144, 1e-10, 1e-9, 1e-6, 0.1, 10,
        100, 1e9, 149597870700.0, 9460730472580800.0, 3.0856775814913673e16, 1200 / 3937.0, 100 / 3937.0,
        3600 / 3937.0, 6336000 / 3937.0};
    return units >= 0 && units <= AcDb::kUnitsMax ? kMetres[static_cast<size_t>(units)] : 0;
}

AcDb::UnitsValue acdbLengthUnits(AcDb::UnitsValue insertionUnits, short linearUnits)
{
    if (acdbUnitsMetres(insertionUnits) > 0)
        return insertionUnits;
    return linearUnits == 3 || linearUnits == 4 ? AcDb::kUnitsInches : AcDb::kUnitsMillimeters;
}
