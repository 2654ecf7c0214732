// The host's own commands, one row each: the names, what HELP says of it, whether it needs
// an open drawing and whether a script stops when it fails. HELP, completion, the "No
// drawing is open." rule and the script's stop rule all read this one table.
#pragma once

#include <span>
#include <string>

struct HostCommand
{
    const char* name;
    const char* alias;         // empty when there is none
    const char* description;
    bool needsDrawing;         // says "No drawing is open." and does nothing when none is
    bool stopsScript;          // a file command: a script stops at the first that fails

    // Every row, in the order HELP lists them.
    static std::span<const HostCommand> all();
    // The row a name in capitals names, by its name or its alias; none for another name.
    static const HostCommand* find(const std::string& name);
};
