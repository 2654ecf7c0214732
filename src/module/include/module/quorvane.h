// The module's own globals: made when the module is loaded, before its entry point runs,
// and destroyed when it is unloaded. The globals that lower layers read live there: the
// host identity (host/acadhost.h), the document-monitor settings
// (database/preferencesvaulteye.h), the debug-log path (database/debuglogpath.h) and the
// asset exclusion text (blocks/asset.h).
#pragma once

#include "mfc/cstring.h"
#include "module/asdkdatamanager.h"
#include "module/docdata.h"

// The module's version, as the about box and command titles show it.
CString getModuleVersion();

// The module's folders under the common application-data folder, set at load.
extern CString preferencesFolder;
extern CString temporaryFolder;

// One empty record per open document, kept from the module's load to its unload.
extern AsdkDataManager<CDocData> docDataManager;
