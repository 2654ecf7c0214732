// The legend marker: a reference of "MARKER-LEGEND" whose attributes LEGENDTEXTSIZE,
// LEGENDPRECISION and LEGENDUNITS hold the legend's settings.
#pragma once

#include "blocks/markerblock.h"

class AcDbPolyline;

class CMarkerBlockLegend : public CMarkerBlock
{
public:
    CMarkerBlockLegend() = default;
    // Reads a marker from a reference open for read.
    CMarkerBlockLegend(AcDbBlockReference* reference, AcApDocument* document);

    // Where the legend goes: the reference's insertion point in the current UCS.
    AcGePoint3d getPosition() const { return m_position; }
    void setPosition(AcGePoint3d position) { m_position = position; }
    // The outline's top-left point carried by the transform.
    void setPosition(AcGeMatrix3d transform, AcDbPolyline* outline);

    // Defines "MARKER-LEGEND" from the closed outline (used through its object id) and
    // inserts one reference at the outline's top-left point; 0, or the host status of the
    // step that failed, in which case the outline is left where it was drawn.
    int insertMarkerBlock(CAcadDrawing* drawing, AcDbPolyline* outline, int units, int precision, double textSize,
                          double rotation);
    // Builds the definition "MARKER-LEGEND": the outline moved so that the base point is
    // its origin, and the five setting attributes.
    int createMarkerBlockDefinition(AcDbObjectId& definitionId, const AcDbObjectIdArray& outline,
                                    AcGePoint3d basePoint, CAcadDrawing* drawing, int units, int precision,
                                    double textSize, double attributeRotation);

private:
    AcGePoint3d m_position;
};
