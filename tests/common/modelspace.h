// Test helper: a walk over the entities of a drawing's model space.
#pragma once

#include "arx/dbdatabase.h"
#include "arx/dbentity.h"
#include "arx/dbsymtb.h"

// Calls visit with each entity of model space, opened for read and closed after it; false
// when model space cannot be opened.
template <class Visit>
bool forEachModelSpaceEntity(AcDbDatabase& db, Visit visit)
{
    AcDbBlockTableRecord* model = nullptr;
    if (acdbOpenObject(model, db.modelSpaceId(), AcDb::kForRead) != Acad::eOk)
        return false;
    for (const AcDbObjectId& id : model->entityIds()) {
        AcDbEntity* entity = nullptr;
        if (acdbOpenObject(entity, id, AcDb::kForRead) != Acad::eOk)
            continue;
        visit(entity);
        entity->close();
    }
    model->close();
    return true;
}
