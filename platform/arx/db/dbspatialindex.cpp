#include "arx/dbspatialindex.h"

#include "arx/dbblockref.h"
#include "arx/dbdatabase.h"
#include "arx/dbshape.h"
#include "arx/dbsymtb.h"

namespace qv {

namespace {

constexpr int kMaxOwnerChain = 8;

bool isLive(const AcDbObject* obj) { return obj && !obj->isErased(); }

// The entity that a block record owns directly: an attribute's reference, a vertex's polyline.
const AcDbEntity* ownedByRecord(const AcDbEntity* ent)
{
    for (int i = 0; i < kMaxOwnerChain; ++i) {
        const auto* owner = AcDbEntity::cast(ent->ownerId().object());
        if (!owner)
            break;
        ent = owner;
    }
    return ent;
}

} // namespace

void SpatialIndex::query(AcDbObjectId space, const Box2d& box, std::vector<BoxTree::Hit>& hits)
{
    treeOf(space).query(box, hits);
}

Box2d SpatialIndex::extents(AcDbObjectId space) { return treeOf(space).bounds(); }

BoxTree& SpatialIndex::treeOf(AcDbObjectId space)
{
    if (!m_active) {
        linkAll();
        m_active = true;
    }
    if (const auto it = m_trees.find(space); it != m_trees.end())
        return it->second;
    BoxTree& tree = m_trees[space];
    if (const auto* btr = AcDbBlockTableRecord::cast(space.object()))
        for (const AcDbObjectId& id : btr->entityIds())
            if (const auto* ent = AcDbEntity::cast(id.object()); isLive(ent) && ent->ownerId() == space)
                place(tree, ent);
    return tree;
}

// Notes which block each reference of the drawing shows, so that a changed definition
// finds the references to re-measure.
void SpatialIndex::linkAll()
{
    const auto* table = AcDbBlockTable::cast(m_db->blockTableId().object());
    if (!table)
        return;
    for (const AcDbObjectId& btrId : table->recordIds()) {
        const auto* btr = AcDbBlockTableRecord::cast(btrId.object());
        if (!isLive(btr))
            continue;
        for (const AcDbObjectId& id : btr->entityIds())
            if (const auto* ref = AcDbBlockReference::cast(id.object()); isLive(ref) && ref->ownerId() == btrId)
                link(id, ref->blockTableRecord());
    }
}

void SpatialIndex::place(BoxTree& tree, const AcDbEntity* ent)
{
    const int node = tree.insert(entityShape(ent).bounds(), ent->objectId());
    if (node >= 0)
        m_leaves[ent->objectId()] = {&tree, node};
}

void SpatialIndex::sync(const AcDbEntity* ent)
{
    const AcDbObjectId id = ent->objectId();
    const auto* ref = AcDbBlockReference::cast(ent);
    if (isLive(ref))
        link(id, ref->blockTableRecord());
    else
        unlink(id);
    if (const auto leaf = m_leaves.find(id); leaf != m_leaves.end()) {
        leaf->second.tree->remove(leaf->second.node);
        m_leaves.erase(leaf);
    }
    if (!isLive(ent))
        return;
    if (const auto tree = m_trees.find(ent->ownerId()); tree != m_trees.end())
        place(tree->second, ent);
}

void SpatialIndex::objectModified(AcDbObjectId id)
{
    if (!m_active)
        return;
    const AcDbObject* obj = id.object();
    if (AcDbBlockTableRecord::cast(obj)) {
        definitionChanged(id);
        return;
    }
    const auto* ent = AcDbEntity::cast(obj);
    if (!ent)
        return;
    ent = ownedByRecord(ent);
    sync(ent);
    if (const auto* owner = AcDbBlockTableRecord::cast(ent->ownerId().object()); owner && !owner->isLayout())
        definitionChanged(owner->objectId());
}

// Re-measures the references that show a changed definition, directly or through other
// definitions that contain references to it.
void SpatialIndex::definitionChanged(AcDbObjectId definition)
{
    std::vector<AcDbObjectId> pending{definition};
    std::unordered_set<AcDbObjectId> seen{definition};
    while (!pending.empty()) {
        const auto it = m_referencesTo.find(pending.back());
        pending.pop_back();
        if (it == m_referencesTo.end())
            continue;
        const std::vector<AcDbObjectId> references(it->second.begin(), it->second.end());
        for (const AcDbObjectId& refId : references) {
            const auto* ref = AcDbEntity::cast(refId.object());
            const auto* owner = ref ? AcDbBlockTableRecord::cast(ref->ownerId().object()) : nullptr;
            if (!owner)
                continue;
            if (owner->isLayout())
                sync(ref);
            else if (seen.insert(owner->objectId()).second)
                pending.push_back(owner->objectId());
        }
    }
}

void SpatialIndex::link(AcDbObjectId reference, AcDbObjectId definition)
{
    const auto it = m_definitionOf.find(reference);
    if (it != m_definitionOf.end()) {
        if (it->second == definition)
            return;
        m_referencesTo[it->second].erase(reference);
        it->second = definition;
    } else {
        m_definitionOf.emplace(reference, definition);
    }
    m_referencesTo[definition].insert(reference);
}

void SpatialIndex::unlink(AcDbObjectId reference)
{
    const auto it = m_definitionOf.find(reference);
    if (it == m_definitionOf.end())
        return;
    m_referencesTo[it->second].erase(reference);
    m_definitionOf.erase(it);
}

} // namespace qv
