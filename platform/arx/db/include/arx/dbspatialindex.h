// Where the entities of a drawing's layouts (model space and the paper-space layouts) lie:
// a box tree per block record, made when the record is first queried. Changes are noted as
// they happen and applied at the next query: each changed entity is placed again once, and
// each changed definition re-measures the references that show it (nested definitions
// included) once, however often it changed in between. Each placed entity's outline is kept
// with its leaf, made again whenever the entity is placed again.
#pragma once

#include "arx/dbboxtree.h"
#include "arx/dbshape.h"

#include <unordered_map>
#include <unordered_set>

class AcDbDatabase;
class AcDbEntity;

namespace qv {

class SpatialIndex
{
public:
    explicit SpatialIndex(AcDbDatabase* db) : m_db(db) {}
    SpatialIndex(const SpatialIndex&) = delete;
    SpatialIndex& operator=(const SpatialIndex&) = delete;

    // The record's entities whose boxes meet the rectangle, with their boxes.
    void query(AcDbObjectId space, const Box2d& box, std::vector<BoxTree::Hit>& hits);
    // The box around the record's entities (empty when it has none).
    Box2d extents(AcDbObjectId space);
    // The outline of an entity that the last query found (null when it has no leaf).
    const Shape* shapeOf(AcDbObjectId id) const;
    // An object was closed after a change, or moved to another owner.
    void objectModified(AcDbObjectId id);

private:
    struct Leaf {
        BoxTree* tree;
        int node;
        Shape shape;
    };

    BoxTree& treeOf(AcDbObjectId space);
    void linkAll();
    void applyChanges();
    void sync(AcDbObjectId id);
    void place(BoxTree& tree, const AcDbEntity* ent);
    void link(AcDbObjectId reference, AcDbObjectId definition);
    void unlink(AcDbObjectId reference);

    AcDbDatabase* m_db;
    bool m_active = false;   // changes are noted from the first query on
    bool m_linked = false;   // every reference is linked, from the first change of a definition on
    std::unordered_map<AcDbObjectId, BoxTree> m_trees;
    std::unordered_map<AcDbObjectId, Leaf> m_leaves;
    std::unordered_map<AcDbObjectId, AcDbObjectId> m_definitionOf;
    std::unordered_map<AcDbObjectId, std::unordered_set<AcDbObjectId>> m_referencesTo;
    std::unordered_set<AcDbObjectId> m_changedEntities;      // entities a block record owns
    std::unordered_set<AcDbObjectId> m_changedDefinitions;   // block records
};

} // namespace qv
