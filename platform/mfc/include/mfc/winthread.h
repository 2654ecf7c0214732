// The framework's thread object, which pumps the thread's messages.
#pragma once

#include "win/wintypes.h"

class CWinThread
{
public:
    // Handles the waiting messages; FALSE when none were waiting or the quit message came.
    virtual BOOL PumpMessage();
};

// The calling thread's framework thread object.
CWinThread* AfxGetThread();
