// The pie-chart marker: a reference of "MARKER-PIECHART" whose attributes PIETEXTSIZE,
// PIEPRECISION and PIERADIUS hold the chart's settings.
#pragma once

#include "blocks/markerblock.h"

class CMarkerBlockPie : public CMarkerBlock
{
public:
    CMarkerBlockPie() = default;
    // Reads a marker from a reference open for read.
    CMarkerBlockPie(AcDbBlockReference* reference, AcApDocument* document);

    // The chart's centre: the reference's insertion point in the current UCS.
    AcGePoint3d getCentre() const { return m_centre; }
    void setCentre(AcGePoint3d centre) { m_centre = centre; }
    double getRadius() const { return m_radius; }
    void setRadius(double radius) { m_radius = radius; }

private:
    AcGePoint3d m_centre;
    double m_radius = 0.0;
};
