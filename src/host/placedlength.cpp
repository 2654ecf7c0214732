#include "host/placedlength.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

// How the transform stretches the outline's plane: the dot products of the images of its x and
// y directions, by which the image of a direction (x, y) has the length stretched(x, y).
struct Stretch
{
    double xx, xy, yy;

    double stretched(double x, double y) const { return std::sqrt(std::max(0.0, xx * x * x + 2 * xy * x * y + yy * y * y)); }
    bool alikeEveryWay() const
    {
        return std::fabs(xx - yy) <= 1e-12 * (xx + yy) && std::fabs(xy) <= 1e-12 * (xx + yy);
    }
};

// The integral of f from a to b, by Simpson's rule on halves until each part's halves agree with
// it to within tolerance, an absolute error well above that of rounding.
template <class F>
double integral(const F& f, double a, double b, double fa, double fm, double fb, double whole, double tolerance,
                int depth)
{
    const double m = (a + b) / 2, lm = (a + m) / 2, rm = (m + b) / 2;
    const double flm = f(lm), frm = f(rm);
    const double left = (m - a) / 6 * (fa + 4 * flm + fm), right = (b - m) / 6 * (fm + 4 * frm + fb);
    if (depth == 0 || std::fabs(left + right - whole) <= 15 * tolerance)
        return left + right + (left + right - whole) / 15;
    return integral(f, a, m, fa, flm, fm, left, tolerance, depth - 1) +
           integral(f, m, b, fm, frm, fb, right, tolerance, depth - 1);
}

// The length of the image of the arc from p to q with the bulge: the integral over its angle of
// the stretched length of its tangent.
double placedArcLength(const Stretch& stretch, const AcGePoint2d& p, const AcGePoint2d& q, double bulge)
{
    const double sweep = 4 * std::atan(bulge);
    const double radius = p.distanceTo(q) / (2 * std::sin(std::fabs(sweep) / 2));
    // The angle of p about the centre: the chord's direction turned back by half the sweep, less
    // a quarter turn.
    const double start = (q - p).angle() - sweep / 2 - std::copysign(std::numbers::pi / 2, sweep);
    const auto speed = [&](double angle) { return radius * stretch.stretched(-std::sin(angle), std::cos(angle)); };
    const double a = std::min(start, start + sweep), b = std::max(start, start + sweep);
    const double fa = speed(a), fm = speed((a + b) / 2), fb = speed(b);
    const double rough = (b - a) / 6 * (fa + 4 * fm + fb);
    return integral(speed, a, b, fa, fm, fb, rough, 1e-13 * rough, 30);
}

} // namespace

double placedLength(const AcDbPolyline& outline, const AcGeMatrix3d& transform)
{
    // The images of the plane's x and y directions: for most outlines, in the drawing's own
    // plane, the transform's first two columns.
    const AcGeVector3d normal = outline.normal();
    const bool level = normal.x == 0 && normal.y == 0 && normal.z > 0;
    const AcGeMatrix3d placed = level ? transform : transform * AcGeMatrix3d::planeToWorld(normal);
    const AcGeVector3d x(placed(0, 0), placed(1, 0), placed(2, 0)), y(placed(0, 1), placed(1, 1), placed(2, 1));
    const Stretch stretch{x.dotProduct(x), x.dotProduct(y), y.dotProduct(y)};
    if (stretch.alikeEveryWay()) {
        double end = 0, length = 0;
        outline.getEndParam(end);
        outline.getDistAtParam(end, length);
        return std::sqrt(stretch.xx) * length;
    }
    const unsigned int n = outline.numVerts();
    const unsigned int sides = outline.isClosed() ? n : (n > 0 ? n - 1 : 0);
    double length = 0;
    for (unsigned int i = 0; i < sides; ++i) {
        AcGePoint2d p, q;
        outline.getPointAt(i, p);
        outline.getPointAt((i + 1) % n, q);
        double bulge = 0;
        outline.getBulgeAt(i, bulge);
        length += bulge == 0 || p.distanceTo(q) == 0 ? stretch.stretched(q.x - p.x, q.y - p.y)
                                                     : placedArcLength(stretch, p, q, bulge);
    }
    return length;
}
