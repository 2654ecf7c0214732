// The guard every stored-procedure operation runs its steps under.
//
// An operation declares its CParameters list first, then a CStoredProcedure::Attachment,
// then runs its body under procedureGuard: the record of a failure is made while the list
// is still attached, and the procedure never keeps the list once it has gone.
#pragma once

#include "database/exstoredprocedure.h"
#include "database/storedprocedure.h"
#include "support/kavroguard.h"

// Runs the body: a COM error raised by its own steps becomes a CEXStoredProcedure naming the
// method and recording the call; any other error is wrapped as every method wraps it.
template <class Body>
auto procedureGuard(CStoredProcedure* procedure, const char* procSig, const char* file, Body&& body)
{
    return kavroComGuard(procSig, file, [&](const _com_error& e) {
        throw new CEXStoredProcedure(e, procedure, KAVRO_PRODUCT_CAPTION, file, procSig, high);
    }, std::forward<Body>(body));
}
