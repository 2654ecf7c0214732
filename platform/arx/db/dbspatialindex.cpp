#include "arx/dbspatialindex.h"

#include "arx/dbblockref.h"
#include "arx/dbdatabase.h"
#include "arx/dbshape.h"
#include "arx/dbsymtb.h"

#include <vector>

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

const AcDbBlockTableRecord* ownerRecord(AcDbObjectId id)
{
    const AcDbObject* obj = id.object();
    return obj ? AcDbBlockTableRecord::cast(obj->ownerId().object()) : nullptr;
}

} // namespace

void SpatialIndex::query(AcDbObjectId space, const Box2d& box, std::vector<BoxTree::Hit>& hits)
{
    treeOf(space).query(box, hits);
}

Box2d SpatialIndex::extents(AcDbObjectId space) { return treeOf(space).bounds(); }

const Shape* SpatialIndex::shapeOf(AcDbObjectId id) const
{
    const auto it = m_leaves.find(id);
    return it == m_leaves.end() ? nullptr : &it->second.shape;
}

BoxTree& SpatialIndex::treeOf(AcDbObjectId space)
{
    m_active = true;
    applyChanges();
    if (const auto it = m_trees.find(space); it != m_trees.end())
        return it->second;
    BoxTree& tree = m_trees[space];
    const auto* btr = AcDbBlockTableRecord::cast(space.object());
    if (!btr)
        return tree;
    // Each outline is made in one scratch shape and copied out at its size.
    std::vector<Shape> shapes;
    std::vector<BoxTree::Hit> boxes;
    shapes.reserve(btr->entityIds().size());
    boxes.reserve(btr->entityIds().size());
    Shape scratch;
    for (const AcDbObjectId& id : btr->entityIds())
        if (const auto* ent = AcDbEntity::cast(id.object()); isLive(ent) && ent->ownerId() == space) {
            outlineInto(ent, scratch);
            shapes.push_back(scratch);
            boxes.push_back({id, scratch.bounds()});
        }
    const std::vector<int> leaves = tree.insertAll(boxes);
    m_leaves.reserve(m_leaves.size() + boxes.size());
    for (size_t i = 0; i < boxes.size(); ++i)
        if (leaves[i] >= 0)
            m_leaves[boxes[i].id] = {&tree, leaves[i], std::move(shapes[i])};
    return tree;
}

// Notes which block each reference of the drawing shows, so that a changed definition
// finds the references to re-measure. Done when a definition first changes, from the
// drawing as it is then: each reference changed before was linked again as it was placed.
void SpatialIndex::linkAll()
{
    if (m_linked)
        return;
    m_linked = true;
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

void SpatialIndex::objectModified(AcDbObjectId id)
{
    if (!m_active)
        return;
    const AcDbObject* obj = id.object();
    if (AcDbBlockTableRecord::cast(obj)) {
        m_changedDefinitions.insert(id);
        return;
    }
    if (const auto* ent = AcDbEntity::cast(obj))
        m_changedEntities.insert(ownedByRecord(ent)->objectId());
}

// Places every changed entity again, then every reference that shows a changed definition,
// directly or through other definitions that contain references to it; each once. An
// entity of a definition changes the definition.
void SpatialIndex::applyChanges()
{
    if (m_changedEntities.empty() && m_changedDefinitions.empty())
        return;
    std::unordered_set<AcDbObjectId> placed = std::move(m_changedEntities);
    std::unordered_set<AcDbObjectId> seen = std::move(m_changedDefinitions);
    m_changedEntities.clear();
    m_changedDefinitions.clear();
    for (const AcDbObjectId& id : placed) {
        sync(id);
        if (const auto* owner = ownerRecord(id); owner && !owner->isLayout())
            seen.insert(owner->objectId());
    }
    if (!seen.empty())
        linkAll();
    std::vector<AcDbObjectId> pending(seen.begin(), seen.end());
    while (!pending.empty()) {
        const auto it = m_referencesTo.find(pending.back());
        pending.pop_back();
        if (it == m_referencesTo.end())
            continue;
        const std::vector<AcDbObjectId> references(it->second.begin(), it->second.end());
        for (const AcDbObjectId& refId : references) {
            const auto* owner = ownerRecord(refId);
            if (!owner)
                continue;
            if (placed.insert(refId).second)
                sync(refId);
            if (!owner->isLayout() && seen.insert(owner->objectId()).second)
                pending.push_back(owner->objectId());
        }
    }
}

void SpatialIndex::place(BoxTree& tree, const AcDbEntity* ent)
{
    Shape shape = entityShape(ent);
    const int node = tree.insert(shape.bounds(), ent->objectId());
    if (node >= 0)
        m_leaves[ent->objectId()] = {&tree, node, std::move(shape)};
}

// Brings one entity's link and leaf up to date: out of the tree it was in, into its
// owner's tree (when that is kept) unless erased or gone.
void SpatialIndex::sync(AcDbObjectId id)
{
    const auto* ent = AcDbEntity::cast(id.object());
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
