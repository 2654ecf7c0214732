// The editor's ways of finding entities, shared by entity picks and selection sets: by a
// point (the topmost entity drawn there), by a window or polygon, by handle, the last one.
// Points are given in the current UCS and tested in the plan (the world XY plane). Picks
// and windows see only what is drawn: visible entities on layers that are on and thawed.
// Windows and polygons are geometric and view-independent: unlike the host on screen, they
// also find entities outside the current view.
#pragma once

#include "arx/dbid.h"
#include "arx/geometry.h"

#include <string>
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
// The line that tells a "#HANDLE" answer found nothing.
std::string noEntityWithHandle(std::string_view hex);

// A point typed in the current UCS: "x,y", "x,y,z" or "dist<angle" (angle in degrees from
// the X axis), or relative to base (a UCS point): "@dx,dy", "@dx,dy,dz", "@dist<angle" or
// "@" (base itself). False for anything else, and for numbers or results that are not finite.
bool parsePoint(std::string_view text, const AcGePoint3d& base, AcGePoint3d& point);
// A finite number, with an optional "+" and blanks around it.
bool parseNumber(std::string_view text, double& value);
std::string_view trimmed(std::string_view text);

// The last point given (LASTPOINT), kept in world coordinates so that it stays where it
// was when the UCS changes; the origin at first. Shared by every drawing.
AcGePoint3d lastPoint();
void setLastPoint(const AcGePoint3d& world);
// The last point in the current UCS of the drawing, and a UCS point of it made the last.
AcGePoint3d lastPointInUcs(AcDbDatabase* db);
void setLastPointFromUcs(AcDbDatabase* db, const AcGePoint3d& ucsPoint);

} // namespace qv
