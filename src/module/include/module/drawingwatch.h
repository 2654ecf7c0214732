// The drawing a modeless dialog of the module works on: the document that was current when
// the dialog's command ran. When the host is about to destroy that document (CLOSE, or the
// end of the session), the dialog is told before anything of the document is freed, so that
// it lets go of the document and closes. Every handler that picks in the drawing or writes to
// it is entered through ON_DRAWING_CLICKED or ON_DRAWING_COMMAND in the dialog's message map,
// which makes the drawing current first, so that its picks and writes never reach another
// drawing; only a handler that must check something else first, or that closes the dialog
// either way, makes it current itself.
#pragma once

#include "arx/acdocman.h"
#include "mfc/wnd.h"

#include <functional>

class CDrawingWatch : public AcApDocManagerReactor
{
public:
    // Listens to the document manager from now on; closing runs once, for the watched document.
    explicit CDrawingWatch(std::function<void()> closing);
    ~CDrawingWatch() override;
    CDrawingWatch(const CDrawingWatch&) = delete;
    CDrawingWatch& operator=(const CDrawingWatch&) = delete;

    // The document to watch; none for null.
    void watch(AcApDocument* document) { m_document = document; }

    // Makes the drawing current for a pick or a write of the dialog, saying so when another
    // drawing was current; false, saying so on the command line, once it has been closed.
    bool makeCurrent() const;

    void documentToBeDestroyed(AcApDocument* document) override;

private:
    AcApDocument* m_document = nullptr;
    std::function<void()> m_closing;
};

// Message-map entries of the handlers that pick in the dialog's drawing or write to it: the
// dialog's makeDrawingCurrent() runs first, and the handler only when it is true.
#define QV_IN_DRAWING(memberFxn) \
    if (self->makeDrawingCurrent()) \
        (self->*(memberFxn))(); \
    return 0
#define ON_DRAWING_CLICKED(id, memberFxn) QV_MAP_ENTRY(WM_COMMAND, BN_CLICKED, id, QV_IN_DRAWING(memberFxn))
#define ON_DRAWING_COMMAND(id, memberFxn) QV_MAP_ENTRY(WM_COMMAND, 0, id, QV_IN_DRAWING(memberFxn))
