// The module's globals: made when the module is loaded, before its entry point runs, and
// destroyed when it is unloaded.
#pragma once

#include "database/preferencesvaulteye.h"
#include "host/acadhost.h"
#include "mfc/cstring.h"

// The host the module runs in.
extern CAcadHost acadHost;

// The document-monitor server settings; empty until something loads a settings file.
extern CPreferencesVaultEye vaultEyePreferences;

// Where stored-procedure runs are logged; no debug log while it is empty.
extern CString debugLogPath;

// The module's version, as the about box and command titles show it.
CString getModuleVersion();

// The module's folders under the common application-data folder, set at load.
extern CString preferencesFolder;
extern CString temporaryFolder;
// The asset exclusion text; never set.
extern CString assetExclusion;
