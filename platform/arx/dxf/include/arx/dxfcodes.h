// Group codes: the range files may use and the kind of value each code holds.
#pragma once

#include <array>
#include <cstddef>

namespace qv::dxf {

constexpr int kMinCode = -5;
constexpr int kMaxCode = 1071;
// How many codes there are: lookup tables indexed by code - kMinCode have this size.
constexpr int kCodeCount = kMaxCode - kMinCode + 1;

enum class ValueKind : unsigned char {
    kText,      // decoded text (names, strings, markers)
    kHandle,    // hexadecimal handle
    kReal,      // a finite double
    kInt16,
    kInt32,
    kInt64,
    kBinary,    // hexadecimal bytes
};

constexpr bool isValidCode(int code) { return code >= kMinCode && code <= kMaxCode; }

constexpr ValueKind kindOfCode(int c)
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
    if (c == 5 || c == 105 || (c >= 320 && c < 370) || (c >= 390 && c < 400) || c == 480 || c == 481 || c == 1005)
        return ValueKind::kHandle;
    return ValueKind::kText;
}

inline constexpr auto kValueKinds = [] {
    std::array<ValueKind, kCodeCount> t{};
    for (int c = kMinCode; c <= kMaxCode; ++c)
        t[static_cast<std::size_t>(c - kMinCode)] = kindOfCode(c);
    return t;
}();

// The kind of value a code holds (kText for codes the format leaves open, and for codes
// outside the range).
constexpr ValueKind valueKind(int code)
{
    return isValidCode(code) ? kValueKinds[static_cast<std::size_t>(code - kMinCode)] : ValueKind::kText;
}
// Integer kinds: whether value fits the code's width.
bool fitsCode(int code, long long value);

} // namespace qv::dxf
