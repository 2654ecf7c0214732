// What the module's dialogs share.
#pragma once

#include "arx/acdocman.h"
#include "arx/acutprintf.h"
#include "host/acaddrawing.h"
#include "support/kavroguard.h"

#include <memory>

// The catch every dialog handler ends in: what the body throws (a module error, a framework
// exception or anything else) is wrapped in a record naming the operation and the dialog's
// source, shown in the "Error Detected." box and freed, so that the dialog stays usable.
// failureLine, when given, is printed before the box. False when the body failed.
template <class Body>
bool runShowingErrors(const char* procSig, const char* source, Body&& body, const char* failureLine = nullptr)
{
    try {
        kavroGuard(procSig, source, body, kFrameworkHandler | kStandardHandler);
        return true;
    } catch (CEXKavro* e) {
        if (failureLine)
            acutPrintf("%s", failureLine);
        e->display();
        CEXKavro::deleteChain(e);
        return false;
    }
}

// A new wrapper of the current document, kept open: releasing it neither saves nor closes
// the document.
inline std::unique_ptr<CAcadDrawing> wrapCurrentDocument()
{
    auto drawing = std::make_unique<CAcadDrawing>();
    AcApDocument* document = acDocManager->curDocument();
    drawing->setDocument(document);
    drawing->setFileName(document ? document->fileName() : "");
    drawing->setOpen(document != nullptr);
    drawing->setKeepOpen(TRUE);
    return drawing;
}
