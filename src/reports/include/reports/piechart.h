// A graphic report's pie chart: one wedge per category, sized by the summed area of its
// space blocks against the report's total, hatched in its style and labelled, with the
// report's title above and the total below. Drawn as the block "[KAVRO_PIECHART]_<title>"
// whose origin is the chart's centre, and inserted once into model space when a centre is
// given on a full host. Defining it again refills the same block, so references of the
// earlier chart show the new one.
#pragma once

#include "arx/dbid.h"
#include "arx/dbsymtb.h"
#include "arx/geometry.h"
#include "mfc/cstring.h"
#include "reports/piesegments.h"

#include <memory>

class CAcadDrawing;
class CGraphicReport;

class CPieChart
{
public:
    // Builds the chart of the report, defines its block and, with a centre (current UCS)
    // on a full host, inserts it. A report without categories or with a total of 0 or
    // less draws nothing.
    CPieChart(CAcadDrawing* drawing, CGraphicReport* report, double radius, double explodeOffset, double textHeight,
              int precision, CString units, int ignoreEmpty, int showLabels, int showLines, double rotation,
              const AcGePoint3d* centre);
    // Only sets the values; builds no segments and draws nothing.
    CPieChart(CString title, double total, double radius, double explodeOffset, double textHeight, int precision,
              CString units, int ignoreEmpty, int showLabels, int showLines, double rotation);
    ~CPieChart();
    CPieChart(const CPieChart&) = delete;
    CPieChart& operator=(const CPieChart&) = delete;

    void initPieChart(CString title, double total, double radius, double explodeOffset, double textHeight,
                      int precision, CString units, int ignoreEmpty, int showLabels, int showLines, double rotation);
    // One segment per category, from the summed areas of its space blocks.
    void pieChartFromGraphicReport(CGraphicReport* report);
    // Checks the segments against the total and builds the block; without segments, or
    // when the drawing cannot be locked, no block is made and the id stays null.
    AcDbObjectId createPieChartBlockDefinition(AcDbObjectId& blockId, CAcadDrawing* drawing);
    // Defines the block, then inserts a reference of it at the centre (current UCS); with
    // no block made nothing is inserted and the id stays null.
    AcDbObjectId insertPieChart(AcDbObjectId& referenceId, CAcadDrawing* drawing, AcGePoint3d centre);
    void addTitleToPieChart(CAcadDrawing* drawing, AcDbBlockTableRecord* record, AcGeVector3d normal,
                            double textHeight, double radius);
    void addFooterToPieChart(CAcadDrawing* drawing, AcDbBlockTableRecord* record, AcGeVector3d normal,
                             double textHeight, double radius);

    CString getName() const { return m_name; }
    CPieSegments* getSegments() const { return m_segments.get(); }
    // The block made by the last definition (null when none was made).
    AcDbObjectId getBlockId() const { return m_blockId; }
    // The reference inserted (null when none was).
    AcDbObjectId getReferenceId() const { return m_referenceId; }

private:
    // The chart's record, made (made set) or emptied for refilling, open for write.
    AcDbBlockTableRecord* openEmptyRecord(CAcadDrawing* drawing, bool& made);
    // A constant, top-centred attribute definition tagged with the title at (0, y).
    void addCentredText(CAcadDrawing* drawing, AcDbBlockTableRecord* record, AcGeVector3d normal, double y,
                        double textHeight, const CString& text, const char* procSig, int line);

    // Owned by a smart pointer, so that a constructor that fails half-way frees them too.
    std::unique_ptr<CPieSegments> m_segments;
    CString m_name;
    CString m_title;
    double m_total = 0.0;
    double m_textHeight = 0.0;
    double m_radius = 0.0;
    double m_explodeOffset = 0.0;
    double m_rotation = 0.0;
    int m_precision = 0;
    CString m_units;
    int m_ignoreEmpty = 0;
    int m_showLabels = 0;
    int m_showLines = 0;
    AcDbObjectId m_blockId;
    AcDbObjectId m_referenceId;
};
