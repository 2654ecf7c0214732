// The current user coordinate system of a drawing, as the commands and blocks place things in it.
#pragma once

#include "arx/geometry.h"

class AcDbDatabase;

// The UCS-to-world matrix of the database's current UCS.
AcGeMatrix3d currentUcs(AcDbDatabase* database);
// The Z axis of the current UCS in world coordinates.
AcGeVector3d currentUcsNormal(AcDbDatabase* database);
