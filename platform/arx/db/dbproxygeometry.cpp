#include "arx/dbproxygeometry.h"

#include "arx/dbentity.h"
#include "arx/dbproxygraphics.h"
#include "arx/dbsplinecurve.h"

#include <algorithm>
#include <cmath>
#include <string_view>
#include <unordered_set>

namespace qv {

namespace {

constexpr size_t kMaxGraphicsPoints = 10000000;   // of proxy graphics measured for a box

PointRun splineRun(const AcDbProxyEntity& e, double tolerance)
{
    constexpr const char* kSub = "AcDbSpline";
    double degree = 3, flags = 0;
    e.storedReal(71, degree, kSub);
    e.storedReal(70, flags, kSub);
    SplineCurve c;
    c.closed = static_cast<long>(std::clamp(flags, 0.0, 65535.0)) & 1;
    c.degree = static_cast<int>(std::clamp(degree, 1.0, 1e6));
    c.controlPoints = e.storedPoints(10, kSub);
    c.knots = e.storedReals(40, kSub);
    c.weights = e.storedReals(41, kSub);
    c.fitPoints = e.storedPoints(11, kSub);
    AcGePoint3d start, end;
    e.storedPoint(12, start, kSub);
    e.storedPoint(13, end, kSub);
    c.startTangent = start.asVector();
    c.endTangent = end.asVector();
    return c.flatten(tolerance);
}

// The edges of a 3D face; bits 1, 2, 4 and 8 of its flags hide the edges from its first,
// second, third and fourth corner.
std::vector<PointRun> faceEdges(const AcDbProxyEntity& e)
{
    AcGePoint3d corners[4];
    for (int i = 0; i < 3; ++i)
        if (!e.storedPoint(10 + i, corners[i]))
            return {};
    if (!e.storedPoint(13, corners[3]))
        corners[3] = corners[2];
    double flags = 0;
    e.storedReal(70, flags);
    const long hidden = static_cast<long>(std::clamp(flags, 0.0, 15.0));
    std::vector<PointRun> edges;
    for (int i = 0; i < 4; ++i)
        if (!(hidden & (1 << i)) && corners[i].distanceTo(corners[(i + 1) % 4]) > 0)
            edges.push_back({corners[i], corners[(i + 1) % 4]});
    return edges;
}

// The edges of a subdivision mesh: of its faces (a count and as many 0-based vertex indices
// each), or its edge list (index pairs) when it has no faces; each edge once.
std::vector<PointRun> meshEdges(const AcDbProxyEntity& e)
{
    constexpr const char* kSub = "AcDbSubDMesh";
    const std::vector<AcGePoint3d> vertices = e.storedPoints(10, kSub);
    const std::vector<double> values = e.storedReals(90, kSub);
    double faceValues = 0, edgeCount = 0;
    e.storedReal(93, faceValues, kSub);
    e.storedReal(94, edgeCount, kSub);
    const size_t faceEnd = static_cast<size_t>(std::clamp<double>(faceValues, 0, static_cast<double>(values.size())));
    std::vector<std::pair<size_t, size_t>> pairs;
    for (size_t at = 0; at < faceEnd;) {
        const size_t count = static_cast<size_t>(std::clamp<double>(values[at], 0, static_cast<double>(faceEnd - at - 1)));
        for (size_t k = 0; k < count; ++k)
            pairs.emplace_back(at + 1 + k, at + 1 + (k + 1) % count);
        at += count + 1;
    }
    if (pairs.empty()) {
        const double available = static_cast<double>((values.size() - faceEnd) / 2);
        const size_t edges = static_cast<size_t>(std::clamp<double>(edgeCount, 0, available));
        for (size_t k = 0; k < edges; ++k)
            pairs.emplace_back(faceEnd + 2 * k, faceEnd + 2 * k + 1);
    }
    std::vector<PointRun> lines;
    std::unordered_set<unsigned long long> drawn;
    const auto last = static_cast<double>(vertices.size()) - 1;
    for (const auto& [from, to] : pairs) {
        const double a = values[from], b = values[to];
        if (!(a >= 0 && a <= last && b >= 0 && b <= last) || a == b)
            continue;
        const auto i = static_cast<unsigned long long>(std::min(a, b)), j = static_cast<unsigned long long>(std::max(a, b));
        if (drawn.insert(i << 32 | j).second)
            lines.push_back({vertices[i], vertices[j]});
    }
    return lines;
}

// A wipeout's area: its clip boundary (a rectangle by two corners, or a polygon) in image
// coordinates, x along u and y down from the image's top, pixel centres at whole numbers;
// the whole image without a boundary.
PointRun wipeoutArea(const AcDbProxyEntity& e)
{
    AcGePoint3d insert, u, v, size(1, 1, 0);
    if (!e.storedPoint(10, insert) || !e.storedPoint(11, u) || !e.storedPoint(12, v))
        return {};
    e.storedPoint(13, size);
    std::vector<AcGePoint3d> boundary = e.storedPoints(14);
    if (boundary.size() < 2)
        boundary = {AcGePoint3d(-0.5, -0.5, 0), AcGePoint3d(size.x - 0.5, size.y - 0.5, 0)};
    if (boundary.size() == 2) {
        const AcGePoint3d p = boundary[0], q = boundary[1];
        boundary = {p, AcGePoint3d(q.x, p.y, 0), q, AcGePoint3d(p.x, q.y, 0)};
    }
    PointRun area;
    for (const AcGePoint3d& p : boundary) {
        const AcGePoint3d q = insert + u.asVector() * (p.x + 0.5) + v.asVector() * (size.y - p.y - 0.5);
        if (!std::isfinite(q.x) || !std::isfinite(q.y) || !std::isfinite(q.z))
            return {};
        area.push_back(q);
    }
    return area;
}

// The box of an elliptical arc: its ends and the parameters where a coordinate turns.
void addEllipseExtents(const AcDbProxyEntity& e, AcDbExtents& box)
{
    EllipseArc arc;
    if (!ellipseArc(e, arc))
        return;
    auto add = [&](double t) { box.addPoint(arc.at(t)); };
    add(arc.start);
    add(arc.start + arc.sweep);
    const double majors[] = {arc.major.x, arc.major.y, arc.major.z}, minors[] = {arc.minor.x, arc.minor.y, arc.minor.z};
    for (int k = 0; k < 3; ++k)
        for (double t : {std::atan2(minors[k], majors[k]), std::atan2(minors[k], majors[k]) + M_PI})
            if (normalizeAngle(t - arc.start) <= arc.sweep)
                add(t);
}

// A solid's or trace's corners in the plane of its normal.
void addSolidExtents(const AcDbProxyEntity& e, AcDbExtents& box)
{
    AcGePoint3d corners[4], normal(0, 0, 1);
    for (int i = 0; i < 3; ++i)
        if (!e.storedPoint(10 + i, corners[i]))
            return;
    if (!e.storedPoint(13, corners[3]))
        corners[3] = corners[2];
    e.storedPoint(210, normal);
    const AcGeVector3d axis = normal.asVector();
    const AcGeMatrix3d plane = AcGeMatrix3d::planeToWorld(axis.length() > 1e-12 ? axis : AcGeVector3d::kZAxis);
    for (const AcGePoint3d& c : corners)
        box.addPoint(plane.transform(AcGePoint3d(c.x, c.y, corners[0].z)));
}

// A tolerance for a spline's extents: a thousandth of its control points' (or fit points')
// spread.
double extentsTolerance(const AcDbProxyEntity& e)
{
    AcDbExtents hull;
    for (int code : {10, 11})
        for (const AcGePoint3d& p : e.storedPoints(code, "AcDbSpline"))
            hull.addPoint(p);
    const double spread = hull.isEmpty() ? 0 : hull.minPoint().distanceTo(hull.maxPoint());
    return std::max(spread * 1e-3, 1e-9);
}

} // namespace

AcGePoint3d EllipseArc::at(double t) const { return centre + major * std::cos(t) + minor * std::sin(t); }

bool ellipseArc(const AcDbProxyEntity& e, EllipseArc& arc)
{
    AcGePoint3d centre, axisEnd, normal(0, 0, 1);
    double ratio = 1, start = 0, end = 2 * M_PI;
    if (!e.storedPoint(10, centre) || !e.storedPoint(11, axisEnd))
        return false;
    e.storedPoint(210, normal);
    e.storedReal(40, ratio);
    e.storedReal(41, start);
    e.storedReal(42, end);
    const AcGeVector3d major = axisEnd.asVector(), n = normal.asVector();
    if (major.length() < 1e-12 || n.length() < 1e-12 || !(ratio > 0))
        return false;
    arc.centre = centre;
    arc.major = major;
    arc.minor = n.normal().crossProduct(major) * std::min(ratio, 1.0);
    arc.start = start;
    arc.sweep = std::fmod(end - start, 2 * M_PI);
    if (arc.sweep <= 1e-9)
        arc.sweep += 2 * M_PI;
    return true;
}

ProxyGeometry proxyGeometry(const AcDbProxyEntity& entity, double tolerance)
{
    const std::string_view type = entity.dxfName();
    ProxyGeometry g;
    if (!(tolerance > 0))
        return g;
    if (type == "SPLINE") {
        if (PointRun run = splineRun(entity, tolerance); run.size() >= 2)
            g.lines.push_back(std::move(run));
    } else if (type == "3DFACE") {
        g.lines = faceEdges(entity);
    } else if (type == "MESH") {
        g.lines = meshEdges(entity);
    } else if (type == "WIPEOUT") {
        g.mask = wipeoutArea(entity);
    }
    return g;
}

AcDbExtents proxyExtents(const AcDbProxyEntity& entity)
{
    const std::string_view type = entity.dxfName();
    AcDbExtents box;
    AcGePoint3d point;
    if (type == "POINT" && entity.storedPoint(10, point)) {
        box.addPoint(point);
    } else if (type == "SOLID" || type == "TRACE") {
        addSolidExtents(entity, box);
    } else if (type == "ELLIPSE") {
        addEllipseExtents(entity, box);
    } else {
        const ProxyGeometry g = proxyGeometry(entity, type == "SPLINE" ? extentsTolerance(entity) : 1);
        for (const PointRun& run : g.lines)
            for (const AcGePoint3d& p : run)
                box.addPoint(p);
        for (const AcGePoint3d& p : g.mask)
            box.addPoint(p);
    }
    if (box.isEmpty())
        box = ProxyGraphics(entity, 0, kMaxGraphicsPoints).extents();
    return box;
}

} // namespace qv
