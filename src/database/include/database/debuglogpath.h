// Where stored-procedure runs are logged: one debug record per run while the path is not
// empty. Nothing in the module sets it.
#pragma once

#include "mfc/cstring.h"

extern CString debugLogPath;
