// The frame every command of the module runs in, and the helpers the commands share.
#pragma once

#include "host/acaddrawing.h"

#include <functional>

class CEXKavro;

// The file that the commands' own error records name ("slabmend::updateSpaces"): the
// module's main file, as the records have always named it.
inline constexpr const char* MODULE_MAIN_FILE = "slabmend.cpp";

// Runs a command's work in the frame every command shares: the title (when there is one),
// the current drawing wrapped and kept open, and one place where a failure ends: a chain of
// errors is shown in the "Error Detected." box under the command's signature, a cancelled
// prompt prints "*Cancel*", and anything else shows an "unhandled error" or prints the
// command's own catch-all line.
void runCommand(const char* signature, const char* title, const std::function<void(CAcadDrawing*)>& work,
                const char* catchAllLine = nullptr);
// Shows a chain that ended a command under the command's signature, and frees it. A chain
// whose innermost record is a cancelled prompt ends the command quietly.
void reportChain(CEXKavro* caught, const char* signature);

// Prints the title, a blank and the module version on a line of its own.
void printCommandTitle(CString title);
// Whether the drawing's block table holds a definition of exactly this name ("*" names never count).
bool blockDefinitionExists(CAcadDrawing* drawing, CString name);
