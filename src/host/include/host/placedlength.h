// The length of an outline as it stands in the drawing, under the transform that places it.
#pragma once

#include "arx/dbcurves.h"
#include "arx/geometry.h"

// The outline's length as the transform (a block reference's) places it in the drawing: a
// transform that scales the outline's plane alike every way scales the length by the same
// factor; under any other, each side is measured as it is placed, an arc as the elliptical arc
// it becomes.
double placedLength(const AcDbPolyline& outline, const AcGeMatrix3d& transform);
