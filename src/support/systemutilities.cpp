#include "support/systemutilities.h"

#include "mfc/winthread.h"
#include "support/kavroguard.h"
#include "win/pump.h"
#include "win/winbase.h"

void CSystemUtilities::doEvents()
{
    kavroGuard("CSystemUtilities::doEvents", __FILE__, [] {
        MSG msg;
        for (int pass = 0; pass < maxPumpPasses && PeekMessage(&msg, nullptr, 0, 0, PM_NOREMOVE); ++pass)
            if (!AfxGetThread()->PumpMessage())
                break;
    });
}

void CSystemUtilities::wait(int seconds)
{
    kavroGuard("CSystemUtilities::wait", __FILE__, [&] {
        for (int round = 0; round < seconds * 4; ++round) {
            doEvents();
            SleepEx(250, FALSE);
        }
    });
}
