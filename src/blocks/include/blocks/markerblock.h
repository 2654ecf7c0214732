// The base of the graphic reports' marker blocks: a drawing-side block that says where a
// legend or a pie chart goes, with the settings both markers carry in attributes of the
// marker reference (units, precision, text size) and the reference's rotation.
#pragma once

#include "blocks/blockdwg.h"

class CMarkerBlock : public CBlockDWG
{
public:
    CMarkerBlock() = default;

    // The marker's own settings (not the space record's units and precision).
    int getUnits() const { return m_markerUnits; }
    void setUnits(int units) { m_markerUnits = units; }
    int getPrecision() const { return m_markerPrecision; }
    void setPrecision(int precision) { m_markerPrecision = precision; }
    double getTextSize() const { return m_textSize; }
    void setTextSize(double size) { m_textSize = size; }
    // Radians, measured in the current UCS.
    double getRotation() const { return m_rotation; }
    void setRotation(double radians) { m_rotation = radians; }

protected:
    // The identity of the reference (object id, layer, colour, line weight, handle and
    // definition name) and its rotation in the current UCS.
    void readReference(AcDbBlockReference* reference, AcApDocument* document);
    // The position (current UCS) of a reference whose definition holds an entity of the
    // class, else the origin.
    static AcGePoint3d markedPosition(AcDbBlockReference* reference, AcApDocument* document, const char* className);

private:
    int m_markerUnits = 0;
    int m_markerPrecision = 2;
    double m_textSize = 0.0;
    double m_rotation = 0.0;
};
