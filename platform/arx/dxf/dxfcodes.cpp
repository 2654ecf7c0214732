#include "arx/dxfcodes.h"

#include <cstdint>

namespace qv::dxf {

bool fitsCode(int code, long long value)
{
    switch (valueKind(code)) {
    case ValueKind::kInt16: return value >= INT16_MIN && value <= INT16_MAX;
    case ValueKind::kInt32: return value >= INT32_MIN && value <= INT32_MAX;
    default: return true;
    }
}

} // namespace qv::dxf
