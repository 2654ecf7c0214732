// An owning list of layers (no two with exactly the same name), and the making of a
// coloured layer in a drawing that the caller holds locked.
#pragma once

#include "host/layer.h"
#include "mfc/carray.h"

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
    void deleteObjects();

    // On a drawing the caller holds locked, adds a layer of the (cleaned) name and colour
    // when the drawing lacks one; does nothing on an unlocked drawing. Returns 1.
    int ensureLayerExists(CAcadDrawing* drawing, CString name, AcCmColor colour);

private:
    CArray<CLayer*> m_layers;
    int m_count = 0;
};
