// The ODBC headers, made to sit beside the Windows types of this project: they define some of
// the same types, one of them (ULONG) differently, and BOOL as a macro.
#pragma once

#include "win/wintypes.h"

#define ULONG odbcULONG
#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>
#undef ULONG
#undef BOOL
