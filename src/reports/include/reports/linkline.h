// A link line of a graphic report: a red dashed line between two assets of the drawing
// (block references named by their handles), on a layer of the report's choosing ("_KAVRO"
// when none is given), labelled at its midpoint when it has a label.
#pragma once

#include "arx/cmcolor.h"
#include "arx/dbid.h"
#include "arx/dbsymtb.h"
#include "arx/geometry.h"
#include "mfc/cstring.h"
#include "msxml/dom.h"

class CAcadDrawing;
class CAcadDrawingState;

class CLinkLine
{
public:
    CString getStartHandle() const { return m_startHandle; }
    void setStartHandle(CString handle) { m_startHandle = std::move(handle); }
    CString getEndHandle() const { return m_endHandle; }
    void setEndHandle(CString handle) { m_endHandle = std::move(handle); }
    CString getLayer() const { return m_layer; }
    void setLayer(CString layer) { m_layer = std::move(layer); }
    CString getLabel() const { return m_label; }
    void setLabel(CString label) { m_label = std::move(label); }

    // The "linkLine" element: start handle, end handle, layer and, when there is one, the
    // label.
    MSXML2::IXMLDOMNodePtr serialize(CString namespaceURI);
    // Reads a "linkLine" element; a missing child leaves its field as it was.
    void deSerialize(MSXML2::IXMLDOMNodePtr node);

    // Draws the line and its label in model space; the layers of the line and of both
    // assets are recorded in the state as on, thawed, unlocked and plottable.
    void applyToDrawing(CAcadDrawing* drawing, CAcadDrawingState* state);
    // The insertion point of the block reference the handle names; the origin for a
    // handle that does not resolve or an entity that is no block reference.
    AcGePoint3d getAssetCurrentCoord(CString handle, CAcadDrawing* drawing, CAcadDrawingState* state);
    AcDbObjectId addLine(AcGePoint3d start, AcGePoint3d end, AcCmColor colour, CString label, double textHeight,
                         int align, CString layer, AcDbBlockTableRecord* space);
    AcDbObjectId addLabel(AcGePoint3d position, AcCmColor colour, double textHeight, double rotation, CString text,
                          CString layer, AcDbBlockTableRecord* space);
    // The linetype "T_E_S_T" (dashes of 50 and gaps of 50), made when the drawing lacks it.
    void ensureLinetypeExists(AcDbObjectId& id, AcDbDatabase* database);

    // The label's rotation for a line from start to end: along the line and never upside
    // down; 0 for a line whose ends share x and y.
    static double labelRotation(const AcGePoint3d& start, const AcGePoint3d& end);

private:
    CString m_startHandle;
    CString m_endHandle;
    CString m_layer;
    CString m_label;
};
