#include "host/outlinecrossing.h"

#include "outlinesweep.h"

#include <algorithm>
#include <cmath>

using namespace outline;

namespace {

// Points closer than this fraction of the outline's size count as one.
constexpr double kRelativeTolerance = 1e-9;
// Arcs of a radius beyond this many times the outline's size are taken as chords, so that no
// centre lies so far off that its rounding passes the tolerance.
constexpr double kFlatRadius = 1e5;

// The larger side of the box around the path's vertices and the middles of its arcs.
double extent(const std::vector<PathVertex>& path)
{
    Vec low = path[0].point, high = low;
    const auto take = [&](Vec v) {
        low = {std::min(low.x, v.x), std::min(low.y, v.y)};
        high = {std::max(high.x, v.x), std::max(high.y, v.y)};
    };
    for (std::size_t i = 0; i < path.size(); ++i) {
        take(path[i].point);
        if (path[i].bulge != 0)
            take(segmentMidpoint(path[i].point, path[(i + 1) % path.size()].point, path[i].bulge));
    }
    return std::max(high.x - low.x, high.y - low.y);
}

Vec scaled(Vec v, int exponent)
{
    return {std::ldexp(v.x, exponent), std::ldexp(v.y, exponent)};
}

std::optional<Meeting> findInPath(std::vector<PathVertex> path, std::size_t pairwiseUpTo)
{
    const double size = extent(path);
    if (!(size > 0) || !std::isfinite(size))
        return std::nullopt;
    // Brought to a size of about 1 by a power of two, which changes no digit, so that no length
    // overflows or underflows.
    int exponent = 0;
    const double unitSize = std::frexp(size, &exponent);
    for (PathVertex& v : path)
        v.point = scaled(v.point, -exponent);
    const double tol = kRelativeTolerance * unitSize;
    path = simplifyPath(std::move(path), tol);
    if (path.size() < 2)
        return std::nullopt;
    std::optional<Meeting> met = findMeeting(cutIntoPieces(path, tol, kFlatRadius * unitSize), tol, pairwiseUpTo);
    if (met)
        met->at = scaled(met->at, exponent);
    return met;
}

// Whether the outline is a convex polygon that winds once, every corner turning the same way:
// such an outline meets itself nowhere, as most rooms' rectangles, and needs no search. Its
// edges' directions then go round once, their x parts changing sign twice; an arc, a repeated
// vertex or a straight corner leaves the question to the search.
bool isConvex(const std::vector<AcDbPolyline::Vertex>& vertices)
{
    const std::size_t n = vertices.size();
    if (n < 3)
        return false;
    const auto edge = [&](std::size_t i) { return vertices[(i + 1) % n].point - vertices[i].point; };
    double turn = 0, lastX = 0;   // the x part of the last edge that has one, round the corner
    for (std::size_t i = n; i-- > 0 && lastX == 0;)
        lastX = edge(i).x;
    int flips = 0;
    AcGeVector2d from = edge(n - 1);
    for (std::size_t i = 0; i < n; ++i) {
        const AcGeVector2d to = edge(i);
        const double corner = from.x * to.y - from.y * to.x;
        if (vertices[i].bulge != 0 || corner == 0 || (turn != 0 && (corner > 0) != (turn > 0)))
            return false;
        turn = corner;
        if (to.x != 0) {
            flips += (to.x > 0) != (lastX > 0);
            lastX = to.x;
        }
        from = to;
    }
    return flips == 2;
}

} // namespace

std::optional<OutlineMeeting> findSelfCrossing(const AcDbPolyline& outline, std::size_t pairwiseUpTo)
{
    const std::vector<AcDbPolyline::Vertex>& vertices = outline.vertices();
    if (vertices.empty() || isConvex(vertices))
        return std::nullopt;
    const AcGePoint2d origin = vertices.front().point;
    std::vector<PathVertex> path;
    path.reserve(vertices.size());
    for (const AcDbPolyline::Vertex& v : vertices)
        path.push_back({{v.point.x - origin.x, v.point.y - origin.y}, v.bulge});
    const std::optional<Meeting> met = findInPath(std::move(path), pairwiseUpTo);
    if (!met)
        return std::nullopt;
    return OutlineMeeting{AcGePoint2d(met->at.x + origin.x, met->at.y + origin.y), met->crosses};
}
