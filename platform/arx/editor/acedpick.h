// The editor's ways of finding entities, shared by entity picks and selection sets: by a
// point (the topmost entity drawn there), by a window or polygon, by handle, the last one.
// Points are given in the current UCS and tested in the plan (the world XY plane). Picks
// and windows see only what is drawn: visible entities on layers that are on and thawed.
// Windows and polygons are geometric and view-independent: unlike the host on screen, they
// also find entities outside the current view.
#pragma once

#include "arx/dbid.h"
#include "arx/geometry.h"

#include <string_view>
#include <vector>

namespace qv {

// The current document's drawing (else the working database), or null.
AcDbDatabase* currentDatabase();

// The topmost drawn entity of the current space within the pick box around the point.
AcDbObjectId pickAt(AcDbDatabase* db, const AcGePoint3d& ucsPoint);
// Drawn entities of the current space inside the polygon (crossing: or meeting its
// boundary), in database order.
AcDbObjectIdArray entitiesInPolygon(AcDbDatabase* db, const std::vector<AcGePoint3d>& ucsPolygon, bool crossing);
// The polygon of a window between two opposite corners.
std::vector<AcGePoint3d> windowPolygon(const AcGePoint3d& corner1, const AcGePoint3d& corner2);
// True when the polygon has three points that are not on one line.
bool hasArea(const std::vector<AcGePoint3d>& polygon);
// Every live entity of the current space not on a frozen layer, in database order.
AcDbObjectIdArray entitiesOfCurrentSpace(AcDbDatabase* db);
// Every live entity of every layout, in database order.
AcDbObjectIdArray entitiesOfLayouts(AcDbDatabase* db);
// A live layout entity by hexadecimal handle, or null.
AcDbObjectId layoutEntityByHandle(AcDbDatabase* db, std::string_view hex);
// The live entity last added to model space or the current paper layout, or null.
AcDbObjectId lastEntity(AcDbDatabase* db);

// "x,y" or "x,y,z".
bool parsePoint(std::string_view text, AcGePoint3d& point);
std::string_view trimmed(std::string_view text);

} // namespace qv
