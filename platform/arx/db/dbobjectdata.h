// What most objects lack, kept apart so that an object without it costs one pointer: the
// extension dictionary, persistent reactors, XData, application groups ("{ACAD_..." groups
// other than reactors and the extension dictionary) and the pairs no field read (extras).
// It takes its memory from the object resource of the moment it is made (a drawing's arena
// while the drawing is read).
#pragma once

#include "arx/dbid.h"
#include "arx/dxftaglist.h"

#include <memory_resource>
#include <vector>

namespace qv {

struct ObjectData {
    explicit ObjectData(std::pmr::memory_resource* r) : resource(r), reactors(r), xdata(r), appGroups(r), extras(r) {}

    static ObjectData* make();
    static void destroy(ObjectData* data);

    std::pmr::memory_resource* resource;
    AcDbObjectId extensionDictionary;
    AcDbDatabase* intendedDatabase = nullptr;
    std::pmr::vector<AcDbObjectId> reactors;
    dxf::TagList xdata;
    dxf::TagList appGroups;
    dxf::TagList extras;
};

// Sets to none ("0") the pointers among tags, of codes first to last, that name no object of
// db; how many.
size_t noneForMissing(dxf::TagList& tags, AcDbDatabase* db, int first, int last);

inline ObjectData* ObjectData::make()
{
    std::pmr::memory_resource* r = dxf::objectResource();
    return new (r->allocate(sizeof(ObjectData), alignof(ObjectData))) ObjectData(r);
}

inline void ObjectData::destroy(ObjectData* data)
{
    if (!data)
        return;
    std::pmr::memory_resource* r = data->resource;
    data->~ObjectData();
    r->deallocate(data, sizeof(ObjectData), alignof(ObjectData));
}

} // namespace qv
