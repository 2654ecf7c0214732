#include "arx/dbproxygeometry.h"

#include "arx/dbentity.h"
#include "arx/dbproxygraphics.h"

#include <algorithm>
#include <cmath>
#include <string_view>
#include <unordered_set>

namespace qv {

namespace {

constexpr int kMaxDegree = 25;
constexpr int kMaxSpanSteps = 256;
constexpr size_t kMaxGraphicsPoints = 10000000;   // of proxy graphics measured for a box

double angleBetween(const AcGeVector3d& a, const AcGeVector3d& b)
{
    return std::atan2(a.crossProduct(b).length(), a.dotProduct(b));
}

// Chords enough to keep a curve within tolerance of them, judged from its control polygon:
// the curve turns about as far as the polygon does over about its length, and an arc of
// length L turning by θ in n chords strays θL/8n² from them.
int curveSteps(const AcGePoint3d* points, size_t count, double tolerance)
{
    double length = 0, turn = 0;
    AcGeVector3d last;
    for (size_t i = 1; i < count; ++i) {
        const AcGeVector3d leg = points[i] - points[i - 1];
        if (leg.length() <= 0)
            continue;
        if (last.length() > 0)
            turn += angleBetween(last, leg);
        last = leg;
        length += leg.length();
    }
    const double steps = std::ceil(std::sqrt(turn * length / (8 * tolerance)));
    return std::isfinite(steps) ? std::clamp(static_cast<int>(std::min(steps, 1e6)), 1, kMaxSpanSteps) : kMaxSpanSteps;
}

// A NURBS curve: degree, knots (points + degree + 1 of them, never decreasing), control
// points and their weights (all positive).
struct Nurbs {
    int degree = 1;
    std::vector<double> knots;
    std::vector<AcGePoint3d> points;
    std::vector<double> weights;

    // The point at u in the knot span [knots[span], knots[span + 1]] (de Boor's algorithm
    // on the weighted points).
    AcGePoint3d at(size_t span, double u) const
    {
        double d[kMaxDegree + 1][4];
        for (int j = 0; j <= degree; ++j) {
            const size_t i = span - static_cast<size_t>(degree) + static_cast<size_t>(j);
            const double w = weights[i];
            d[j][0] = points[i].x * w, d[j][1] = points[i].y * w, d[j][2] = points[i].z * w, d[j][3] = w;
        }
        for (int r = 1; r <= degree; ++r)
            for (int j = degree; j >= r; --j) {
                const size_t i = span - static_cast<size_t>(degree) + static_cast<size_t>(j);
                const double width = knots[i + static_cast<size_t>(degree - r) + 1] - knots[i];
                const double alpha = width > 0 ? (u - knots[i]) / width : 0;
                for (int k = 0; k < 4; ++k)
                    d[j][k] = (1 - alpha) * d[j - 1][k] + alpha * d[j][k];
            }
        const double* p = d[degree];
        return p[3] != 0 ? AcGePoint3d(p[0] / p[3], p[1] / p[3], p[2] / p[3]) : points[span];
    }

    // The curve over its domain [knots[degree], knots[points]] as chords.
    PointRun flatten(double tolerance) const
    {
        PointRun run;
        const auto p = static_cast<size_t>(degree);
        for (size_t span = p; span < points.size(); ++span) {
            const double a = knots[span], b = knots[span + 1];
            if (!(b > a))
                continue;
            const int steps = curveSteps(&points[span - p], p + 1, tolerance);
            for (int s = run.empty() ? 0 : 1; s <= steps; ++s)
                run.push_back(at(span, a + (b - a) * s / steps));
        }
        // Coordinates near the limits of numbers may overflow on the way.
        std::erase_if(run, [](const AcGePoint3d& q) { return !std::isfinite(q.x) || !std::isfinite(q.y) || !std::isfinite(q.z); });
        return run;
    }
};

// Makes the knots and weights fit the control points: a clamped uniform knot vector when the
// stored one does not fit, unit weights when the stored ones do not.
void settle(Nurbs& c)
{
    const size_t n = c.points.size(), p = static_cast<size_t>(c.degree);
    const bool knotsFit = c.knots.size() == n + p + 1 && std::is_sorted(c.knots.begin(), c.knots.end())
        && c.knots[n] > c.knots[p];
    if (!knotsFit) {
        c.knots.assign(n + p + 1, 0);
        for (size_t i = 0; i < c.knots.size(); ++i)
            c.knots[i] = static_cast<double>(std::clamp(i, p, n) - p);
    }
    if (c.weights.size() != n || std::any_of(c.weights.begin(), c.weights.end(), [](double w) { return !(w > 0); }))
        c.weights.assign(n, 1);
}

// Whether the curve starts and ends at its end control points: the knots' first and last
// values repeat degree + 1 times.
bool isClamped(const Nurbs& c)
{
    const auto p = static_cast<size_t>(c.degree);
    const auto& k = c.knots;
    return std::all_of(k.begin(), k.begin() + static_cast<long>(p) + 1, [&](double v) { return v == k.front(); })
        && std::all_of(k.end() - static_cast<long>(p) - 1, k.end(), [&](double v) { return v == k.back(); });
}

// A closed spline whose stored curve does not come back to its start (the knots clamped, the
// control points not repeated, as some writers store them) closes as the uniform periodic
// curve of its control points: the first degree of them follow the last again.
void closePeriodic(Nurbs& c)
{
    if (!isClamped(c) || c.points.front().distanceTo(c.points.back()) <= 0)
        return;
    const auto p = static_cast<size_t>(c.degree), n = c.points.size();
    for (size_t i = 0; i < p; ++i) {
        c.points.push_back(c.points[i]);
        c.weights.push_back(c.weights[i]);
    }
    c.knots.resize(n + 2 * p + 1);
    for (size_t i = 0; i < c.knots.size(); ++i)
        c.knots[i] = static_cast<double>(i);
}

// The cubic through the fit points, parameterised by chord length and twice differentiable
// at every point: clamped to the tangents given, free (no curvature) at an end without one.
// It is returned as a cubic B-spline of Bezier pieces.
Nurbs throughFitPoints(std::vector<AcGePoint3d> fits, AcGeVector3d startTangent, AcGeVector3d endTangent, bool closed)
{
    fits.erase(std::unique(fits.begin(), fits.end(), [](const AcGePoint3d& a, const AcGePoint3d& b) { return a.distanceTo(b) <= 0; }),
               fits.end());
    if (closed && fits.size() > 2 && fits.front().distanceTo(fits.back()) > 0) {
        fits.push_back(fits.front());
        if (startTangent.length() <= 0 && endTangent.length() <= 0)
            startTangent = endTangent = fits[1] - fits[fits.size() - 2];
    }
    Nurbs c;
    const size_t m = fits.size();
    if (m < 2)
        return c;
    std::vector<double> h(m - 1);
    for (size_t i = 0; i + 1 < m; ++i)
        h[i] = fits[i].distanceTo(fits[i + 1]);
    // The derivatives at the fit points: a tridiagonal system (a, b, c) D = r, solved in one
    // sweep down and one up.
    std::vector<double> a(m, 0), b(m, 2), cc(m, 0);
    std::vector<AcGeVector3d> r(m), d(m);
    const bool clampStart = startTangent.length() > 0, clampEnd = endTangent.length() > 0;
    if (clampStart)
        b[0] = 1, r[0] = startTangent.normal();
    else
        cc[0] = 1, r[0] = (fits[1] - fits[0]) * (3 / h[0]);
    for (size_t i = 1; i + 1 < m; ++i) {
        a[i] = h[i], b[i] = 2 * (h[i - 1] + h[i]), cc[i] = h[i - 1];
        r[i] = (fits[i] - fits[i - 1]) * (3 * h[i] / h[i - 1]) + (fits[i + 1] - fits[i]) * (3 * h[i - 1] / h[i]);
    }
    if (clampEnd)
        a[m - 1] = 0, b[m - 1] = 1, r[m - 1] = endTangent.normal();
    else
        a[m - 1] = 1, r[m - 1] = (fits[m - 1] - fits[m - 2]) * (3 / h[m - 2]);
    for (size_t i = 1; i < m; ++i) {
        const double f = a[i] / b[i - 1];
        b[i] -= f * cc[i - 1];
        r[i] = r[i] - r[i - 1] * f;
    }
    d[m - 1] = r[m - 1] * (1 / b[m - 1]);
    for (size_t i = m - 1; i-- > 0;)
        d[i] = (r[i] - d[i + 1] * cc[i]) * (1 / b[i]);

    c.degree = 3;
    double t = 0;
    c.knots.assign(4, 0);
    c.points.push_back(fits[0]);
    for (size_t i = 0; i + 1 < m; ++i) {
        c.points.push_back(fits[i] + d[i] * (h[i] / 3));
        c.points.push_back(fits[i + 1] - d[i + 1] * (h[i] / 3));
        c.points.push_back(fits[i + 1]);
        t += h[i];
        c.knots.insert(c.knots.end(), i + 2 < m ? 3 : 4, t);
    }
    c.weights.assign(c.points.size(), 1);
    return c;
}

PointRun splineRun(const AcDbProxyEntity& e, double tolerance)
{
    constexpr const char* kSub = "AcDbSpline";
    double degree = 3, flags = 0;
    e.storedReal(71, degree, kSub);
    e.storedReal(70, flags, kSub);
    const bool closed = static_cast<long>(std::clamp(flags, 0.0, 65535.0)) & 1;
    Nurbs c;
    c.points = e.storedPoints(10, kSub);
    if (c.points.size() >= 2) {
        c.degree = static_cast<int>(std::clamp<double>(degree, 1, std::min<double>(kMaxDegree, static_cast<double>(c.points.size() - 1))));
        c.knots = e.storedReals(40, kSub);
        c.weights = e.storedReals(41, kSub);
        settle(c);
        if (closed)
            closePeriodic(c);
    } else {
        AcGePoint3d start, end;
        e.storedPoint(12, start, kSub);
        e.storedPoint(13, end, kSub);
        c = throughFitPoints(e.storedPoints(11, kSub), start.asVector(), end.asVector(), closed);
        if (c.points.empty())
            return {};
    }
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
