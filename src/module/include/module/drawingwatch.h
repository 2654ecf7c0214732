// Watches the document a modeless dialog works on. When the host is about to destroy that
// document (CLOSE, or the end of the session), the dialog is told before anything of the
// document is freed, so that it lets go of the document and closes.
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

    void documentToBeDestroyed(AcApDocument* document) override;

private:
    AcApDocument* m_document = nullptr;
    std::function<void()> m_closing;
};
