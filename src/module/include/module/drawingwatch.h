// The drawing a modeless dialog of the module works on: the document that was current when
// the dialog's command ran. When the host is about to destroy that document (CLOSE, or the
// end of the session), the dialog is told before anything of the document is freed, so that
// it lets go of the document and closes. Before each pick in the drawing or write to it, the
// dialog readies the drawing here, so that its picks and writes never reach another drawing.
#pragma once

#include "arx/acdocman.h"

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

    // Readies the drawing for a pick or a write of the dialog: false, saying so on the command
    // line, once it has been closed; while another drawing is current, it is made current,
    // saying so, so that a pick is made in it.
    bool ready() const;

    void documentToBeDestroyed(AcApDocument* document) override;

private:
    AcApDocument* m_document = nullptr;
    std::function<void()> m_closing;
};
