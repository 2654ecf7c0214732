// The legend marker: a reference of "MARKER-LEGEND" whose attributes LEGENDTEXTSIZE,
// LEGENDPRECISION and LEGENDUNITS hold the legend's settings.
#pragma once

#include "blocks/markerblock.h"

class CMarkerBlockLegend : public CMarkerBlock
{
public:
    CMarkerBlockLegend() = default;
    // Reads a marker from a reference open for read.
    CMarkerBlockLegend(AcDbBlockReference* reference, AcApDocument* document);

    // Where the legend goes: the reference's insertion point in the current UCS.
    AcGePoint3d getPosition() const { return m_position; }
    void setPosition(AcGePoint3d position) { m_position = position; }

private:
    AcGePoint3d m_position;
};
