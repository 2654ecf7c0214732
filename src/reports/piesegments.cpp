#include "reports/piesegments.h"

#include "support/kavroguard.h"

#include <memory>

CPieSegments::~CPieSegments()
{
    cleanUpQuietly([this] { deleteObjects(); });
    m_total = 0.0;
}

int CPieSegments::add(CPieSegment* segment)
{
    return kavroGuard("CPieSegments::add", __FILE__, [&] {
        std::unique_ptr<CPieSegment> owned(segment);
        for (int i = 0; i < m_count; ++i)
            if (m_segments.GetAt(i)->getName() == owned->getName())
                return 1;
        m_total += owned->getValue();
        m_segments.Add(owned.release());
        return ++m_count;
    });
}

void CPieSegments::addSegmentsToBlock(CAcadDrawing* drawing, AcDbBlockTableRecord* record, int ignoreEmpty,
                                      int showLabels, int showLines, AcGeVector3d normal, double radius, double total,
                                      double explodeOffset, double textHeight, int precision)
{
    kavroGuard("CPieSegments::addSegmentsToBlock", __FILE__, [&] {
        double startValue = 0.0;
        for (int i = 0; i < m_count; ++i) {
            CPieSegment* segment = m_segments.GetAt(i);
            if (ignoreEmpty && segment->getValue() == 0.0)
                continue;
            segment->addSegmentToBlock(drawing, record, ignoreEmpty, showLabels, showLines, normal, radius,
                                       explodeOffset, total, startValue, textHeight, precision);
            startValue += segment->getValue();
        }
    });
}

void CPieSegments::deleteObjects()
{
    kavroGuard("CPieSegments::deleteObjects", __FILE__, [&] {
        for (int i = 0; i < m_segments.GetSize(); ++i)
            delete m_segments.GetAt(i);
        m_segments.RemoveAll();
        m_count = 0;
    });
}
