// The module's instance, which names its resources, and the string table registered for it.
#pragma once

#include "win/stringtable.h"

// The instance of the module; its string table is registered on the first call.
HINSTANCE moduleInstance();
