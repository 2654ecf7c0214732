#include "win/terminalquiet.h"

#include <unistd.h>

namespace qv {

TerminalQuiet::TerminalQuiet()
{
    if (!::isatty(STDIN_FILENO) || ::tcgetattr(STDIN_FILENO, &m_saved) != 0)
        return;
    termios quiet = m_saved;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ISIG);
    m_held = ::tcsetattr(STDIN_FILENO, TCSANOW, &quiet) == 0;
}

TerminalQuiet::~TerminalQuiet()
{
    if (!m_held)
        return;
    ::tcflush(STDIN_FILENO, TCIFLUSH);
    ::tcsetattr(STDIN_FILENO, TCSANOW, &m_saved);
}

} // namespace qv
