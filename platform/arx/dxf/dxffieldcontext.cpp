#include "arx/dxffieldcontext.h"

#include "arx/dxfcodes.h"
#include "arx/dxffield.h"
#include "arx/dxfnumber.h"

namespace qv::dxf {

double FieldContext::real(const Pair& pair) const
{
    double v = 0;
    if (!parseReal(pair.value, v))
        fail(pair, "invalid number '" + std::string(pair.value.substr(0, 40)) + "' for group code "
                       + std::to_string(pair.code));
    return v;
}

long long FieldContext::integer(const Pair& pair) const
{
    long long v = 0;
    if (!parseInt(pair.value, v))
        fail(pair, "invalid integer '" + std::string(pair.value.substr(0, 40)) + "' for group code "
                       + std::to_string(pair.code));
    if (!fitsCode(pair.code, v))
        fail(pair, "integer " + std::to_string(v) + " too large for group code " + std::to_string(pair.code));
    return v;
}

long long FieldContext::integer(const Pair& pair, long long low, long long high) const
{
    const long long v = integer(pair);
    if (v < low || v > high)
        fail(pair, "value " + std::to_string(v) + " out of range " + std::to_string(low) + " to "
                       + std::to_string(high) + " for group code " + std::to_string(pair.code));
    return v;
}

long long FieldContext::integer(const Pair& pair, const Field& field) const
{
    return integer(pair, field.low, field.high);
}

unsigned long long FieldContext::handle(const Pair& pair) const
{
    unsigned long long v = 0;
    if (!parseHandle(pair.value, v))
        fail(pair, "invalid handle '" + std::string(pair.value.substr(0, 40)) + "'");
    return v;
}

const Pair& FieldContext::kept(const Pair& pair) const
{
    if (valueKind(pair.code) == ValueKind::kReal)
        real(pair);
    return pair;
}

void FieldContext::fail(const Pair& pair, const std::string& what) const { throw FormatError(pair.line, what); }

} // namespace qv::dxf
