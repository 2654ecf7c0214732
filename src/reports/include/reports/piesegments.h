// The wedges of one pie chart, in the order added, owned; no two of the same name. Keeps
// the sum of their values and draws them one after another, each starting where the
// previous one ended.
#pragma once

#include "mfc/carray.h"
#include "reports/piesegment.h"

class CPieSegments
{
public:
    CPieSegments() = default;
    explicit CPieSegments(CString name) : m_name(std::move(name)) {}
    ~CPieSegments();
    CPieSegments(const CPieSegments&) = delete;
    CPieSegments& operator=(const CPieSegments&) = delete;

    // Takes the segment; one whose name (exact) is held already is destroyed and 1
    // returned. Otherwise returns the new count.
    int add(CPieSegment* segment);
    int count() const { return m_count; }
    CPieSegment* getAt(int index) const { return m_segments.GetAt(index); }
    double getTotal() const { return m_total; }
    void addSegmentsToBlock(CAcadDrawing* drawing, AcDbBlockTableRecord* record, int ignoreEmpty, int showLabels,
                            int showLines, AcGeVector3d normal, double radius, double total, double explodeOffset,
                            double textHeight, int precision);
    // Deletes every segment; the total stays.
    void deleteObjects();

private:
    CArray<CPieSegment*, CPieSegment*> m_segments;
    int m_count = 0;
    double m_total = 0.0;
    CString m_name;
};
