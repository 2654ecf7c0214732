#include "arx/dxffieldcontext.h"

#include "arx/dxfcodes.h"
#include "arx/dxffield.h"
#include "arx/dxfnumber.h"

namespace qv::dxf {

void FieldContext::failNumber(const Pair& pair, const char* kind) const
{
    fail(pair, "invalid " + std::string(kind) + " '" + std::string(pair.value.substr(0, 40)) + "' for group code "
                   + std::to_string(pair.code));
}

void FieldContext::failWidth(const Pair& pair, long long value) const
{
    fail(pair, "integer " + std::to_string(value) + " too large for group code " + std::to_string(pair.code));
}

void FieldContext::failRange(const Pair& pair, long long value, long long low, long long high) const
{
    fail(pair, "value " + std::to_string(value) + " out of range " + std::to_string(low) + " to " + std::to_string(high)
                   + " for group code " + std::to_string(pair.code));
}

void FieldContext::failHandle(const Pair& pair) const
{
    fail(pair, "invalid handle '" + std::string(pair.value.substr(0, 40)) + "'");
}

const Pair& FieldContext::kept(const Pair& pair) const
{
    if (valueKind(pair.code) == ValueKind::kReal)
        real(pair);
    return pair;
}

void FieldContext::fail(const Pair& pair, const std::string& what) const { throw FormatError(pair.line, what); }

} // namespace qv::dxf
