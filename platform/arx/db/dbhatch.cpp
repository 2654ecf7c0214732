#include "arx/dbhatch.h"

#include "arx/dbcurves.h"
#include "arx/dbhatchpatterns.h"
#include "arx/dxfnumber.h"
#include "arx/dxftext.h"
#include "dbobjectimpl.h"

#include <algorithm>
#include <cmath>
#include <iterator>

ACRX_DEFINE_MEMBERS(AcDbHatch, AcDbEntity, "HATCH")

namespace {

AcGeVector2d rotated(const AcGeVector2d& v, double a)
{
    return {v.x * std::cos(a) - v.y * std::sin(a), v.x * std::sin(a) + v.y * std::cos(a)};
}

// A tolerance for the box of a loop's spline edges: a thousandth of their control points' (or
// fit points') spread.
double splineTolerance(const AcDbHatch::Loop& loop)
{
    AcDbExtents hull;
    for (const AcDbHatch::Edge& e : loop.edges)
        if (e.type == AcDbHatch::kSpline) {
            const qv::SplineCurve curve = e.splineCurve();
            for (const auto* points : {&curve.controlPoints, &curve.fitPoints})
                for (const AcGePoint3d& p : *points)
                    hull.addPoint(p);
        }
    const double spread = hull.isEmpty() ? 0 : hull.minPoint().distanceTo(hull.maxPoint());
    return std::max(spread * 1e-3, 1e-9);
}

// Reads the hatch's pairs in file order; counts announce how many of each follow.
class Cursor
{
public:
    Cursor(std::span<const Pair> pairs, FieldContext& context) : m_pairs(pairs), m_context(context) {}
    bool atEnd() const { return m_pos >= m_pairs.size(); }
    size_t position() const { return m_pos; }
    const Pair& peek() const { return m_pairs[m_pos]; }
    bool next(int code) const { return !atEnd() && m_pairs[m_pos].code == code; }
    // The pair after the next one (a pair of code 0 past the end).
    Pair after() const { return m_pos + 1 < m_pairs.size() ? m_pairs[m_pos + 1] : Pair{}; }
    // The next pair, which must have this code.
    const Pair& take(int code)
    {
        if (!next(code))
            fail("expected group code " + std::to_string(code));
        return m_pairs[m_pos++];
    }
    double real(int code) { return m_context.real(take(code)); }
    long long integer(int code) { return m_context.integer(take(code)); }
    // A count, bounded by the pairs left so that a corrupt count cannot run away.
    size_t count(int code)
    {
        const long long n = integer(code);
        if (n < 0 || static_cast<size_t>(n) > m_pairs.size())
            fail("invalid count " + std::to_string(n));
        return static_cast<size_t>(n);
    }
    AcGePoint2d point(int code)
    {
        const double x = real(code);
        return {x, real(code + 10)};
    }
    // The next pair, kept as read.
    const Pair& skip() { return m_context.kept(m_pairs[m_pos++]); }
    [[noreturn]] void fail(const std::string& what) const
    {
        const Pair& at = atEnd() ? m_pairs.back() : peek();
        m_context.fail(at, "malformed HATCH: " + what);
    }
    FieldContext& context() { return m_context; }

private:
    std::span<const Pair> m_pairs;
    FieldContext& m_context;
    size_t m_pos = 0;
};

bool fitCountFollows(const Cursor& c)
{
    const int after = c.after().code;
    return after == 11 || after == 12 || after == 13 || after == 72 || after == 97;
}

AcDbHatch::Edge readEdge(Cursor& c)
{
    AcDbHatch::Edge e;
    e.type = static_cast<int>(c.integer(72));
    switch (e.type) {
    case AcDbHatch::kLine:
        e.start = c.point(10);
        e.end = c.point(11);
        break;
    case AcDbHatch::kCirArc:
        e.center = c.point(10);
        e.radius = c.real(40);
        e.startAngle = c.real(50) * kDegree;
        e.endAngle = c.real(51) * kDegree;
        e.ccw = c.integer(73) != 0;
        break;
    case AcDbHatch::kEllArc: {
        e.center = c.point(10);
        const AcGePoint2d axis = c.point(11);
        e.majorAxis = {axis.x, axis.y};
        e.ratio = c.real(40);
        e.startAngle = c.real(50) * kDegree;
        e.endAngle = c.real(51) * kDegree;
        e.ccw = c.integer(73) != 0;
        break;
    }
    case AcDbHatch::kSpline:
        // Kept as read: everything up to the next edge or the loop's source count. A 97 is
        // the edge's count of fit points when fit data (11, 12, 13), the next edge or the
        // source count follows it.
        while (!c.atEnd() && !c.next(72) && !(c.next(97) && !fitCountFollows(c))) {
            const Pair& p = c.skip();
            e.spline.add(p.code, p.value);
        }
        break;
    default: c.fail("unknown edge type " + std::to_string(e.type));
    }
    return e;
}

AcDbHatch::Loop readLoop(Cursor& c)
{
    AcDbHatch::Loop loop;
    loop.type = static_cast<Adesk::Int32>(c.integer(92));
    if (loop.type & AcDbHatch::kPolyline) {
        const bool hasBulge = c.integer(72) != 0;
        loop.closed = c.integer(73) != 0;
        const size_t n = c.count(93);
        for (size_t i = 0; i < n && !c.atEnd(); ++i) {
            loop.vertices.push_back(c.point(10));
            loop.bulges.push_back(hasBulge && c.next(42) ? c.real(42) : 0.0);
        }
    } else {
        const size_t n = c.count(93);
        for (size_t i = 0; i < n && !c.atEnd(); ++i)
            loop.edges.push_back(readEdge(c));
    }
    const size_t sources = c.next(97) ? c.count(97) : 0;
    for (size_t i = 0; i < sources && c.next(330); ++i)
        loop.sources.push_back(qv::dbContext(c.context()).reference(c.skip(), false));
    return loop;
}

AcDbHatch::PatternLine readPatternLine(Cursor& c)
{
    AcDbHatch::PatternLine line;
    line.angle = c.real(53) * kDegree;
    const double bx = c.real(43);
    line.base = {bx, c.real(44)};
    const double ox = c.real(45);
    line.offset = {ox, c.real(46)};
    const size_t n = c.count(79);
    for (size_t i = 0; i < n; ++i)
        line.dashes.push_back(c.real(49));
    return line;
}

void writeEdge(Writer& out, const AcDbHatch::Edge& e)
{
    out.integer(72, e.type);
    switch (e.type) {
    case AcDbHatch::kLine:
        out.point2d(10, e.start.x, e.start.y);
        out.point2d(11, e.end.x, e.end.y);
        break;
    case AcDbHatch::kCirArc:
        out.point2d(10, e.center.x, e.center.y);
        out.real(40, e.radius);
        out.real(50, e.startAngle / kDegree);
        out.real(51, e.endAngle / kDegree);
        out.integer(73, e.ccw);
        break;
    case AcDbHatch::kEllArc:
        out.point2d(10, e.center.x, e.center.y);
        out.point2d(11, e.majorAxis.x, e.majorAxis.y);
        out.real(40, e.ratio);
        out.real(50, e.startAngle / kDegree);
        out.real(51, e.endAngle / kDegree);
        out.integer(73, e.ccw);
        break;
    default: out.tags(e.spline);
    }
}

void writeLoop(Writer& out, const AcDbHatch::Loop& loop)
{
    out.integer(92, loop.type);
    if (loop.type & AcDbHatch::kPolyline) {
        bool hasBulge = false;
        for (double b : loop.bulges)
            hasBulge = hasBulge || b != 0;
        out.integer(72, hasBulge);
        out.integer(73, loop.closed);
        out.integer(93, static_cast<long long>(loop.vertices.size()));
        for (size_t i = 0; i < loop.vertices.size(); ++i) {
            out.point2d(10, loop.vertices[i].x, loop.vertices[i].y);
            if (hasBulge)
                out.real(42, loop.bulges[i]);
        }
    } else {
        out.integer(93, static_cast<long long>(loop.edges.size()));
        for (const auto& e : loop.edges)
            writeEdge(out, e);
    }
    std::vector<AcDbObjectId> live;
    for (const auto& id : loop.sources)
        if (qv::live(id))
            live.push_back(id);
    out.integer(97, static_cast<long long>(live.size()));
    for (const auto& id : live)
        out.handle(330, id.handle().value());
}

// Transforms a point of the old plane into the new plane.
struct PlaneMap {
    AcGeMatrix3d m;
    double z = 0;
    AcGePoint2d operator()(const AcGePoint2d& p) const
    {
        return m.transform(AcGePoint3d(p.x, p.y, z)).to2d();
    }
    AcGeVector2d operator()(const AcGeVector2d& v) const
    {
        const AcGeVector3d r = m.transform(AcGeVector3d(v.x, v.y, 0));
        return {r.x, r.y};
    }
};

} // namespace

Acad::ErrorStatus AcDbHatch::setPattern(HatchPatternType type, const char* name)
{
    if (const Acad::ErrorStatus es = assertWriteEnabled(); es != Acad::eOk)
        return es;
    const std::string key = qv::dxf::upper(name ? name : "");
    m_patternType = type;
    m_patternName = type == kPreDefined ? key : std::string(name ? name : "");
    m_solid = key == "SOLID";
    buildPatternLines();
    return Acad::eOk;
}

void AcDbHatch::buildPatternLines()
{
    m_lines.clear();
    // A new hatch is solid until it takes its pattern, and a solid pattern has no lines.
    if (m_patternType == kPreDefined && m_patternName == "SOLID")
        return;
    const auto* families = m_patternType == kPreDefined ? AcDbHatchPatterns::find(m_patternName) : nullptr;
    if (!families)
        return;
    for (const AcDbHatchPatterns::Family& d : *families) {
        PatternLine line;
        line.angle = d.angle * kDegree + m_angle;
        line.base = AcGePoint2d() + rotated(AcGeVector2d(d.baseX, d.baseY) * m_scale, m_angle);
        line.offset = rotated(AcGeVector2d(d.offsetX, d.offsetY) * m_scale, line.angle);
        for (double dash : d.dashes)
            line.dashes.push_back(dash * m_scale);
        m_lines.push_back(line);
    }
}

Acad::ErrorStatus AcDbHatch::setPatternAngle(double radians)
{
    QV_CHECKED_SETTER(allFinite(radians), (m_angle = radians, buildPatternLines()))
}

Acad::ErrorStatus AcDbHatch::setPatternScale(double scale)
{
    QV_CHECKED_SETTER(scale > 0 && allFinite(scale), (m_scale = scale, buildPatternLines()))
}

Acad::ErrorStatus AcDbHatch::setAssociative(bool value) { QV_SETTER(m_associative = value) }
Acad::ErrorStatus AcDbHatch::setHatchStyle(HatchStyle style) { QV_CHECKED_SETTER(style >= kNormal && style <= kIgnore, m_style = style) }
Acad::ErrorStatus AcDbHatch::setElevation(double elevation) { QV_CHECKED_SETTER(allFinite(elevation), m_elevation = elevation) }

Acad::ErrorStatus AcDbHatch::setNormal(const AcGeVector3d& normal)
{
    QV_CHECKED_SETTER(allFinite(normal) && !normal.isZeroLength(), m_normal = normal.normal())
}

Adesk::Int32 AcDbHatch::loopTypeAt(int index) const
{
    return index >= 0 && index < numLoops() ? m_loops[static_cast<size_t>(index)].type : 0;
}

Acad::ErrorStatus AcDbHatch::loopFromEntity(AcDbObjectId id, Adesk::Int32 loopType, Loop& loop) const
{
    if (id.isNull())
        return Acad::eNullObjectId;
    if (!id.isValid())
        return Acad::eUnknownHandle;
    if (id.isErased())
        return Acad::eWasErased;
    const AcGeMatrix3d toPlane = AcGeMatrix3d::worldToPlane(m_normal);
    loop.type = loopType;
    if (m_associative)
        loop.sources.push_back(id);
    // A 2D polyline bounds as the lightweight polyline it draws.
    AcDbPolyline flat;
    const AcDbPolyline* pl = AcDbPolyline::cast(id.object());
    const auto* sequence = AcDbSequencePolyline::cast(id.object());
    if (sequence && sequence->getFlatPolyline(flat) == Acad::eOk)
        pl = &flat;
    if (pl) {
        if (!pl->isClosed() || pl->numVerts() < 2)
            return Acad::eNotClosed;
        // A polyline whose normal is opposite to the hatch's runs the other way round.
        const double sign = pl->normal().dotProduct(m_normal) < 0 ? -1.0 : 1.0;
        loop.type |= kPolyline;
        loop.vertices.reserve(pl->numVerts());
        loop.bulges.reserve(pl->numVerts());
        for (unsigned int i = 0; i < pl->numVerts(); ++i) {
            AcGePoint3d p;
            double bulge = 0;
            pl->getPointAt(i, p);
            pl->getBulgeAt(i, bulge);
            loop.vertices.push_back(toPlane.transform(p).to2d());
            loop.bulges.push_back(bulge * sign);
        }
        return Acad::eOk;
    }
    if (const auto* circle = AcDbCircle::cast(id.object()); circle && !AcDbArc::cast(circle)) {
        Edge e;
        e.type = kCirArc;
        e.center = toPlane.transform(circle->center()).to2d();
        e.radius = circle->radius();
        e.endAngle = 2 * kPi;
        loop.type &= ~kPolyline;
        loop.edges.push_back(e);
        return Acad::eOk;
    }
    return Acad::eInvalidInput;
}

Acad::ErrorStatus AcDbHatch::appendLoop(Adesk::Int32 loopType, const AcDbObjectIdArray& ids)
{
    if (const Acad::ErrorStatus es = assertWriteEnabled(); es != Acad::eOk)
        return es;
    if (ids.empty())
        return Acad::eInvalidInput;
    std::vector<Loop> loops(ids.size());
    for (size_t i = 0; i < ids.size(); ++i)
        if (const Acad::ErrorStatus es = loopFromEntity(ids[i], loopType, loops[i]); es != Acad::eOk)
            return es;
    m_loops.insert(m_loops.end(), std::make_move_iterator(loops.begin()), std::make_move_iterator(loops.end()));
    return Acad::eOk;
}

Acad::ErrorStatus AcDbHatch::appendLoop(Adesk::Int32 loopType, const std::vector<AcGePoint2d>& vertices,
                                        const std::vector<double>& bulges)
{
    if (const Acad::ErrorStatus es = assertWriteEnabled(); es != Acad::eOk)
        return es;
    if (vertices.size() < 2 || (!bulges.empty() && bulges.size() != vertices.size()))
        return Acad::eInvalidInput;
    for (size_t i = 0; i < vertices.size(); ++i)
        if (!allFinite(vertices[i]) || (!bulges.empty() && !allFinite(bulges[i])))
            return Acad::eInvalidInput;
    Loop loop;
    loop.type = loopType | kPolyline;
    loop.vertices = vertices;
    loop.bulges = bulges.empty() ? std::vector<double>(vertices.size(), 0.0) : bulges;
    m_loops.push_back(std::move(loop));
    return Acad::eOk;
}

Acad::ErrorStatus AcDbHatch::getLoopAt(int index, Adesk::Int32& loopType, std::vector<AcGePoint2d>& vertices,
                                       std::vector<double>& bulges) const
{
    if (index < 0 || index >= numLoops())
        return Acad::eInvalidIndex;
    const Loop& loop = m_loops[static_cast<size_t>(index)];
    if (!(loop.type & kPolyline))
        return Acad::eNotApplicable;
    loopType = loop.type;
    vertices = loop.vertices;
    bulges = loop.bulges;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbHatch::removeLoopAt(int index)
{
    if (index < 0 || index >= numLoops())
        return Acad::eInvalidIndex;
    QV_SETTER(m_loops.erase(m_loops.begin() + index))
}

// The loops' box in the hatch's plane: polyline loops with their bulges, edges as drawn.
bool AcDbHatch::planeExtents(AcGePoint2d& lower, AcGePoint2d& upper) const
{
    AcDbExtents box;
    std::vector<AcGePoint2d> points;
    for (const Loop& loop : m_loops) {
        AcDbPolyline pl;
        for (size_t i = 0; i < loop.vertices.size(); ++i)
            pl.addVertexAt(static_cast<unsigned>(i), loop.vertices[i], loop.bulges[i]);
        pl.setClosed(true);
        AcDbExtents e;
        if (pl.numVerts() > 0 && pl.getGeomExtents(e) == Acad::eOk)
            box.addExt(e);
        points.clear();
        const double tolerance = splineTolerance(loop);
        for (const Edge& edge : loop.edges)
            edge.addBoxPoints(points, tolerance);
        for (const AcGePoint2d& p : points)
            box.addPoint(AcGePoint3d(p.x, p.y, 0));
    }
    if (box.isEmpty())
        return false;
    lower = box.minPoint().to2d();
    upper = box.maxPoint().to2d();
    return true;
}

double AcDbHatch::patternLineCount(bool underEstimateNumLines) const
{
    AcGePoint2d lower, upper;
    if (!planeExtents(lower, upper))
        return 0;
    const AcGePoint2d corners[] = {lower, {upper.x, lower.y}, {lower.x, upper.y}, upper};
    double total = 0;
    for (const PatternLine& line : m_lines) {
        const AcGeVector2d d(std::cos(line.angle), std::sin(line.angle)), n(-d.y, d.x);
        double nMin = HUGE_VAL, nMax = -HUGE_VAL, sMin = HUGE_VAL, sMax = -HUGE_VAL;
        for (const AcGePoint2d& c : corners) {
            nMin = std::min(nMin, c.x * n.x + c.y * n.y), nMax = std::max(nMax, c.x * n.x + c.y * n.y);
            sMin = std::min(sMin, c.x * d.x + c.y * d.y), sMax = std::max(sMax, c.x * d.x + c.y * d.y);
        }
        const double spacing = std::abs(line.offset.x * n.x + line.offset.y * n.y);
        if (!(spacing > 1e-12 * std::max(1.0, nMax - nMin)))
            return HUGE_VAL;   // lines on top of each other: no count is too high
        // Lines strictly inside the box: one that only touches a corner or a side draws nothing.
        const double base = line.base.x * n.x + line.base.y * n.y;
        const double first = std::floor((nMin - base) / spacing) + 1, last = std::ceil((nMax - base) / spacing) - 1;
        const double lines = std::max(0.0, last - first + 1);
        double pieces = 1, period = 0, dashes = 0;
        for (double dash : line.dashes) {
            period += std::abs(dash);
            dashes += dash >= 0 ? 1 : 0;
        }
        if (!underEstimateNumLines && period > 0)
            pieces = std::max(1.0, std::ceil((sMax - sMin) / period) * dashes);
        total += lines * pieces;
    }
    return total;
}

Acad::ErrorStatus AcDbHatch::evaluateHatch(bool underEstimateNumLines) const
{
    if (m_solid)
        return Acad::eOk;
    if (m_lines.empty() && m_patternType == kPreDefined && !AcDbHatchPatterns::find(m_patternName))
        return Acad::eHatchPatternNotFound;
    AcGePoint2d lower, upper;
    if (!planeExtents(lower, upper))
        return Acad::eInvalidExtents;
    const double count = patternLineCount(underEstimateNumLines);
    if (count > AcDbHatchPatterns::maxLines())
        return Acad::eHatchTooDense;
    return count == 0 ? Acad::eAmbiguousOutput : Acad::eOk;
}

Acad::ErrorStatus AcDbHatch::transformBy(const AcGeMatrix3d& m)
{
    if (const Acad::ErrorStatus es = checkTransform(m, true); es != Acad::eOk)
        return es;
    for (const Loop& loop : m_loops)
        for (const Edge& e : loop.edges)
            if (e.type == kSpline)
                return Acad::eNotApplicable;
    const AcGeVector3d normal = m.transform(m_normal).normal();
    PlaneMap map{AcGeMatrix3d::worldToPlane(normal) * m * AcGeMatrix3d::planeToWorld(m_normal), m_elevation};
    const bool mirrored = m.det() < 0;
    const double s = m.scale();
    const double turn = std::atan2(map(AcGeVector2d(1, 0)).y, map(AcGeVector2d(1, 0)).x);
    for (Loop& loop : m_loops) {
        for (size_t i = 0; i < loop.vertices.size(); ++i) {
            loop.vertices[i] = map(loop.vertices[i]);
            if (mirrored)
                loop.bulges[i] = -loop.bulges[i];
        }
        for (Edge& e : loop.edges) {
            e.start = map(e.start);
            e.end = map(e.end);
            e.center = map(e.center);
            e.majorAxis = map(e.majorAxis);
            e.radius *= s;
            e.startAngle += e.type == kCirArc ? turn : 0;
            e.endAngle += e.type == kCirArc ? turn : 0;
            if (mirrored)
                e.ccw = !e.ccw;
        }
    }
    for (PatternLine& line : m_lines) {
        line.angle += turn;
        line.base = map(line.base);
        line.offset = map(line.offset);
        for (double& d : line.dashes)
            d *= s;
    }
    for (AcGePoint2d& p : m_seeds)
        p = map(p);
    m_elevation = map.m.transform(AcGePoint3d(0, 0, m_elevation)).z;
    m_normal = normal;
    m_angle += turn;
    m_scale *= s;
    return Acad::eOk;
}

// Clockwise edges store their angles negated. An ellipse's angles are those of the points
// they aim at, whose parameters differ by the axes' ratio.
void AcDbHatch::Edge::arcForm(AcGeVector2d& u, AcGeVector2d& v, double& start, double& sweep) const
{
    const bool ellipse = type == kEllArc;
    u = ellipse ? majorAxis : AcGeVector2d(radius, 0);
    v = ellipse ? AcGeVector2d(-u.y * ratio, u.x * ratio) : AcGeVector2d(0, radius);
    auto parameter = [&](double angle) {
        angle = ccw ? angle : -angle;
        return ellipse && ratio > 0 ? std::atan2(std::sin(angle) / ratio, std::cos(angle)) : angle;
    };
    start = parameter(startAngle);
    const double end = parameter(endAngle);
    sweep = qv::normalizeAngle(ccw ? end - start : start - end);
    sweep = (sweep == 0 ? 2 * M_PI : sweep) * (ccw ? 1 : -1);
}

qv::SplineCurve AcDbHatch::Edge::splineCurve() const
{
    qv::SplineCurve curve;
    double x = 0, value = 0;
    for (size_t i = 0; i < spline.size(); ++i) {
        const int code = spline[i].code;
        if (!qv::dxf::parseReal(spline[i].value(), value))
            continue;
        if (code >= 10 && code <= 13) {
            x = value;   // its y follows
        } else if (code >= 20 && code <= 23 && i > 0 && spline[i - 1].code == code - 10) {
            const AcGePoint3d p(x, value, 0);
            if (code == 20 || code == 21)
                (code == 20 ? curve.controlPoints : curve.fitPoints).push_back(p);
            else
                (code == 22 ? curve.startTangent : curve.endTangent) = p.asVector();
        } else if (code == 40 || code == 42) {
            (code == 40 ? curve.knots : curve.weights).push_back(value);
        } else if (code == 94) {
            curve.degree = static_cast<int>(std::clamp(value, 1.0, 1e6));
        } else if (code == 74) {
            curve.closed = value != 0;
        }
    }
    return curve;
}

void AcDbHatch::Edge::addBoxPoints(std::vector<AcGePoint2d>& points, double splineTolerance) const
{
    if (type == kLine) {
        points.insert(points.end(), {start, end});
        return;
    }
    if (type == kSpline) {
        for (const AcGePoint3d& p : splineCurve().flatten(splineTolerance))
            points.push_back(p.to2d());
        return;
    }
    AcGeVector2d u, v;
    double from = 0, sweep = 0;
    arcForm(u, v, from, sweep);
    const double lo = sweep < 0 ? from + sweep : from, span = std::abs(sweep);
    auto at = [&](double t) { return center + u * std::cos(t) + v * std::sin(t); };
    points.insert(points.end(), {at(lo), at(lo + span)});
    for (const double turn : {std::atan2(v.x, u.x), std::atan2(v.y, u.y)})
        for (const double t : {turn, turn + M_PI})
            if (qv::normalizeAngle(t - lo) <= span)
                points.push_back(at(t));
}

Acad::ErrorStatus AcDbHatch::getGeomExtents(AcDbExtents& extents) const
{
    // The loops' extents: polyline loops through a polyline of the same geometry, edges as
    // drawn.
    extents = AcDbExtents();
    for (const Loop& loop : m_loops) {
        AcDbPolyline pl;
        pl.setNormal(m_normal);
        pl.setElevation(m_elevation);
        for (size_t i = 0; i < loop.vertices.size(); ++i)
            pl.addVertexAt(static_cast<unsigned>(i), loop.vertices[i], loop.bulges[i]);
        pl.setClosed(true);
        AcDbExtents e;
        if (pl.numVerts() > 0 && pl.getGeomExtents(e) == Acad::eOk)
            extents.addExt(e);
        const AcGeMatrix3d toWorld = AcGeMatrix3d::planeToWorld(m_normal);
        std::vector<AcGePoint2d> points;
        const double tolerance = splineTolerance(loop);
        for (const Edge& edge : loop.edges)
            edge.addBoxPoints(points, tolerance);
        for (const AcGePoint2d& p : points)
            extents.addPoint(toWorld.transform(AcGePoint3d(p.x, p.y, m_elevation)));
    }
    return extents.isEmpty() ? Acad::eInvalidExtents : Acad::eOk;
}

const FieldTable& AcDbHatch::dxfTable() const
{
    static const FieldTable table({dxfFields(), {qv::fields::subclass("AcDbHatch"), qv::fields::section(readHatch, writeHatch)}});
    return table;
}

size_t AcDbHatch::readHatch(AcRxObject& object, std::span<const Pair> pairs, FieldContext& context)
{
    auto& h = static_cast<AcDbHatch&>(object);
    Cursor c(pairs, context);
    AcGePoint3d elevation;
    AcGeVector3d normal = h.m_normal;
    h.m_loops.clear();
    while (!c.atEnd()) {
        const int code = c.peek().code;
        switch (code) {
        case 10: elevation.x = c.real(10); break;
        case 20: elevation.y = c.real(20); break;
        case 30: elevation.z = c.real(30); break;
        case 210: normal.x = c.real(210); break;
        case 220: normal.y = c.real(220); break;
        case 230: normal.z = c.real(230); break;
        case 2: h.m_patternName = c.skip().value; break;
        case 70: h.m_solid = c.integer(70) != 0; break;
        case 71: h.m_associative = c.integer(71) != 0; break;
        case 91: for (size_t n = c.count(91); n > 0 && !c.atEnd(); --n) h.m_loops.push_back(readLoop(c)); break;
        case 75: h.m_style = static_cast<HatchStyle>(context.integer(c.take(75), kNormal, kIgnore)); break;
        case 76:
            h.m_patternType = static_cast<HatchPatternType>(context.integer(c.take(76), kUserDefined, kCustomDefined));
            break;
        case 52: h.m_angle = c.real(52) * kDegree; break;
        case 41: h.m_scale = c.real(41); break;
        case 77: h.m_double = c.integer(77) != 0; break;
        case 78: for (size_t n = c.count(78); n > 0 && !c.atEnd(); --n) h.m_lines.push_back(readPatternLine(c)); break;
        case 98: for (size_t n = c.count(98); n > 0 && !c.atEnd(); --n) h.m_seeds.push_back(c.point(10)); break;
        default: {
            const Pair& p = c.skip();
            h.m_tail.add(p.code, p.value);
        }
        }
    }
    h.m_elevation = elevation.z;
    h.m_normal = qv::unitNormal(normal);
    return c.position();
}

void AcDbHatch::writeHatch(const AcRxObject& object, const Field&, Writer& out)
{
    const auto& h = static_cast<const AcDbHatch&>(object);
    out.point(10, 0, 0, h.m_elevation);
    out.point(210, h.m_normal.x, h.m_normal.y, h.m_normal.z);
    out.text(2, h.m_patternName);
    out.integer(70, h.m_solid);
    out.integer(71, h.m_associative);
    out.integer(91, static_cast<long long>(h.m_loops.size()));
    for (const Loop& loop : h.m_loops)
        writeLoop(out, loop);
    out.integer(75, h.m_style);
    out.integer(76, h.m_patternType);
    if (!h.m_solid) {
        out.real(52, h.m_angle / kDegree);
        out.real(41, h.m_scale);
        out.integer(77, h.m_double);
        out.integer(78, static_cast<long long>(h.m_lines.size()));
        for (const PatternLine& line : h.m_lines) {
            out.real(53, line.angle / kDegree);
            out.real(43, line.base.x);
            out.real(44, line.base.y);
            out.real(45, line.offset.x);
            out.real(46, line.offset.y);
            out.integer(79, static_cast<long long>(line.dashes.size()));
            for (double d : line.dashes)
                out.real(49, d);
        }
    }
    out.integer(98, static_cast<long long>(h.m_seeds.size()));
    for (const AcGePoint2d& p : h.m_seeds)
        out.point2d(10, p.x, p.y);
    out.tags(h.m_tail);
}
