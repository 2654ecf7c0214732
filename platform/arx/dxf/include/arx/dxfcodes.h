// Group codes: the range files may use and the kind of value each code holds.
#pragma once

namespace qv::dxf {

constexpr int kMinCode = -5;
constexpr int kMaxCode = 1071;
// How many codes there are: lookup tables indexed by code - kMinCode have this size.
constexpr int kCodeCount = kMaxCode - kMinCode + 1;

enum class ValueKind : unsigned char {
    kText,      // decoded text (names, strings, handles, markers)
    kReal,      // a finite double
    kInt16,
    kInt32,
    kInt64,
    kBinary,    // hexadecimal bytes
};

bool isValidCode(int code);
// The kind of value a valid code holds (kText for codes the format leaves open).
ValueKind valueKind(int code);
// Integer kinds: whether value fits the code's width.
bool fitsCode(int code, long long value);

} // namespace qv::dxf
