#include "arx/dbsplinecurve.h"

#include <algorithm>
#include <cmath>

namespace qv {

namespace {

constexpr int kMaxDegree = 25;
constexpr int kMaxSpanSteps = 256;

double angleBetween(const AcGeVector3d& a, const AcGeVector3d& b)
{
    return std::atan2(a.crossProduct(b).length(), a.dotProduct(b));
}

// Chords enough to keep a curve within tolerance of them, judged from its control polygon:
// the curve turns about as far as the polygon does over about its length, and an arc of
// length L turning by θ in n chords strays θL/8n² from them.
int curveSteps(const AcGePoint3d* points, size_t count, double tolerance)
{
    double length = 0, turn = 0;
    AcGeVector3d last;
    for (size_t i = 1; i < count; ++i) {
        const AcGeVector3d leg = points[i] - points[i - 1];
        if (leg.length() <= 0)
            continue;
        if (last.length() > 0)
            turn += angleBetween(last, leg);
        last = leg;
        length += leg.length();
    }
    const double steps = std::ceil(std::sqrt(turn * length / (8 * tolerance)));
    return std::isfinite(steps) ? std::clamp(static_cast<int>(std::min(steps, 1e6)), 1, kMaxSpanSteps) : kMaxSpanSteps;
}

// A NURBS curve: degree, knots (points + degree + 1 of them, never decreasing), control
// points and their weights (all positive).
struct Nurbs {
    int degree = 1;
    std::vector<double> knots;
    std::vector<AcGePoint3d> points;
    std::vector<double> weights;

    // The point at u in the knot span [knots[span], knots[span + 1]] (de Boor's algorithm
    // on the weighted points).
    AcGePoint3d at(size_t span, double u) const
    {
        double d[kMaxDegree + 1][4];
        for (int j = 0; j <= degree; ++j) {
            const size_t i = span - static_cast<size_t>(degree) + static_cast<size_t>(j);
            const double w = weights[i];
            d[j][0] = points[i].x * w, d[j][1] = points[i].y * w, d[j][2] = points[i].z * w, d[j][3] = w;
        }
        for (int r = 1; r <= degree; ++r)
            for (int j = degree; j >= r; --j) {
                const size_t i = span - static_cast<size_t>(degree) + static_cast<size_t>(j);
                const double width = knots[i + static_cast<size_t>(degree - r) + 1] - knots[i];
                const double alpha = width > 0 ? (u - knots[i]) / width : 0;
                for (int k = 0; k < 4; ++k)
                    d[j][k] = (1 - alpha) * d[j - 1][k] + alpha * d[j][k];
            }
        const double* p = d[degree];
        return p[3] != 0 ? AcGePoint3d(p[0] / p[3], p[1] / p[3], p[2] / p[3]) : points[span];
    }

    // The curve over its domain [knots[degree], knots[points]] as chords.
    std::vector<AcGePoint3d> flatten(double tolerance, size_t maxPoints) const
    {
        std::vector<AcGePoint3d> run;
        const auto p = static_cast<size_t>(degree);
        for (size_t span = p; span < points.size() && run.size() <= maxPoints; ++span) {
            const double a = knots[span], b = knots[span + 1];
            if (!(b > a))
                continue;
            const int steps = curveSteps(&points[span - p], p + 1, tolerance);
            for (int s = run.empty() ? 0 : 1; s <= steps; ++s)
                run.push_back(at(span, a + (b - a) * s / steps));
        }
        // Coordinates near the limits of numbers may overflow on the way.
        std::erase_if(run, [](const AcGePoint3d& q) { return !std::isfinite(q.x) || !std::isfinite(q.y) || !std::isfinite(q.z); });
        return run;
    }
};

// Makes the knots and weights fit the control points: a clamped uniform knot vector when the
// stored one does not fit, unit weights when the stored ones do not.
void settle(Nurbs& c)
{
    const size_t n = c.points.size(), p = static_cast<size_t>(c.degree);
    const bool knotsFit = c.knots.size() == n + p + 1 && std::is_sorted(c.knots.begin(), c.knots.end())
        && c.knots[n] > c.knots[p];
    if (!knotsFit) {
        c.knots.assign(n + p + 1, 0);
        for (size_t i = 0; i < c.knots.size(); ++i)
            c.knots[i] = static_cast<double>(std::clamp(i, p, n) - p);
    }
    if (c.weights.size() != n || std::any_of(c.weights.begin(), c.weights.end(), [](double w) { return !(w > 0); }))
        c.weights.assign(n, 1);
}

// Whether the curve starts and ends at its end control points: the knots' first and last
// values repeat degree + 1 times.
bool isClamped(const Nurbs& c)
{
    const auto p = static_cast<size_t>(c.degree);
    const auto& k = c.knots;
    return std::all_of(k.begin(), k.begin() + static_cast<long>(p) + 1, [&](double v) { return v == k.front(); })
        && std::all_of(k.end() - static_cast<long>(p) - 1, k.end(), [&](double v) { return v == k.back(); });
}

// A closed spline whose stored curve does not come back to its start (the knots clamped, the
// control points not repeated, as some writers store them) closes as the uniform periodic
// curve of its control points: the first degree of them follow the last again.
void closePeriodic(Nurbs& c)
{
    if (!isClamped(c) || c.points.front().distanceTo(c.points.back()) <= 0)
        return;
    const auto p = static_cast<size_t>(c.degree), n = c.points.size();
    for (size_t i = 0; i < p; ++i) {
        c.points.push_back(c.points[i]);
        c.weights.push_back(c.weights[i]);
    }
    c.knots.resize(n + 2 * p + 1);
    for (size_t i = 0; i < c.knots.size(); ++i)
        c.knots[i] = static_cast<double>(i);
}

// The cubic through the fit points, parameterised by chord length and twice differentiable
// at every point: clamped to the tangents given, free (no curvature) at an end without one.
// It is returned as a cubic B-spline of Bezier pieces.
Nurbs throughFitPoints(std::vector<AcGePoint3d> fits, AcGeVector3d startTangent, AcGeVector3d endTangent, bool closed)
{
    fits.erase(std::unique(fits.begin(), fits.end(), [](const AcGePoint3d& a, const AcGePoint3d& b) { return a.distanceTo(b) <= 0; }),
               fits.end());
    if (closed && fits.size() > 2 && fits.front().distanceTo(fits.back()) > 0) {
        fits.push_back(fits.front());
        if (startTangent.length() <= 0 && endTangent.length() <= 0)
            startTangent = endTangent = fits[1] - fits[fits.size() - 2];
    }
    Nurbs c;
    const size_t m = fits.size();
    if (m < 2)
        return c;
    std::vector<double> h(m - 1);
    for (size_t i = 0; i + 1 < m; ++i)
        h[i] = fits[i].distanceTo(fits[i + 1]);
    // The derivatives at the fit points: a tridiagonal system (a, b, c) D = r, solved in one
    // sweep down and one up.
    std::vector<double> a(m, 0), b(m, 2), cc(m, 0);
    std::vector<AcGeVector3d> r(m), d(m);
    const bool clampStart = startTangent.length() > 0, clampEnd = endTangent.length() > 0;
    if (clampStart)
        b[0] = 1, r[0] = startTangent.normal();
    else
        cc[0] = 1, r[0] = (fits[1] - fits[0]) * (3 / h[0]);
    for (size_t i = 1; i + 1 < m; ++i) {
        a[i] = h[i], b[i] = 2 * (h[i - 1] + h[i]), cc[i] = h[i - 1];
        r[i] = (fits[i] - fits[i - 1]) * (3 * h[i] / h[i - 1]) + (fits[i + 1] - fits[i]) * (3 * h[i - 1] / h[i]);
    }
    if (clampEnd)
        a[m - 1] = 0, b[m - 1] = 1, r[m - 1] = endTangent.normal();
    else
        a[m - 1] = 1, r[m - 1] = (fits[m - 1] - fits[m - 2]) * (3 / h[m - 2]);
    for (size_t i = 1; i < m; ++i) {
        const double f = a[i] / b[i - 1];
        b[i] -= f * cc[i - 1];
        r[i] = r[i] - r[i - 1] * f;
    }
    d[m - 1] = r[m - 1] * (1 / b[m - 1]);
    for (size_t i = m - 1; i-- > 0;)
        d[i] = (r[i] - d[i + 1] * cc[i]) * (1 / b[i]);

    c.degree = 3;
    double t = 0;
    c.knots.assign(4, 0);
    c.points.push_back(fits[0]);
    for (size_t i = 0; i + 1 < m; ++i) {
        c.points.push_back(fits[i] + d[i] * (h[i] / 3));
        c.points.push_back(fits[i + 1] - d[i + 1] * (h[i] / 3));
        c.points.push_back(fits[i + 1]);
        t += h[i];
        c.knots.insert(c.knots.end(), i + 2 < m ? 3 : 4, t);
    }
    c.weights.assign(c.points.size(), 1);
    return c;
}

} // namespace

std::vector<AcGePoint3d> SplineCurve::flatten(double tolerance, size_t maxPoints) const
{
    Nurbs c;
    if (controlPoints.size() >= 2) {
        c.points = controlPoints;
        c.degree = std::clamp(degree, 1, static_cast<int>(std::min<size_t>(kMaxDegree, controlPoints.size() - 1)));
        c.knots = knots;
        c.weights = weights;
        settle(c);
        if (closed)
            closePeriodic(c);
    } else {
        c = throughFitPoints(fitPoints, startTangent, endTangent, closed);
        if (c.points.empty())
            return {};
    }
    return c.flatten(tolerance, maxPoints);
}

} // namespace qv
