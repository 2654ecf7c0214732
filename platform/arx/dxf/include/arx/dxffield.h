// One entry of a field table: a subclass marker, a field (the group codes it reads, how it
// reads and writes its member, when it is left out), or a field that reads a whole
// section. The builders in namespace fields make the entries of the usual kinds.
#pragma once

#include "arx/dxffieldcontext.h"
#include "arx/dxfwriter.h"
#include "arx/geometry.h"
#include "arx/rxobject.h"

#include <array>
#include <climits>
#include <initializer_list>
#include <span>
#include <vector>

namespace qv::dxf {

// Reads one pair; false leaves it to the extras.
using ReadFn = bool (*)(AcRxObject& object, const Field& field, const Pair& pair, FieldContext& context);
// Reads the pairs of a whole section; returns how many it took.
using SectionFn = size_t (*)(AcRxObject& object, std::span<const Pair> pairs, FieldContext& context);
using WriteFn = void (*)(const AcRxObject& object, const Field& field, Writer& out);
using WhenFn = bool (*)(const AcRxObject& object);
using NameFn = const char* (*)(const AcRxObject& object);

constexpr size_t kMaxFieldCodes = 12;

struct Field {
    enum class Role : unsigned char { kSubclass, kValue, kSection };

    Role role = Role::kValue;
    unsigned char codeCount = 0;
    std::array<short, kMaxFieldCodes> codes{};
    const char* name = nullptr;     // subclass: the marker, and alternatives read ("A|B")
    NameFn nameOf = nullptr;        // subclass: the marker written, when it varies
    ReadFn read = nullptr;
    SectionFn readSection = nullptr;
    WriteFn write = nullptr;
    WhenFn when = nullptr;
    bool omitDefault = false;       // numbers: left out when equal to omitValue; texts: when empty
    bool normalize = false;         // angles: kept in [0, 2π)
    bool common = false;            // subclass: its fields also read later sections' pairs
    double omitValue = 0;
    long long low = LLONG_MIN, high = LLONG_MAX;

    int code() const { return codes[0]; }
    // Which of the field's codes a pair has (a point's coordinate).
    int indexOf(int code) const;

    Field omitting(double value) const;
    Field omittingEmpty() const;
    // Written only when the condition holds (read always).
    Field only(WhenFn condition) const;
    // Integers outside [lo, hi] are refused when read.
    Field range(long long lo, long long hi) const;
    Field normalized() const;
    // A subclass whose fields also read the pairs of a later section that has no field of
    // their code (an entity's layer or colour given after the entity's own marker).
    Field commonToLater() const;
};

using FieldList = std::vector<Field>;

inline long long FieldContext::integer(const Pair& pair, const Field& field) const
{
    return integer(pair, field.low, field.high);
}

namespace fields {

template <class>
struct MemberTraits;
template <class C, class T>
struct MemberTraits<T C::*> {
    using Class = C;
    using Type = T;
};

// The member M of an object whose class has it.
template <auto M>
auto& member(AcRxObject& object)
{
    return static_cast<typename MemberTraits<decltype(M)>::Class&>(object).*M;
}

template <auto M>
const auto& member(const AcRxObject& object)
{
    return static_cast<const typename MemberTraits<decltype(M)>::Class&>(object).*M;
}

Field subclass(const char* names, NameFn nameOf = nullptr);
Field value(std::initializer_list<short> codes, ReadFn read, WriteFn write);
// Read and dropped, never written (counts and copies that follow from other data).
Field ignored(std::initializer_list<short> codes);
// Read and dropped, written from other data (counts, flags that follow from the structure).
Field derived(std::initializer_list<short> codes, WriteFn write);
Field section(SectionFn read, WriteFn write);

// Conversions of the built-in kinds.
void writeNumber(Writer& out, const Field& field, double value);
void writeInteger(Writer& out, const Field& field, long long value);
double readAngle(const Field& field, const Pair& pair, FieldContext& context);
void writeAngle(Writer& out, const Field& field, double radians);

template <auto M>
Field real(int code)
{
    return value({static_cast<short>(code)},
                 [](AcRxObject& o, const Field&, const Pair& p, FieldContext& c) { member<M>(o) = c.real(p); return true; },
                 [](const AcRxObject& o, const Field& f, Writer& out) { writeNumber(out, f, member<M>(o)); });
}

// Radians in memory, degrees in files.
template <auto M>
Field angle(int code)
{
    return value({static_cast<short>(code)},
                 [](AcRxObject& o, const Field& f, const Pair& p, FieldContext& c) { member<M>(o) = readAngle(f, p, c); return true; },
                 [](const AcRxObject& o, const Field& f, Writer& out) { writeAngle(out, f, member<M>(o)); });
}

// An integer, enumeration or character member.
template <auto M>
Field integer(int code)
{
    using T = typename MemberTraits<decltype(M)>::Type;
    return value({static_cast<short>(code)},
                 [](AcRxObject& o, const Field& f, const Pair& p, FieldContext& c) {
                     member<M>(o) = static_cast<T>(c.integer(p, f));
                     return true;
                 },
                 [](const AcRxObject& o, const Field& f, Writer& out) {
                     writeInteger(out, f, static_cast<long long>(member<M>(o)));
                 });
}

template <auto M>
Field flag(int code)
{
    return value({static_cast<short>(code)},
                 [](AcRxObject& o, const Field&, const Pair& p, FieldContext& c) { member<M>(o) = c.integer(p) != 0; return true; },
                 [](const AcRxObject& o, const Field& f, Writer& out) { writeInteger(out, f, member<M>(o) ? 1 : 0); });
}

// Element I of an array of reals.
template <auto M, size_t I>
Field realAt(int code)
{
    return value({static_cast<short>(code)},
                 [](AcRxObject& o, const Field&, const Pair& p, FieldContext& c) { member<M>(o)[I] = c.real(p); return true; },
                 [](const AcRxObject& o, const Field& f, Writer& out) { writeNumber(out, f, member<M>(o)[I]); });
}

template <auto M>
Field text(int code)
{
    return value({static_cast<short>(code)},
                 [](AcRxObject& o, const Field&, const Pair& p, FieldContext&) { member<M>(o) = p.value; return true; },
                 [](const AcRxObject& o, const Field& f, Writer& out) {
                     const auto& v = member<M>(o);
                     if (!f.omitDefault || !v.empty())
                         out.text(f.code(), v);
                 });
}

template <auto M>
Field point(int code)
{
    const auto c = static_cast<short>(code);
    return value({c, static_cast<short>(c + 10), static_cast<short>(c + 20)},
                 [](AcRxObject& o, const Field& f, const Pair& p, FieldContext& c) {
                     auto& v = member<M>(o);
                     const int i = p.code - f.code();   // the codes are code, code + 10, code + 20
                     (i == 0 ? v.x : i == 10 ? v.y : v.z) = c.real(p);
                     return true;
                 },
                 [](const AcRxObject& o, const Field& f, Writer& out) {
                     const auto& v = member<M>(o);
                     out.point(f.code(), v.x, v.y, v.z);
                 });
}

template <auto M>
Field point2d(int code)
{
    const auto c = static_cast<short>(code);
    return value({c, static_cast<short>(c + 10)},
                 [](AcRxObject& o, const Field& f, const Pair& p, FieldContext& c) {
                     auto& v = member<M>(o);
                     (p.code == f.code() ? v.x : v.y) = c.real(p);
                     return true;
                 },
                 [](const AcRxObject& o, const Field& f, Writer& out) {
                     const auto& v = member<M>(o);
                     out.point2d(f.code(), v.x, v.y);
                 });
}

template <auto M>
Field vector(int code)
{
    return point<M>(code);
}

// A normal (extrusion direction), left out when it is the Z axis.
template <auto M>
Field extrusion(int code)
{
    Field f = vector<M>(code);
    f.write = [](const AcRxObject& o, const Field& f, Writer& out) {
        const auto& v = member<M>(o);
        const bool exactlyZ = v.x == 0 && v.y == 0 && v.z == 1;
        if (!exactlyZ && !v.isEqualTo(AcGeVector3d::kZAxis))
            out.point(f.code(), v.x, v.y, v.z);
    };
    return f;
}

} // namespace fields

} // namespace qv::dxf
