#include "dbnesting.h"

#include "arx/dbblockref.h"
#include "arx/dbdatabase.h"
#include "arx/dbsymtb.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

namespace qv {

namespace {

// The entities of a record that may show other definitions: none when it never held a
// reference, so that the walks look at no entity of most definitions.
const std::vector<AcDbObjectId>& entitiesOf(AcDbObjectId record)
{
    static const std::vector<AcDbObjectId> none;
    const auto* btr = AcDbBlockTableRecord::cast(record.object());
    return btr && btr->mayHoldReferences() ? btr->entityIds() : none;
}

// The definition an entity of the record shows, when it is a reference the record owns.
AcDbObjectId definitionShown(AcDbObjectId record, AcDbObjectId entity)
{
    const auto* ref = AcDbBlockReference::cast(entity.object());
    if (!ref || ref->ownerId() != record || !AcDbBlockTableRecord::cast(ref->blockTableRecord().object()))
        return AcDbObjectId();
    return ref->blockTableRecord();
}

std::string nameOf(AcDbObjectId record)
{
    const auto* btr = AcDbBlockTableRecord::cast(record.object());
    return btr ? btr->name() : std::string("?");
}

} // namespace

bool wouldContainItself(AcDbObjectId record, AcDbObjectId definition)
{
    std::vector<AcDbObjectId> pending{definition};
    std::unordered_set<AcDbObjectId> seen{definition};
    while (!pending.empty()) {
        const AcDbObjectId current = pending.back();
        pending.pop_back();
        if (current == record)
            return true;
        for (const AcDbObjectId& id : entitiesOf(current))
            if (const AcDbObjectId shown = definitionShown(current, id); !shown.isNull() && seen.insert(shown).second)
                pending.push_back(shown);
    }
    return false;
}

bool wouldContainItself(AcDbObjectId record, const AcDbObject* entity)
{
    const auto* ref = AcDbBlockReference::cast(entity);
    return ref && wouldContainItself(record, ref->blockTableRecord());
}

namespace {

// A record on the path of the walk below, its entities, and the next of them to look at.
struct Step {
    AcDbObjectId record;
    const std::vector<AcDbObjectId>* entities;
    size_t next;
};

// The chain from the path's step at the record to the end of the path, back to the record.
std::vector<AcDbObjectId> chainBackTo(const std::vector<Step>& path, AcDbObjectId record)
{
    auto it = std::find_if(path.begin(), path.end(), [&](const Step& s) { return s.record == record; });
    std::vector<AcDbObjectId> chain;
    for (; it != path.end(); ++it)
        chain.push_back(it->record);
    chain.push_back(record);
    return chain;
}

} // namespace

// A depth-first walk over the records, each entered once: a reference to a record still
// on the walk's path closes a chain.
std::vector<AcDbObjectId> selfContainingChain(const AcDbDatabase* db)
{
    const auto* table = AcDbBlockTable::cast(db->blockTableId().object());
    if (!table)
        return {};
    std::unordered_map<AcDbObjectId, bool> onPath;   // entered records: still on the path?
    std::vector<Step> path;
    for (const AcDbObjectId& root : table->recordIds()) {
        // A record that shows no other closes no chain from here: it is not entered.
        const std::vector<AcDbObjectId>& entities = entitiesOf(root);
        if (entities.empty() || !onPath.try_emplace(root, true).second)
            continue;
        path.push_back({root, &entities, 0});
        while (!path.empty()) {
            Step& top = path.back();
            if (top.next == top.entities->size()) {
                onPath[top.record] = false;
                path.pop_back();
                continue;
            }
            const AcDbObjectId shown = definitionShown(top.record, (*top.entities)[top.next++]);
            if (shown.isNull())
                continue;
            if (const auto [mark, entered] = onPath.try_emplace(shown, true); entered)
                path.push_back({shown, &entitiesOf(shown), 0});
            else if (mark->second)
                return chainBackTo(path, shown);
        }
    }
    return {};
}

Acad::ErrorStatus checkBlockNesting(const AcDbDatabase* db, std::string& error)
{
    const std::vector<AcDbObjectId> chain = selfContainingChain(db);
    if (chain.empty())
        return Acad::eOk;
    error = "the block '" + nameOf(chain.front()) + "' contains itself:";
    for (size_t i = 0; i + 1 < chain.size(); ++i)
        error += (i ? ", '" : " '") + nameOf(chain[i]) + "' holds a reference to '" + nameOf(chain[i + 1]) + "'";
    return Acad::eSelfReference;
}

} // namespace qv
