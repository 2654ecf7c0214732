// The layouts of a drawing (no two of exactly the same name), read in block table order and
// written to the server register in place of the rows it held for the drawing.
#pragma once

#include "host/layout.h"
#include "mfc/carray.h"

class CAcadDrawing;

class CLayouts
{
public:
    CLayouts() = default;
    virtual ~CLayouts();
    CLayouts(const CLayouts&) = delete;
    CLayouts& operator=(const CLayouts&) = delete;

    // Raises the framework's invalid-argument exception outside the list.
    CLayout* getAt(int index) const { return m_layouts.GetAt(index); }
    int getCount() const { return m_count; }
    // Appends the layout unless one of the same name (exact) is present; the list owns only
    // a layout it appended.
    void add(CLayout* layout);
    // Appends every layout of the drawing, model space included.
    void getDWGLayouts(CAcadDrawing* drawing);
    // Deletes the register's layouts of the drawing, then records each of the list; returns 1.
    int addLayoutsToQPX(CStoredProcedure* procedure, int timeout, int attachID);
    // Deletes the register's layouts of the drawing ("__to_deleteDrawingLayouts").
    void deleteDrawingLayouts(CStoredProcedure* procedure, int timeout, int attachID);
    void deleteObjects();

private:
    CArray<CLayout*> m_layouts;
    int m_count = 0;
};
