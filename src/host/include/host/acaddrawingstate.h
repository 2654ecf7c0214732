// A layer state of a drawing held in memory: the layout to make current and every layer's
// frozen, locked, off and plottable states and line weight. Changes stay in memory until
// applyState, which switches the layout, writes the layers and, for a paper-space layout,
// can push the frozen layers into every viewport of the layout.
#pragma once

#include "arx/dbid.h"
#include "host/layers.h"
#include "msxml/dom.h"

class CAcadDrawing;

class CAcadDrawingState
{
public:
    // The active layout of the working drawing and an empty list.
    CAcadDrawingState();
    // The active layout and the layers of the drawing.
    explicit CAcadDrawingState(CAcadDrawing* drawing);
    ~CAcadDrawingState();
    CAcadDrawingState(const CAcadDrawingState&) = delete;
    CAcadDrawingState& operator=(const CAcadDrawingState&) = delete;

    // The active layout of the working drawing and a new list read from the drawing.
    void getState(CAcadDrawing* drawing);
    // Makes the layout current, writes the layers (and with viewports, on a paper-space
    // layout, freezes and thaws them in its viewports) and regenerates.
    void applyState(CAcadDrawing* drawing, int viewports);
    // Freezes and thaws the layers in every viewport of the active layout.
    void applyLayersInAllLayoutViewports(const AcDbObjectIdArray& thawed, const AcDbObjectIdArray& frozen);
    void setAllLayerLineWeights(int lineWeight);
    // Every layer thawed, unlocked, off and plottable, then applied.
    void setStateAllOff(CAcadDrawing* drawing);
    // Model space with every layer thawed, unlocked, on and plottable, then applied.
    void setStateForTakeOff(CAcadDrawing* drawing);
    // The output layers need no change of their own.
    void setKavroLayersForOutput() {}
    // Sets the states of the named layer, adding it when the list lacks it.
    void setLayerState(CString name, int frozen, int locked, int off, int plottable);

    CString getLayout() const { return m_layout; }
    void setLayout(CString layout) { m_layout = std::move(layout); }
    CLayers* getLayers() const { return m_layers; }
    // The state owns the list from then on; a list it held before is deleted.
    void setLayers(CLayers* layers);

    // "AcadDrawingState" with its "layout" and, with a list, "layersOn".
    MSXML2::IXMLDOMNodePtr serialize(CString namespaceURI);
    void deSerialize(MSXML2::IXMLDOMNodePtr node);

private:
    CString m_layout;
    CLayers* m_layers = nullptr;
};
