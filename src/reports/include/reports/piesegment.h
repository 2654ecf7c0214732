// One wedge of a pie chart: a category's title, hatch style and summed area, and how its
// label prints the area. Draws itself into the chart's open block record: the outline, its
// hatch, an optional leader line and an optional label.
#pragma once

#include "arx/dbsymtb.h"
#include "arx/geometry.h"
#include "mfc/cstring.h"

class AcDbPolyline;
class CAcadDrawing;
class CHatch;
class CKavroExceptions;

class CPieSegment
{
public:
    // The hatch style stays its owner's (the category's); it may be null.
    CPieSegment(CString name, CHatch* hatch, double value, int precision, CString units);

    CString getName() const { return m_name; }
    void setName(CString name) { m_name = std::move(name); }
    CHatch* getHatch() const { return m_hatch; }
    void setHatch(CHatch* hatch) { m_hatch = hatch; }
    double getValue() const { return m_value; }
    void setValue(double value) { m_value = value; }
    int getPrecision() const { return m_precision; }
    void setPrecision(int precision) { m_precision = precision; }
    CString getUnits() const { return m_units; }
    void setUnits(CString units) { m_units = std::move(units); }

    // The wedge outline at the origin, clockwise from +y through the sweep; a sweep of a
    // full turn or more is a full circle. The caller owns the new polyline.
    AcDbPolyline* createSegment(AcGeVector3d normal, double radius, double sweep);
    // Draws the wedge that starts at startValue (in the units of total) into the record.
    void addSegmentToBlock(CAcadDrawing* drawing, AcDbBlockTableRecord* record, int ignoreEmpty, int showLabels,
                           int showLines, AcGeVector3d normal, double radius, double explodeOffset, double total,
                           double startValue, double textHeight, int precision);
    // Hatches the outline in the segment's style; problems go to errors, never thrown.
    void hatchSegment(CAcadDrawing* drawing, AcDbBlockTableRecord* record, AcDbObjectId outlineId,
                      CKavroExceptions* errors);
    void addSegmentLine(CAcadDrawing* drawing, AcDbBlockTableRecord* record, AcGeVector3d normal, double angle,
                        double labelDistance, double explodeOffset);
    void addSegmentLabel(CAcadDrawing* drawing, AcDbBlockTableRecord* record, AcGeVector3d normal, double angle,
                         double radius, double labelDistance, double explodeOffset, double textHeight, int precision);

private:
    // The layer and colour the wedge's entities take from the hatch style: a segment
    // without one draws on layer "0" by layer.
    void applyStyle(CAcadDrawing* drawing, AcDbEntity* entity, bool styleColour) const;

    CString m_name;
    CHatch* m_hatch = nullptr;
    double m_value = 0.0;
    int m_precision = 2;
    CString m_units;
};
