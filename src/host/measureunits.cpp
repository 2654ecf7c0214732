#include "host/measureunits.h"

namespace {

// The factors between the systems, as measures have always been converted with.
constexpr double kFeetPerMetre = 3.2808399;
constexpr double kSquareFeetPerSquareMetre = 10.7639104;

// Between the two known systems, by the factor from metric to imperial.
double converted(double value, bool toImperial, bool fromImperial, double factor)
{
    if (toImperial == fromImperial)
        return value;
    return toImperial ? value * factor : value / factor;
}

// The units whose text ends the text, and the rest before it; unknown units and the whole text
// when none does.
CMeasureUnits read(std::string_view text, const char* metric, const char* imperial, std::string_view& number)
{
    for (const CMeasureUnits units : {CMeasureUnits::kImperial, CMeasureUnits::kMetric}) {
        const std::string_view unit = units.imperial() ? imperial : metric;
        if (text.ends_with(unit)) {
            number = text.substr(0, text.size() - unit.size());
            return units;
        }
    }
    number = text;
    return CMeasureUnits::kUnknown;
}

} // namespace

const CMeasureUnits CMeasureUnits::kMetric(Kind::kMetric);
const CMeasureUnits CMeasureUnits::kImperial(Kind::kImperial);
const CMeasureUnits CMeasureUnits::kUnknown(Kind::kUnknown);

CMeasureUnits CMeasureUnits::fromPreference(int number)
{
    return number == 1 ? kImperial : kMetric;
}

const char* CMeasureUnits::areaText() const
{
    return known() ? (imperial() ? "sq.ft." : "sq.m.") : "";
}

const char* CMeasureUnits::lengthText() const
{
    return known() ? (imperial() ? "ft." : "m.") : "";
}

const char* CMeasureUnits::volumeText() const
{
    return known() ? (imperial() ? "cu.ft." : "cu.m.") : "";
}

const char* CMeasureUnits::areaSymbol() const
{
    return known() ? (imperial() ? "ft\u00b2" : "m\u00b2") : "";
}

const char* CMeasureUnits::lengthSymbol() const
{
    return known() ? (imperial() ? "ft" : "m") : "";
}

double CMeasureUnits::area(double value, CMeasureUnits from) const
{
    if (!known() || !from.known())
        return value;
    return converted(value, imperial(), from.imperial(), kSquareFeetPerSquareMetre);
}

double CMeasureUnits::length(double value, CMeasureUnits from) const
{
    if (!known() || !from.known())
        return value;
    return converted(value, imperial(), from.imperial(), kFeetPerMetre);
}

CMeasureUnits CMeasureUnits::readArea(std::string_view text, std::string_view& number)
{
    return read(text, "sq.m.", "sq.ft.", number);
}

CMeasureUnits CMeasureUnits::readLength(std::string_view text, std::string_view& number)
{
    return read(text, "m.", "ft.", number);
}
