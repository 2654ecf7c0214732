#include "module/drawingwatch.h"

#include "arx/acutprintf.h"

CDrawingWatch::CDrawingWatch(std::function<void()> closing) : m_closing(std::move(closing))
{
    acDocManager->addReactor(this);
}

CDrawingWatch::~CDrawingWatch()
{
    acDocManager->removeReactor(this);
}

bool CDrawingWatch::makeCurrent() const
{
    if (!m_document) {
        acutPrintf("\nThe drawing of this dialog has been closed.\n");
        return false;
    }
    if (acDocManager->curDocument() != m_document) {
        acDocManager->setCurDocument(m_document);
        acutPrintf("\nThis dialog works on \"%s\": it is now the current drawing.\n", m_document->fileName());
    }
    return true;
}

void CDrawingWatch::documentToBeDestroyed(AcApDocument* document)
{
    if (!document || document != m_document)
        return;
    m_document = nullptr;
    m_closing();
}
