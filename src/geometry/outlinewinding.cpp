#include "outlinewinding.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace outline {

namespace {

constexpr double kPi = std::numbers::pi;
// A joint this many times tol from x or nearer is where the path passes x.
constexpr double kJointReach = 2;
// Rays whose directions differ by less than this many radians are told apart by how they bend.
constexpr double kBundle = 1e-3;

// The angle in (-pi, pi] that differs from a by a whole number of turns.
double principal(double a)
{
    a = std::remainder(a, 2 * kPi);
    return a == -kPi ? kPi : a;
}

double direction(Vec v)
{
    return std::atan2(v.y, v.x);
}

// A way out of x along the path, forwards (the path leaves x along it) or back (it comes in).
struct Ray
{
    double angle;     // of its direction at x
    double curvature; // followed away from x, positive where it turns counter-clockwise
    double reach;     // from x to the far end of its piece
    bool leaving;
};

// The path passing x once: in along one piece, out along the same or the next.
struct Passage
{
    Ray in, out;
    std::size_t inPiece, outPiece;
};

Ray rayIn(const Piece& piece, Vec at, Vec x)
{
    return {direction(heading(piece, at) * -1), -curvature(piece), length(piece.start() - x), false};
}

Ray rayOut(const Piece& piece, Vec at, Vec x)
{
    return {direction(heading(piece, at)), curvature(piece), length(piece.end() - x), true};
}

// Each joint near x, and each piece that passes within tol of x away from such joints.
std::vector<Passage> passagesAt(const std::vector<Piece>& pieces, Vec x, double tol)
{
    std::vector<Passage> passages;
    const std::size_t n = pieces.size();
    for (std::size_t i = 0; i < n; ++i) {
        const Piece& piece = pieces[i];
        const std::size_t next = (i + 1) % n;
        if (length(piece.end() - x) <= kJointReach * tol) {
            passages.push_back({rayIn(piece, piece.end(), x), rayOut(pieces[next], pieces[next].start(), x), i, next});
        } else if (length(piece.start() - x) > kJointReach * tol && distance(piece, x) <= tol) {
            const Vec at = nearest(piece, x);
            passages.push_back({rayIn(piece, at, x), rayOut(piece, at, x), i, i});
        }
    }
    return passages;
}

// How far ray b lies counter-clockwise of ray a (their directions differing by less than
// kBundle), at the nearest distance where they part by more than tol: its sign, 0 for rays
// that keep within tol of each other as far as the shorter reaches.
int sideOf(const Ray& a, const Ray& b, double tol)
{
    const double turn = principal(b.angle - a.angle), bend = b.curvature - a.curvature;
    if (!(std::min(a.reach, b.reach) > 0))
        return 0;
    for (double d = std::min(a.reach, b.reach) * 0x1p-60; d <= std::min(a.reach, b.reach); d *= 2)
        if (const double apart = turn * d + bend * d * d / 2; std::fabs(apart) > tol)
            return apart > 0 ? 1 : -1;
    return 0;
}

// The rays in counter-clockwise order, starting after the widest gap between them.
std::vector<Ray> inOrder(std::vector<Ray> rays, double tol)
{
    std::sort(rays.begin(), rays.end(), [](const Ray& a, const Ray& b) { return a.angle < b.angle; });
    std::size_t widest = rays.size() - 1;
    double gap = rays.front().angle + 2 * kPi - rays.back().angle;
    for (std::size_t i = 0; i + 1 < rays.size(); ++i)
        if (rays[i + 1].angle - rays[i].angle > gap) {
            gap = rays[i + 1].angle - rays[i].angle;
            widest = i;
        }
    std::rotate(rays.begin(), rays.begin() + static_cast<std::ptrdiff_t>((widest + 1) % rays.size()), rays.end());
    // Within a bundle of nearly one direction, by how the rays bend away from each other.
    for (std::size_t i = 1; i < rays.size(); ++i)
        for (std::size_t k = i; k > 0 && std::fabs(principal(rays[k].angle - rays[k - 1].angle)) < kBundle &&
                                sideOf(rays[k - 1], rays[k], tol) < 0;
             --k)
            std::swap(rays[k - 1], rays[k]);
    return rays;
}

// The direction halfway round from the last ray to the first, counter-clockwise.
double widestMiddle(const std::vector<Ray>& rays)
{
    double gap = std::fmod(rays.front().angle - rays.back().angle, 2 * kPi);
    if (gap <= 0)
        gap += 2 * kPi;
    return rays.back().angle + gap / 2;
}

// The winding number of the region that a ray from x in the direction `towards` starts in: the
// turns that the path makes about a point there near x, in which each passage through x goes round
// the far side of that point. NaN when the sum is not near a whole number of turns.
double windingTowards(const std::vector<Piece>& pieces, const std::vector<Passage>& passages, Vec x,
                      double towards)
{
    std::vector<bool> passing(pieces.size(), false);
    double turned = 0;
    const double back = towards + kPi;   // the direction from that point to x
    for (const Passage& passage : passages) {
        passing[passage.inPiece] = passing[passage.outPiece] = true;
        turned += principal(passage.in.angle - direction(pieces[passage.inPiece].start() - x)) +
                  principal(back - passage.in.angle) + principal(passage.out.angle - back) +
                  principal(direction(pieces[passage.outPiece].end() - x) - passage.out.angle);
    }
    for (std::size_t i = 0; i < pieces.size(); ++i)
        if (!passing[i])
            turned += subtendedAngle(pieces[i], x);
    const double turns = turned / (2 * kPi), whole = std::round(turns);
    return std::fabs(turns - whole) < 0.1 ? whole : std::nan("");
}

} // namespace

bool wrongsAreaAt(const std::vector<Piece>& pieces, Vec x, double tol, int orientation)
{
    const std::vector<Passage> passages = passagesAt(pieces, x, tol);
    if (passages.empty())
        return false;
    std::vector<Ray> unordered;
    for (const Passage& passage : passages) {
        unordered.push_back(passage.in);
        unordered.push_back(passage.out);
    }
    const std::vector<Ray> rays = inOrder(std::move(unordered), tol);
    // The widest region, between the last ray and the first, is counted from afar.
    const double wound = windingTowards(pieces, passages, x, widestMiddle(rays));
    if (std::isnan(wound))
        return false;
    const auto wrong = [&](double winding) { return winding != 0 && winding != orientation; };
    double winding = wound;
    if (wrong(winding))
        return true;
    // Crossing a ray counter-clockwise enters the region left of the path where it leaves x.
    for (std::size_t i = 0; i + 1 < rays.size(); ++i) {
        winding += rays[i].leaving ? 1 : -1;
        const bool sliver =
            std::fabs(principal(rays[i + 1].angle - rays[i].angle)) < kBundle && sideOf(rays[i], rays[i + 1], tol) == 0;
        if (!sliver && wrong(winding))
            return true;
    }
    return false;
}

} // namespace outline
