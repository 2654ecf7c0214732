#include "arx/dbcurves.h"

#include "arx/dxfnumber.h"
#include "dbobjectdata.h"
#include "dbobjectimpl.h"

#include <algorithm>
#include <cmath>
#include <unordered_set>

ACRX_DEFINE_MEMBERS(AcDbLine, AcDbCurve, "LINE")
ACRX_DEFINE_MEMBERS(AcDbCircle, AcDbCurve, "CIRCLE")
ACRX_DEFINE_MEMBERS(AcDbArc, AcDbCircle, "ARC")
ACRX_DEFINE_MEMBERS(AcDbPolyline, AcDbCurve, "LWPOLYLINE")
ACRX_DEFINE_MEMBERS(AcDbVertex, AcDbEntity, "VERTEX")
ACRX_DEFINE_MEMBERS(AcDbSequencePolyline, AcDbCurve, "POLYLINE")
ACRX_DEFINE_MEMBERS(AcDb2dPolyline, AcDbSequencePolyline, "POLYLINE")
ACRX_DEFINE_MEMBERS(AcDb3dPolyline, AcDbSequencePolyline, "POLYLINE")
ACRX_DEFINE_MEMBERS(AcDbPolyFaceMesh, AcDbSequencePolyline, "POLYLINE")
ACRX_DEFINE_MEMBERS(AcDbPolygonMesh, AcDbSequencePolyline, "POLYLINE")

namespace {

// The sine of the angle of an arc of the bulge (the angle's quarter tangent t):
// 4 t (1 - t^2) / (1 + t^2)^2, taken through 1 / bulge beyond 1 so that no square overflows.
double sineOfBulge(double bulge)
{
    const bool small = std::fabs(bulge) <= 1;
    const double t = small ? bulge : 1 / bulge;
    const double sine = 4 * t * (1 - t) * (1 + t) / ((1 + t * t) * (1 + t * t));
    return small ? sine : -sine;
}

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

// An integer among the pairs no field read (0 when it is missing or not a number).
long long keptInteger(const AcDbObject& o, int code)
{
    long long value = 0;
    if (o.data())
        for (const qv::dxf::Tag& t : o.data()->extras)
            if (t.code == code && qv::dxf::parseInt(t.value(), value))
                return value;
    return 0;
}

} // namespace

// ---- AcDbLine ----

Acad::ErrorStatus AcDbLine::setStartPoint(const AcGePoint3d& p) { QV_CHECKED_SETTER(allFinite(p), m_start = p) }
Acad::ErrorStatus AcDbLine::setEndPoint(const AcGePoint3d& p) { QV_CHECKED_SETTER(allFinite(p), m_end = p) }

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
    if (const Acad::ErrorStatus es = checkTransform(m); es != Acad::eOk)
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

const FieldTable& AcDbLine::dxfTable() const
{
    static const FieldTable table({dxfFields(), {
        subclass("AcDbLine"),
        real<&AcDbLine::m_thickness>(39).omitting(0),
        point<&AcDbLine::m_start>(10),
        point<&AcDbLine::m_end>(11),
        extrusion<&AcDbLine::m_normal>(210),
    }});
    return table;
}

// ---- AcDbCircle ----

AcDbCircle::AcDbCircle(const AcGePoint3d& center, const AcGeVector3d& normal, double radius)
    : m_radius(radius), m_normal(normal.normal())
{
    m_ocsCenter = toOcs(center, m_normal);
}

AcGePoint3d AcDbCircle::center() const { return fromOcs(m_ocsCenter, m_normal); }

Acad::ErrorStatus AcDbCircle::setCenter(const AcGePoint3d& c)
{
    QV_CHECKED_SETTER(allFinite(c), m_ocsCenter = toOcs(c, m_normal))
}
Acad::ErrorStatus AcDbCircle::setRadius(double r) { QV_CHECKED_SETTER(r > 0 && allFinite(r), m_radius = r) }

Acad::ErrorStatus AcDbCircle::setNormal(const AcGeVector3d& n)
{
    const AcGePoint3d c = center();
    QV_CHECKED_SETTER(allFinite(n) && !n.isZeroLength(), (m_normal = n.normal(), m_ocsCenter = toOcs(c, m_normal)))
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
    point = center() + qv::ocsDirection(param, m_normal) * m_radius;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbCircle::getArea(double& area) const
{
    area = kPi * m_radius * m_radius;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbCircle::transformBy(const AcGeMatrix3d& m)
{
    if (const Acad::ErrorStatus es = checkTransform(m, true); es != Acad::eOk)
        return es;
    bool mirrored = false;
    const AcGePoint3d c = m.transform(center());
    m_radius *= m.scale();
    m_normal = transformedNormal(m, m_normal, mirrored);
    m_ocsCenter = toOcs(c, m_normal);
    return Acad::eOk;
}

Acad::ErrorStatus AcDbCircle::getGeomExtents(AcDbExtents& extents) const
{
    extents = AcDbExtents();
    const AcGePoint3d& c = m_ocsCenter;
    addArcExtents(extents, c.to2d(), m_radius, 0, 2 * kPi, AcGeMatrix3d::planeToWorld(m_normal), c.z);
    return Acad::eOk;
}

std::vector<Field> AcDbCircle::circleFields()
{
    return {
        subclass("AcDbCircle"),
        real<&AcDbCircle::m_thickness>(39).omitting(0),
        point<&AcDbCircle::m_ocsCenter>(10),
        real<&AcDbCircle::m_radius>(40),
        extrusion<&AcDbCircle::m_normal>(210),
    };
}

const FieldTable& AcDbCircle::dxfTable() const
{
    static const FieldTable table({dxfFields(), circleFields()});
    return table;
}

void AcDbCircle::dxfInEnd() { m_normal = qv::unitNormal(m_normal); }

// ---- AcDbArc ----

AcDbArc::AcDbArc(const AcGePoint3d& center, const AcGeVector3d& normal, double radius, double startAngle,
                 double endAngle)
    : AcDbCircle(center, normal, radius), m_startAngle(qv::normalizeAngle(startAngle)),
      m_endAngle(qv::normalizeAngle(endAngle))
{
}

Acad::ErrorStatus AcDbArc::setStartAngle(double a) { QV_CHECKED_SETTER(allFinite(a), m_startAngle = qv::normalizeAngle(a)) }
Acad::ErrorStatus AcDbArc::setEndAngle(double a) { QV_CHECKED_SETTER(allFinite(a), m_endAngle = qv::normalizeAngle(a)) }

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
    const double a = qv::angleInOcs(m.transform(start) - center(), m_normal);
    const double b = qv::angleInOcs(m.transform(end) - center(), m_normal);
    // A mirror reverses the direction of travel.
    m_startAngle = m.det() < 0 ? b : a;
    m_endAngle = m.det() < 0 ? a : b;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbArc::getGeomExtents(AcDbExtents& extents) const
{
    extents = AcDbExtents();
    const AcGePoint3d& c = m_ocsCenter;
    addArcExtents(extents, c.to2d(), m_radius, m_startAngle, sweep(), AcGeMatrix3d::planeToWorld(m_normal), c.z);
    return Acad::eOk;
}

const FieldTable& AcDbArc::dxfTable() const
{
    static const FieldTable table({dxfFields(), circleFields(), {
        subclass("AcDbArc"),
        angle<&AcDbArc::m_startAngle>(50).normalized(),
        angle<&AcDbArc::m_endAngle>(51).normalized(),
    }});
    return table;
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
    QV_CHECKED_SETTER(allFinite(point), m_vertices[index].point = point)
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
    QV_CHECKED_SETTER(allFinite(bulge), m_vertices[index].bulge = bulge)
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
    QV_CHECKED_SETTER(allFinite(startWidth, endWidth),
                      (m_vertices[index].startWidth = startWidth, m_vertices[index].endWidth = endWidth))
}

Acad::ErrorStatus AcDbPolyline::addVertexAt(unsigned int index, const AcGePoint2d& point, double bulge,
                                            double startWidth, double endWidth, Adesk::Int32)
{
    if (index > m_vertices.size())
        return Acad::eInvalidIndex;
    if (const Acad::ErrorStatus es = assertWriteEnabled(); es != Acad::eOk)
        return es;
    if (!allFinite(point, bulge, startWidth, endWidth))
        return Acad::eInvalidInput;
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

Acad::ErrorStatus AcDbPolyline::setElevation(double elevation) { QV_CHECKED_SETTER(allFinite(elevation), m_elevation = elevation) }

Acad::ErrorStatus AcDbPolyline::setNormal(const AcGeVector3d& normal)
{
    QV_CHECKED_SETTER(allFinite(normal) && !normal.isZeroLength(), m_normal = normal.normal())
}

Acad::ErrorStatus AcDbPolyline::setConstantWidth(double width)
{
    if (const Acad::ErrorStatus es = assertWriteEnabled(); es != Acad::eOk)
        return es;
    if (!allFinite(width))
        return Acad::eInvalidInput;
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
    // The radius times the angle, the radius being chord / (2 sin(angle / 2)), where
    // sin(angle / 2) = 2 |bulge| / (1 + bulge^2) (the half angle is 2 atan |bulge|).
    const double bulge = std::fabs(a.bulge);
    return chord * (bulge + 1 / bulge) / 4 * (4 * std::atan(bulge));
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
    // segment, signed with the bulge. The vertices are taken relative to the first, so that
    // the products carry no more rounding far from the origin than near it.
    double sum = 0;
    const size_t n = m_vertices.size();
    const AcGePoint2d origin = n > 0 ? m_vertices[0].point : AcGePoint2d();
    for (size_t i = 0; i < n; ++i) {
        const Vertex& a = m_vertices[i];
        const AcGePoint2d& b = m_vertices[(i + 1) % n].point;
        const AcGeVector2d u = a.point - origin, v = b - origin;
        sum += (u.x * v.y - v.x * u.y) / 2;
        const double chord = a.point.distanceTo(b);
        if (a.bulge != 0 && chord > 0) {
            // The circular segment: r^2 / 2 (angle - sin(angle)), with the radius and the sine
            // from the bulge (the angle's quarter tangent), as segmentLength takes them.
            const double theta = 4 * std::atan(a.bulge);
            const double r = chord * (std::fabs(a.bulge) + 1 / std::fabs(a.bulge)) / 4;
            sum += r * r / 2 * (theta - sineOfBulge(a.bulge));
        }
    }
    area = std::fabs(sum);
    return Acad::eOk;
}

Acad::ErrorStatus AcDbPolyline::transformBy(const AcGeMatrix3d& m)
{
    if (const Acad::ErrorStatus es = checkTransform(m, true); es != Acad::eOk)
        return es;
    bool mirrored = false;
    const AcGeVector3d normal = transformedNormal(m, m_normal, mirrored);
    const AcGeMatrix3d toPlane = AcGeMatrix3d::worldToPlane(normal);
    const double s = m.scale();
    // Every vertex is taken from the plane as it was: the elevation changes after them.
    for (Vertex& v : m_vertices) {
        v.point = toPlane.transform(m.transform(toWorld(v.point))).to2d();
        v.startWidth *= s;
        v.endWidth *= s;
        if (mirrored)
            v.bulge = -v.bulge;
    }
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

const FieldTable& AcDbPolyline::dxfTable() const
{
    static const FieldTable table({dxfFields(), {
        subclass("AcDbPolyline"),
        // The count makes room for the vertices; they are counted again when written.
        value({90},
              [](AcRxObject& o, const Field&, const Pair& p, FieldContext&) {
                  long long count = 0;
                  if (qv::dxf::parseInt(p.value, count) && count > 0)
                      static_cast<AcDbPolyline&>(o).m_vertices.reserve(static_cast<size_t>(std::min(count, 4096LL)));
                  return true;
              },
              [](const AcRxObject& o, const Field& f, Writer& out) {
                  out.integer(f.code(), static_cast<long long>(static_cast<const AcDbPolyline&>(o).m_vertices.size()));
              }),
        integer<&AcDbPolyline::m_flags>(70),
        real<&AcDbPolyline::m_constantWidth>(43).only([](const AcRxObject& o) {
            double width = 0;
            return static_cast<const AcDbPolyline&>(o).getConstantWidth(width) == Acad::eOk;
        }),
        real<&AcDbPolyline::m_elevation>(38).omitting(0),
        real<&AcDbPolyline::m_thickness>(39).omitting(0),
        // The vertices: each starts with its x (10), widths default to the constant width;
        // their identifiers (91) are not kept.
        value({10, 20, 40, 41, 42, 91},
              [](AcRxObject& o, const Field&, const Pair& p, FieldContext& c) {
                  auto& pl = static_cast<AcDbPolyline&>(o);
                  if (p.code == 91)
                      return true;
                  if (p.code == 10) {
                      pl.m_vertices.push_back(Vertex{AcGePoint2d(c.real(p), 0), 0, pl.m_constantWidth, pl.m_constantWidth});
                      return true;
                  }
                  if (pl.m_vertices.empty())
                      return false;
                  Vertex& v = pl.m_vertices.back();
                  (p.code == 20 ? v.point.y : p.code == 40 ? v.startWidth : p.code == 41 ? v.endWidth : v.bulge) = c.real(p);
                  return true;
              },
              [](const AcRxObject& o, const Field&, Writer& out) {
                  const auto& pl = static_cast<const AcDbPolyline&>(o);
                  double constant = 0;
                  const bool isConstant = pl.getConstantWidth(constant) == Acad::eOk;
                  for (const Vertex& v : pl.m_vertices) {
                      out.point2d(10, v.point.x, v.point.y);
                      if (!isConstant) {
                          out.real(40, v.startWidth);
                          out.real(41, v.endWidth);
                      }
                      if (v.bulge != 0)
                          out.real(42, v.bulge);
                  }
              }),
        extrusion<&AcDbPolyline::m_normal>(210),
    }});
    return table;
}

// ---- AcDbVertex ----

Acad::ErrorStatus AcDbVertex::setPosition(const AcGePoint3d& p) { QV_CHECKED_SETTER(allFinite(p), m_position = p) }

int AcDbVertex::faceCorner(int corner) const
{
    const long long index = keptInteger(*this, 71 + corner);
    return static_cast<int>(std::clamp<long long>(index, -32767, 32767));
}

const FieldTable& AcDbVertex::dxfTable() const
{
    // Face records of polyface meshes have no AcDbVertex marker.
    static const FieldTable table({dxfFields(), {
        subclass("AcDbVertex").only([](const AcRxObject& o) {
            const int flags = static_cast<const AcDbVertex&>(o).m_flags;
            return !(flags & 128) || (flags & 64);
        }),
        subclass("AcDb2dVertex|AcDb3dPolylineVertex|AcDbPolyFaceMeshVertex|AcDbPolygonMeshVertex|AcDbFaceRecord",
                 [](const AcRxObject& o) {
                     const int flags = static_cast<const AcDbVertex&>(o).m_flags;
                     return (flags & 128) && !(flags & 64) ? "AcDbFaceRecord"
                         : flags & 128                      ? "AcDbPolyFaceMeshVertex"
                         : flags & 64                       ? "AcDbPolygonMeshVertex"
                         : flags & 32                       ? "AcDb3dPolylineVertex"
                                                            : "AcDb2dVertex";
                 }),
        point<&AcDbVertex::m_position>(10),
        real<&AcDbVertex::m_startWidth>(40).omitting(0),
        real<&AcDbVertex::m_endWidth>(41).omitting(0),
        real<&AcDbVertex::m_bulge>(42).omitting(0),
        integer<&AcDbVertex::m_flags>(70),
    }});
    return table;
}

// ---- AcDbSequencePolyline ----

std::vector<const AcDbVertex*> AcDbSequencePolyline::drawnVertices() const
{
    std::vector<const AcDbVertex*> drawn;
    drawn.reserve(m_vertices.size());
    for (const AcDbObjectId& id : m_vertices) {
        const auto* v = AcDbVertex::cast(id.object());
        if (v && !v->isErased() && !v->isFaceRecord() && !v->isFrameControlPoint())
            drawn.push_back(v);
    }
    return drawn;
}

void AcDbSequencePolyline::getPlanVertices(std::vector<AcGePoint2d>& points, std::vector<double>& bulges) const
{
    const bool flat = AcDb2dPolyline::cast(this) != nullptr;
    for (const AcDbVertex* v : drawnVertices()) {
        points.push_back(v->position().to2d());
        bulges.push_back(flat ? v->bulge() : 0.0);
    }
}

Acad::ErrorStatus AcDbSequencePolyline::setClosed(bool closed) { QV_SETTER(m_flags = closed ? m_flags | 1 : m_flags & ~1) }

Acad::ErrorStatus AcDbSequencePolyline::getFlatPolyline(AcDbPolyline& flat) const
{
    if (!AcDb2dPolyline::cast(this))
        return Acad::eNotApplicable;
    for (const AcDbVertex* v : drawnVertices()) {
        const bool own = v->startWidth() != 0 || v->endWidth() != 0;
        flat.addVertexAt(flat.numVerts(), v->position().to2d(), v->bulge(), own ? v->startWidth() : m_startWidth,
                         own ? v->endWidth() : m_endWidth);
    }
    flat.setClosed(isClosed());
    flat.setElevation(m_elevation);
    flat.setNormal(m_normal);
    return Acad::eOk;
}

// The vertices' positions are in the plane of the normal, at the elevation (their own z is
// not read); the polyline open for write stands for its vertices, as it owns them.
Acad::ErrorStatus AcDbSequencePolyline::transformBy(const AcGeMatrix3d& m)
{
    if (!AcDb2dPolyline::cast(this))
        return AcDbCurve::transformBy(m);
    if (const Acad::ErrorStatus es = checkTransform(m, true); es != Acad::eOk)
        return es;
    bool mirrored = false;
    const AcGeVector3d normal = transformedNormal(m, m_normal, mirrored);
    const AcGeMatrix3d toPlane = AcGeMatrix3d::worldToPlane(normal);
    const auto moved = [&](const AcGePoint3d& p) {
        return toPlane.transform(m.transform(fromOcs(AcGePoint3d(p.x, p.y, m_elevation), m_normal)));
    };
    const double s = m.scale();
    for (const AcDbObjectId& id : m_vertices) {
        auto* v = AcDbVertex::cast(id.object());
        if (!v)
            continue;
        const AcGePoint3d p = moved(v->m_position);
        v->m_position = AcGePoint3d(p.x, p.y, v->m_position.z);
        v->m_startWidth *= s;
        v->m_endWidth *= s;
        if (mirrored)
            v->m_bulge = -v->m_bulge;
    }
    m_elevation = moved(AcGePoint3d::kOrigin).z;
    m_startWidth *= s;
    m_endWidth *= s;
    m_normal = normal;
    return Acad::eOk;
}

bool AcDbSequencePolyline::getMeshLines(std::vector<std::vector<AcGePoint3d>>& lines) const
{
    const bool polyface = AcDbPolyFaceMesh::cast(this) != nullptr;
    if (!polyface && !AcDbPolygonMesh::cast(this))
        return false;
    std::vector<AcGePoint3d> points, fitted;
    std::vector<const AcDbVertex*> faces;
    for (const AcDbObjectId& id : m_vertices) {
        const auto* v = AcDbVertex::cast(id.object());
        if (v && !v->isErased())
            v->isFaceRecord() ? faces.push_back(v)
                : !polyface && (v->vertexFlags() & 8) ? fitted.push_back(v->position())
                                                        : points.push_back(v->position());
    }
    if (!polyface) {
        // Rows of N points, M of them; closed across when the flags say so. A smoothed
        // mesh's fitted surface (its vertices flagged 8, rows of its N density) stands in for
        // the control mesh when the file gives it.
        const bool smooth = !fitted.empty();
        if (smooth)
            points.swap(fitted);
        const long long columns = keptInteger(*this, smooth ? 74 : 72);
        const size_t n = std::clamp<long long>(columns, 1, std::max<long long>(points.size(), 1));
        const size_t m = points.size() / n;
        for (size_t row = 0; row < m; ++row) {
            lines.emplace_back(points.begin() + static_cast<long>(row * n), points.begin() + static_cast<long>(row * n + n));
            if (m_flags & 32)
                lines.back().push_back(points[row * n]);
        }
        for (size_t column = 0; column < n && m > 1; ++column) {
            lines.emplace_back();
            for (size_t row = 0; row < m + ((m_flags & 1) ? 1 : 0); ++row)
                lines.back().push_back(points[(row % m) * n + column]);
        }
        return true;
    }
    // Each face's corners in turn, an edge hidden when the index it starts from is negative;
    // an edge two faces share is drawn once.
    std::unordered_set<unsigned long long> drawn;
    for (const AcDbVertex* face : faces) {
        int corners[4], used = 0;
        for (int i = 0; i < 4; ++i)
            if (const int c = face->faceCorner(i); c != 0)
                corners[used++] = c;
        for (int i = 0; i < used && used > 1; ++i) {
            const int from = corners[i], a = std::abs(from), b = std::abs(corners[(i + 1) % used]);
            if (from < 0 || a > static_cast<int>(points.size()) || b > static_cast<int>(points.size()) || a == b
                || !drawn.insert(static_cast<unsigned long long>(std::min(a, b)) << 32 | static_cast<unsigned>(std::max(a, b))).second)
                continue;
            lines.push_back({points[static_cast<size_t>(a - 1)], points[static_cast<size_t>(b - 1)]});
        }
    }
    return true;
}

Acad::ErrorStatus AcDbSequencePolyline::getGeomExtents(AcDbExtents& extents) const
{
    extents = AcDbExtents();
    if (AcDbPolyline flat; getFlatPolyline(flat) == Acad::eOk)
        return flat.getGeomExtents(extents);
    for (const AcDbVertex* v : drawnVertices())
        extents.addPoint(v->position());
    return extents.isEmpty() ? Acad::eInvalidExtents : Acad::eOk;
}

const FieldTable& AcDbSequencePolyline::dxfTable() const
{
    static const FieldTable table({dxfFields(), {
        subclass("AcDb2dPolyline|AcDb3dPolyline|AcDbPolyFaceMesh|AcDbPolygonMesh",
                 [](const AcRxObject& o) { return static_cast<const AcDbSequencePolyline&>(o).polylineSubclass(); }),
        derived({66}, [](const AcRxObject&, const Field& f, Writer& out) { out.integer(f.code(), 1); }),
        // The "point" of a polyline holds only its elevation.
        value({10, 20, 30},
              [](AcRxObject& o, const Field&, const Pair& p, FieldContext& c) {
                  const double v = c.real(p);
                  if (p.code == 30)
                      static_cast<AcDbSequencePolyline&>(o).m_elevation = v;
                  return true;
              },
              [](const AcRxObject& o, const Field& f, Writer& out) {
                  out.point(f.code(), 0, 0, static_cast<const AcDbSequencePolyline&>(o).m_elevation);
              }),
        integer<&AcDbSequencePolyline::m_flags>(70),
        real<&AcDbSequencePolyline::m_startWidth>(40).omitting(0),
        real<&AcDbSequencePolyline::m_endWidth>(41).omitting(0),
        extrusion<&AcDbSequencePolyline::m_normal>(210),
    }});
    return table;
}
