#include "arx/dbcurves.h"

#include "dbobjectimpl.h"

#include <algorithm>
#include <cmath>

ACRX_DEFINE_MEMBERS(AcDbLine, AcDbCurve, "LINE")
ACRX_DEFINE_MEMBERS(AcDbCircle, AcDbCurve, "CIRCLE")
ACRX_DEFINE_MEMBERS(AcDbArc, AcDbCurve, "ARC")
ACRX_DEFINE_MEMBERS(AcDbPolyline, AcDbCurve, "LWPOLYLINE")
ACRX_DEFINE_MEMBERS(AcDbVertex, AcDbEntity, "VERTEX")
ACRX_DEFINE_MEMBERS(AcDbSequencePolyline, AcDbCurve, "POLYLINE")
ACRX_DEFINE_MEMBERS(AcDb2dPolyline, AcDbSequencePolyline, "POLYLINE")
ACRX_DEFINE_MEMBERS(AcDb3dPolyline, AcDbSequencePolyline, "POLYLINE")
ACRX_DEFINE_MEMBERS(AcDbPolyFaceMesh, AcDbSequencePolyline, "POLYLINE")
ACRX_DEFINE_MEMBERS(AcDbPolygonMesh, AcDbSequencePolyline, "POLYLINE")

using qv::dxf::DxfIn;
using qv::dxf::DxfOut;
using qv::dxf::Token;
using qv::fromOcs;
using qv::kDegree;
using qv::toOcs;
using qv::writeNormal;

namespace {

// Normal of a planar entity after a transform, with whether its orientation was mirrored.
AcGeVector3d transformedNormal(const AcGeMatrix3d& m, const AcGeVector3d& n, bool& mirrored)
{
    mirrored = m.det() < 0;
    return m.transform(n).normal();
}

// The x-y extremes of a circle's arc from a to a + sweep (radians) in its plane.
void addArcExtents(AcDbExtents& e, const AcGePoint2d& c, double r, double a, double sweep,
                   const AcGeMatrix3d& toWorld, double z)
{
    auto add = [&](double angle) {
        e.addPoint(toWorld.transform(AcGePoint3d(c.x + r * std::cos(angle), c.y + r * std::sin(angle), z)));
    };
    add(a);
    add(a + sweep);
    const double lo = std::min(a, a + sweep), hi = std::max(a, a + sweep);
    for (double q = std::ceil(lo / (kPi / 2)) * (kPi / 2); q < hi; q += kPi / 2)
        add(q);
}

} // namespace

// ---- AcDbLine ----

Acad::ErrorStatus AcDbLine::setStartPoint(const AcGePoint3d& p) { QV_SETTER(m_start = p) }
Acad::ErrorStatus AcDbLine::setEndPoint(const AcGePoint3d& p) { QV_SETTER(m_end = p) }

Acad::ErrorStatus AcDbLine::getEndParam(double& param) const
{
    param = m_start.distanceTo(m_end);
    return Acad::eOk;
}

Acad::ErrorStatus AcDbLine::getDistAtParam(double param, double& dist) const
{
    if (param < 0 || param > m_start.distanceTo(m_end) + AcGeContext::gTol.equalPoint())
        return Acad::eInvalidInput;
    dist = param;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbLine::getPointAtParam(double param, AcGePoint3d& point) const
{
    const double l = m_start.distanceTo(m_end);
    point = l > 0 ? m_start + (m_end - m_start) * (param / l) : m_start;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbLine::transformBy(const AcGeMatrix3d& m)
{
    if (const Acad::ErrorStatus es = assertWriteEnabled(); es != Acad::eOk)
        return es;
    m_start = m.transform(m_start);
    m_end = m.transform(m_end);
    bool mirrored = false;
    m_normal = transformedNormal(m, m_normal, mirrored);
    return Acad::eOk;
}

Acad::ErrorStatus AcDbLine::getGeomExtents(AcDbExtents& extents) const
{
    extents = AcDbExtents(m_start, m_end);
    return Acad::eOk;
}

bool AcDbLine::dxfInField(DxfIn& in, const Token& t)
{
    if (t.code == 39) {
        m_thickness = in.real(t);
        return true;
    }
    return in.pointPart(t, 10, m_start) || in.pointPart(t, 11, m_end) || in.vectorPart(t, 210, m_normal);
}

void AcDbLine::dxfOutFields(DxfOut& out) const
{
    AcDbEntity::dxfOutFields(out);
    out.subclass("AcDbLine");
    if (m_thickness != 0)
        out.real(39, m_thickness);
    out.point(10, m_start);
    out.point(11, m_end);
    writeNormal(out, m_normal);
}

// ---- AcDbCircle ----

AcDbCircle::AcDbCircle(const AcGePoint3d& center, const AcGeVector3d& normal, double radius)
    : m_center(center), m_radius(radius), m_normal(normal.normal())
{
}

Acad::ErrorStatus AcDbCircle::setCenter(const AcGePoint3d& c) { QV_SETTER(m_center = c) }
Acad::ErrorStatus AcDbCircle::setRadius(double r) { QV_CHECKED_SETTER(!(r <= 0), m_radius = r) }

Acad::ErrorStatus AcDbCircle::setNormal(const AcGeVector3d& n)
{
    if (n.isZeroLength())
        return Acad::eInvalidInput;
    m_normal = n.normal();
    return Acad::eOk;
}

Acad::ErrorStatus AcDbCircle::getEndParam(double& param) const
{
    param = 2 * kPi;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbCircle::getDistAtParam(double param, double& dist) const
{
    if (param < 0 || param > 2 * kPi + 1e-12)
        return Acad::eInvalidInput;
    dist = param * m_radius;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbCircle::getPointAtParam(double param, AcGePoint3d& point) const
{
    point = m_center + qv::ocsDirection(param, m_normal) * m_radius;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbCircle::getArea(double& area) const
{
    area = kPi * m_radius * m_radius;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbCircle::transformBy(const AcGeMatrix3d& m)
{
    if (const Acad::ErrorStatus es = assertWriteEnabled(); es != Acad::eOk)
        return es;
    if (!m.isUniScaledOrtho())
        return Acad::eNotApplicable;
    bool mirrored = false;
    m_center = m.transform(m_center);
    m_radius *= m.scale();
    m_normal = transformedNormal(m, m_normal, mirrored);
    return Acad::eOk;
}

Acad::ErrorStatus AcDbCircle::getGeomExtents(AcDbExtents& extents) const
{
    extents = AcDbExtents();
    const AcGePoint3d c = AcGeMatrix3d::worldToPlane(m_normal).transform(m_center);
    addArcExtents(extents, c.to2d(), m_radius, 0, 2 * kPi, AcGeMatrix3d::planeToWorld(m_normal), c.z);
    return Acad::eOk;
}

bool AcDbCircle::dxfInField(DxfIn& in, const Token& t)
{
    if (t.code == 40)
        m_radius = in.real(t);
    else if (t.code == 39)
        m_thickness = in.real(t);
    else
        return in.pointPart(t, 10, m_center) || in.vectorPart(t, 210, m_normal);
    return true;
}

void AcDbCircle::dxfInEnd(DxfIn&)
{
    // The file gives the centre in the object coordinate system.
    m_normal = m_normal.isZeroLength() ? AcGeVector3d::kZAxis : m_normal.normal();
    m_center = fromOcs(m_center, m_normal);
}

void AcDbCircle::dxfOutFields(DxfOut& out) const
{
    AcDbEntity::dxfOutFields(out);
    out.subclass("AcDbCircle");
    if (m_thickness != 0)
        out.real(39, m_thickness);
    out.point(10, toOcs(m_center, m_normal));
    out.real(40, m_radius);
    writeNormal(out, m_normal);
}

// ---- AcDbArc ----

AcDbArc::AcDbArc(const AcGePoint3d& center, const AcGeVector3d& normal, double radius, double startAngle,
                 double endAngle)
    : AcDbCircle(center, normal, radius), m_startAngle(qv::normalizeAngle(startAngle)),
      m_endAngle(qv::normalizeAngle(endAngle))
{
}

Acad::ErrorStatus AcDbArc::setStartAngle(double a) { QV_SETTER(m_startAngle = qv::normalizeAngle(a)) }
Acad::ErrorStatus AcDbArc::setEndAngle(double a) { QV_SETTER(m_endAngle = qv::normalizeAngle(a)) }

double AcDbArc::sweep() const
{
    const double s = qv::normalizeAngle(m_endAngle - m_startAngle);
    return s == 0 ? 2 * kPi : s;
}

Acad::ErrorStatus AcDbArc::getStartParam(double& param) const
{
    param = m_startAngle;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbArc::getEndParam(double& param) const
{
    param = m_startAngle + sweep();
    return Acad::eOk;
}

Acad::ErrorStatus AcDbArc::getDistAtParam(double param, double& dist) const
{
    if (param < m_startAngle - 1e-12 || param > m_startAngle + sweep() + 1e-12)
        return Acad::eInvalidInput;
    dist = (param - m_startAngle) * m_radius;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbArc::getArea(double& area) const
{
    const double s = sweep();
    area = 0.5 * m_radius * m_radius * (s - std::sin(s));
    return Acad::eOk;
}

Acad::ErrorStatus AcDbArc::transformBy(const AcGeMatrix3d& m)
{
    AcGePoint3d start, end;
    getPointAtParam(m_startAngle, start);
    getPointAtParam(m_startAngle + sweep(), end);
    if (const Acad::ErrorStatus es = AcDbCircle::transformBy(m); es != Acad::eOk)
        return es;
    const double a = qv::angleInOcs(m.transform(start) - m_center, m_normal);
    const double b = qv::angleInOcs(m.transform(end) - m_center, m_normal);
    // A mirror reverses the direction of travel.
    m_startAngle = m.det() < 0 ? b : a;
    m_endAngle = m.det() < 0 ? a : b;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbArc::getGeomExtents(AcDbExtents& extents) const
{
    extents = AcDbExtents();
    const AcGePoint3d c = AcGeMatrix3d::worldToPlane(m_normal).transform(m_center);
    addArcExtents(extents, c.to2d(), m_radius, m_startAngle, sweep(), AcGeMatrix3d::planeToWorld(m_normal), c.z);
    return Acad::eOk;
}

bool AcDbArc::dxfInField(DxfIn& in, const Token& t)
{
    if (t.code == 50)
        m_startAngle = qv::normalizeAngle(in.real(t) * kDegree);
    else if (t.code == 51)
        m_endAngle = qv::normalizeAngle(in.real(t) * kDegree);
    else
        return AcDbCircle::dxfInField(in, t);
    return true;
}

void AcDbArc::dxfOutFields(DxfOut& out) const
{
    AcDbCircle::dxfOutFields(out);
    out.subclass("AcDbArc");
    out.real(50, m_startAngle / kDegree);
    out.real(51, m_endAngle / kDegree);
}

// ---- AcDbPolyline ----

Acad::ErrorStatus AcDbPolyline::getPointAt(unsigned int index, AcGePoint3d& point) const
{
    if (index >= m_vertices.size())
        return Acad::eInvalidIndex;
    point = toWorld(m_vertices[index].point);
    return Acad::eOk;
}

Acad::ErrorStatus AcDbPolyline::getPointAt(unsigned int index, AcGePoint2d& point) const
{
    if (index >= m_vertices.size())
        return Acad::eInvalidIndex;
    point = m_vertices[index].point;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbPolyline::setPointAt(unsigned int index, const AcGePoint2d& point)
{
    if (index >= m_vertices.size())
        return Acad::eInvalidIndex;
    if (const Acad::ErrorStatus es = assertWriteEnabled(); es != Acad::eOk)
        return es;
    m_vertices[index].point = point;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbPolyline::getBulgeAt(unsigned int index, double& bulge) const
{
    if (index >= m_vertices.size())
        return Acad::eInvalidIndex;
    bulge = m_vertices[index].bulge;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbPolyline::setBulgeAt(unsigned int index, double bulge)
{
    if (index >= m_vertices.size())
        return Acad::eInvalidIndex;
    if (const Acad::ErrorStatus es = assertWriteEnabled(); es != Acad::eOk)
        return es;
    m_vertices[index].bulge = bulge;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbPolyline::getWidthsAt(unsigned int index, double& startWidth, double& endWidth) const
{
    if (index >= m_vertices.size())
        return Acad::eInvalidIndex;
    startWidth = m_vertices[index].startWidth;
    endWidth = m_vertices[index].endWidth;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbPolyline::setWidthsAt(unsigned int index, double startWidth, double endWidth)
{
    if (index >= m_vertices.size())
        return Acad::eInvalidIndex;
    if (const Acad::ErrorStatus es = assertWriteEnabled(); es != Acad::eOk)
        return es;
    m_vertices[index].startWidth = startWidth;
    m_vertices[index].endWidth = endWidth;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbPolyline::addVertexAt(unsigned int index, const AcGePoint2d& point, double bulge,
                                            double startWidth, double endWidth, Adesk::Int32)
{
    if (index > m_vertices.size())
        return Acad::eInvalidIndex;
    if (const Acad::ErrorStatus es = assertWriteEnabled(); es != Acad::eOk)
        return es;
    m_vertices.insert(m_vertices.begin() + index,
                      Vertex{point, bulge, std::max(startWidth, 0.0), std::max(endWidth, 0.0)});
    return Acad::eOk;
}

Acad::ErrorStatus AcDbPolyline::removeVertexAt(unsigned int index)
{
    if (index >= m_vertices.size())
        return Acad::eInvalidIndex;
    if (const Acad::ErrorStatus es = assertWriteEnabled(); es != Acad::eOk)
        return es;
    m_vertices.erase(m_vertices.begin() + index);
    return Acad::eOk;
}

void AcDbPolyline::setClosed(bool closed) { m_flags = closed ? m_flags | 1 : m_flags & ~1; }

bool AcDbPolyline::isOnlyLines() const
{
    return std::all_of(m_vertices.begin(), m_vertices.end(), [](const Vertex& v) { return v.bulge == 0; });
}

Acad::ErrorStatus AcDbPolyline::getConstantWidth(double& width) const
{
    width = m_constantWidth;
    for (const Vertex& v : m_vertices)
        if (v.startWidth != m_constantWidth || v.endWidth != m_constantWidth)
            return Acad::eNotApplicable;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbPolyline::setConstantWidth(double width)
{
    if (const Acad::ErrorStatus es = assertWriteEnabled(); es != Acad::eOk)
        return es;
    m_constantWidth = width;
    for (Vertex& v : m_vertices)
        v.startWidth = v.endWidth = width;
    return Acad::eOk;
}

AcGePoint3d AcDbPolyline::toWorld(const AcGePoint2d& p) const
{
    const AcGePoint3d local(p.x, p.y, m_elevation);
    return fromOcs(local, m_normal);
}

double AcDbPolyline::segmentLength(unsigned int i) const
{
    const Vertex& a = m_vertices[i];
    const AcGePoint2d& b = m_vertices[(i + 1) % m_vertices.size()].point;
    const double chord = a.point.distanceTo(b);
    if (a.bulge == 0 || chord == 0)
        return chord;
    const double theta = 4 * std::atan(std::fabs(a.bulge));
    return chord * theta / (2 * std::sin(theta / 2));
}

AcGePoint2d AcDbPolyline::segmentPoint(unsigned int i, double t) const
{
    const Vertex& a = m_vertices[i];
    const AcGePoint2d& b = m_vertices[(i + 1) % m_vertices.size()].point;
    if (a.bulge == 0)
        return a.point + (b - a.point) * t;
    // Rotate the start about the arc's centre by t of the arc's signed angle.
    const double theta = 4 * std::atan(a.bulge);
    const AcGeVector2d chord = b - a.point;
    const double d = chord.length();
    const double h = d / (2 * std::tan(theta / 2));
    const AcGePoint2d mid(a.point.x + chord.x / 2, a.point.y + chord.y / 2);
    const AcGePoint2d c(mid.x - chord.y / d * h, mid.y + chord.x / d * h);
    const double ang = theta * t, cs = std::cos(ang), sn = std::sin(ang);
    const double rx = a.point.x - c.x, ry = a.point.y - c.y;
    return {c.x + rx * cs - ry * sn, c.y + rx * sn + ry * cs};
}

Acad::ErrorStatus AcDbPolyline::getEndParam(double& param) const
{
    if (m_vertices.empty())
        return Acad::eDegenerateGeometry;
    param = isClosed() ? static_cast<double>(m_vertices.size()) : static_cast<double>(m_vertices.size() - 1);
    return Acad::eOk;
}

Acad::ErrorStatus AcDbPolyline::getDistAtParam(double param, double& dist) const
{
    double end = 0;
    if (const Acad::ErrorStatus es = getEndParam(end); es != Acad::eOk)
        return es;
    if (param < 0 || param > end + 1e-12)
        return Acad::eInvalidInput;
    dist = 0;
    const auto whole = static_cast<unsigned int>(std::min(std::floor(param), end));
    for (unsigned int i = 0; i < whole; ++i)
        dist += segmentLength(i);
    if (param > whole && whole < end)
        dist += segmentLength(whole) * (param - whole);
    return Acad::eOk;
}

Acad::ErrorStatus AcDbPolyline::getPointAtParam(double param, AcGePoint3d& point) const
{
    double end = 0;
    if (const Acad::ErrorStatus es = getEndParam(end); es != Acad::eOk)
        return es;
    if (param < 0 || param > end + 1e-12)
        return Acad::eInvalidInput;
    const auto i = static_cast<unsigned int>(std::min(std::floor(param), end));
    point = toWorld(i == end ? m_vertices[i % m_vertices.size()].point : segmentPoint(i, param - i));
    return Acad::eOk;
}

Acad::ErrorStatus AcDbPolyline::getArea(double& area) const
{
    // Shoelace over all vertices (closing segment included) plus each bulge's circular
    // segment, signed with the bulge.
    double sum = 0;
    const size_t n = m_vertices.size();
    for (size_t i = 0; i < n; ++i) {
        const Vertex& a = m_vertices[i];
        const AcGePoint2d& b = m_vertices[(i + 1) % n].point;
        sum += (a.point.x * b.y - b.x * a.point.y) / 2;
        const double chord = a.point.distanceTo(b);
        if (a.bulge != 0 && chord > 0) {
            const double theta = 4 * std::atan(a.bulge);
            const double r = chord / (2 * std::sin(std::fabs(theta) / 2));
            sum += r * r / 2 * (theta - std::sin(theta));
        }
    }
    area = std::fabs(sum);
    return Acad::eOk;
}

Acad::ErrorStatus AcDbPolyline::transformBy(const AcGeMatrix3d& m)
{
    if (const Acad::ErrorStatus es = assertWriteEnabled(); es != Acad::eOk)
        return es;
    if (!m.isUniScaledOrtho())
        return Acad::eNotApplicable;
    bool mirrored = false;
    const AcGeVector3d normal = transformedNormal(m, m_normal, mirrored);
    const AcGeMatrix3d toPlane = AcGeMatrix3d::worldToPlane(normal);
    const double s = m.scale();
    for (Vertex& v : m_vertices) {
        const AcGePoint3d p = toPlane.transform(m.transform(toWorld(v.point)));
        m_elevation = p.z;
        v.point = p.to2d();
        v.startWidth *= s;
        v.endWidth *= s;
        if (mirrored)
            v.bulge = -v.bulge;
    }
    if (m_vertices.empty())
        m_elevation = toPlane.transform(m.transform(toWorld(AcGePoint2d()))).z;
    m_constantWidth *= s;
    m_normal = normal;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbPolyline::getGeomExtents(AcDbExtents& extents) const
{
    extents = AcDbExtents();
    if (m_vertices.empty())
        return Acad::eInvalidExtents;
    const AcGeMatrix3d toWorld = AcGeMatrix3d::planeToWorld(m_normal);
    const size_t n = m_vertices.size();
    for (size_t i = 0; i < n; ++i) {
        const Vertex& a = m_vertices[i];
        extents.addPoint(toWorld.transform(AcGePoint3d(a.point.x, a.point.y, m_elevation)));
        if (a.bulge == 0 || (i + 1 == n && !isClosed()))
            continue;
        const AcGePoint2d& b = m_vertices[(i + 1) % n].point;
        const double theta = 4 * std::atan(a.bulge);
        const AcGeVector2d chord = b - a.point;
        const double d = chord.length();
        if (d == 0)
            continue;
        const double h = d / (2 * std::tan(theta / 2));
        const AcGePoint2d c(a.point.x + chord.x / 2 - chord.y / d * h, a.point.y + chord.y / 2 + chord.x / d * h);
        const double start = std::atan2(a.point.y - c.y, a.point.x - c.x);
        addArcExtents(extents, c, a.point.distanceTo(c), start, theta, toWorld, m_elevation);
    }
    return Acad::eOk;
}

bool AcDbPolyline::dxfInField(DxfIn& in, const Token& t)
{
    switch (t.code) {
    case 90: case 91: return true;  // counts and vertex ids follow from the vertices
    case 70: m_flags = in.integer(t); return true;
    case 43: m_constantWidth = in.real(t); return true;
    case 38: m_elevation = in.real(t); return true;
    case 39: m_thickness = in.real(t); return true;
    case 10:
        m_vertices.push_back(Vertex{AcGePoint2d(in.real(t), 0), 0, m_constantWidth, m_constantWidth});
        return true;
    }
    if (t.code == 20 || t.code == 40 || t.code == 41 || t.code == 42) {
        if (m_vertices.empty())
            return false;
        Vertex& v = m_vertices.back();
        double& field = t.code == 20 ? v.point.y : t.code == 40 ? v.startWidth : t.code == 41 ? v.endWidth : v.bulge;
        field = in.real(t);
        return true;
    }
    return in.vectorPart(t, 210, m_normal);
}

void AcDbPolyline::dxfOutFields(DxfOut& out) const
{
    AcDbEntity::dxfOutFields(out);
    out.subclass("AcDbPolyline");
    out.integer(90, static_cast<long long>(m_vertices.size()));
    out.integer(70, m_flags);
    double constant = 0;
    const bool isConstant = getConstantWidth(constant) == Acad::eOk;
    if (isConstant)
        out.real(43, constant);
    if (m_elevation != 0)
        out.real(38, m_elevation);
    if (m_thickness != 0)
        out.real(39, m_thickness);
    for (const Vertex& v : m_vertices) {
        out.point2d(10, v.point.x, v.point.y);
        if (!isConstant) {
            out.real(40, v.startWidth);
            out.real(41, v.endWidth);
        }
        if (v.bulge != 0)
            out.real(42, v.bulge);
    }
    writeNormal(out, m_normal);
}

// ---- AcDbVertex ----

bool AcDbVertex::dxfInField(DxfIn& in, const Token& t)
{
    switch (t.code) {
    case 40: m_startWidth = in.real(t); return true;
    case 41: m_endWidth = in.real(t); return true;
    case 42: m_bulge = in.real(t); return true;
    case 70: m_flags = in.integer(t); return true;
    }
    return in.pointPart(t, 10, m_position);
}

void AcDbVertex::dxfOutFields(DxfOut& out) const
{
    AcDbEntity::dxfOutFields(out);
    if ((m_flags & 128) && !(m_flags & 64)) {
        out.subclass("AcDbFaceRecord");
    } else {
        out.subclass("AcDbVertex");
        out.subclass(m_flags & 128 ? "AcDbPolyFaceMeshVertex"
                     : m_flags & 64 ? "AcDbPolygonMeshVertex"
                     : m_flags & 32 ? "AcDb3dPolylineVertex"
                                    : "AcDb2dVertex");
    }
    out.point(10, m_position);
    if (m_startWidth != 0)
        out.real(40, m_startWidth);
    if (m_endWidth != 0)
        out.real(41, m_endWidth);
    if (m_bulge != 0)
        out.real(42, m_bulge);
    out.integer(70, m_flags);
}

// ---- AcDbSequencePolyline ----

bool AcDbSequencePolyline::dxfInField(DxfIn& in, const Token& t)
{
    switch (t.code) {
    case 66: case 10: case 20: return true;
    case 30: m_elevation = in.real(t); return true;
    case 70: m_flags = in.integer(t); return true;
    case 40: m_startWidth = in.real(t); return true;
    case 41: m_endWidth = in.real(t); return true;
    }
    return in.vectorPart(t, 210, m_normal);
}

void AcDbSequencePolyline::dxfOutFields(DxfOut& out) const
{
    AcDbEntity::dxfOutFields(out);
    out.subclass(polylineSubclass());
    out.integer(66, 1);
    out.point(10, AcGePoint3d(0, 0, m_elevation));
    out.integer(70, m_flags);
    if (m_startWidth != 0)
        out.real(40, m_startWidth);
    if (m_endWidth != 0)
        out.real(41, m_endWidth);
    writeNormal(out, m_normal);
}
