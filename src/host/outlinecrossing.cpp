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

std::optional<Meeting> findInPath(std::vector<PathVertex> path)
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
    std::optional<Meeting> met = findMeeting(cutIntoPieces(path, tol, kFlatRadius * unitSize), tol);
    if (met)
        met->at = scaled(met->at, exponent);
    return met;
}

} // namespace

std::optional<OutlineMeeting> findSelfCrossing(const AcDbPolyline& outline)
{
    const std::vector<AcDbPolyline::Vertex>& vertices = outline.vertices();
    if (vertices.empty())
        return std::nullopt;
    const AcGePoint2d origin = vertices.front().point;
    std::vector<PathVertex> path;
    path.reserve(vertices.size());
    for (const AcDbPolyline::Vertex& v : vertices)
        path.push_back({{v.point.x - origin.x, v.point.y - origin.y}, v.bulge});
    const std::optional<Meeting> met = findInPath(std::move(path));
    if (!met)
        return std::nullopt;
    return OutlineMeeting{AcGePoint2d(met->at.x + origin.x, met->at.y + origin.y), met->crosses};
}
