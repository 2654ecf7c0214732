#include "win/pump.h"

#include "posix/endingwatch.h"
#include "win/headless.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEventLoop>
#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>
#include <memory>
#include <poll.h>
#include <vector>

namespace {
bool quitPosted = false;
bool interruptRequested = false;
QEventLoop* waiting = nullptr;
int answersAwaited = 0;

// poll() over the descriptors and the ending watch's: an ending signal is acted on at once.
int pollWatched(pollfd* fds, unsigned long count, int timeoutMs)
{
    const int ending = qv::EndingWatch::descriptor();
    if (ending < 0)
        return ::poll(fds, count, timeoutMs);
    std::vector<pollfd> all(fds, fds + count);
    all.push_back({ending, POLLIN, 0});
    const int ready = ::poll(all.data(), all.size(), timeoutMs);
    if (ready > 0 && all.back().revents != 0)
        qv::EndingWatch::check();
    std::copy_n(all.begin(), count, fds);
    return ready;
}
} // namespace

BOOL PeekMessage(MSG* msg, HWND, UINT, UINT, UINT removeFlags)
{
    if (quitPosted) {
        if (msg)
            msg->message = WM_QUIT;
        if (removeFlags & PM_REMOVE)
            quitPosted = false;
        return TRUE;
    }
    return QCoreApplication::instance() && QAbstractEventDispatcher::instance() ? TRUE : FALSE;
}

void PostQuitMessage(int exitCode)
{
    quitPosted = true;
    if (QCoreApplication::instance())
        QCoreApplication::exit(exitCode);
}

namespace qv {

bool pumpPendingEvents()
{
    if (quitPosted) {
        quitPosted = false;
        return false;
    }
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    return dispatcher && dispatcher->processEvents(QEventLoop::AllEvents);
}

int waitReadable(pollfd* fds, unsigned long count, int timeoutMs)
{
    if (interruptRequested) {
        interruptRequested = false;
        return -2;
    }
    if (!guiAvailable() || !QAbstractEventDispatcher::instance())
        return pollWatched(fds, count, timeoutMs);
    const EndingWatch::UserWait userWait;
    // Handle what waits first: a descriptor that is ready already ends the wait at once.
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    if (interruptRequested) {
        interruptRequested = false;
        return -2;
    }
    if (const int ready = ::poll(fds, count, 0); ready != 0 || timeoutMs == 0)
        return ready;
    QTimer timer;
    timer.setSingleShot(true);
    if (timeoutMs > 0)
        timer.start(timeoutMs);
    for (;;) {
        QEventLoop loop;
        std::vector<std::unique_ptr<QSocketNotifier>> notifiers;
        for (unsigned long i = 0; i < count; ++i) {
            notifiers.push_back(std::make_unique<QSocketNotifier>(fds[i].fd, QSocketNotifier::Read));
            QObject::connect(notifiers.back().get(), &QSocketNotifier::activated, &loop, [&loop] { loop.quit(); });
        }
        QObject::connect(&timer, &QTimer::timeout, &loop, [&loop] { loop.quit(); });
        QEventLoop* outer = waiting;
        waiting = &loop;
        const int exited = loop.exec();
        waiting = outer;
        // After the application's quit no event loop runs any more: wait without events.
        if (exited < 0 && !interruptRequested)
            return pollWatched(fds, count, timeoutMs);
        if (interruptRequested) {
            interruptRequested = false;
            return -2;
        }
        const int ready = ::poll(fds, count, 0);
        if (ready != 0 || (timeoutMs > 0 && !timer.isActive()))
            return ready;
    }
}

void interruptInputWait()
{
    if (!guiAvailable())
        return; // no window can have asked: the waits do not look
    interruptRequested = true;
    if (waiting)
        waiting->quit();
}

AnswerAwaited::AnswerAwaited() { ++answersAwaited; }

AnswerAwaited::~AnswerAwaited() { --answersAwaited; }

bool answerAwaited() { return answersAwaited > 0; }

} // namespace qv
