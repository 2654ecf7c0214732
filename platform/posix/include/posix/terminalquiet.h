// While a modal dialog runs its own event loop, what is typed at the terminal answers no
// prompt: for that time the terminal neither echoes it nor turns Ctrl+C into a signal, and
// what was typed is thrown away when the dialog ends. Does nothing when standard input is no
// terminal. Prompts read meanwhile (a dialog's pick) set the editor's own modes, as always.
#pragma once

#include <termios.h>

namespace qv {

class TerminalQuiet
{
public:
    TerminalQuiet();
    ~TerminalQuiet();
    TerminalQuiet(const TerminalQuiet&) = delete;
    TerminalQuiet& operator=(const TerminalQuiet&) = delete;

    // Gives the terminal back the modes the outermost quiet found, for a process that ends
    // while a dialog runs, without unwinding it.
    static void restore();

private:
    bool m_held = false;
    termios m_saved{};
};

} // namespace qv
