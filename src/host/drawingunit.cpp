#include "host/drawingunit.h"

#include "arx/acutprintf.h"
#include "arx/dbdatabase.h"
#include "arx/dbunits.h"

#include <array>

namespace {

// One unit of length: its symbol and how many of it make a metre and a foot, and their
// squares.
struct Unit {
    const char* symbol;
    double perMetre, perFoot, perSquareMetre, perSquareFoot;
};

// A unit by its length in metres.
Unit unit(const char* symbol, double metres)
{
    const double perMetre = 1 / metres, perFoot = 0.3048 / metres;
    return {symbol, perMetre, perFoot, perMetre * perMetre, perFoot * perFoot};
}

constexpr int kInches = 1, kMillimetres = 4;

// The units by insertion-units code, their lengths the platform's. The millimetre's and the
// inch's divisors are the exact values that measures in those units have always been
// converted with.
const Unit& unitOf(int row)
{
    static const std::array<Unit, AcDb::kUnitsMax + 1> units = [] {
        static constexpr const char* kSymbols[] = {
            "", "in", "ft", "mi", "mm", "cm", "m", "km", "\u00b5in", "mil", "yd", "\u00c5", "nm", "\u00b5m", "dm",
            "dam", "hm", "Gm", "au", "ly", "pc", "US survey ft", "US survey in", "US survey yd", "US survey mi"};
        std::array<Unit, AcDb::kUnitsMax + 1> made{};
        for (int code = 1; code <= AcDb::kUnitsMax; ++code)
            made[static_cast<size_t>(code)] = unit(kSymbols[code], acdbUnitsMetres(static_cast<AcDb::UnitsValue>(code)));
        made[0] = {"", 0, 0, 0, 0};
        made[kInches] = {"in", 39.37007874015748, 12.0, 1550.0031000062, 144.0};
        made[kMillimetres] = {"mm", 1000.0, 304.8, 1000000.0, 92903.04};
        return made;
    }();
    return units[static_cast<size_t>(row)];
}

} // namespace

CDrawingUnit::CDrawingUnit(short linearUnits) : m_row(acdbLengthUnits(AcDb::kUnitsUndefined, linearUnits)), m_named(false)
{
}

CDrawingUnit CDrawingUnit::of(const AcDbDatabase* database)
{
    const AcDb::UnitsValue named = database->insunits();
    return CDrawingUnit(acdbLengthUnits(named, database->lunits()), named != AcDb::kUnitsUndefined);
}

double CDrawingUnit::lengthDivisor(CMeasureUnits units) const
{
    return units.imperial() ? unitOf(m_row).perFoot : unitOf(m_row).perMetre;
}

double CDrawingUnit::areaDivisor(CMeasureUnits units) const
{
    return units.imperial() ? unitOf(m_row).perSquareFoot : unitOf(m_row).perSquareMetre;
}

const char* CDrawingUnit::symbol() const { return unitOf(m_row).symbol; }

bool CDrawingUnit::isMillimetre() const { return m_row == kMillimetres; }

void CDrawingUnit::announce() const
{
    if (!isMillimetre())
        acutPrintf("\nAreas measured with one drawing unit = 1 %s, as the drawing%s (SETVAR INSUNITS changes it).\n",
                   symbol(), m_named ? " says" : "'s linear units imply");
}
