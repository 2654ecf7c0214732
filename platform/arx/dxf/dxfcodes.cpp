#include "arx/dxfcodes.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace qv::dxf {

namespace {

ValueKind kindOf(int c)
{
    if ((c >= 10 && c < 60) || (c >= 110 && c < 150) || (c >= 210 && c < 240) || (c >= 460 && c < 470)
        || (c >= 1010 && c < 1060))
        return ValueKind::kReal;
    if ((c >= 60 && c < 80) || (c >= 170 && c < 180) || (c >= 270 && c < 300) || (c >= 370 && c < 390)
        || (c >= 400 && c < 410) || (c >= 1060 && c <= 1070))
        return ValueKind::kInt16;
    if ((c >= 90 && c < 100) || (c >= 420 && c < 430) || (c >= 440 && c < 460) || c == 1071)
        return ValueKind::kInt32;
    if (c >= 160 && c < 170)
        return ValueKind::kInt64;
    if ((c >= 310 && c < 320) || c == 1004)
        return ValueKind::kBinary;
    return ValueKind::kText;
}

const std::array<ValueKind, kCodeCount>& kinds()
{
    static const std::array<ValueKind, kCodeCount> table = [] {
        std::array<ValueKind, kCodeCount> t{};
        for (int c = kMinCode; c <= kMaxCode; ++c)
            t[static_cast<std::size_t>(c - kMinCode)] = kindOf(c);
        return t;
    }();
    return table;
}

} // namespace

bool isValidCode(int code) { return code >= kMinCode && code <= kMaxCode; }

ValueKind valueKind(int code)
{
    return isValidCode(code) ? kinds()[static_cast<std::size_t>(code - kMinCode)] : ValueKind::kText;
}

bool fitsCode(int code, long long value)
{
    switch (valueKind(code)) {
    case ValueKind::kInt16: return value >= INT16_MIN && value <= INT16_MAX;
    case ValueKind::kInt32: return value >= INT32_MIN && value <= INT32_MAX;
    default: return true;
    }
}

} // namespace qv::dxf
