#include "module/modulestrings.h"

#include "module/resource.h"

namespace {

// The module's texts by resource id. None is used yet; the dialogs' and menus' texts join
// it with the resources they belong to.
StringTable moduleStringTable() { return {}; }

// Only its address matters: it tells the module's resources from other modules'.
char instanceTag;

} // namespace

HINSTANCE moduleInstance()
{
    static HINSTANCE const instance = [] {
        HINSTANCE self = reinterpret_cast<HINSTANCE>(&instanceTag);
        registerStringTable(self, moduleStringTable());
        registerDialogResources(self);
        return self;
    }();
    return instance;
}
