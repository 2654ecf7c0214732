#include "module/drawingwatch.h"

CDrawingWatch::CDrawingWatch(std::function<void()> closing) : m_closing(std::move(closing))
{
    acDocManager->addReactor(this);
}

CDrawingWatch::~CDrawingWatch()
{
    acDocManager->removeReactor(this);
}

void CDrawingWatch::documentToBeDestroyed(AcApDocument* document)
{
    if (!document || document != m_document)
        return;
    m_document = nullptr;
    m_closing();
}
