#include "posix/endingwatch.h"

#include <QGuiApplication>
#include <QSocketNotifier>
#include <QThread>
#include <QtGui/qguiapplication_platform.h>

#include <cerrno>
#include <csignal>
#include <dlfcn.h>
#include <fcntl.h>
#include <iterator>
#include <unistd.h>

namespace qv {

namespace {

constexpr int kSignals[] = {SIGHUP, SIGTERM, SIGQUIT};

// The first ending signal that came; the pipe wakes the waits for it.
volatile sig_atomic_t g_signal = 0;
int g_pipe[2] = {-1, -1};
EndingWatch::Action g_action;
bool g_acting = false;
struct sigaction g_oldActions[std::size(kSignals)];
QtMessageHandler g_oldMessages = nullptr;

void onSignal(int signal)
{
    const int saved = errno;
    if (g_signal == 0)
        g_signal = signal;
    [[maybe_unused]] const ssize_t ignored = ::write(g_pipe[1], "!", 1);
    errno = saved;
}

void act(int signal)
{
    if (g_acting || !g_action)
        return;
    g_acting = true;
    g_action(signal);
    g_acting = false;
}

// Whether the windows are on an X display whose connection has broken. The X library is
// loaded by Qt's X platform whenever that is in use; the host does not link it.
bool xDisplayLost()
{
    const auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (!app || QThread::currentThread() != app->thread())
        return false;
    const auto* x11 = app->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->connection())
        return false;
    using HasError = int (*)(xcb_connection_t*);
    static void* const xcb = ::dlopen("libxcb.so.1", RTLD_LAZY | RTLD_NOLOAD);
    static const auto hasError = xcb ? reinterpret_cast<HasError>(::dlsym(xcb, "xcb_connection_has_error")) : nullptr;
    return hasError && hasError(x11->connection()) != 0;
}

// Qt warns once it finds the display's connection broken, and then ends the process.
void onMessage(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (g_oldMessages)
        g_oldMessages(type, context, text);
    if (type != QtDebugMsg && type != QtInfoMsg && xDisplayLost())
        act(0);
}

} // namespace

EndingWatch::EndingWatch(Action action)
{
    g_action = std::move(action);
    g_signal = 0;
    if (::pipe2(g_pipe, O_NONBLOCK | O_CLOEXEC) != 0)
        g_pipe[0] = g_pipe[1] = -1;
    struct sigaction handler{};
    handler.sa_handler = onSignal;
    sigemptyset(&handler.sa_mask);
    for (const int signal : kSignals)
        sigaddset(&handler.sa_mask, signal);
    // A call that the signal interrupts is taken up again: the work under way goes on.
    handler.sa_flags = SA_RESTART;
    for (size_t i = 0; i < std::size(kSignals); ++i) {
        ::sigaction(kSignals[i], nullptr, &g_oldActions[i]);
        if (g_oldActions[i].sa_handler != SIG_IGN)
            ::sigaction(kSignals[i], &handler, nullptr);
    }
    g_oldMessages = qInstallMessageHandler(onMessage);
}

EndingWatch::~EndingWatch()
{
    qInstallMessageHandler(g_oldMessages);
    for (size_t i = 0; i < std::size(kSignals); ++i)
        ::sigaction(kSignals[i], &g_oldActions[i], nullptr);
    for (int& fd : g_pipe) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
    g_action = nullptr;
    if (const int late = g_signal) {
        g_signal = 0;
        ::raise(late);
    }
}

void EndingWatch::check()
{
    if (g_signal != 0)
        act(g_signal);
}

void EndingWatch::hangUp()
{
    if (g_signal == 0)
        g_signal = SIGHUP;
    check();
}

int EndingWatch::descriptor() { return g_pipe[0]; }

EndingWatch::UserWait::UserWait()
{
    check();
    if (g_pipe[0] >= 0 && QCoreApplication::instance()) {
        m_notifier = std::make_unique<QSocketNotifier>(g_pipe[0], QSocketNotifier::Read);
        QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [] { check(); });
    }
}

EndingWatch::UserWait::~UserWait() = default;

} // namespace qv
