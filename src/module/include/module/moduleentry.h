// The module's entry: what the host calls as it loads and unloads the module, and what the
// module does then.
#pragma once

#include "arx/acedcmd.h"
#include "arx/acrxapp.h"

// The host's entry: message 1 unlocks the module, declares that it serves several
// documents and starts it; message 2 stops it. Every message returns 0.
extern "C" AcRx::AppRetCode acrxEntryPoint(AcRx::AppMsgCode message, void* appId);
// The version of the host interface the module is built for.
extern "C" int acrxGetApiVersion();

// Makes the module's folders, then registers the command table (the two marker commands
// only on a full host).
void initModule();
// Removes the seven command groups.
void unloadModule();
// Registers a command in group through the host's command stack. With stringId -1 the
// long name is used as given; otherwise the text of stringId in the module's string table
// (at most 63 bytes of it) replaces it. A command without a long name is not registered.
void registerModuleCommand(const char* group, const char* alias, const char* longName, Adesk::Int32 flags,
                           AcRxFunctionPtr handler, int stringId);
// Makes the preferences and temporary folders under the common application-data folder.
void checkPreferencesExist();
