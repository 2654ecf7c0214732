// Entity names, picks and selection sets of the host editor.
//
// An entity name (ads_name) holds the object's handle and the serial number of its drawing's
// editor state; it stays valid while the drawing's contents live (a drawing read again or
// closed makes its names unknown). A selection-set name is a key of the session's registry
// of sets; sets have no count limit and live until acedSSFree.
//
// Statuses: RTNORM for a result; RTNONE for an empty answer to a pick; RTERROR when nothing
// is found, for bad arguments and for unknown names; RTCAN for a cancel ("^C", ESC) or the
// end of input.
//
// Input syntax (one answer per line, points "x,y" or "x,y,z" in the current UCS):
//   pick (acedEntSel)      a point (the topmost entity whose geometry passes within the pick
//                          box), "#" and a hexadecimal handle, or "last"; an empty line
//                          answers RTNONE. An answer that names no entity (nothing at the
//                          point, a handle of nothing, no last entity) gives RTERROR after a
//                          line that says so; without a drawing, RTERROR at once after "No
//                          drawing is open.", nothing being asked.
//   selection (acedSSGet)  lines of "all", "last", "#HANDLE", a point, "w P1 P2" (window:
//                          entirely inside), "c P1 P2" (crossing: inside or crossing),
//                          "wp P1 P2 P3 ..." or "cp P1 P2 P3 ..." (polygons), until an empty
//                          line; each entity is taken once, in the order of selection.
// A line that is none of these is refused ("*Invalid selection*" with the expected forms,
// through qv::refuseAnswer: asked again on a terminal, elsewhere RTCAN). Handles name
// entities of model space or a paper-space layout (not of block definitions). Picks and
// windows see only visible entities on layers that are on and thawed.
#pragma once

#include "arx/dbid.h"
#include "arx/resbuf.h"

Acad::ErrorStatus acdbGetObjectId(AcDbObjectId& id, const ads_name entity);
Acad::ErrorStatus acdbGetAdsName(ads_name& entity, AcDbObjectId id);
// Any live object of the current drawing by hexadecimal handle.
int acdbHandEnt(const char* handle, ads_name entity);
// The live entity last added to model space or the current paper layout.
int acdbEntLast(ads_name entity);

// Prints the prompt and reads one pick; pickPoint is the point given (UCS), else the origin.
int acedEntSel(const char* prompt, ads_name entity, ads_point pickPoint);

// Makes a selection set of the current drawing's entities that pass the filter:
//   null mode  interactive, from input lines ("Select objects: " shown on a terminal);
//   "X"        every entity of model space and of every paper-space layout;
//   "A"        every entity of the current space, as "all" above;
//   "L"        the last entity;
//   "W", "C"   window or crossing between the corners point1 and point2 (ads_point, UCS);
//   "WP", "CP" window or crossing polygon: point1 is a resbuf chain of RTPOINT items (UCS)
//              with at least three points not on one line (the closing edge is implied).
// Modes may begin with "_" and are read in any letter case; others give RTERROR. "X" and
// "L" do not depend on visibility; all modes list entities in database order except the
// interactive one. The filter is a resbuf chain of conditions that must all hold: group 0
// (RTDXF0 or 0) the DXF type ("INSERT" for block references and arrays), 2 an INSERT's
// block name, 8 the layer; values are wildcard patterns matched without regard to letter
// case. Other groups give RTERROR. Nothing selected gives RTERROR and no set.
int acedSSGet(const char* mode, const void* point1, const void* point2, const resbuf* filter, ads_name set);
int acedSSLength(const ads_name set, Adesk::Int32* length);
int acedSSName(const ads_name set, Adesk::Int32 index, ads_name entity);
int acedSSFree(const ads_name set);

namespace qv {
// Registers a set of the ids (their order kept); RTERROR, and no set, when there are none.
int makeSelectionSet(const AcDbObjectIdArray& ids, ads_name set);
// Sets made and not yet freed (for tests that check every path frees its sets).
size_t openSelectionSetCount();
} // namespace qv
