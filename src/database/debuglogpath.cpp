#include "database/debuglogpath.h"

CString debugLogPath;
