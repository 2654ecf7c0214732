// The module's globals: made when the module is loaded, before its entry point runs, and
// destroyed when it is unloaded.
#pragma once

#include "database/preferencesvaulteye.h"
#include "mfc/cstring.h"

// The document-monitor server settings; empty until something loads a settings file.
extern CPreferencesVaultEye vaultEyePreferences;

// Where stored-procedure runs are logged; no debug log while it is empty.
extern CString debugLogPath;

// The module's version, as the about box and command titles show it.
CString* getModuleVersion();

#include "arx/acrxapp.h"

// The host's entry: message 1 unlocks the module, declares that it serves several
// documents and starts it; message 2 stops it. Every message returns 0.
extern "C" AcRx::AppRetCode acrxEntryPoint(AcRx::AppMsgCode message, void* appId);
// The version of the host interface the module is built for.
extern "C" int acrxGetApiVersion();

void initModule();
void unloadModule();
