#include "arx/acedselect.h"

#include "arx/acedinput.h"
#include "acedpick.h"
#include "arx/acutprintf.h"
#include "arx/dbdatabase.h"
#include "arx/dbdrawingstate.h"
#include "arx/dxftext.h"

#include <unordered_map>

namespace {

// Marks a selection-set name; drawing serial numbers, the second half of entity names, are
// positive.
constexpr std::int64_t kSetTag = -0x5353;

struct EntityName {
    std::int64_t handle, serial;
};

struct Registry {
    std::unordered_map<std::int64_t, std::vector<EntityName>> sets;
    std::int64_t lastKey = 0;
};

Registry& registry()
{
    static Registry r;
    return r;
}

const std::vector<EntityName>* findSet(const ads_name set)
{
    if (!set || set[1] != kSetTag)
        return nullptr;
    const auto it = registry().sets.find(set[0]);
    return it == registry().sets.end() ? nullptr : &it->second;
}

EntityName nameOf(AcDbObjectId id)
{
    return {static_cast<std::int64_t>(id.handle().value()), qv::drawingState(id.database()).serial};
}

void putName(const EntityName& name, ads_name entity)
{
    entity[0] = name.handle;
    entity[1] = name.serial;
}

int giveName(AcDbObjectId id, ads_name entity)
{
    if (id.isNull())
        return RTERROR;
    putName(nameOf(id), entity);
    return RTNORM;
}

// The entity a pick answer names: "last", "#HANDLE" or a point (which becomes the last
// point); false for other text. An answer that names no entity is reported, so that the
// caller need not guess which of them failed.
bool pickAnswer(AcDbDatabase* db, std::string_view text, AcDbObjectId& id, AcGePoint3d& at)
{
    if (qv::dxf::equalNoCase(text, "last")) {
        id = qv::lastEntity(db);
        if (id.isNull())
            qv::writeOutput("\nNo last entity.\n");
        return true;
    }
    if (text.front() == '#') {
        const std::string_view hex = qv::trimmed(text.substr(1));
        if (hex.empty())
            return false;
        id = qv::layoutEntityByHandle(db, hex);
        if (id.isNull())
            qv::writeOutput(qv::noEntityWithHandle(hex));
        return true;
    }
    if (!qv::parsePoint(text, qv::lastPointInUcs(db), at))
        return false;
    qv::setLastPointFromUcs(db, at);
    id = qv::pickAt(db, at);
    if (id.isNull())
        qv::writeOutput("\nNo entity at that point.\n");
    return true;
}

} // namespace

Acad::ErrorStatus acdbGetObjectId(AcDbObjectId& id, const ads_name entity)
{
    if (!entity)
        return Acad::eInvalidInput;
    AcDbDatabase* db = qv::databaseWithSerial(entity[1]);
    AcDbObjectId found;
    if (!db || db->getAcDbObjectId(found, false, AcDbHandle(static_cast<unsigned long long>(entity[0]))) != Acad::eOk)
        return Acad::eUnknownHandle;
    id = found;
    return Acad::eOk;
}

Acad::ErrorStatus acdbGetAdsName(ads_name& entity, AcDbObjectId id)
{
    if (id.isNull())
        return Acad::eNullObjectId;
    if (!id.isValid() || !id.database())
        return Acad::eUnknownHandle;
    giveName(id, entity);
    return Acad::eOk;
}

int acdbHandEnt(const char* handle, ads_name entity)
{
    AcDbDatabase* db = qv::currentDatabase();
    AcDbObjectId id;
    if (!handle || !entity || !db || db->getAcDbObjectId(id, false, AcDbHandle(handle)) != Acad::eOk || id.isErased())
        return RTERROR;
    return giveName(id, entity);
}

int acdbEntLast(ads_name entity)
{
    AcDbDatabase* db = qv::currentDatabase();
    return entity && db ? giveName(qv::lastEntity(db), entity) : RTERROR;
}

int acedEntSel(const char* prompt, ads_name entity, ads_point pickPoint)
{
    if (!entity)
        return RTERROR;
    AcDbDatabase* db = qv::currentDatabase();
    if (!db) {
        qv::writeOutput("No drawing is open.\n");
        return RTERROR;
    }
    for (;;) {
        if (prompt && *prompt)
            qv::writeOutput(prompt);
        const qv::InputLine line = qv::readInput({}, qv::InputKind::word);
        if (line.status != qv::InputStatus::line)
            return RTCAN;
        const std::string_view text = qv::trimmed(line.text);
        if (text.empty())
            return RTNONE;
        AcDbObjectId id;
        AcGePoint3d at;
        if (!pickAnswer(db, text, id, at)) {
            if (!qv::refuseAnswer("*Invalid selection*\nExpects a point, #handle or last."))
                return RTCAN;
            continue;
        }
        if (giveName(id, entity) != RTNORM)
            return RTERROR;
        if (pickPoint) {
            pickPoint[0] = at.x;
            pickPoint[1] = at.y;
            pickPoint[2] = at.z;
        }
        return RTNORM;
    }
}

int acedSSLength(const ads_name set, Adesk::Int32* length)
{
    const std::vector<EntityName>* names = findSet(set);
    if (!names || !length)
        return RTERROR;
    *length = static_cast<Adesk::Int32>(names->size());
    return RTNORM;
}

int acedSSName(const ads_name set, Adesk::Int32 index, ads_name entity)
{
    const std::vector<EntityName>* names = findSet(set);
    if (!names || !entity || index < 0 || static_cast<size_t>(index) >= names->size())
        return RTERROR;
    putName((*names)[static_cast<size_t>(index)], entity);
    return RTNORM;
}

int acedSSFree(const ads_name set)
{
    if (!findSet(set))
        return RTERROR;
    registry().sets.erase(set[0]);
    return RTNORM;
}

namespace qv {

int makeSelectionSet(const AcDbObjectIdArray& ids, ads_name set)
{
    if (ids.empty() || !set)
        return RTERROR;
    std::vector<EntityName> names;
    names.reserve(ids.size());
    for (const AcDbObjectId& id : ids)
        names.push_back(nameOf(id));
    Registry& r = registry();
    set[0] = ++r.lastKey;
    set[1] = kSetTag;
    r.sets.emplace(set[0], std::move(names));
    return RTNORM;
}

size_t openSelectionSetCount() { return registry().sets.size(); }

} // namespace qv
