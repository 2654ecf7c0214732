// Database objects opened by the host classes, closed when their holder goes.
#pragma once

#include "arx/acdocman.h"
#include "arx/dbdatabase.h"
#include "arx/dbsymtb.h"
#include "host/acaddrawing.h"

#include <memory>

struct CloseObject
{
    void operator()(AcDbObject* object) const { object->close(); }
};

template <class T>
using Opened = std::unique_ptr<T, CloseObject>;

// The drawing's layer table open for write; null when it does not open.
inline Opened<AcDbLayerTable> openLayerTable(const CAcadDrawing* drawing)
{
    AcDbLayerTable* table = nullptr;
    if (drawing->getDocument()->database()->getSymbolTable(table, AcDb::kForWrite) != Acad::eOk)
        return nullptr;
    return Opened<AcDbLayerTable>(table);
}

// The object of the id open in the mode; null when it does not open (or is of another class).
template <class T>
Opened<T> openObject(AcDbObjectId id, AcDb::OpenMode mode)
{
    T* object = nullptr;
    if (acdbOpenObject(object, id, mode) != Acad::eOk)
        return nullptr;
    return Opened<T>(object);
}
