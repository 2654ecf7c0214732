// Guards for the host's open/close and lock discipline, so that every way out of an
// operation, an error included, closes what it opened and releases the lock it took.
#pragma once

#include "arx/acedselect.h"
#include "arx/dbsymtb.h"
#include "host/acaddrawing.h"
#include "support/exkavro.h"

#include <memory>

struct CloseObject
{
    void operator()(AcDbObject* object) const { object->close(); }
};

// An object open in the database, closed when dropped.
template <class T>
using Opened = std::unique_ptr<T, CloseObject>;

template <class T>
Opened<T> openObject(AcDbObjectId id, AcDb::OpenMode mode, Acad::ErrorStatus* status = nullptr)
{
    T* object = nullptr;
    const Acad::ErrorStatus es = acdbOpenObject(object, id, mode);
    if (status)
        *status = es;
    return Opened<T>(object);
}

// Visits the entities of a block table record in order, erased ones skipped, each open in
// the mode (one that does not open is passed over) and closed afterwards, while visit
// returns true.
template <class Visit>
void forEachEntity(const AcDbBlockTableRecord* record, AcDb::OpenMode mode, Visit&& visit)
{
    AcDbBlockTableRecordIterator* raw = nullptr;
    record->newIterator(raw, true, true);
    const std::unique_ptr<AcDbBlockTableRecordIterator> it(raw);
    for (; !it->done(); it->step(true, true)) {
        AcDbEntity* entity = nullptr;
        if (it->getEntity(entity, mode, false) != Acad::eOk)
            continue;
        if (!visit(Opened<AcDbEntity>(entity).get()))
            return;
    }
}

// One lock level of a drawing, released when dropped.
class DrawingLock
{
public:
    explicit DrawingLock(CAcadDrawing* drawing) : m_drawing(drawing), m_status(drawing->lock()) {}
    ~DrawingLock()
    {
        try {
            if (held())
                m_drawing->unlock(FALSE);
        } catch (CEXKavro* e) {
            CEXKavro::deleteChain(e);
        }
    }
    DrawingLock(const DrawingLock&) = delete;
    DrawingLock& operator=(const DrawingLock&) = delete;

    bool held() const { return m_status == Acad::eOk; }
    Acad::ErrorStatus status() const { return m_status; }

private:
    CAcadDrawing* m_drawing;
    Acad::ErrorStatus m_status;
};

// A selection set of the host editor, freed when dropped if one was made.
class SelectionSet
{
public:
    SelectionSet() = default;
    ~SelectionSet()
    {
        if (m_made)
            acedSSFree(m_name);
    }
    SelectionSet(const SelectionSet&) = delete;
    SelectionSet& operator=(const SelectionSet&) = delete;

    // The name to hand to the call that makes the set; take() records its result.
    std::int64_t* name() { return m_name; }
    int take(int result)
    {
        m_made = result == RTNORM;
        return result;
    }
    // The number of entities, or -1 when the set cannot say.
    Adesk::Int32 length() const
    {
        Adesk::Int32 count = 0;
        return acedSSLength(m_name, &count) == RTNORM ? count : -1;
    }
    // The id of the entity at the index; false when it cannot be had.
    bool idAt(Adesk::Int32 index, AcDbObjectId& id) const
    {
        ads_name entity;
        return acedSSName(m_name, index, entity) == RTNORM && acdbGetObjectId(id, entity) == Acad::eOk;
    }

private:
    ads_name m_name = {0, 0};
    bool m_made = false;
};
