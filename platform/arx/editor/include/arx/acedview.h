// The view of a drawing in the text host: a window on the current space in world
// coordinates, shown on a screen taken to be 800 x 600 pixels, and the views zoomed from
// (the last ten) for "zoom previous". Until a zoom sets a window, and after a zoom to the
// extents, the view shows the extents of the current space as they are when it is looked
// at: a zoom to the extents and back measures nothing. Picks use the window to size the
// pick box; selections do not depend on it.
#pragma once

#include "arx/dbboxtree.h"
#include "arx/geometry.h"

class AcDbDatabase;

namespace qv {

// The window shown, never empty.
Box2d viewWindow(AcDbDatabase* db);
// Each zoom keeps the window it replaces for zoomPrevious; false when nothing changed.
bool zoomExtents(AcDbDatabase* db);
// Refuses a window without area or with coordinates that are not numbers.
bool zoomWindow(AcDbDatabase* db, const AcGePoint3d& corner1, const AcGePoint3d& corner2);
// Returns to the window before the last zoom; false when none is kept.
bool zoomPrevious(AcDbDatabase* db);
// Half the side of the pick box in drawing units: PICKBOX pixels at the view's scale.
double pickBoxHalfSize(AcDbDatabase* db);

} // namespace qv
