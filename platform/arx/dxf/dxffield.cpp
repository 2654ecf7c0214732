#include "arx/dxffield.h"

#include <cassert>

namespace qv::dxf {

namespace {

constexpr double kDegree = kPi / 180.0;

} // namespace

int Field::indexOf(int code) const
{
    for (int i = 0; i < codeCount; ++i)
        if (codes[static_cast<size_t>(i)] == code)
            return i;
    return -1;
}

Field Field::omitting(double v) const
{
    Field f = *this;
    f.omitDefault = true;
    f.omitValue = v;
    return f;
}

Field Field::omittingEmpty() const
{
    Field f = *this;
    f.omitDefault = true;
    return f;
}

Field Field::only(WhenFn condition) const
{
    Field f = *this;
    f.when = condition;
    return f;
}

Field Field::range(long long lo, long long hi) const
{
    Field f = *this;
    f.low = lo;
    f.high = hi;
    return f;
}

Field Field::normalized() const
{
    Field f = *this;
    f.normalize = true;
    return f;
}

Field Field::commonToLater() const
{
    Field f = *this;
    f.common = true;
    return f;
}

namespace fields {

Field subclass(const char* names, NameFn nameOf)
{
    Field f;
    f.role = Field::Role::kSubclass;
    f.name = names;
    f.nameOf = nameOf;
    return f;
}

Field value(std::initializer_list<short> codes, ReadFn read, WriteFn write)
{
    assert(codes.size() <= kMaxFieldCodes);
    Field f;
    f.codeCount = static_cast<unsigned char>(codes.size());
    std::copy(codes.begin(), codes.end(), f.codes.begin());
    f.read = read;
    f.write = write;
    return f;
}

Field ignored(std::initializer_list<short> codes) { return derived(codes, nullptr); }

Field derived(std::initializer_list<short> codes, WriteFn write)
{
    return value(codes, [](AcRxObject&, const Field&, const Pair&, FieldContext&) { return true; }, write);
}

Field section(SectionFn read, WriteFn write)
{
    Field f;
    f.role = Field::Role::kSection;
    f.readSection = read;
    f.write = write;
    return f;
}

void writeNumber(Writer& out, const Field& field, double value)
{
    if (!field.omitDefault || value != field.omitValue)
        out.real(field.code(), value);
}

void writeInteger(Writer& out, const Field& field, long long value)
{
    if (!field.omitDefault || static_cast<double>(value) != field.omitValue)
        out.integer(field.code(), value);
}

double readAngle(const Field& field, const Pair& pair, FieldContext& context)
{
    const double radians = context.real(pair) * kDegree;
    return field.normalize ? normalizeAngle(radians) : radians;
}

void writeAngle(Writer& out, const Field& field, double radians)
{
    writeNumber(out, field, radians / kDegree);
}

} // namespace fields

} // namespace qv::dxf
