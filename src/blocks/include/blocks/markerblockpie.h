// The pie-chart marker: a reference of "MARKER-PIECHART" whose attributes PIETEXTSIZE,
// PIEPRECISION and PIERADIUS hold the chart's settings.
#pragma once

#include "blocks/markerblock.h"

class AcDbCircle;

class CMarkerBlockPie : public CMarkerBlock
{
public:
    CMarkerBlockPie() = default;
    // Reads a marker from a reference open for read.
    CMarkerBlockPie(AcDbBlockReference* reference, AcApDocument* document);

    // The chart's centre: the reference's insertion point in the current UCS.
    AcGePoint3d getCentre() const { return m_centre; }
    void setCentre(AcGePoint3d centre) { m_centre = centre; }
    // The circle's centre carried by the transform, then from the UCS to the WCS.
    void setCentre(AcDbCircle* circle, AcGeMatrix3d transform);
    double getRadius() const { return m_radius; }
    void setRadius(double radius) { m_radius = radius; }

    // Defines "MARKER-PIECHART" from the circle (used through its object id) and inserts
    // one reference at its centre; 0, or the host status of the step that failed, in
    // which case the circle is left where it was drawn. The units are kept nowhere: a pie
    // marker has no attribute for them.
    int insertMarkerBlock(CAcadDrawing* drawing, AcDbCircle* circle, int units, int precision, double textSize,
                          double rotation);
    // Builds the definition "MARKER-PIECHART": the circle moved so that its centre is the
    // origin, and the five setting attributes.
    int createMarkerBlockDefinition(AcDbObjectId& definitionId, const AcDbObjectIdArray& outline, AcGePoint3d centre,
                                    CAcadDrawing* drawing, double radius, int precision, double textSize,
                                    double attributeRotation);

private:
    AcGePoint3d m_centre;
    double m_radius = 0.0;
};
