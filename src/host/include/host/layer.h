// One layer of a drawing as the module keeps it: name, description, colour, the frozen,
// locked, off and plottable states and the line weight, with a mark that says whether the
// layer has been changed and is to be written back to the drawing.
#pragma once

#include "arx/cmcolor.h"
#include "arx/dbsymtb.h"
#include "msxml/dom.h"

class CAcadDrawing;
class CStoredProcedure;

class CLayer
{
public:
    CLayer();
    // Reads the record (left open for the caller); the layer ends marked modified.
    explicit CLayer(AcDbLayerTableRecord* record);
    virtual ~CLayer() = default;

    AcDbObjectId getObjectId() const { return m_objectId; }
    void setObjectId(AcDbObjectId id) { m_objectId = id; }
    CString getName() const { return m_name; }
    // Stores the name without the characters a layer name may not hold.
    void setName(CString name);
    CString getDescription() const { return m_description; }
    void setDescription(CString description);
    AcCmColor getColour() const { return m_colour; }
    int getColourIndex() const { return m_colourIndex; }
    void setColourIndex(int index);
    int getFrozen() const { return m_frozen; }
    void setFrozen(int frozen);
    int getLocked() const { return m_locked; }
    void setLocked(int locked);
    int getOff() const { return m_off; }
    void setOff(int off);
    int getPlottable() const { return m_plottable; }
    void setPlottable(int plottable);
    int getLineWeight() const { return m_lineWeight; }
    void setLineWeight(int lineWeight);
    int getModified() const { return m_modified; }

    // Copies the record's name (upper-cased), colour index, states and line weight.
    void getDWGLayer(AcDbLayerTableRecord* record);
    // Reads the layer of that name from the drawing (only while marked modified); 1 when
    // the drawing has it.
    int getDWGLayer(CAcadDrawing* drawing, CString name);
    // While marked modified: creates the layer, or sets an existing layer's states.
    void applyToDWG(CAcadDrawing* drawing);
    // A "layerOn" element with "loName" and, when not empty, "loDescription".
    MSXML2::IXMLDOMNodePtr serialize(CString namespaceURI);
    void deSerialize(MSXML2::IXMLDOMNodePtr node);
    // Records the layer in the server register with "__to_addDrawingLayer": its name, an
    // empty description, its colour index and the attachment id.
    void addLayerToQPX(CStoredProcedure* procedure, int timeout, int attachID);

    // The name without < > / \ " : ; ? * , = and `.
    static CString validateLayerName(CString name);
    // Adds a layer of the (cleaned) name to the drawing when it lacks one; returns 1.
    static int ensureLayerExists(CString name, CAcadDrawing* drawing);

private:
    void setStates(const AcDbLayerTableRecord* record);
    void writeStates(AcDbLayerTableRecord* record) const;

    AcDbObjectId m_objectId;
    CString m_name;
    CString m_description;
    int m_colourIndex = 0;
    AcCmColor m_colour;
    int m_frozen = 0;
    int m_locked = 0;
    int m_off = 0;
    int m_plottable = 1;
    int m_lineWeight = 0;
    int m_modified = 0;
};
