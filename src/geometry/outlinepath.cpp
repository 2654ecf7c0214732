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

// The bulge of the arc whose angle is the sum of the two bulges' angles: tan((t1 + t2) / 4) from
// tan(t1 / 4) and tan(t2 / 4); none for a whole turn.
std::optional<double> addedBulges(double first, double second)
{
    const double below = 1 - first * second;
    return below == 0 ? std::nullopt : std::optional((first + second) / below);
}

double segmentDistance(Vec a, Vec b, Vec x)
{
    const Vec span = b - a;
    const double t = std::clamp(dot(x - a, span) / dot(span, span), 0.0, 1.0);
    return length(x - (a + span * t));
}

// The bulge of the one segment from a to c that the line from a to b and the arc from b to c
// amount to when the arc runs back along the line: the rest of the arc from a where it runs on
// past a, the rest of the line where it stops short.
std::optional<double> lineArcFold(Vec a, Vec b, double bulge, Vec c, double tol)
{
    if (dot(startHeading(b, c, bulge), a - b) <= 0)
        return std::nullopt;
    const double radius = length(c - b) * (1 / std::fabs(bulge) + std::fabs(bulge)) / 4;
    const double lineAngle = 2 * std::asin(std::min(1.0, length(a - b) / (2 * radius)));
    if (4 * std::atan(std::fabs(bulge)) > lineAngle) {
        if (circleDistance(b, c, bulge, a) > tol || circleDistance(b, c, bulge, (a + b) * 0.5) > tol)
            return std::nullopt;
        return addedBulges(-std::copysign(std::tan(lineAngle / 4), bulge), bulge);
    }
    if (segmentDistance(a, b, c) > tol || segmentDistance(a, b, segmentMidpoint(b, c, bulge)) > tol)
        return std::nullopt;
    return 0.0;
}

// The bulge of the one segment from a to c that the segments a-b and b-c amount to when the
// second folds back along the first.
std::optional<double> foldBulge(const PathVertex& a, const PathVertex& b, Vec c, double tol)
{
    std::optional<double> merged;
    if (a.bulge == 0 && b.bulge == 0) {
        if (linesFold(a.point, b.point, c, tol))
            merged = 0.0;
    } else if (a.bulge == 0) {
        merged = lineArcFold(a.point, b.point, b.bulge, c, tol);
    } else if (b.bulge == 0) { // the same fold walked the other way
        if (const std::optional<double> back = lineArcFold(c, b.point, -a.bulge, a.point, tol))
            merged = -*back;
    } else if (arcsFold(a.point, a.bulge, b.point, b.bulge, c, tol)) {
        merged = addedBulges(a.bulge, b.bulge);
    }
    if (merged)
        *merged = straightened(a.point, c, *merged, tol);
    return merged;
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

double signedArea(const std::vector<PathVertex>& path)
{
    double area = 0;
    for (std::size_t i = 0; i < path.size(); ++i) {
        const Vec p = path[i].point, q = path[(i + 1) % path.size()].point;
        area += cross(p, q) / 2;
        if (const double bulge = path[i].bulge; bulge != 0) {
            // The circular segment between the chord and the arc, signed with the bulge.
            const double angle = 4 * std::atan(bulge);
            const double radius = length(q - p) * (1 / std::fabs(bulge) + std::fabs(bulge)) / 4;
            area += radius * radius * (angle - std::sin(angle)) / 2;
        }
    }
    return area;
}

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
