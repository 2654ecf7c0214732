#include "arx/dbshape.h"

#include "arx/dbblockref.h"
#include "arx/dbcurves.h"
#include "arx/dbhatch.h"
#include "arx/dbsymtb.h"
#include "arx/dbtext.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace qv {

namespace {

constexpr int kMaxNesting = 16;
// Beyond this many parts, or entities visited, an outline is replaced by the entity's box,
// so that a pathological drawing (deeply nested arrays, definitions shared many times over
// at many levels) cannot make a pick take unbounded time.
constexpr size_t kMaxParts = 200000;
constexpr size_t kMaxVisits = 200000;
constexpr size_t kMaxArrayCells = 1024;
constexpr double kArcStep = kPi / 64;   // chord error below 0.03 % of the radius

AcGePoint2d plan(const AcGeMatrix3d& m, const AcGePoint3d& p)
{
    const AcGePoint3d w = m.transform(p);
    return {w.x, w.y};
}

AcGePoint2d onCircle(const AcGePoint2d& c, double r, double angle)
{
    return {c.x + r * std::cos(angle), c.y + r * std::sin(angle)};
}

// Chords for an arc of the sweep: about one per 2.8 degrees, at most 256.
int chordCount(double sweep)
{
    const double n = std::ceil(std::fabs(sweep) / kArcStep);
    return n >= 1 && n <= 256 ? static_cast<int>(n) : n > 256 ? 256 : 1;
}

size_t charCount(const char* s)
{
    size_t n = 0;
    for (; s && *s; ++s)
        n += (static_cast<unsigned char>(*s) & 0xC0) != 0x80;
    return n;
}

class ShapeBuilder
{
public:
    explicit ShapeBuilder(Shape& shape) : m_shape(shape) {}
    void add(const AcDbEntity* ent, const AcGeMatrix3d& xf, int depth);
    void extentsBox(const AcDbEntity* ent, const AcGeMatrix3d& xf);
    bool overflowed() const { return m_shape.size() > kMaxParts || m_visits > kMaxVisits; }

private:
    void segment(const AcGeMatrix3d& m, const AcGePoint3d& a, const AcGePoint3d& b);
    void arc(const AcGeMatrix3d& m, const AcGePoint2d& c, double r, double start, double sweep);
    void bulgeSegment(const AcGeMatrix3d& m, const AcGePoint2d& p, const AcGePoint2d& q, double bulge);
    // The segments of n vertices, each with the bulge of the segment from it.
    template <class PointAt, class BulgeAt>
    void path(const AcGeMatrix3d& m, size_t n, PointAt point, BulgeAt bulge, bool closed);
    void path(const AcGeMatrix3d& m, const std::vector<AcGePoint2d>& points, const std::vector<double>& bulges,
              bool closed);
    void polyline(const AcDbPolyline* pl, const AcGeMatrix3d& xf);
    void sequencePolyline(const AcDbSequencePolyline* pl, const AcGeMatrix3d& xf);
    void text(const AcDbText* t, const AcGeMatrix3d& xf);
    void hatch(const AcDbHatch* h, const AcGeMatrix3d& xf);
    void hatchEdge(const AcGeMatrix3d& m, const AcDbHatch::Edge& e);
    void reference(const AcDbBlockReference* ref, const AcGeMatrix3d& xf, int depth);
    void definition(const AcDbBlockTableRecord* btr, const AcGeMatrix3d& m, int depth);
    // How many parts of each kind the shape had at some point.
    struct Mark {
        size_t segments, arcs, quads;
    };
    void repeatCells(const AcDbMInsertBlock* array, const AcGeMatrix3d& xf, const Mark& first);
    Shape since(const Mark& mark) const;
    void truncate(const Mark& mark);

    Shape& m_shape;
    size_t m_visits = 0;
    // The definitions being drawn, outermost first, as many as the depth of the reference
    // being drawn: a reference to one of them (a block that contains itself) is left out.
    std::array<const AcDbBlockTableRecord*, kMaxNesting> m_open{};
};

void ShapeBuilder::add(const AcDbEntity* ent, const AcGeMatrix3d& xf, int depth)
{
    if (overflowed())
        return;
    ++m_visits;
    if (const auto* line = AcDbLine::cast(ent)) {
        segment(xf, line->startPoint(), line->endPoint());
    } else if (const auto* circle = AcDbCircle::cast(ent)) {
        const AcGeMatrix3d toWorld = AcGeMatrix3d::planeToWorld(circle->normal());
        const AcGePoint3d c = AcGeMatrix3d::worldToPlane(circle->normal()).transform(circle->center());
        const auto* arcEnt = AcDbArc::cast(ent);
        arc(xf * toWorld * AcGeMatrix3d::translation(AcGeVector3d(0, 0, c.z)), c.to2d(), circle->radius(),
            arcEnt ? arcEnt->startAngle() : 0.0, arcEnt ? arcEnt->sweep() : 2 * kPi);
    } else if (const auto* pl = AcDbPolyline::cast(ent)) {
        polyline(pl, xf);
    } else if (const auto* seq = AcDbSequencePolyline::cast(ent)) {
        sequencePolyline(seq, xf);
    } else if (const auto* t = AcDbText::cast(ent)) {
        text(t, xf);
    } else if (const auto* h = AcDbHatch::cast(ent)) {
        hatch(h, xf);
    } else if (const auto* ref = AcDbBlockReference::cast(ent)) {
        reference(ref, xf, depth);
    } else {
        extentsBox(ent, xf);
    }
}

void ShapeBuilder::segment(const AcGeMatrix3d& m, const AcGePoint3d& a, const AcGePoint3d& b)
{
    m_shape.segments.push_back({plan(m, a), plan(m, b)});
}

// An arc in the XY plane of m's local system. It stays an arc when m maps that plane onto
// the world XY plane without distortion; otherwise (a stretched block, a tilted plane) it is
// drawn with chords.
void ShapeBuilder::arc(const AcGeMatrix3d& m, const AcGePoint2d& c, double r, double start, double sweep)
{
    const AcGeVector3d ux = m.transform(AcGeVector3d::kXAxis), uy = m.transform(AcGeVector3d::kYAxis);
    const double lx = std::hypot(ux.x, ux.y), ly = std::hypot(uy.x, uy.y);
    const double dot = ux.x * uy.x + ux.y * uy.y, turn = ux.x * uy.y - ux.y * uy.x;
    if (lx > 0 && std::fabs(lx - ly) <= 1e-9 * lx && std::fabs(dot) <= 1e-9 * lx * ly) {
        const double sense = turn >= 0 ? 1.0 : -1.0;
        const double base = std::atan2(ux.y, ux.x);
        m_shape.arcs.push_back({plan(m, AcGePoint3d(c.x, c.y, 0)), r * lx, base + sense * start, sense * sweep});
        return;
    }
    const int steps = chordCount(sweep);
    AcGePoint2d prev = onCircle(c, r, start);
    for (int i = 1; i <= steps; ++i) {
        const AcGePoint2d next = onCircle(c, r, start + sweep * i / steps);
        segment(m, AcGePoint3d(prev.x, prev.y, 0), AcGePoint3d(next.x, next.y, 0));
        prev = next;
    }
}

// The segment from p to q of a polyline: straight, or the arc whose bulge is the tangent of
// a quarter of its angle (positive counter-clockwise).
void ShapeBuilder::bulgeSegment(const AcGeMatrix3d& m, const AcGePoint2d& p, const AcGePoint2d& q, double bulge)
{
    const AcGeVector2d v = q - p;
    const double d = v.length();
    if (bulge == 0 || d == 0 || !std::isfinite(bulge)) {
        segment(m, AcGePoint3d(p.x, p.y, 0), AcGePoint3d(q.x, q.y, 0));
        return;
    }
    const double sweep = 4 * std::atan(bulge);
    const double offset = d / 2 / std::tan(sweep / 2);
    const AcGePoint2d c(p.x + v.x / 2 - v.y / d * offset, p.y + v.y / 2 + v.x / d * offset);
    arc(m, c, c.distanceTo(p), std::atan2(p.y - c.y, p.x - c.x), sweep);
}

template <class PointAt, class BulgeAt>
void ShapeBuilder::path(const AcGeMatrix3d& m, size_t n, PointAt point, BulgeAt bulge, bool closed)
{
    if (n == 1)
        bulgeSegment(m, point(0), point(0), 0);
    for (size_t i = 0; n > 1 && i < (closed ? n : n - 1); ++i)
        bulgeSegment(m, point(i), point((i + 1) % n), bulge(i));
}

void ShapeBuilder::path(const AcGeMatrix3d& m, const std::vector<AcGePoint2d>& points,
                        const std::vector<double>& bulges, bool closed)
{
    path(m, points.size(), [&](size_t i) { return points[i]; },
         [&](size_t i) { return i < bulges.size() ? bulges[i] : 0.0; }, closed);
}

void ShapeBuilder::polyline(const AcDbPolyline* pl, const AcGeMatrix3d& xf)
{
    const AcGeMatrix3d m = xf * AcGeMatrix3d::planeToWorld(pl->normal())
        * AcGeMatrix3d::translation(AcGeVector3d(0, 0, pl->elevation()));
    const std::vector<AcDbPolyline::Vertex>& vertices = pl->vertices();
    path(m, vertices.size(), [&](size_t i) { return vertices[i].point; }, [&](size_t i) { return vertices[i].bulge; },
         pl->isClosed());
}

// The older polylines: their vertices, taken in the plan (with bulges for 2D ones).
void ShapeBuilder::sequencePolyline(const AcDbSequencePolyline* pl, const AcGeMatrix3d& xf)
{
    std::vector<AcGePoint2d> points;
    std::vector<double> bulges;
    pl->getPlanVertices(points, bulges);
    path(xf, points, bulges, pl->isClosed());
}

// A text is the box of its characters, estimated as its extents are.
void ShapeBuilder::text(const AcDbText* t, const AcGeMatrix3d& xf)
{
    const double width = t->height() * t->widthFactor() * 0.7 * static_cast<double>(charCount(t->textStringConst()));
    const AcGePoint3d o = t->isDefaultAlignment() ? t->position() : t->alignmentPoint();
    const AcGeVector3d x = qv::ocsDirection(t->rotation(), t->normal());
    const AcGeVector3d y = t->normal().normal().crossProduct(x) * t->height();
    m_shape.quads.push_back({plan(xf, o), plan(xf, o + x * width), plan(xf, o + x * width + y), plan(xf, o + y)});
}

void ShapeBuilder::hatch(const AcDbHatch* h, const AcGeMatrix3d& xf)
{
    for (const AcDbHatch::Loop& loop : h->loops())
        for (const AcDbHatch::Edge& e : loop.edges)
            if (e.type == AcDbHatch::kSpline) {
                extentsBox(h, xf);   // spline edges are kept as read, not modelled
                return;
            }
    const AcGeMatrix3d m = xf * AcGeMatrix3d::planeToWorld(h->normal())
        * AcGeMatrix3d::translation(AcGeVector3d(0, 0, h->elevation()));
    for (const AcDbHatch::Loop& loop : h->loops()) {
        path(m, loop.vertices, loop.bulges, loop.closed);
        for (const AcDbHatch::Edge& e : loop.edges)
            hatchEdge(m, e);
    }
}

// A boundary edge. Arcs run counter-clockwise from the start angle to the end angle; a
// clockwise one gives both angles negated, as the file stores it.
void ShapeBuilder::hatchEdge(const AcGeMatrix3d& m, const AcDbHatch::Edge& e)
{
    if (e.type == AcDbHatch::kLine) {
        segment(m, AcGePoint3d(e.start.x, e.start.y, 0), AcGePoint3d(e.end.x, e.end.y, 0));
        return;
    }
    double sweep = qv::normalizeAngle(e.endAngle - e.startAngle);
    sweep = sweep == 0 ? 2 * kPi : sweep;
    const double start = e.ccw ? e.startAngle : -e.startAngle;
    sweep = e.ccw ? sweep : -sweep;
    if (e.type == AcDbHatch::kCirArc) {
        arc(m, e.center, e.radius, start, sweep);
        return;
    }
    const AcGeVector2d major = e.majorAxis, minor(-major.y * e.ratio, major.x * e.ratio);
    auto at = [&](double t) { return e.center + major * std::cos(t) + minor * std::sin(t); };
    const int steps = chordCount(sweep);
    for (int i = 0; i < steps; ++i) {
        const AcGePoint2d a = at(start + sweep * i / steps), b = at(start + sweep * (i + 1) / steps);
        segment(m, AcGePoint3d(a.x, a.y, 0), AcGePoint3d(b.x, b.y, 0));
    }
}

void ShapeBuilder::reference(const AcDbBlockReference* ref, const AcGeMatrix3d& xf, int depth)
{
    const auto* btr = AcDbBlockTableRecord::cast(ref->blockTableRecord().object());
    if (btr && !btr->isErased() && depth < kMaxNesting
        && std::find(m_open.begin(), m_open.begin() + depth, btr) == m_open.begin() + depth) {
        m_open[static_cast<size_t>(depth)] = btr;
        const Mark first{m_shape.segments.size(), m_shape.arcs.size(), m_shape.quads.size()};
        definition(btr, xf * ref->blockTransform(), depth + 1);
        if (const auto* array = AcDbMInsertBlock::cast(ref))
            repeatCells(array, xf, first);
    }
    for (const AcDbObjectId& id : ref->attributeIds()) {
        const auto* attribute = AcDbAttribute::cast(id.object());
        if (attribute && !attribute->isErased() && !attribute->isInvisible())
            text(attribute, xf);
    }
}

void ShapeBuilder::definition(const AcDbBlockTableRecord* btr, const AcGeMatrix3d& m, int depth)
{
    for (const AcDbObjectId& id : btr->entityIds()) {
        const auto* ent = AcDbEntity::cast(id.object());
        if (!ent || ent->isErased() || ent->visibility() == AcDb::kInvisible || AcDbAttributeDefinition::cast(ent))
            continue;
        add(ent, m, depth);
    }
}

// The cells of an array of references are copies of the first moved along its rows and
// columns; a very large array is drawn as the box around its cells.
void ShapeBuilder::repeatCells(const AcDbMInsertBlock* array, const AcGeMatrix3d& xf, const Mark& first)
{
    const Shape cell = since(first);
    AcGeVector3d columnStep, rowStep;
    array->cellSteps(columnStep, rowStep);
    auto offset = [&](int column, int row) {
        const AcGeVector3d v = xf.transform(columnStep * column + rowStep * row);
        return AcGeVector2d(v.x, v.y);
    };
    const int columns = array->columns(), rows = array->rows();
    const size_t cells = static_cast<size_t>(columns) * static_cast<size_t>(rows);
    if (cells > kMaxArrayCells || cells * cell.size() > kMaxParts) {
        truncate(first);
        const Box2d one = cell.bounds();
        if (one.isEmpty())
            return;
        Box2d all;
        for (const AcGeVector2d& d : {offset(0, 0), offset(columns - 1, 0), offset(0, rows - 1), offset(columns - 1, rows - 1)})
            all.add(Box2d::around(one.minX + d.x, one.minY + d.y, one.maxX + d.x, one.maxY + d.y));
        m_shape.quads.push_back({AcGePoint2d(all.minX, all.minY), AcGePoint2d(all.maxX, all.minY),
                                 AcGePoint2d(all.maxX, all.maxY), AcGePoint2d(all.minX, all.maxY)});
        return;
    }
    for (int row = 0; row < rows; ++row)
        for (int column = 0; column < columns; ++column) {
            if (row == 0 && column == 0)
                continue;
            const AcGeVector2d d = offset(column, row);
            for (const auto& s : cell.segments)
                m_shape.segments.push_back({s[0] + d, s[1] + d});
            for (ShapeArc a : cell.arcs) {
                a.center = a.center + d;
                m_shape.arcs.push_back(a);
            }
            for (const auto& q : cell.quads)
                m_shape.quads.push_back({q[0] + d, q[1] + d, q[2] + d, q[3] + d});
        }
}

Shape ShapeBuilder::since(const Mark& mark) const
{
    Shape part;
    part.segments.assign(m_shape.segments.begin() + static_cast<long>(mark.segments), m_shape.segments.end());
    part.arcs.assign(m_shape.arcs.begin() + static_cast<long>(mark.arcs), m_shape.arcs.end());
    part.quads.assign(m_shape.quads.begin() + static_cast<long>(mark.quads), m_shape.quads.end());
    return part;
}

void ShapeBuilder::truncate(const Mark& mark)
{
    m_shape.segments.resize(mark.segments);
    m_shape.arcs.resize(mark.arcs);
    m_shape.quads.resize(mark.quads);
}

void ShapeBuilder::extentsBox(const AcDbEntity* ent, const AcGeMatrix3d& xf)
{
    AcDbExtents e;
    if (ent->getGeomExtents(e) != Acad::eOk)
        return;
    const AcGePoint3d& lo = e.minPoint();
    const AcGePoint3d& hi = e.maxPoint();
    m_shape.quads.push_back({plan(xf, lo), plan(xf, AcGePoint3d(hi.x, lo.y, lo.z)), plan(xf, AcGePoint3d(hi.x, hi.y, lo.z)),
                             plan(xf, AcGePoint3d(lo.x, hi.y, lo.z))});
}

// ---- geometric tests ----

double cross(const AcGePoint2d& o, const AcGePoint2d& a, const AcGePoint2d& b)
{
    return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x);
}

bool between(double v, double a, double b) { return std::min(a, b) <= v && v <= std::max(a, b); }

// p, collinear with a and b, lies between them.
bool onSegment(const AcGePoint2d& p, const AcGePoint2d& a, const AcGePoint2d& b)
{
    return between(p.x, a.x, b.x) && between(p.y, a.y, b.y);
}

bool opposite(double u, double v) { return (u > 0 && v < 0) || (u < 0 && v > 0); }

bool segmentsMeet(const AcGePoint2d& a, const AcGePoint2d& b, const AcGePoint2d& c, const AcGePoint2d& d)
{
    const double d1 = cross(c, d, a), d2 = cross(c, d, b), d3 = cross(a, b, c), d4 = cross(a, b, d);
    if (opposite(d1, d2) && opposite(d3, d4))
        return true;
    return (d1 == 0 && onSegment(a, c, d)) || (d2 == 0 && onSegment(b, c, d)) || (d3 == 0 && onSegment(c, a, b))
        || (d4 == 0 && onSegment(d, a, b));
}

double segmentDistance(const AcGePoint2d& p, const AcGePoint2d& a, const AcGePoint2d& b)
{
    const AcGeVector2d v = b - a, w = p - a;
    const double l2 = v.x * v.x + v.y * v.y;
    const double t = l2 > 0 ? std::clamp((w.x * v.x + w.y * v.y) / l2, 0.0, 1.0) : 0.0;
    return p.distanceTo(a + v * t);
}

bool angleOnArc(double angle, const ShapeArc& arc)
{
    constexpr double kTol = 1e-12;
    if (std::fabs(arc.sweep) >= 2 * kPi - kTol)
        return true;
    const double along = arc.sweep >= 0 ? qv::normalizeAngle(angle - arc.start) : qv::normalizeAngle(arc.start - angle);
    return along <= std::fabs(arc.sweep) + kTol || along >= 2 * kPi - kTol;
}

AcGePoint2d endPoint(const ShapeArc& arc) { return onCircle(arc.center, arc.radius, arc.start + arc.sweep); }

double arcDistance(const AcGePoint2d& p, const ShapeArc& arc)
{
    const double d = p.distanceTo(arc.center);
    if (d == 0)
        return arc.radius;
    if (angleOnArc(std::atan2(p.y - arc.center.y, p.x - arc.center.x), arc))
        return std::fabs(d - arc.radius);
    return std::min(p.distanceTo(arc.startPoint()), p.distanceTo(endPoint(arc)));
}

bool arcMeetsSegment(const ShapeArc& arc, const AcGePoint2d& a, const AcGePoint2d& b)
{
    const AcGeVector2d v = b - a, f = a - arc.center;
    const double qa = v.x * v.x + v.y * v.y;
    if (qa == 0)
        return false;
    const double qb = 2 * (f.x * v.x + f.y * v.y);
    const double qc = f.x * f.x + f.y * f.y - arc.radius * arc.radius;
    const double disc = qb * qb - 4 * qa * qc;
    if (disc < 0)
        return false;
    const double root = std::sqrt(disc);
    for (const double t : {(-qb - root) / (2 * qa), (-qb + root) / (2 * qa)})
        if (t >= 0 && t <= 1 && angleOnArc(std::atan2(f.y + t * v.y, f.x + t * v.x), arc))
            return true;
    return false;
}

bool polygonContains(const AcGePoint2d* pts, size_t n, const AcGePoint2d& p)
{
    bool inside = false;
    for (size_t i = 0, j = n - 1; i < n; j = i++) {
        const AcGePoint2d &a = pts[i], &b = pts[j];
        if ((a.y > p.y) != (b.y > p.y) && p.x < (b.x - a.x) * (p.y - a.y) / (b.y - a.y) + a.x)
            inside = !inside;
    }
    return inside;
}

bool quadCrossed(const Region& region, const std::array<AcGePoint2d, 4>& q)
{
    for (size_t i = 0; i < 4; ++i)
        if (region.crossedBy(q[i], q[(i + 1) % 4]))
            return true;
    return false;
}

} // namespace

AcGePoint2d ShapeArc::startPoint() const { return onCircle(center, radius, start); }

Box2d Shape::bounds() const
{
    Box2d b;
    for (const auto& s : segments)
        b.add(Box2d::around(s[0].x, s[0].y, s[1].x, s[1].y));
    for (const ShapeArc& a : arcs) {
        // The ends, and the circle's extreme points that the arc passes.
        for (const AcGePoint2d& p : {a.startPoint(), endPoint(a)})
            b.add(p.x, p.y);
        for (int k = 0; k < 4; ++k)
            if (angleOnArc(k * kPi / 2, a)) {
                const AcGePoint2d p = onCircle(a.center, a.radius, k * kPi / 2);
                b.add(p.x, p.y);
            }
    }
    for (const auto& q : quads)
        for (const AcGePoint2d& p : q)
            b.add(p.x, p.y);
    return b;
}

Shape entityShape(const AcDbEntity* entity)
{
    Shape shape;
    outlineInto(entity, shape);
    return shape;
}

void outlineInto(const AcDbEntity* entity, Shape& shape)
{
    shape.clear();
    if (!entity)
        return;
    ShapeBuilder builder(shape);
    builder.add(entity, AcGeMatrix3d::kIdentity, 0);
    if (builder.overflowed()) {
        shape.clear();
        ShapeBuilder(shape).extentsBox(entity, AcGeMatrix3d::kIdentity);
    }
}

// ---- Region ----

Region::Region(std::vector<AcGePoint2d> points) : m_points(std::move(points))
{
    for (const AcGePoint2d& p : m_points)
        m_box.add(p.x, p.y);
}

bool Region::contains(const AcGePoint2d& p) const
{
    return !m_points.empty() && polygonContains(m_points.data(), m_points.size(), p);
}

bool Region::crossedBy(const AcGePoint2d& a, const AcGePoint2d& b) const
{
    if (!m_box.intersects(Box2d::around(a.x, a.y, b.x, b.y)))
        return false;
    for (size_t i = 0, n = m_points.size(); i < n; ++i)
        if (segmentsMeet(a, b, m_points[i], m_points[(i + 1) % n]))
            return true;
    return false;
}

bool Region::crossedBy(const ShapeArc& arc) const
{
    const AcGePoint2d& c = arc.center;
    if (!m_box.intersects(Box2d::around(c.x - arc.radius, c.y - arc.radius, c.x + arc.radius, c.y + arc.radius)))
        return false;
    for (size_t i = 0, n = m_points.size(); i < n; ++i)
        if (arcMeetsSegment(arc, m_points[i], m_points[(i + 1) % n]))
            return true;
    return false;
}

double distanceTo(const Shape& shape, const AcGePoint2d& p)
{
    // fmin passes over the NaN of a part with coordinates that are not numbers.
    double best = std::numeric_limits<double>::infinity();
    for (const auto& s : shape.segments)
        best = std::fmin(best, segmentDistance(p, s[0], s[1]));
    for (const ShapeArc& a : shape.arcs)
        best = std::fmin(best, arcDistance(p, a));
    for (const auto& q : shape.quads) {
        if (polygonContains(q.data(), 4, p))
            return 0;
        for (size_t i = 0; i < 4; ++i)
            best = std::fmin(best, segmentDistance(p, q[i], q[(i + 1) % 4]));
    }
    return best;
}

bool meets(const Shape& shape, const Region& region)
{
    for (const auto& s : shape.segments)
        if (region.contains(s[0]) || region.crossedBy(s[0], s[1]))
            return true;
    for (const ShapeArc& a : shape.arcs)
        if (region.contains(a.startPoint()) || region.crossedBy(a))
            return true;
    for (const auto& q : shape.quads)
        if (region.contains(q[0]) || quadCrossed(region, q)
            || (!region.points().empty() && polygonContains(q.data(), 4, region.points().front())))
            return true;
    return false;
}

bool liesInside(const Shape& shape, const Region& region)
{
    if (shape.isEmpty())
        return false;
    for (const auto& s : shape.segments)
        if (!region.contains(s[0]) || region.crossedBy(s[0], s[1]))
            return false;
    for (const ShapeArc& a : shape.arcs)
        if (!region.contains(a.startPoint()) || region.crossedBy(a))
            return false;
    for (const auto& q : shape.quads)
        if (!std::all_of(q.begin(), q.end(), [&](const AcGePoint2d& p) { return region.contains(p); })
            || quadCrossed(region, q))
            return false;
    return true;
}

} // namespace qv
