// What the sources of the database's object classes share: setter bodies, finite-number
// checks, angle units, object coordinates, the DXF form of colours, and the field kinds of
// the tables that know the database (references, interned names).
#pragma once

#include "arx/cmcolor.h"
#include "arx/dbobject.h"
#include "arx/dxffieldtable.h"
#include "arx/dxfnames.h"
#include "arx/geometry.h"
#include "dxfcontext.h"

#include <cmath>

// The body of a setter: refused unless the object may change (see assertWriteEnabled).
#define QV_SETTER(BODY)                                                          \
    if (const Acad::ErrorStatus es = assertWriteEnabled(); es != Acad::eOk)      \
        return es;                                                               \
    BODY;                                                                        \
    return Acad::eOk;

// As QV_SETTER, and then eInvalidInput unless VALID holds.
#define QV_CHECKED_SETTER(VALID, BODY)                                           \
    if (const Acad::ErrorStatus es = assertWriteEnabled(); es != Acad::eOk)      \
        return es;                                                               \
    if (!(VALID))                                                                \
        return Acad::eInvalidInput;                                              \
    BODY;                                                                        \
    return Acad::eOk;

namespace qv {

// Radians in a degree: DXF files hold angles in degrees.
constexpr double kDegree = kPi / 180.0;

// Whether every number of the values is finite: no NaN or infinity enters a drawing.
inline bool allFinite(double v) { return std::isfinite(v); }
inline bool allFinite(const AcGePoint2d& p) { return allFinite(p.x) && allFinite(p.y); }
inline bool allFinite(const AcGePoint3d& p) { return allFinite(p.x) && allFinite(p.y) && allFinite(p.z); }
inline bool allFinite(const AcGeVector3d& v) { return allFinite(v.x) && allFinite(v.y) && allFinite(v.z); }
inline bool allFinite(const AcGeScale3d& s) { return allFinite(s.sx) && allFinite(s.sy) && allFinite(s.sz); }
inline bool allFinite(const AcGeMatrix3d& m)
{
    for (const auto& row : m.entry)
        for (double v : row)
            if (!std::isfinite(v))
                return false;
    return true;
}
template <class A, class B, class... Rest>
bool allFinite(const A& a, const B& b, const Rest&... rest)
{
    return allFinite(a) && allFinite(b, rest...);
}

inline bool isZAxis(const AcGeVector3d& n)
{
    return (n.x == 0 && n.y == 0 && n.z == 1) || n.isEqualTo(AcGeVector3d::kZAxis);
}

// A direction as read: unit length, the fallback when the file gave none. One of unit length
// already is kept as it is, so that it is written back as read (normalizing it again may move
// it by a bit at each save).
inline AcGeVector3d unitVector(const AcGeVector3d& v, const AcGeVector3d& fallback)
{
    if (v.isZeroLength())
        return fallback;
    return std::fabs(v.length() - 1) < 1e-12 ? v : v.normal();
}

// A normal as read: the Z axis when the file gave none.
inline AcGeVector3d unitNormal(const AcGeVector3d& n)
{
    return unitVector(n, AcGeVector3d::kZAxis);
}

// A world point in the object coordinate system of the normal, as files hold it, and back.
inline AcGePoint3d toOcs(const AcGePoint3d& p, const AcGeVector3d& n)
{
    return isZAxis(n) ? p : AcGeMatrix3d::worldToPlane(n).transform(p);
}

inline AcGePoint3d fromOcs(const AcGePoint3d& p, const AcGeVector3d& n)
{
    return isZAxis(n) ? p : AcGeMatrix3d::planeToWorld(n).transform(p);
}

// A colour index read from a file (negative on a layer that is off), unless a true colour
// was read first.
inline void readColorIndex(AcCmColor& color, int index)
{
    if (!color.isByColor())
        color.setColorIndex(static_cast<Adesk::UInt16>(index < 0 ? -index : index));
}

// A true colour read from a file as 0xRRGGBB.
inline void readTrueColor(AcCmColor& color, long long rgb)
{
    color.setRGB(static_cast<Adesk::UInt8>(rgb >> 16), static_cast<Adesk::UInt8>(rgb >> 8),
                 static_cast<Adesk::UInt8>(rgb));
}

// The index a file holds beside a true colour: the one read with it, else the nearest.
inline int indexBesideTrueColor(const AcCmColor& color, int fileIndex)
{
    return fileIndex >= 0 ? fileIndex : AcCmColor::lookUpACI(color.red(), color.green(), color.blue());
}

inline bool live(AcDbObjectId id) { return id.isValid() && !id.isErased(); }

// The database's reading context of a table's reader.
inline DxfContext& dbContext(dxf::FieldContext& context) { return static_cast<DxfContext&>(context); }

namespace fields {

using namespace dxf::fields;

// A reference to another object: its handle, "0" when it is gone. Strict references
// must name an object of the file. With omittingEmpty, left out when gone.
template <auto M, bool Strict = false>
dxf::Field reference(int code)
{
    return value(
        {static_cast<short>(code)},
        [](AcRxObject& o, const dxf::Field&, const dxf::Pair& p, dxf::FieldContext& c) {
            dxf::fields::member<M>(o) = dbContext(c).reference(p, Strict);
            return true;
        },
        [](const AcRxObject& o, const dxf::Field& f, dxf::Writer& out) {
            const AcDbObjectId id = dxf::fields::member<M>(o);
            if (live(id))
                out.handle(f.code(), id.handle().value());
            else if (!f.omitDefault)
                out.handle(f.code(), 0);
        });
}

// A name many objects share (a const char* member): kept once for the process. Read
// through DxfContext::name, as it names a table's record.
template <auto M>
dxf::Field sharedName(int code)
{
    return value(
        {static_cast<short>(code)},
        [](AcRxObject& o, const dxf::Field&, const dxf::Pair& p, dxf::FieldContext& c) {
            dxf::fields::member<M>(o) = dxf::internName(dbContext(c).name(p));
            return true;
        },
        [](const AcRxObject& o, const dxf::Field& f, dxf::Writer& out) { out.text(f.code(), dxf::fields::member<M>(o)); });
}

// A name (a string member) read through DxfContext::name: no NUL byte cuts it short where
// the API takes it as a C string.
template <auto M>
dxf::Field nameText(int code)
{
    return value(
        {static_cast<short>(code)},
        [](AcRxObject& o, const dxf::Field&, const dxf::Pair& p, dxf::FieldContext& c) {
            dxf::fields::member<M>(o) = dbContext(c).name(p);
            return true;
        },
        [](const AcRxObject& o, const dxf::Field& f, dxf::Writer& out) { out.text(f.code(), dxf::fields::member<M>(o)); });
}

} // namespace fields

} // namespace qv

// The names the sources of the object classes use in their field tables and setters.
using qv::allFinite;
using qv::fromOcs;
using qv::kDegree;
using qv::toOcs;
using qv::dxf::Field;
using qv::dxf::FieldContext;
using qv::dxf::FieldTable;
using qv::dxf::Pair;
using qv::dxf::Writer;
using namespace qv::fields;
