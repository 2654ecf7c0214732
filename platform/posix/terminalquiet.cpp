#include "posix/terminalquiet.h"

#include <unistd.h>

namespace qv {

namespace {
// The quiet that found the terminal's own modes; none while no dialog runs.
const TerminalQuiet* g_outermost = nullptr;
}

TerminalQuiet::TerminalQuiet()
{
    if (!::isatty(STDIN_FILENO) || ::tcgetattr(STDIN_FILENO, &m_saved) != 0)
        return;
    termios quiet = m_saved;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ISIG);
    m_held = ::tcsetattr(STDIN_FILENO, TCSANOW, &quiet) == 0;
    if (m_held && !g_outermost)
        g_outermost = this;
}

TerminalQuiet::~TerminalQuiet()
{
    if (!m_held)
        return;
    if (g_outermost == this)
        g_outermost = nullptr;
    ::tcflush(STDIN_FILENO, TCIFLUSH);
    ::tcsetattr(STDIN_FILENO, TCSANOW, &m_saved);
}

void TerminalQuiet::restore()
{
    if (g_outermost)
        ::tcsetattr(STDIN_FILENO, TCSANOW, &g_outermost->m_saved);
}

} // namespace qv
