// The geometry of entity types the database keeps as read pairs: what a plot draws of
// splines (their B-spline or NURBS curve, or a curve through their fit points, flattened to
// a tolerance), 3D faces and meshes (their visible edges) and wipeouts (the area they mask),
// and the box around every such type the plot draws.
#pragma once

#include "arx/geometry.h"

#include <cmath>
#include <vector>

class AcDbProxyEntity;

namespace qv {

using PointRun = std::vector<AcGePoint3d>;

struct ProxyGeometry {
    std::vector<PointRun> lines;   // runs of points joined in turn, in world coordinates
    PointRun mask;                 // a closed area painted in the paper's colour
};

// An ELLIPSE's arc: the point at parameter t is centre + major cos t + minor sin t, for t
// from start over sweep (counter-clockwise about the normal, at most a full turn).
struct EllipseArc {
    AcGePoint3d centre;
    AcGeVector3d major, minor;
    double start = 0, sweep = 0;
    bool full() const { return sweep > 2 * M_PI - 1e-9; }
    AcGePoint3d at(double t) const;
};

// The arc an ELLIPSE's pairs give; false when they give none (no axis, no normal, no ratio).
bool ellipseArc(const AcDbProxyEntity& entity, EllipseArc& arc);

// What a SPLINE, 3DFACE, MESH or WIPEOUT is drawn with, curves flattened so that no chord
// strays farther than tolerance (drawing units) from its curve; empty for other types and
// for data that describes nothing drawable.
ProxyGeometry proxyGeometry(const AcDbProxyEntity& entity, double tolerance);

// The box around what is drawn of a POINT, SOLID, TRACE, ELLIPSE or one of the types above,
// else of the proxy graphics the entity carries; empty for the others (construction lines
// among them: they are infinite).
AcDbExtents proxyExtents(const AcDbProxyEntity& entity);

} // namespace qv
