// Guards for the host's open/close and lock discipline, so that every way out of an
// operation, an error included, closes what it opened and releases the lock it took.
#pragma once

#include "arx/acedselect.h"
#include "arx/dbsymtb.h"
#include "host/acaddrawing.h"
#include "support/kavroguard.h"

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

// Posts an entity to the drawing's model space. The post takes the entity over, and deletes
// it itself when it cannot append it; a post refused before that deletes it here.
inline Acad::ErrorStatus postToModelSpace(CAcadDrawing* drawing, std::unique_ptr<AcDbEntity> entity, AcDbObjectId& id)
{
    AcDbEntity* posting = entity.release();
    const Acad::ErrorStatus status = drawing->postToDrawing(id, posting);
    if (status != Acad::eOk)
        delete posting;
    return status;
}

// One lock level of a drawing, released when dropped.
class DrawingLock
{
public:
    explicit DrawingLock(CAcadDrawing* drawing) : m_drawing(drawing), m_status(drawing->lock()) {}
    ~DrawingLock()
    {
        if (held())
            cleanUpQuietly([this] { m_drawing->unlock(FALSE); });
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
    // Visits the id of each entity in order, passing over those whose id cannot be had.
    template <class Visit>
    void forEachId(Visit&& visit) const
    {
        Adesk::Int32 count = 0;
        if (acedSSLength(m_name, &count) != RTNORM)
            return;
        for (Adesk::Int32 i = 0; i < count; ++i) {
            ads_name entity;
            if (AcDbObjectId id; acedSSName(m_name, i, entity) == RTNORM && acdbGetObjectId(id, entity) == Acad::eOk)
                visit(id);
        }
    }

private:
    ads_name m_name = {0, 0};
    bool m_made = false;
};
