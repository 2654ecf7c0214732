// The module's main file: its entry point, the command table it registers, and the frame
// and helpers that every command shares.
#pragma once

#include "arx/acedcmd.h"
#include "arx/acrxapp.h"
#include "host/acaddrawing.h"

#include <functional>

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

// Prints the title, a blank and the module version on a line of its own.
void printCommandTitle(CString title);
// Whether the drawing's block table holds a definition of exactly this name ("*" names never count).
bool blockDefinitionExists(CAcadDrawing* drawing, CString name);
// Makes the preferences and temporary folders under the common application-data folder.
void checkPreferencesExist();

// The file that the commands' own error records name.
inline constexpr const char* MODULE_MAIN_FILE = "slabmend.cpp";

// Runs a command's work in the frame every command shares: the title (when there is one),
// the current drawing wrapped and kept open, and one place where a failure ends: a chain of
// errors is shown in the "Error Detected." box under the command's signature, a cancelled
// prompt prints "*Cancel*", and anything else shows an "unhandled error" or prints the
// command's own catch-all line.
void runCommand(const char* signature, const char* title, const std::function<void(CAcadDrawing*)>& work,
                const char* catchAllLine = nullptr);
