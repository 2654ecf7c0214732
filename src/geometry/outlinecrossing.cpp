#include "geometry/outlinecrossing.h"

#include "outlinemeetings.h"
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
    const std::vector<Piece> pieces = cutIntoPieces(path, tol, kFlatRadius * unitSize);
    if (!piecesMeet(pieces, tol, pairwiseUpTo))
        return std::nullopt;
    std::optional<Meeting> met = worstMeeting(pieces, tol, signedArea(path) > 0 ? 1 : -1);
    if (met)
        met->at = scaled(met->at, exponent);
    return met;
}

// Counts the changes of sign of the x parts of the headings it is given in turn round a closed
// path, from the last back to the first too, those of x part 0 passed over.
class Flips
{
public:
    void take(Vec heading)
    {
        if (heading.x == 0)
            return;
        if (m_first == 0)
            m_first = heading.x;
        m_count += m_last != 0 && (heading.x > 0) != (m_last > 0);
        m_last = heading.x;
    }
    int count() const { return m_count + (m_first != 0 && (m_first > 0) != (m_last > 0)); }

private:
    double m_first = 0, m_last = 0;
    int m_count = 0;
};

// Whether the outline turns one way only, at every corner and along every arc, and once round in
// all: it then meets itself nowhere, as most rooms' rectangles and round rooms, and needs no
// search. Its headings then go round once, their x parts changing sign twice (an arc of a half
// turn or more is taken by its halves, each turning less than a half turn). A straight corner
// turns neither way; a repeated vertex, or a corner that turns back, leaves the question to the
// search.
bool isConvex(const std::vector<AcDbPolyline::Vertex>& vertices)
{
    const std::size_t n = vertices.size();
    if (n < 2)
        return false;
    const auto point = [&](std::size_t i) {
        const AcGePoint2d& at = vertices[i < n ? i : 0].point;
        return Vec{at.x, at.y};
    };
    int turn = 0;
    const auto turnsAlike = [&](double way) {
        const int sign = way > 0 ? 1 : -1;
        if (turn == 0)
            turn = sign;
        return turn == sign;
    };
    Flips flips;
    Vec before = endHeading(point(n - 1), point(n), vertices[n - 1].bulge);
    for (std::size_t i = 0; i < n; ++i) {
        const Vec p = point(i), q = point(i + 1);
        const double bulge = vertices[i].bulge;
        const Vec start = startHeading(p, q, bulge);
        // Beside an arc, a corner whose turn is lost in the rounding of the headings is none.
        const double corner = cross(before, start);
        const bool straight = bulge != 0 || vertices[i > 0 ? i - 1 : n - 1].bulge != 0
                                  ? corner * corner <= 1e-24 * dot(before, before) * dot(start, start)
                                  : corner == 0;
        if (straight ? dot(before, start) <= 0 : !turnsAlike(corner))
            return false;
        flips.take(start);
        before = start;
        if (bulge == 0)
            continue;
        if (!turnsAlike(bulge))
            return false;
        if (std::fabs(bulge) >= 1)
            flips.take(q - p); // the heading at the arc's middle
        before = endHeading(p, q, bulge);
        flips.take(before);
    }
    return flips.count() == 2;
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
    return OutlineMeeting{AcGePoint2d(met->at.x + origin.x, met->at.y + origin.y), met->wrongsArea};
}
