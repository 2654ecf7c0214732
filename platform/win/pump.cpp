#include "win/pump.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>

namespace {
bool quitPosted = false;
}

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

} // namespace qv
