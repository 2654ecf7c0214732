// An owning list of layers (no two with exactly the same name): read from a drawing, from
// the layers a graphic report switches on, or from XML; switched off or frozen as a whole,
// applied to the drawing, recorded in the server register and written as XML. Also makes a
// coloured layer in a drawing that the caller holds locked.
#pragma once

#include "arx/dbid.h"
#include "host/layer.h"
#include "mfc/carray.h"

#include <memory>

class CLayers
{
public:
    CLayers() = default;
    virtual ~CLayers();
    CLayers(const CLayers&) = delete;
    CLayers& operator=(const CLayers&) = delete;

    // Raises the framework's invalid-argument exception outside the list.
    CLayer* getAt(int index) const { return m_layers.GetAt(index); }
    int getCount() const { return m_count; }
    // Appends the layer unless one of the same name (exact) is present; the list owns only
    // a layer it appended.
    void add(CLayer* layer);
    // Appends the layer, or deletes it when add refuses it.
    void adopt(std::unique_ptr<CLayer> layer);
    // The first layer whose name matches without regard to case, or null.
    CLayer* getAtLayer(CString name);
    // Every layer but the hyperlink, hatch and attribute-text layers gets the value.
    void setAllLayersOff(int off);
    void setAllLayersFrozen(int frozen);

    // Appends one layer per record of the drawing's layer table.
    void getDWGLayers(CAcadDrawing* drawing);
    // Writes every layer marked modified to the drawing.
    void applyToDWG(CAcadDrawing* drawing);
    // On a drawing the caller holds locked, adds a layer of the (cleaned) name and colour
    // when the drawing lacks one; does nothing on an unlocked drawing. Returns 1.
    int ensureLayerExists(CAcadDrawing* drawing, CString name, AcCmColor colour);
    // Appends the ids of the frozen layers to frozen and of the others to thawed.
    void getFrozenThawedIds(AcDbObjectIdArray& thawed, AcDbObjectIdArray& frozen);
    // Records every layer in the server register; returns 1.
    int addLayersToQPX(CStoredProcedure* procedure, int timeout, int attachID);
    // Appends the layers the graphic report switches on ("__gr_getReportLayersOn").
    void getGraphicReportLayersOn(CStoredProcedure* procedure, int reportID, int timeout);

    // A "layersOn" element with one "layerOn" child per layer.
    MSXML2::IXMLDOMNodePtr serialize(CString namespaceURI);
    // Appends one layer per "layerOn" node of the list.
    void deSerialize(MSXML2::IXMLDOMNodeListPtr nodes);
    void deleteObjects();
    // Makes the last layer of the list that is on and in the drawing (never "0") current.
    void setOnLayerToCurrent(CAcadDrawing* drawing);

private:
    // Sets the value on every layer but the exempt ones.
    template <class Setter>
    void setAllExempting(Setter setter);

    CArray<CLayer*> m_layers;
    int m_count = 0;
};
