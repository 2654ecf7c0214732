#include "outlinepiece.h"

#include <algorithm>
#include <array>
#include <numbers>

namespace outline {

namespace {

bool leftOf(Vec a, Vec b)
{
    return a.x < b.x || (a.x == b.x && a.y < b.y);
}

Piece straightPiece(Vec from, Vec to, std::size_t segment)
{
    Piece piece;
    piece.forward = leftOf(from, to);
    piece.left = piece.forward ? from : to;
    piece.right = piece.forward ? to : from;
    piece.segment = segment;
    return piece;
}

struct Arc
{
    Vec centre;
    double radius, startAngle, sweep;
    std::size_t segment;
};

Arc arcOf(Vec p, Vec q, double bulge, std::size_t segment)
{
    const Vec chord = q - p;
    const Vec centre = p + chord * 0.5 + leftNormal(chord) * centreOffset(bulge);
    const double radius = length(chord) * (1 / std::fabs(bulge) + std::fabs(bulge)) / 4;
    return {centre, radius, std::atan2(p.y - centre.y, p.x - centre.x), 4 * std::atan(bulge), segment};
}

// The part of the arc from one point to another, about the angle midAngle.
Piece arcPiece(Vec from, Vec to, double midAngle, const Arc& arc)
{
    Piece piece = straightPiece(from, to, arc.segment);
    piece.arc = true;
    piece.centre = arc.centre;
    piece.radius = arc.radius;
    piece.upper = std::sin(midAngle) > 0;
    return piece;
}

// Cuts the arc from p to q at the multiples of pi (its leftmost and rightmost points) that lie
// further than tol along it from both ends.
void cutArc(const Arc& arc, Vec p, Vec q, double tol, std::vector<Piece>& pieces)
{
    constexpr double pi = std::numbers::pi;
    const double turn = arc.sweep > 0 ? 1 : -1, margin = tol / arc.radius;
    const double first = turn > 0 ? std::floor(arc.startAngle / pi) + 1 : std::ceil(arc.startAngle / pi) - 1;
    Vec from = p;
    double fromAngle = arc.startAngle;
    for (double k = first;; k += turn) {
        const double along = (k * pi - arc.startAngle) * turn;
        if (along >= std::fabs(arc.sweep) - margin)
            break;
        if (along <= margin)
            continue;
        const Vec cut{arc.centre.x + (std::fmod(k, 2) == 0 ? arc.radius : -arc.radius), arc.centre.y};
        pieces.push_back(arcPiece(from, cut, (fromAngle + k * pi) / 2, arc));
        from = cut;
        fromAngle = k * pi;
    }
    pieces.push_back(arcPiece(from, q, (fromAngle + arc.startAngle + arc.sweep) / 2, arc));
}

// The point at fraction t of the arc from p to q, found along the chord to it so that it keeps its
// precision however flat the arc: that chord turns from pq by sweep * (t - 1) / 2.
Vec flatArcPoint(Vec p, Vec q, double sweep, double t)
{
    const double turn = sweep * (t - 1) / 2, scale = std::sin(sweep * t / 2) / std::sin(sweep / 2);
    const Vec chord = q - p;
    const double c = std::cos(turn), s = std::sin(turn);
    return p + Vec{chord.x * c - chord.y * s, chord.x * s + chord.y * c} * scale;
}

// Chords of the arc, each within tol / 4 of its part: radius * (angle / 2)^2 / 2 <= tol / 4.
void cutFlatArc(const Arc& arc, Vec p, Vec q, double tol, std::vector<Piece>& pieces)
{
    const double count = std::ceil(std::fabs(arc.sweep) * std::sqrt(arc.radius / (2 * tol)));
    Vec from = p;
    for (double i = 1; i < count; ++i) {
        const Vec to = flatArcPoint(p, q, arc.sweep, i / count);
        pieces.push_back(straightPiece(from, to, arc.segment));
        from = to;
    }
    pieces.push_back(straightPiece(from, q, arc.segment));
}

// Up to four points: where the lines and circles that carry two pieces cross, or come nearest.
class Candidates
{
public:
    void add(Vec x) { m_points[m_count++] = x; }
    const Vec* begin() const { return m_points.data(); }
    const Vec* end() const { return m_points.data() + m_count; }

private:
    std::array<Vec, 4> m_points;
    std::size_t m_count = 0;
};

void addLineCircle(Vec a, Vec direction, Vec centre, double radius, Candidates& out)
{
    const Vec foot = a + direction * (dot(centre - a, direction) / dot(direction, direction));
    const double off = length(centre - foot);
    const double half = std::sqrt(std::max(0.0, (radius - off) * (radius + off))) / length(direction);
    out.add(foot + direction * half);
    out.add(foot - direction * half);
}

// Taken from the smaller circle, so that its points keep their precision however much larger the
// other: the difference of the squares of the distance apart and the larger radius, near each
// other, is taken as a product of their difference and sum.
void addCircleCircle(const Piece& p, const Piece& q, Candidates& out)
{
    const Piece& small = p.radius <= q.radius ? p : q;
    const Piece& large = p.radius <= q.radius ? q : p;
    const double apart = length(large.centre - small.centre);
    if (apart == 0)
        return;
    const Vec u = (large.centre - small.centre) * (1 / apart);
    const double along =
        ((apart - large.radius) * (apart + large.radius) + small.radius * small.radius) / (2 * apart);
    const double across = std::sqrt(std::max(0.0, (small.radius - along) * (small.radius + along)));
    out.add(small.centre + u * along + leftNormal(u) * across);
    out.add(small.centre + u * along - leftNormal(u) * across);
    out.add(small.centre + u * small.radius);
    out.add(small.centre - u * small.radius);
}

Candidates carrierCrossings(const Piece& p, const Piece& q)
{
    Candidates out;
    if (p.arc && q.arc) {
        addCircleCircle(p, q, out);
    } else if (p.arc || q.arc) {
        const Piece& line = p.arc ? q : p;
        const Piece& arc = p.arc ? p : q;
        addLineCircle(line.left, line.right - line.left, arc.centre, arc.radius, out);
    } else {
        const Vec dp = p.right - p.left, dq = q.right - q.left;
        if (const double turn = cross(dp, dq); turn != 0)
            out.add(p.left + dp * (cross(q.left - p.left, dq) / turn));
    }
    return out;
}

// Where the carriers of two pieces of a row meet again beyond their joint, found from the joint
// (which both pass through) so that it is as precise as the joint. None for two lines, or for two
// arcs of one circle (in a row they run on, one after the other).
std::optional<Vec> secondCommonPoint(const Piece& p, const Piece& q, Vec joint, double tol)
{
    if (p.arc && q.arc) {
        const Vec between = q.centre - p.centre;
        if (length(between) <= tol)
            return std::nullopt;
        const Vec u = between * (1 / length(between)), fromCentre = joint - p.centre;
        return p.centre + u * (2 * dot(fromCentre, u)) - fromCentre;
    }
    if (!p.arc && !q.arc)
        return std::nullopt;
    const Piece& line = p.arc ? q : p;
    const Piece& arc = p.arc ? p : q;
    const Vec u = (line.right - line.left) * (1 / length(line.right - line.left));
    return joint - u * (2 * dot(joint - arc.centre, u));
}

Vec middle(const Piece& piece)
{
    if (!piece.arc)
        return (piece.left + piece.right) * 0.5;
    Vec towards = (piece.left - piece.centre) + (piece.right - piece.centre);
    double span = length(towards);
    if (span < piece.radius * 1e-6) { // a half circle: its middle is its top or bottom
        towards = {0, piece.upper ? 1.0 : -1.0};
        span = 1;
    }
    return piece.centre + towards * (piece.radius / span);
}

// Whether the far end of one piece of a row lies within tol of the other while its middle does
// not: the pieces part between the joint and there.
bool farEndTouches(const Piece& piece, Vec farEnd, const Piece& other, double tol)
{
    return distance(other, farEnd) <= tol && distance(other, middle(piece)) > tol;
}

} // namespace

std::vector<Piece> cutIntoPieces(const std::vector<PathVertex>& path, double tol, double maxRadius)
{
    std::vector<Piece> pieces;
    pieces.reserve(path.size());
    for (std::size_t i = 0; i < path.size(); ++i) {
        const Vec p = path[i].point, q = path[(i + 1) % path.size()].point;
        if (path[i].bulge == 0) {
            pieces.push_back(straightPiece(p, q, i));
            continue;
        }
        const Arc arc = arcOf(p, q, path[i].bulge, i);
        if (arc.radius > maxRadius)
            cutFlatArc(arc, p, q, tol, pieces);
        else
            cutArc(arc, p, q, tol, pieces);
    }
    return pieces;
}

Box boxOf(const Piece& piece, double tol)
{
    double bottom = std::min(piece.left.y, piece.right.y), top = std::max(piece.left.y, piece.right.y);
    if (piece.arc)
        (piece.upper ? top : bottom) = piece.centre.y + (piece.upper ? piece.radius : -piece.radius);
    return {piece.left.x - tol, bottom - tol, piece.right.x + tol, top + tol};
}

bool overlap(const Box& a, const Box& b)
{
    return a.left <= b.right && b.left <= a.right && a.bottom <= b.top && b.bottom <= a.top;
}

namespace {

// Whether x lies within the angle of an arc's piece (at most a half turn, counter-clockwise from
// `from` to `to`), where the nearest point of the piece is on the arc; else it is an end.
bool withinAngle(const Piece& piece, Vec x)
{
    const Vec v = x - piece.centre;
    const Vec from = (piece.upper ? piece.right : piece.left) - piece.centre;
    const Vec to = (piece.upper ? piece.left : piece.right) - piece.centre;
    return cross(from, v) >= 0 && cross(v, to) >= 0;
}

} // namespace

Vec nearest(const Piece& piece, Vec x)
{
    if (piece.arc) {
        const double reach = length(x - piece.centre);
        if (withinAngle(piece, x) && reach > 0)
            return piece.centre + (x - piece.centre) * (piece.radius / reach);
        return length(x - piece.left) <= length(x - piece.right) ? piece.left : piece.right;
    }
    const Vec span = piece.right - piece.left;
    const double t = std::clamp(dot(x - piece.left, span) / dot(span, span), 0.0, 1.0);
    return piece.left + span * t;
}

double distance(const Piece& piece, Vec x)
{
    // Measured from the centre on the arc, which keeps its precision near the circle.
    if (piece.arc && withinAngle(piece, x))
        return std::fabs(length(x - piece.centre) - piece.radius);
    return length(x - nearest(piece, x));
}

Vec heading(const Piece& piece, Vec x)
{
    if (!piece.arc)
        return piece.end() - piece.start();
    const Vec normal = leftNormal(x - piece.centre);
    return piece.counterClockwise() ? normal : normal * -1;
}

double curvature(const Piece& piece)
{
    if (!piece.arc)
        return 0;
    return (piece.counterClockwise() ? 1 : -1) / piece.radius;
}

double subtendedAngle(const Piece& piece, Vec x)
{
    const Vec a = piece.start() - x, b = piece.end() - x;
    const double chord = std::atan2(cross(a, b), dot(a, b));
    if (!piece.arc || length(x - piece.centre) >= piece.radius)
        return chord;
    // Inside the circle, on the arc's side of its chord, the arc goes the long way round x.
    const double side = cross(b - a, x - piece.start());
    if (piece.counterClockwise() ? side < 0 : side > 0)
        return chord + (piece.counterClockwise() ? 2 : -2) * std::numbers::pi;
    return chord;
}

bool above(const Piece& piece, Vec x)
{
    if (x.x > piece.right.x || piece.left.x == piece.right.x)
        return x.y > piece.right.y;
    if (!piece.arc)
        return cross(piece.right - piece.left, x - piece.left) > 0;
    const Vec v = x - piece.centre;
    const bool outside = length(v) > piece.radius;
    return piece.upper ? v.y >= 0 && outside : v.y > 0 || !outside;
}

namespace {

// Offers found each point where the pieces come within tol of each other, until it says stop.
template <class Found>
void forEachMeeting(const Piece& p, const Piece& q, double tol, Found found)
{
    for (const Vec end : {p.left, p.right})
        if (distance(q, end) <= tol && found(end))
            return;
    for (const Vec end : {q.left, q.right})
        if (distance(p, end) <= tol && found(end))
            return;
    // Where the pieces themselves come within tol of each other: a place that is merely within
    // tol of both may lie between pieces further apart.
    for (const Vec x : carrierCrossings(p, q))
        if (length(nearest(p, x) - nearest(q, x)) <= tol && found(x))
            return;
}

} // namespace

std::optional<Vec> meeting(const Piece& p, const Piece& q, double tol)
{
    std::optional<Vec> met;
    forEachMeeting(p, q, tol, [&](Vec x) {
        met = x;
        return true;
    });
    return met;
}

void meetings(const Piece& p, const Piece& q, double tol, std::vector<Vec>& out)
{
    forEachMeeting(p, q, tol, [&](Vec x) {
        out.push_back(x);
        return false;
    });
}

namespace {

// The piece's direction at x, either way along it.
Vec tangent(const Piece& piece, Vec x)
{
    return piece.arc ? leftNormal(x - piece.centre) : piece.right - piece.left;
}

// The sine of the angle below which two pieces are taken to run alongside each other where
// they meet, as a line meets a circle it touches within the tolerance.
constexpr double kParallel = 1e-3;

} // namespace

bool crossAt(const Piece& p, const Piece& q, Vec x, double tol)
{
    for (const Piece* piece : {&p, &q})
        if (length(x - piece->left) <= tol || length(x - piece->right) <= tol)
            return false;
    const Vec a = tangent(p, x), b = tangent(q, x);
    return std::fabs(cross(a, b)) > kParallel * length(a) * length(b);
}

std::optional<Vec> meetingBeyondJoint(const Piece& before, const Piece& after, double tol)
{
    const Vec joint = before.end();
    const std::optional<Vec> again = secondCommonPoint(before, after, joint, tol);
    if (again && length(*again - joint) > tol && distance(before, *again) <= tol && distance(after, *again) <= tol)
        return again;
    if (farEndTouches(before, before.start(), after, tol))
        return before.start();
    if (farEndTouches(after, after.end(), before, tol))
        return after.end();
    return std::nullopt;
}

} // namespace outline
