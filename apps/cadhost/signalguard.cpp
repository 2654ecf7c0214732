#include "signalguard.h"

#include "recoveryfile.h"

#include "arx/acedinput.h"
#include "posix/atomicfile.h"
#include "posix/openfilelock.h"
#include "posix/terminalquiet.h"

#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace {

std::string reason(int signal)
{
    switch (signal) {
    case SIGHUP: return "hung up (SIGHUP)";
    case SIGTERM: return "terminated (SIGTERM)";
    case SIGQUIT: return "quit (SIGQUIT)";
    default: return "the display is lost";
    }
}

// No second signal (nor Ctrl+C) cuts the writing short, and no broken standard error ends it.
void holdSignals()
{
    sigset_t held;
    sigemptyset(&held);
    for (const int signal : {SIGHUP, SIGTERM, SIGQUIT, SIGINT})
        sigaddset(&held, signal);
    ::pthread_sigmask(SIG_BLOCK, &held, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
}

// Ends the process by the signal's default action, or with status 1 for the lost display.
[[noreturn]] void end(int signal)
{
    std::fflush(nullptr);
    if (signal != 0) {
        std::signal(signal, SIG_DFL);
        ::raise(signal); // held until it is let through
        sigset_t ending;
        sigemptyset(&ending);
        sigaddset(&ending, signal);
        ::pthread_sigmask(SIG_UNBLOCK, &ending, nullptr);
    }
    ::_exit(1);
}

void endSession(int signal)
{
    holdSignals();
    // The input ends here: a terminal gets its modes back (also those a dialog took), and the
    // messages begin a line.
    if (qv::inputInteractive())
        std::fputs("\n", stdout);
    qv::TerminalQuiet::restore();
    qv::setInputSource(nullptr);
    keepChangesInRecoveryFiles(reason(signal));
    qv::removeTemporaries(); // of a save or plot that the lost display cut short
    qv::removeLockFiles();   // the drawings' lines, which no closing takes out now
    end(signal);
}

} // namespace

SignalGuard::SignalGuard() : m_watch(endSession) {}
