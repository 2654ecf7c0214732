// What the host does when its session is ended from outside (qv::EndingWatch): by SIGHUP,
// SIGTERM or SIGQUIT, by the hang-up of its terminal (as by SIGHUP), or by the loss of the
// display. Every drawing with unsaved changes is written to a recovery file
// (keepChangesInRecoveryFiles), each named on standard error ("cadhost:
// terminated (SIGTERM): the changes to "plan.dxf" are in "plan.dxf.save"", or why they are
// not saved); the terminal gets its modes back; the session's lines are taken out of the
// drawings' lock files; and the host alone ends as the signal ends it (its default action),
// or for the lost display with status 1, as Qt ends it then. While the files are written
// these signals and Ctrl+C's are held, so that a second one cannot cut the writing short:
// the process then ends by the first.
#pragma once

#include "posix/endingwatch.h"

class SignalGuard
{
public:
    // Watches from before the first drawing is opened to the end of the session.
    SignalGuard();

private:
    qv::EndingWatch m_watch;
};
