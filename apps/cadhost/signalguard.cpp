#include "signalguard.h"

#include "arx/dbdatabase.h"
#include "win/atomicfile.h"
#include "win/openfilelock.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <unistd.h>

namespace {

// The open drawings, for the handler; past this many, a drawing goes unnamed.
std::atomic<const AcApDocument*> g_documents[256];
struct sigaction g_oldTerm{}, g_oldHangUp{};

void writeError(const char* text)
{
    size_t left = std::strlen(text);
    while (left > 0) {
        const ssize_t n = ::write(STDERR_FILENO, text, left);
        if (n <= 0)
            return;
        text += n;
        left -= static_cast<size_t>(n);
    }
}

// A drawing changed while open has lost its changes; its name is read only then, since a
// save renames a drawing only once it is unchanged.
void onEndingSignal(int signal)
{
    const int saved = errno;
    qv::removeTemporaries();
    qv::removeLockFiles();
    const char* why = signal == SIGHUP ? "cadhost: hung up (SIGHUP): the changes to \""
                                       : "cadhost: terminated (SIGTERM): the changes to \"";
    for (const auto& slot : g_documents) {
        const AcApDocument* document = slot.load();
        if (document && document->database()->dbmod() != 0) {
            writeError(why);
            writeError(document->fileName());
            writeError("\" are not saved\n");
        }
    }
    errno = saved;
    ::raise(signal);   // handled by default once this handler returns: the host ends
}

// A signal the host was started ignoring (under nohup, say) stays ignored.
void install(int signal, const struct sigaction& action, struct sigaction& old)
{
    ::sigaction(signal, nullptr, &old);
    if (old.sa_handler != SIG_IGN)
        ::sigaction(signal, &action, nullptr);
}

} // namespace

SignalGuard::SignalGuard()
{
    struct sigaction action{};
    action.sa_handler = onEndingSignal;
    sigemptyset(&action.sa_mask);
    sigaddset(&action.sa_mask, SIGTERM);
    sigaddset(&action.sa_mask, SIGHUP);
    action.sa_flags = SA_RESETHAND;
    install(SIGTERM, action, g_oldTerm);
    install(SIGHUP, action, g_oldHangUp);
    acDocManager->addReactor(this);
}

SignalGuard::~SignalGuard()
{
    acDocManager->removeReactor(this);
    ::sigaction(SIGTERM, &g_oldTerm, nullptr);
    ::sigaction(SIGHUP, &g_oldHangUp, nullptr);
}

void SignalGuard::documentCreated(AcApDocument* document)
{
    for (auto& slot : g_documents) {
        const AcApDocument* free = nullptr;
        if (slot.compare_exchange_strong(free, document))
            return;
    }
}

void SignalGuard::documentToBeDestroyed(AcApDocument* document)
{
    for (auto& slot : g_documents) {
        const AcApDocument* mine = document;
        if (slot.compare_exchange_strong(mine, nullptr))
            return;
    }
}
