#include "host/drawingunit.h"

#include "arx/acutprintf.h"
#include "arx/dbdatabase.h"

#include <array>

namespace {

// One unit of length: its symbol and how many of it make a metre and a foot, and their
// squares.
struct Unit {
    const char* symbol;
    double perMetre, perFoot, perSquareMetre, perSquareFoot;
};

// A unit by its length in metres.
constexpr Unit unit(const char* symbol, double metres)
{
    const double perMetre = 1 / metres, perFoot = 0.3048 / metres;
    return {symbol, perMetre, perFoot, perMetre * perMetre, perFoot * perFoot};
}

constexpr int kUndefined = 0, kInches = 1, kMillimetres = 4;

// By insertion-units code. The millimetre's and the inch's divisors are the exact values
// that measures in those units have always been converted with.
constexpr std::array<Unit, 25> kUnits = {{
    {"", 0, 0, 0, 0},
    {"in", 39.37007874015748, 12.0, 1550.0031000062, 144.0},
    unit("ft", 0.3048),
    unit("mi", 1609.344),
    {"mm", 1000.0, 304.8, 1000000.0, 92903.04},
    unit("cm", 0.01),
    unit("m", 1),
    unit("km", 1000),
    unit("\u00b5in", 2.54e-8),
    unit("mil", 2.54e-5),
    unit("yd", 0.9144),
    unit("\u00c5", 1e-10),
    unit("nm", 1e-9),
    unit("\u00b5m", 1e-6),
    unit("dm", 0.1),
    unit("dam", 10),
    unit("hm", 100),
    unit("Gm", 1e9),
    unit("au", 149597870700.0),
    unit("ly", 9460730472580800.0),
    unit("pc", 3.0856775814913673e16),
    unit("US survey ft", 1200 / 3937.0),
    unit("US survey in", 100 / 3937.0),
    unit("US survey yd", 3600 / 3937.0),
    unit("US survey mi", 6336000 / 3937.0),
}};

} // namespace

CDrawingUnit::CDrawingUnit(short linearUnits)
    : m_row(linearUnits == 3 || linearUnits == 4 ? kInches : kMillimetres), m_named(false)
{
}

CDrawingUnit CDrawingUnit::of(const AcDbDatabase* database)
{
    const int code = database->insunits();
    if (code > kUndefined && code < static_cast<int>(kUnits.size()))
        return CDrawingUnit(code, true);
    return CDrawingUnit(database->lunits());
}

double CDrawingUnit::lengthDivisor(int units) const
{
    return units == 0 ? kUnits[m_row].perMetre : kUnits[m_row].perFoot;
}

double CDrawingUnit::areaDivisor(int units) const
{
    return units == 0 ? kUnits[m_row].perSquareMetre : kUnits[m_row].perSquareFoot;
}

const char* CDrawingUnit::symbol() const { return kUnits[m_row].symbol; }

bool CDrawingUnit::isMillimetre() const { return m_row == kMillimetres; }

void CDrawingUnit::announce() const
{
    if (!isMillimetre())
        acutPrintf("\nAreas measured with one drawing unit = 1 %s, as the drawing%s.\n", symbol(),
                   m_named ? " says" : "'s linear units imply");
}
