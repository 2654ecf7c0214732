// The module library's own translation unit: its entry points come from the module's
// classes, linked whole, and are the only symbols it exports.
#include "module/moduleentry.h"
