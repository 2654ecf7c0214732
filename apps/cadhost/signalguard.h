// What the host does when SIGTERM or SIGHUP ends it: it removes the temporary files of the
// saves and plots under way (the files they were to replace stay whole) and the lock files of
// its drawings, names on standard error the drawings whose changes are lost, as the end of
// input does, and ends by the signal. The handler reads only fixed places: the slots of the
// temporaries and of the lock files, and the table of open drawings that the guard keeps as
// documents come and go.
#pragma once

#include "arx/acdocman.h"

class SignalGuard : public AcApDocManagerReactor
{
public:
    // Installs the handlers and follows the documents; made before the first is opened.
    SignalGuard();
    // Puts the signals' former handlers back.
    ~SignalGuard() override;
    SignalGuard(const SignalGuard&) = delete;
    SignalGuard& operator=(const SignalGuard&) = delete;

    void documentCreated(AcApDocument* document) override;
    void documentToBeDestroyed(AcApDocument* document) override;
};
