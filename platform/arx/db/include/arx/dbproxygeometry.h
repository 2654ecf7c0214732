// The geometry of entity types the database keeps as read pairs: what a plot draws of
// splines (their B-spline or NURBS curve, or a curve through their fit points, flattened to
// a tolerance), 3D faces and meshes (their visible edges) and wipeouts (the area they mask),
// and the box around every such type the plot draws.
#pragma once

#include "arx/geometry.h"

#include <vector>

class AcDbProxyEntity;

namespace qv {

using PointRun = std::vector<AcGePoint3d>;

struct ProxyGeometry {
    std::vector<PointRun> lines;   // runs of points joined in turn, in world coordinates
    PointRun mask;                 // a closed area painted in the paper's colour
};

// What a SPLINE, 3DFACE, MESH or WIPEOUT is drawn with, curves flattened so that no chord
// strays farther than tolerance (drawing units) from its curve; empty for other types and
// for data that describes nothing drawable.
ProxyGeometry proxyGeometry(const AcDbProxyEntity& entity, double tolerance);

// The box around what is drawn of a POINT, SOLID, TRACE, ELLIPSE or one of the types above;
// empty for the others (construction lines among them: they are infinite).
AcDbExtents proxyExtents(const AcDbProxyEntity& entity);

} // namespace qv
