// What the sources of the database's object classes share: setter bodies, angle units, the
// default normal and object coordinates in files, and the DXF form of colours.
#pragma once

#include "arx/cmcolor.h"
#include "arx/dxffiler.h"
#include "arx/geometry.h"

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

inline bool isZAxis(const AcGeVector3d& n) { return n.isEqualTo(AcGeVector3d::kZAxis); }

// A world point in the object coordinate system of the normal, as files hold it, and back.
inline AcGePoint3d toOcs(const AcGePoint3d& p, const AcGeVector3d& n)
{
    return isZAxis(n) ? p : AcGeMatrix3d::worldToPlane(n).transform(p);
}

inline AcGePoint3d fromOcs(const AcGePoint3d& p, const AcGeVector3d& n)
{
    return isZAxis(n) ? p : AcGeMatrix3d::planeToWorld(n).transform(p);
}

// The normal in a file: written only when it is not the Z axis.
inline void writeNormal(dxf::DxfOut& out, const AcGeVector3d& n)
{
    if (!isZAxis(n))
        out.vector(210, n);
}

// A colour index read from a file (negative on a layer that is off), unless a true colour
// was read first.
inline void readColorIndex(AcCmColor& color, int index)
{
    if (!color.isByColor())
        color.setColorIndex(static_cast<Adesk::UInt16>(index < 0 ? -index : index));
}

// A true colour read from a file as 0xRRGGBB.
inline void readTrueColor(AcCmColor& color, int rgb)
{
    color.setRGB(static_cast<Adesk::UInt8>(rgb >> 16), static_cast<Adesk::UInt8>(rgb >> 8),
                 static_cast<Adesk::UInt8>(rgb));
}

// The index a file holds beside a true colour: the one read with it, else the nearest.
inline int indexBesideTrueColor(const AcCmColor& color, int fileIndex)
{
    return fileIndex >= 0 ? fileIndex : AcCmColor::lookUpACI(color.red(), color.green(), color.blue());
}

} // namespace qv
