// Reading the values of fields: numbers from pairs, checked; a value that cannot be read
// throws FormatError naming the line. The readers of a database derive from it.
#pragma once

#include "arx/dxfformaterror.h"
#include "arx/dxfpair.h"

#include <string>

namespace qv::dxf {

struct Field;

class FieldContext
{
public:
    virtual ~FieldContext() = default;
    double real(const Pair& pair) const;
    // An integer that fits its group code's width.
    long long integer(const Pair& pair) const;
    // An integer that also lies in [low, high] (the field's range).
    long long integer(const Pair& pair, long long low, long long high) const;
    long long integer(const Pair& pair, const Field& field) const;
    unsigned long long handle(const Pair& pair) const;
    // A pair kept as read and written back as it is: a number of a real code must be one,
    // and finite, as a field's is, so that nothing non-finite is written.
    const Pair& kept(const Pair& pair) const;
    [[noreturn]] void fail(const Pair& pair, const std::string& what) const;
};

} // namespace qv::dxf
