// A spline as drawings describe it (SPLINE entities and hatch boundary edges): a B-spline or
// NURBS curve by its degree, knots, control points and weights, or, without control points,
// the cubic through its fit points with the end tangents given. Data that do not fit each
// other are settled as other readers do (uniform clamped knots, unit weights, the degree
// bounded by the points and 25), and the curve is drawn and measured as chords.
#pragma once

#include "arx/geometry.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace qv {

struct SplineCurve {
    int degree = 3;
    std::vector<double> knots, weights;
    std::vector<AcGePoint3d> controlPoints, fitPoints;
    AcGeVector3d startTangent, endTangent;   // none when of zero length
    bool closed = false;

    // The curve as chords that stray no farther than tolerance from it, at most a few hundred
    // per knot span; it stops growing once it holds more than maxPoints. Points that are not
    // finite are left out; empty when the data describe no curve.
    std::vector<AcGePoint3d> flatten(double tolerance, std::size_t maxPoints = SIZE_MAX) const;
};

} // namespace qv
