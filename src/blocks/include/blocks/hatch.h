// A hatch style: the pattern, angle, scale, layer and colour that a space, an asset, a
// report category, a legend swatch or a pie segment is filled with.
#pragma once

#include "arx/cmcolor.h"
#include "arx/dbhatch.h"
#include "mfc/cstring.h"

class CAcadDrawing;
class CKavroExceptions;

class CHatch
{
public:
    CHatch() = default;
    virtual ~CHatch() = default;

    CString getPattern() const { return m_pattern; }
    void setPattern(CString pattern) { m_pattern = std::move(pattern); }
    // The pattern angle, handed to the host's hatch as it is (the host reads radians).
    int getAngle() const { return m_angle; }
    void setAngle(int angle) { m_angle = angle; }
    int getScale() const { return m_scale; }
    void setScale(int scale) { m_scale = scale; }
    CString getLayer() const { return m_layer; }
    void setLayer(CString layer) { m_layer = std::move(layer); }
    AcCmColor getColour() const { return m_colour; }
    void setColour(AcCmColor colour) { m_colour = colour; }

    // The layer this style's entities are drawn on: the style's layer cleaned as every layer
    // name the module makes is, or "0" when nothing of it is left.
    CString getDrawnLayer() const;
    // Puts the entity on the drawn layer, made in the drawing (locked by the caller) when
    // missing; raises when the entity cannot be put there, so that nothing lands on another.
    void putOnLayer(CAcadDrawing* drawing, AcDbEntity* entity) const;
    // Copies all five settings into the target.
    void copyTo(CHatch* target) const;
    // A new hatch entity of this style (not yet in the drawing), with no loops, on the
    // style's layer, which is made in the drawing when missing; the drawing is locked by
    // the caller.
    AcDbHatch* createHatch(CAcadDrawing* drawing) const;
    // Evaluates a hatch made by createHatch once its loops are in, and collects what the
    // host reports: a pattern too dense or not dense enough at this style's scale for the
    // subject ("kavro block ROOM-1"), or any other failure (an unknown pattern) as the host
    // status naming the drawing text. Nothing is thrown; the hatch stays usable. False for
    // such another failure: the hatch has nothing to draw (its pattern is unknown, say).
    bool collectEvaluation(const AcDbHatch* hatch, const CString& subject, const CString& drawingText,
                           CKavroExceptions* errors, const char* file, const char* procSig) const;

    // The hatch drawn for an entity (a space or an asset reference) is
    // recorded on it (XData "KAVRO_HATCH": the hatch's handle). Records drawn as the entity's
    // hatch and erases the hatch recorded before, so that hatching it again replaces its
    // hatch instead of adding a second; a null drawn changes nothing.
    static void replaceDrawnFor(AcDbEntity* owner, AcDbObjectId drawn);

private:
    CString m_pattern;
    int m_angle = 0;
    int m_scale = 1;
    CString m_layer;
    AcCmColor m_colour;
};
