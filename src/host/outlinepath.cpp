#include "outlinepath.h"

#include <algorithm>
#include <deque>
#include <optional>

namespace outline {

namespace {

double sagitta(Vec p, Vec q, double bulge)
{
    return std::fabs(bulge) * length(q - p) / 2;
}

// The bulge of the segment from p to q, nought for an arc that keeps within tol of its chord.
double straightened(Vec p, Vec q, double bulge, double tol)
{
    return sagitta(p, q, bulge) <= tol ? 0.0 : bulge;
}

bool negligible(Vec p, Vec q, double bulge, double tol)
{
    return length(q - p) <= tol && sagitta(p, q, bulge) <= tol;
}

// Distance of x from the circle of the arc from p to q, measured from p (which is on it) so that
// it keeps its precision when the centre lies far off.
double circleDistance(Vec p, Vec q, double bulge, Vec x)
{
    const Vec chord = q - p;
    const Vec toCentre = chord * 0.5 + leftNormal(chord) * centreOffset(bulge);
    const Vec fromP = x - p;
    const double power = dot(fromP, fromP) - 2 * dot(fromP, toCentre);
    return std::fabs(power) / (length(fromP - toCentre) + length(toCentre));
}

// Whether the lines from b to a and from b to c leave b the same way, the shorter within tol of
// the longer's line.
bool linesFold(Vec a, Vec b, Vec c, double tol)
{
    const Vec u = a - b, v = c - b;
    return dot(u, v) > 0 && std::fabs(cross(u, v)) <= tol * std::max(length(u), length(v));
}

// Whether the arc from b to c turns back along the arc from a to b: it turns the other way, and
// the smaller arc's middle and far end lie within tol of the other's circle.
bool arcsFold(Vec a, double ab, Vec b, double bc, Vec c, double tol)
{
    if ((ab > 0) == (bc > 0))
        return false;
    if (std::fabs(ab) <= std::fabs(bc))
        return circleDistance(b, c, bc, a) <= tol && circleDistance(b, c, bc, segmentMidpoint(a, b, ab)) <= tol;
    return circleDistance(a, b, ab, c) <= tol && circleDistance(a, b, ab, segmentMidpoint(b, c, bc)) <= tol;
}

// The bulge of the one segment from a to c that the segments a-b and b-c amount to when the
// second folds back along the first.
std::optional<double> foldBulge(const PathVertex& a, const PathVertex& b, Vec c, double tol)
{
    if (a.bulge == 0 && b.bulge == 0)
        return linesFold(a.point, b.point, c, tol) ? std::optional(0.0) : std::nullopt;
    if (a.bulge == 0 || b.bulge == 0 || !arcsFold(a.point, a.bulge, b.point, b.bulge, c, tol))
        return std::nullopt;
    // The arcs' angles add up: tan((t1 + t2) / 4) from tan(t1 / 4) and tan(t2 / 4).
    return straightened(a.point, c, (a.bulge + b.bulge) / (1 - a.bulge * b.bulge), tol);
}

// Adds the vertex after the last one kept, taking out the segments it makes negligible or folded.
void append(std::deque<PathVertex>& kept, const PathVertex& next, double tol)
{
    while (!kept.empty()) {
        PathVertex& last = kept.back();
        if (negligible(last.point, next.point, last.bulge, tol)) {
            last.bulge = next.bulge;
            return;
        }
        if (kept.size() < 2)
            break;
        PathVertex& before = kept[kept.size() - 2];
        const std::optional<double> merged = foldBulge(before, last, next.point, tol);
        if (!merged)
            break;
        before.bulge = *merged;
        kept.pop_back();
    }
    kept.push_back(next);
}

// Takes out what is negligible or folded where the path closes, at its last and first vertices.
void closeUp(std::deque<PathVertex>& kept, double tol)
{
    while (kept.size() >= 2) {
        PathVertex& last = kept.back();
        PathVertex& before = kept[kept.size() - 2];
        if (negligible(last.point, kept[0].point, last.bulge, tol)) {
            kept.pop_back();
        } else if (const std::optional<double> merged = foldBulge(before, last, kept[0].point, tol)) {
            before.bulge = *merged;
            kept.pop_back();
        } else if (const std::optional<double> merged = foldBulge(last, kept[0], kept[1].point, tol)) {
            last.bulge = *merged;
            kept.pop_front();
        } else {
            return;
        }
    }
}

} // namespace

std::vector<PathVertex> simplifyPath(std::vector<PathVertex> path, double tol)
{
    for (std::size_t i = 0; i < path.size(); ++i) {
        PathVertex& v = path[i];
        v.bulge = straightened(v.point, path[(i + 1) % path.size()].point, v.bulge, tol);
    }
    std::deque<PathVertex> kept;
    for (const PathVertex& v : path)
        append(kept, v, tol);
    closeUp(kept, tol);
    return {kept.begin(), kept.end()};
}

} // namespace outline
