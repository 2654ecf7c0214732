#include "curvedpath.h"

#include <algorithm>
#include <cmath>

namespace qv {

namespace {

constexpr int kMaxCurveChords = 1000;   // per cubic segment
// Halvings of a curve being cut: enough to bring a curve across the largest finite range to
// a sheet's size near the sheet, left out when it is even larger.
constexpr int kMaxCutDepth = 64;

// Whether the box around the points, all finite, meets the box.
bool meets(const Box2d& box, std::span<const DevicePoint> points)
{
    Box2d around;
    for (const DevicePoint& p : points) {
        if (!std::isfinite(p.x) || !std::isfinite(p.y))
            return false;
        around.add(p.x, p.y);
    }
    return around.intersects(box);
}

DevicePoint between(DevicePoint a, DevicePoint b)
{
    return {(a.x + b.x) / 2, (a.y + b.y) / 2};
}

// Cuts a path's segments, in their order, to a box (see CurvedPath::cut).
class PathCutter
{
public:
    PathCutter(const Box2d& near, const Box2d& whole, std::vector<CurvedPath>& out)
        : m_near(near), m_whole(whole), m_out(out)
    {
    }

    void line(DevicePoint a, DevicePoint b)
    {
        const DevicePoint ends[] = {a, b};
        if (liesWithin(m_whole, ends)) {
            run(a).lineTo(b);
            return;
        }
        double t0 = 0, t1 = 1;
        if (!meets(m_near, ends) || !clip(a, b, t0, t1)) {
            m_open = false;
            return;
        }
        const auto at = [&](double t) { return DevicePoint{a.x + t * (b.x - a.x), a.y + t * (b.y - a.y)}; };
        m_open = m_open && t0 == 0;
        run(at(t0)).lineTo(at(t1));
        m_open = t1 == 1;
    }

    void curve(DevicePoint p0, DevicePoint p1, DevicePoint p2, DevicePoint p3, int depth = 0)
    {
        const DevicePoint points[] = {p0, p1, p2, p3};
        if (liesWithin(m_whole, points)) {
            run(p0).curveTo(p1, p2, p3);
            return;
        }
        if (depth >= kMaxCutDepth || !meets(m_near, points)) {
            m_open = false;
            return;
        }
        // de Casteljau's halves
        const DevicePoint a = between(p0, p1), b = between(p1, p2), c = between(p2, p3);
        const DevicePoint ab = between(a, b), bc = between(b, c), middle = between(ab, bc);
        curve(p0, a, ab, middle, depth + 1);
        curve(middle, bc, c, p3, depth + 1);
    }

private:
    // The run the next segment from `from` extends: a new one unless one is open.
    CurvedPath& run(DevicePoint from)
    {
        if (!m_open) {
            m_out.emplace_back();
            m_out.back().lineTo(from);
            m_open = true;
        }
        return m_out.back();
    }

    // Narrows [t0, t1] to the part of the segment from a to b inside the near box (Liang and
    // Barsky's clipping); false when none is.
    bool clip(DevicePoint a, DevicePoint b, double& t0, double& t1) const
    {
        const double dx = b.x - a.x, dy = b.y - a.y;
        const double steps[] = {-dx, dx, -dy, dy};
        const double room[] = {a.x - m_near.minX, m_near.maxX - a.x, a.y - m_near.minY, m_near.maxY - a.y};
        for (int i = 0; i < 4; ++i) {
            if (steps[i] == 0) {
                if (room[i] < 0)
                    return false;
                continue;
            }
            const double t = room[i] / steps[i];
            if (steps[i] < 0)
                t0 = std::max(t0, t);
            else
                t1 = std::min(t1, t);
        }
        return t0 <= t1;
    }

    const Box2d& m_near;
    const Box2d& m_whole;
    std::vector<CurvedPath>& m_out;
    bool m_open = false;
};

bool isFinite(DevicePoint p)
{
    return std::isfinite(p.x) && std::isfinite(p.y);
}

// Appends a curve from the region's last point, p0, as the curves of its parts that lie within
// whole and the chords of those wholly outside near (see CurvedPath::cutRegion).
void cutCurve(CurvedPath& region, const Box2d& near, const Box2d& whole, const DevicePoint (&p)[4], int depth = 0)
{
    if (liesWithin(whole, p)) {
        region.curveTo(p[1], p[2], p[3]);
        return;
    }
    if (depth >= kMaxCutDepth || !meets(near, p)) {
        if (isFinite(p[3]))
            region.lineTo(p[3]);
        return;
    }
    const DevicePoint a = between(p[0], p[1]), b = between(p[1], p[2]), c = between(p[2], p[3]);
    const DevicePoint ab = between(a, b), bc = between(b, c), middle = between(ab, bc);
    cutCurve(region, near, whole, {p[0], a, ab, middle}, depth + 1);
    cutCurve(region, near, whole, {middle, bc, c, p[3]}, depth + 1);
}

// One side of a box: the points whose x (or y) is at most (or at least) bound.
struct Side {
    bool y, upper;
    double bound;

    double along(DevicePoint p) const { return y ? p.y : p.x; }
    bool holds(DevicePoint p) const { return upper ? along(p) <= bound : along(p) >= bound; }
    // Where the segment from a to b, one end on each side, crosses the side's edge.
    DevicePoint crossing(DevicePoint a, DevicePoint b) const
    {
        const double t = (bound - along(a)) / (along(b) - along(a));
        return y ? DevicePoint{a.x + t * (b.x - a.x), bound} : DevicePoint{bound, a.y + t * (b.y - a.y)};
    }
};

// The region of a closed loop within one side (Sutherland and Hodgman's clipping). Its curves
// lie within the side and are kept.
CurvedPath clippedTo(const CurvedPath& loop, const Side& side)
{
    const DevicePath& p = loop.points();
    CurvedPath out;
    if (p.empty())
        return out;
    if (side.holds(p[0]))
        out.lineTo(p[0]);
    for (size_t i = 1; i <= p.size(); ++i) {
        if (i < p.size() && loop.isControl(i)) {
            out.curveTo(p[i], p[i + 1], p[i + 2]);
            i += 2;
            continue;
        }
        const DevicePoint a = p[i - 1], b = p[i % p.size()];   // the last edge closes the loop
        if (side.holds(a) != side.holds(b))
            out.lineTo(side.crossing(a, b));
        if (side.holds(b) && i < p.size())
            out.lineTo(b);
    }
    return out;
}

// The point nearest c found so far, and its distance.
struct Nearest {
    DevicePoint c, point;
    double distance;
    double slack;

    void take(DevicePoint p)
    {
        if (const double d = std::hypot(p.x - c.x, p.y - c.y); d < distance)
            point = p, distance = d;
    }

    // The point of the segment from a to b nearest c.
    void line(DevicePoint a, DevicePoint b)
    {
        const double dx = b.x - a.x, dy = b.y - a.y, length = dx * dx + dy * dy;
        const double t = length > 0 ? std::clamp(((c.x - a.x) * dx + (c.y - a.y) * dy) / length, 0.0, 1.0) : 0;
        take({a.x + t * dx, a.y + t * dy});
    }

    // The ends of a cubic, and of its halves while their control points' box is nearer than
    // the point found by more than the slack.
    void curve(const DevicePoint (&p)[4], int depth = 0)
    {
        take(p[0]);
        take(p[3]);
        Box2d box;
        for (const DevicePoint& q : p)
            box.add(q.x, q.y);
        const double away = std::hypot(std::max({box.minX - c.x, 0.0, c.x - box.maxX}),
                                       std::max({box.minY - c.y, 0.0, c.y - box.maxY}));
        if (depth >= kMaxCutDepth || !(away + slack < distance))
            return;
        const DevicePoint a = between(p[0], p[1]), b = between(p[1], p[2]), e = between(p[2], p[3]);
        const DevicePoint ab = between(a, b), be = between(b, e), middle = between(ab, be);
        curve({p[0], a, ab, middle}, depth + 1);
        curve({middle, be, e, p[3]}, depth + 1);
    }
};

} // namespace

bool liesWithin(const Box2d& box, std::span<const DevicePoint> points)
{
    return std::all_of(points.begin(), points.end(), [&](DevicePoint p) {
        return p.x >= box.minX && p.x <= box.maxX && p.y >= box.minY && p.y <= box.maxY;
    });
}

CurvedPath::CurvedPath(std::span<const DevicePoint> points)
    : m_points(points.begin(), points.end()), m_control(points.size(), false)
{
}

void CurvedPath::lineTo(DevicePoint p)
{
    m_points.push_back(p);
    m_control.push_back(false);
}

void CurvedPath::curveTo(DevicePoint c1, DevicePoint c2, DevicePoint end)
{
    m_points.insert(m_points.end(), {c1, c2, end});
    m_control.insert(m_control.end(), {true, true, false});
}

void CurvedPath::flatten(DevicePath& out, double tolerance, size_t maxPoints) const
{
    for (size_t i = 0; i < m_points.size() && out.size() <= maxPoints; ++i) {
        if (!m_control[i] || i == 0) {
            out.push_back(m_points[i]);
            continue;
        }
        // Chords enough for the bend: a cubic strays at most 3/4 of its control polygon's
        // largest second difference over the square of the chords it is cut into.
        const DevicePoint p0 = m_points[i - 1], p1 = m_points[i], p2 = m_points[i + 1], p3 = m_points[i + 2];
        const double bend = std::max(std::hypot(p0.x - 2 * p1.x + p2.x, p0.y - 2 * p1.y + p2.y),
                                     std::hypot(p1.x - 2 * p2.x + p3.x, p1.y - 2 * p2.y + p3.y));
        const double chords = std::ceil(std::sqrt(0.75 * bend / tolerance));
        const int n = std::isfinite(chords) ? static_cast<int>(std::clamp(chords, 1.0, double(kMaxCurveChords))) : 1;
        for (int k = 1; k <= n; ++k) {
            const double t = double(k) / n, s = 1 - t;
            const double a = s * s * s, b = 3 * s * s * t, c = 3 * s * t * t, d = t * t * t;
            out.push_back({a * p0.x + b * p1.x + c * p2.x + d * p3.x, a * p0.y + b * p1.y + c * p2.y + d * p3.y});
        }
        i += 2;
    }
}

CurvedPath CurvedPath::cutRegion(const Box2d& near, const Box2d& whole) const
{
    CurvedPath region;
    for (size_t i = 0; i < m_points.size(); ++i) {
        if (m_control[i] && i > 0) {
            cutCurve(region, near, whole, {m_points[i - 1], m_points[i], m_points[i + 1], m_points[i + 2]});
            i += 2;
        } else if (isFinite(m_points[i])) {
            region.lineTo(m_points[i]);
        }
    }
    for (const Side& side : {Side{false, false, whole.minX}, Side{false, true, whole.maxX},
                             Side{true, false, whole.minY}, Side{true, true, whole.maxY}})
        region = clippedTo(region, side);
    return region;
}

DevicePoint CurvedPath::nearestTo(DevicePoint c, double slack) const
{
    Nearest nearest{c, c, HUGE_VAL, slack};
    if (!m_points.empty())
        nearest.take(m_points[0]);
    for (size_t i = 1; i < m_points.size(); ++i) {
        if (m_control[i]) {
            nearest.curve({m_points[i - 1], m_points[i], m_points[i + 1], m_points[i + 2]});
            i += 2;
        } else {
            nearest.line(m_points[i - 1], m_points[i]);
        }
    }
    return nearest.point;
}

void CurvedPath::cut(const Box2d& near, const Box2d& whole, bool closed, std::vector<CurvedPath>& out) const
{
    PathCutter cutter(near, whole, out);
    for (size_t i = 1; i < m_points.size(); ++i) {
        if (m_control[i]) {
            cutter.curve(m_points[i - 1], m_points[i], m_points[i + 1], m_points[i + 2]);
            i += 2;
        } else {
            cutter.line(m_points[i - 1], m_points[i]);
        }
    }
    if (closed)
        cutter.line(m_points.back(), m_points.front());
}

} // namespace qv
