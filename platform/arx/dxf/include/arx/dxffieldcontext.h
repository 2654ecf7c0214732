// Reading the values of fields: numbers from pairs, checked; a value that cannot be read
// throws FormatError naming the line. The readers of a database derive from it.
#pragma once

#include "arx/dxfcodes.h"
#include "arx/dxfformaterror.h"
#include "arx/dxfnumber.h"
#include "arx/dxfpair.h"

#include <string>

namespace qv::dxf {

struct Field;

class FieldContext
{
public:
    virtual ~FieldContext() = default;
    // Inline, as every field of a record reads through them: only failing is out of line.
    double real(const Pair& pair) const
    {
        double v = 0;
        if (!parseReal(pair.value, v))
            failNumber(pair, "number");
        return v;
    }
    // An integer that fits its group code's width.
    long long integer(const Pair& pair) const
    {
        long long v = 0;
        if (!parseInt(pair.value, v))
            failNumber(pair, "integer");
        if (!fitsCode(pair.code, v))
            failWidth(pair, v);
        return v;
    }
    // An integer that also lies in [low, high] (the field's range).
    long long integer(const Pair& pair, long long low, long long high) const
    {
        const long long v = integer(pair);
        if (v < low || v > high)
            failRange(pair, v, low, high);
        return v;
    }
    long long integer(const Pair& pair, const Field& field) const;
    unsigned long long handle(const Pair& pair) const
    {
        unsigned long long v = 0;
        if (!parseHandle(pair.value, v))
            failHandle(pair);
        return v;
    }
    // A pair kept as read and written back as it is: a number of a real code must be one,
    // and finite, as a field's is, so that nothing non-finite is written.
    const Pair& kept(const Pair& pair) const;
    [[noreturn]] void fail(const Pair& pair, const std::string& what) const;

private:
    [[noreturn]] void failNumber(const Pair& pair, const char* kind) const;
    [[noreturn]] void failWidth(const Pair& pair, long long value) const;
    [[noreturn]] void failRange(const Pair& pair, long long value, long long low, long long high) const;
    [[noreturn]] void failHandle(const Pair& pair) const;
};

} // namespace qv::dxf
