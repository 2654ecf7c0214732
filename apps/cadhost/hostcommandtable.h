// The host's own commands, one row each: the names, what HELP says of it, whether it needs
// an open drawing, whether a script stops when it fails, and the handler that runs it. HELP,
// completion, the "No drawing is open." rule, the script's stop rule and the dispatch
// (HostCommands) all read this one table, so that a host command is one row.
#pragma once

#include <span>
#include <string>

class AcApDocument;

struct HostCommand
{
    // What a handler is given and gives back.
    struct Call
    {
        AcApDocument* doc;   // the current drawing; none when no drawing is open
        std::string word;    // what follows the name (HELP NAME); empty for the others
        bool& failed;        // the session's mark of a failed command, which a script stops at
        bool ends = false;   // QUIT sets it once the session may end
    };

    const char* name;
    const char* alias;         // empty when there is none
    const char* description;
    bool needsDrawing;         // says "No drawing is open." and does nothing when none is
    bool stopsScript;          // a file command: a script stops at the first that fails
    bool takesWord;            // a word may follow the name (HELP NAME)
    void (*run)(Call& call);

    // Every row, in the order HELP lists them.
    static std::span<const HostCommand> all();
    // The row a name in capitals names, by its name or its alias; none for another name.
    static const HostCommand* find(const std::string& name);
};
