#include "mfc/winthread.h"

#include "win/pump.h"

BOOL CWinThread::PumpMessage()
{
    return qv::pumpPendingEvents() ? TRUE : FALSE;
}

CWinThread* AfxGetThread()
{
    thread_local CWinThread thread;
    return &thread;
}
