// The base of the graphic reports' marker blocks: a drawing-side block that says where a
// legend or a pie chart goes, with the settings both markers carry in attributes of the
// marker reference (units, precision, text size) and the reference's rotation.
#pragma once

#include "arx/dbtext.h"
#include "blocks/blockdwg.h"

#include <vector>

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

    // A new attribute definition, in no block: left and baseline justified, width factor
    // 1, plain (not invisible, verifiable, preset or constant), field length one more than
    // the default text's. A failure is shown at once; what was made so far is returned.
    static AcDbAttributeDefinition* defineAttribute(AcGePoint3d position, AcGeVector3d normal, double height,
                                                    double rotation, CString tag, CString prompt,
                                                    CString defaultText, CString layer);
    // The attribute a reference carries for the definition, carried by the reference's
    // block transform; not yet appended. A failure is shown at once.
    static AcDbAttribute* createAttribute(AcDbAttributeDefinition* definition, AcGeMatrix3d transform);

    // A number as an attribute's default text: with at least `precision` decimals, and as
    // many more as reading the text back needs to give the same value.
    static CString settingText(double value, int precision);
    // A precision attribute's text as a precision numbers can be formatted with: one out of
    // range (CUtilities::minPrecision to maxPrecision) is bounded to it, with a message.
    static int readPrecision(const CString& tag, const CString& text);

protected:
    // One attribute definition of a marker block: tag, prompt and default text.
    struct Setting
    {
        const char* tag;
        const char* prompt;
        CString text;
    };

    // Defines the block `name` from the outline entities, moved so that the base point
    // lands on the origin, with one attribute definition per setting on the layer, stacked
    // downward one text size apart from the origin. The definition is added before the
    // outline moves, and a failure after that moves the outline back and erases the
    // definition: the user's geometry stays where it was drawn.
    static Acad::ErrorStatus defineMarker(AcDbObjectId& definitionId, const AcDbObjectIdArray& outline,
                                          AcGePoint3d basePoint, CAcadDrawing* drawing, const char* name,
                                          const char* layer, double textSize, double attributeRotation,
                                          const std::vector<Setting>& settings);
    // Inserts a reference of the definition in model space on the layer (made when
    // missing, then switched off) at the position and rotation given in the current UCS,
    // with one attribute per non-constant attribute definition.
    static Acad::ErrorStatus insertMarker(CAcadDrawing* drawing, AcDbObjectId definitionId, const char* layer,
                                          AcGePoint3d position, double rotation);
    // Undoes a definition whose marker could not be inserted: the outline goes back to
    // model space where it was drawn, and the definition is erased.
    static void withdrawMarker(CAcadDrawing* drawing, AcDbObjectId definitionId, const AcDbObjectIdArray& outline,
                               AcGePoint3d basePoint);

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
