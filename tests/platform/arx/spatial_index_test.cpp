// The box tree, and the drawing's spatial index kept current through edits: checked
// against scans of the drawing and against an index built afresh from the saved drawing.
#include "editor_drawing.h"

#include "arx/acedview.h"
#include "arx/acutwcmatch.h"
#include "arx/dbboxtree.h"
#include "arx/dbdrawingstate.h"
#include "arx/dbshape.h"
#include "common/tempdir.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <random>
#include <set>

namespace {

using Ids = std::vector<AcDbObjectId>;
using Boxes = std::map<std::string, qv::Box2d>;

// Every entity of the record that the drawing's index holds, by handle, with its box.
Boxes indexed(AcDbDatabase* db, AcDbObjectId space)
{
    std::vector<qv::BoxTree::Hit> hits;
    qv::drawingState(db).index.query(space, qv::Box2d::around(-1e15, -1e15, 1e15, 1e15), hits);
    Boxes boxes;
    for (const auto& hit : hits)
        boxes[hit.id.handle().text()] = hit.box;
    return boxes;
}

bool near(const qv::Box2d& a, const qv::Box2d& b)
{
    const double tolerance =
        1e-9 * std::max({1.0, std::fabs(a.minX), std::fabs(a.maxX), std::fabs(a.minY), std::fabs(a.maxY)});
    return std::fabs(a.minX - b.minX) <= tolerance && std::fabs(a.minY - b.minY) <= tolerance
        && std::fabs(a.maxX - b.maxX) <= tolerance && std::fabs(a.maxY - b.maxY) <= tolerance;
}

qv::Box2d randomBox(std::mt19937& rng, const qv::Box2d& within, double maxSize)
{
    std::uniform_real_distribution<double> x(within.minX, within.maxX), y(within.minY, within.maxY), size(0, maxSize);
    const double x0 = x(rng), y0 = y(rng);
    return qv::Box2d::around(x0, y0, x0 + size(rng), y0 + size(rng));
}

} // namespace

TEST(BoxTree, FindsWhatAScanFindsThroughInsertsAndRemovals)
{
    std::mt19937 rng(3);
    const qv::Box2d world = qv::Box2d::around(0, 0, 1000, 1000);
    std::vector<AcDbStub> stubs(3000);
    std::vector<qv::Box2d> boxes(stubs.size());
    std::vector<int> leaves(stubs.size(), -1);
    qv::BoxTree tree;
    auto check = [&] {
        for (int q = 0; q < 50; ++q) {
            const qv::Box2d area = randomBox(rng, world, 200);
            std::vector<qv::BoxTree::Hit> hits;
            tree.query(area, hits);
            std::set<const AcDbStub*> found, expected;
            for (const auto& hit : hits)
                found.insert(hit.id.stub());
            for (size_t i = 0; i < stubs.size(); ++i)
                if (leaves[i] >= 0 && boxes[i].intersects(area))
                    expected.insert(&stubs[i]);
            ASSERT_EQ(found, expected);
        }
        qv::Box2d all;
        for (size_t i = 0; i < stubs.size(); ++i)
            if (leaves[i] >= 0)
                all.add(boxes[i]);
        EXPECT_EQ(tree.bounds().minX, all.minX);
        EXPECT_EQ(tree.bounds().maxY, all.maxY);
    };
    // The first half one by one, the second at once; then all at once into a new tree.
    std::vector<qv::BoxTree::Hit> items;
    for (size_t i = 0; i < stubs.size(); ++i) {
        boxes[i] = randomBox(rng, world, i % 100 == 0 ? 500 : 20);
        if (i < stubs.size() / 2)
            leaves[i] = tree.insert(boxes[i], AcDbObjectId(&stubs[i]));
        else
            items.push_back({AcDbObjectId(&stubs[i]), boxes[i]});
    }
    std::copy_n(tree.insertAll(items).begin(), items.size(), leaves.begin() + stubs.size() / 2);
    check();
    items.clear();
    for (size_t i = 0; i < stubs.size(); ++i)
        items.push_back({AcDbObjectId(&stubs[i]), boxes[i]});
    items[7].box = qv::Box2d();
    tree = qv::BoxTree();
    leaves = tree.insertAll(items);
    EXPECT_EQ(leaves[7], -1);
    EXPECT_EQ(tree.size(), stubs.size() - 1);
    check();
    for (size_t i = 0; i < stubs.size(); i += 2) {
        tree.remove(leaves[i]);
        leaves[i] = -1;
    }
    EXPECT_EQ(tree.size(), stubs.size() / 2 - 1);
    check();
    for (size_t i = 0; i < stubs.size(); i += 4) {
        boxes[i] = randomBox(rng, world, 50);
        leaves[i] = tree.insert(boxes[i], AcDbObjectId(&stubs[i]));
    }
    check();
    EXPECT_EQ(tree.insert(qv::Box2d(), AcDbObjectId()), -1);
    EXPECT_EQ(tree.insert(qv::Box2d::around(0, 0, INFINITY, 1), AcDbObjectId()), -1);
}

namespace {

class GeneratedPlan : public EditorDrawing
{
protected:
    GeneratedPlan()
    {
        const std::string path = dir.file("plan.dxf");
        const std::string command = "/usr/bin/python3 " QV_SOURCE_DIR "/scripts/gen_floorplan.py --rooms 200 --seed 7 "
            + path + " > /dev/null";
        EXPECT_EQ(std::system(command.c_str()), 0);
        EXPECT_EQ(db.readDxfFile(path.c_str()), Acad::eOk);
        extents = qv::viewWindow(&db);   // builds the index
    }

    Ids modelSpace() const
    {
        Ids ids;
        AcDbBlockTableRecord* ms = nullptr;
        acdbOpenObject(ms, db.modelSpaceId(), AcDb::kForRead);
        for (const AcDbObjectId& id : ms->entityIds())
            if (!id.isErased())
                ids.push_back(id);
        ms->close();
        return ids;
    }

    AcDbObjectId definitionNamed(const char* name)
    {
        AcDbBlockTable* table = nullptr;
        db.getSymbolTable(table, AcDb::kForRead);
        AcDbObjectId id;
        table->getAt(name, id);
        table->close();
        return id;
    }

    template <class Edit>
    void edit(AcDbObjectId id, Edit change)
    {
        AcDbEntity* ent = nullptr;
        ASSERT_EQ(acdbOpenObject(ent, id, AcDb::kForWrite, true), Acad::eOk);
        change(ent);
        ent->close();
    }

    // Moves, erases, restores and adds entities at random.
    void shuffle(std::mt19937& rng)
    {
        Ids ids = modelSpace();
        std::shuffle(ids.begin(), ids.end(), rng);
        std::uniform_real_distribution<double> shift(-extents.width() / 10, extents.width() / 10);
        for (size_t i = 0; i < 60; ++i)
            edit(ids[i], [&](AcDbEntity* ent) { ent->transformBy(AcGeMatrix3d::translation(AcGeVector3d(shift(rng), shift(rng), 0))); });
        for (size_t i = 60; i < 90; ++i)
            edit(ids[i], [](AcDbEntity* ent) { ent->erase(); });
        for (size_t i = 60; i < 70; ++i)
            edit(ids[i], [](AcDbEntity* ent) { ent->erase(false); });
        for (int i = 0; i < 20; ++i) {
            const qv::Box2d b = randomBox(rng, extents, extents.width() / 20);
            add(new AcDbLine(AcGePoint3d(b.minX, b.minY, 0), AcGePoint3d(b.maxX, b.maxY, 0)));
        }
    }

    // What a window should select among entities whose extents are their exact outline: a
    // scan of model space.
    Ids scanWindow(const qv::Box2d& window, const std::set<std::string>& types) const
    {
        Ids ids;
        for (const AcDbObjectId& id : modelSpace()) {
            const auto* ent = AcDbEntity::cast(id.object());
            const auto* layer = AcDbLayerTableRecord::cast(ent->layerId().object());
            AcDbExtents e;
            if (!types.count(ent->dxfName()) || layer->isOff() || layer->isFrozen() || ent->getGeomExtents(e) != Acad::eOk)
                continue;
            if (window.minX < e.minPoint().x && e.maxPoint().x < window.maxX && window.minY < e.minPoint().y
                && e.maxPoint().y < window.maxY)
                ids.push_back(id);
        }
        std::sort(ids.begin(), ids.end(), [](AcDbObjectId a, AcDbObjectId b) { return a.stub()->order < b.stub()->order; });
        return ids;
    }

    static std::vector<std::string> handles(const char* mode, const qv::Box2d& window)
    {
        const ads_point a = {window.minX, window.minY, 0}, b = {window.maxX, window.maxY, 0};
        ads_name set;
        std::vector<std::string> result;
        if (acedSSGet(mode, a, b, nullptr, set) == RTNORM)
            for (const AcDbObjectId& id : take(set))
                result.push_back(id.handle().text());
        return result;
    }

    TempDir dir;
    qv::Box2d extents;
};

} // namespace

TEST_F(GeneratedPlan, WindowsAfterEditsAgreeWithAScan)
{
    std::mt19937 rng(11);
    shuffle(rng);
    const std::set<std::string> types = {"LWPOLYLINE", "LINE", "CIRCLE", "TEXT", "MTEXT"};
    resbuf* filter = acutBuildList(RTDXF0, "LWPOLYLINE,LINE,CIRCLE,TEXT,MTEXT", 0);
    size_t nonEmpty = 0;
    for (int q = 0; q < 60; ++q) {
        const qv::Box2d window = randomBox(rng, extents, extents.width() / 3);
        const ads_point a = {window.minX, window.minY, 0}, b = {window.maxX, window.maxY, 0};
        ads_name set;
        const Ids selected = acedSSGet("W", a, b, filter, set) == RTNORM ? take(set) : Ids();
        ASSERT_EQ(selected, scanWindow(window, types)) << "window " << q;
        nonEmpty += !selected.empty();
    }
    acutRelRb(filter);
    EXPECT_GT(nonEmpty, 20u);
}

// The index built at once outlines its entities one after another in one shape: each kept
// outline is the entity's own, part for part, nothing left over from the one before.
TEST_F(GeneratedPlan, OutlinesOfTheIndexBuiltAtOnceAreEachEntitysOwn)
{
    auto points = [](const qv::Shape& shape) {
        std::vector<double> values;
        for (const auto& s : shape.segments)
            for (const AcGePoint2d& p : s)
                values.insert(values.end(), {p.x, p.y});
        for (const qv::ShapeArc& a : shape.arcs)
            values.insert(values.end(), {a.center.x, a.center.y, a.radius, a.start, a.sweep});
        for (const auto& q : shape.quads)
            for (const AcGePoint2d& p : q)
                values.insert(values.end(), {p.x, p.y});
        return values;
    };
    for (const AcDbObjectId& id : modelSpace()) {
        const qv::Shape* kept = qv::drawingState(&db).index.shapeOf(id);
        ASSERT_NE(kept, nullptr);
        const qv::Shape own = qv::entityShape(AcDbEntity::cast(id.object()));
        EXPECT_EQ(kept->segments.size(), own.segments.size());
        EXPECT_EQ(kept->quads.size(), own.quads.size());
        EXPECT_EQ(points(*kept), points(own)) << id.handle().text();
    }
}

TEST_F(GeneratedPlan, IndexKeptThroughEditsAgreesWithOneBuiltAfresh)
{
    std::mt19937 rng(5);
    shuffle(rng);
    AcDbDatabase fresh(false);
    ASSERT_EQ(fresh.readDxfText(db.dxfText()), Acad::eOk);
    for (AcDbDatabase* each : {&db, &fresh})
        qv::zoomWindow(each, AcGePoint3d(extents.minX, extents.minY, 0), AcGePoint3d(extents.maxX, extents.maxY, 0));
    std::uniform_real_distribution<double> x(extents.minX, extents.maxX), y(extents.minY, extents.maxY);
    for (int q = 0; q < 60; ++q) {
        const qv::Box2d window = randomBox(rng, extents, extents.width() / 4);
        const std::string point = std::to_string(x(rng)) + "," + std::to_string(y(rng));
        std::vector<std::vector<std::string>> results;
        for (AcDbDatabase* each : {&db, &fresh}) {
            acdbHostApplicationServices()->setWorkingDatabase(each);
            const AcDbObjectId picked = pick(point);
            results.push_back(handles("C", window));
            results.back().push_back(picked.isNull() ? "-" : picked.handle().text());
        }
        ASSERT_EQ(results[0], results[1]) << "query " << q;
    }
    acdbHostApplicationServices()->setWorkingDatabase(&db);
}

TEST_F(GeneratedPlan, ChangedDefinitionMovesItsReferences)
{
    // Every door reference gains a ring of radius 5000 (in the definition) around its
    // insertion point.
    const AcDbObjectId door = definitionNamed("DOOR");
    ASSERT_FALSE(door.isNull());
    AcDbObjectId reference;
    for (const AcDbObjectId& id : modelSpace())
        if (const auto* ref = AcDbBlockReference::cast(id.object()); ref && ref->blockTableRecord() == door)
            reference = id;
    ASSERT_FALSE(reference.isNull());
    add(new AcDbCircle(AcGePoint3d(0, 0, 0), AcGeVector3d::kZAxis, 5000), door);
    const AcGePoint3d at = AcDbBlockReference::cast(reference.object())->blockTransform().transform(AcGePoint3d(5000, 0, 0));
    qv::zoomWindow(&db, AcGePoint3d(at.x - 400, at.y - 300, 0), AcGePoint3d(at.x + 400, at.y + 300, 0));
    EXPECT_EQ(pick(std::to_string(at.x) + "," + std::to_string(at.y)), reference);
}

TEST_F(GeneratedPlan, IndexKeptThroughDefinitionEditsAgreesWithOneBuiltAfresh)
{
    // The door definition changes between and during edits of its references: grown by a
    // ring, its origin moved, its first entity and the ring moved.
    const AcDbObjectId door = definitionNamed("DOOR");
    ASSERT_FALSE(door.isNull());
    std::mt19937 rng(17);
    shuffle(rng);
    const AcDbObjectId ring = add(new AcDbCircle(AcGePoint3d(0, 0, 0), AcGeVector3d::kZAxis, 3000), door);
    shuffle(rng);
    indexed(&db, db.modelSpaceId());
    AcDbBlockTableRecord* definition = nullptr;
    ASSERT_EQ(acdbOpenObject(definition, door, AcDb::kForWrite), Acad::eOk);
    definition->setOrigin(AcGePoint3d(100, 200, 0));
    definition->close();
    shuffle(rng);
    indexed(&db, db.modelSpaceId());
    edit(AcDbBlockTableRecord::cast(door.object())->entityIds().front(),
         [](AcDbEntity* ent) { ent->transformBy(AcGeMatrix3d::translation(AcGeVector3d(500, 0, 0))); });
    edit(ring, [](AcDbEntity* ent) { ent->transformBy(AcGeMatrix3d::translation(AcGeVector3d(0, 700, 0))); });

    AcDbDatabase fresh(false);
    ASSERT_EQ(fresh.readDxfText(db.dxfText()), Acad::eOk);
    const Boxes kept = indexed(&db, db.modelSpaceId()), built = indexed(&fresh, fresh.modelSpaceId());
    ASSERT_EQ(kept.size(), built.size());
    for (const auto& [handle, box] : built) {
        const auto it = kept.find(handle);
        ASSERT_NE(it, kept.end()) << handle;
        EXPECT_TRUE(near(it->second, box)) << handle;
    }
}

TEST_F(GeneratedPlan, FilteredPolygonsAgreeWithEveryEntityTestedThroughEditsAndDefinitionChanges)
{
    const AcDbObjectId door = definitionNamed("DOOR");
    ASSERT_FALSE(door.isNull());
    // Crossing: drawn, passing the filter, and some part of the outline in the polygon.
    auto everyEntityTested = [&](const qv::Region& region, const char* types, const char* names) {
        Ids ids;
        for (const AcDbObjectId& id : modelSpace()) {
            const auto* ent = AcDbEntity::cast(id.object());
            const auto* layer = AcDbLayerTableRecord::cast(ent->layerId().object());
            const auto* ref = AcDbBlockReference::cast(ent);
            const auto* btr = ref ? AcDbBlockTableRecord::cast(ref->blockTableRecord().object()) : nullptr;
            if (ent->visibility() == AcDb::kVisible && !layer->isOff() && !layer->isFrozen()
                && qv::wcMatch(ent->dxfName(), types, true) && (!names || (btr && qv::wcMatch(btr->name(), names, true)))
                && qv::meets(qv::entityShape(ent), region))
                ids.push_back(id);
        }
        return ids;
    };
    std::mt19937 rng(23);
    size_t found = 0;
    auto check = [&] {
        for (int q = 0; q < 40; ++q) {
            const qv::Box2d b = randomBox(rng, extents, extents.width() / 3);
            const ads_point p = {b.minX, b.minY, 0}, r = {b.maxX, b.minY + b.height() / 3, 0},
                            s = {b.minX + b.width() / 2, b.maxY, 0};
            resbuf* polygon = acutBuildList(RTPOINT, p, RTPOINT, r, RTPOINT, s, 0);
            const qv::Region region({{p[0], p[1]}, {r[0], r[1]}, {s[0], s[1]}});
            for (const auto& [types, names] : {std::pair<const char*, const char*>{"INSERT", "D*"},
                                               {"LWPOLYLINE,LINE,CIRCLE,HATCH,TEXT,MTEXT", nullptr}}) {
                resbuf* filter = names ? acutBuildList(RTDXF0, types, 2, names, 0) : acutBuildList(RTDXF0, types, 0);
                ads_name set;
                const Ids selected = acedSSGet("CP", polygon, nullptr, filter, set) == RTNORM ? take(set) : Ids();
                ASSERT_EQ(selected, everyEntityTested(region, types, names)) << "polygon " << q << " " << types;
                found += selected.size();
                acutRelRb(filter);
            }
            acutRelRb(polygon);
        }
    };
    check();
    shuffle(rng);
    const AcDbObjectId ring = add(new AcDbCircle(AcGePoint3d(0, 0, 0), AcGeVector3d::kZAxis, 3000), door);
    check();
    AcDbBlockTableRecord* definition = nullptr;
    ASSERT_EQ(acdbOpenObject(definition, door, AcDb::kForWrite), Acad::eOk);
    definition->setOrigin(AcGePoint3d(100, 200, 0));
    definition->close();
    edit(ring, [](AcDbEntity* ent) { ent->transformBy(AcGeMatrix3d::translation(AcGeVector3d(0, 700, 0))); });
    shuffle(rng);
    check();
    EXPECT_GT(found, 400u);
}

namespace {

class SharedDefinition : public EditorDrawing
{
protected:
    // Forty references of a 10 by 10 square, and ten of a block that holds one of them.
    SharedDefinition()
        : square(define("SQUARE", {rectangle(0, 0, 10, 10)})), holder(define("HOLDER", {}))
    {
        insert(square, AcGePoint3d(0, 0, 0), holder);
        for (int i = 0; i < 40; ++i)
            direct.push_back(insert(square, AcGePoint3d(i * 100, 0, 0)));
        for (int i = 0; i < 10; ++i)
            nested.push_back(insert(holder, AcGePoint3d(i * 100, 1000, 0)));
        indexed(&db, db.modelSpaceId());
    }

    // The index's box of the reference, or an empty one when the index lacks it.
    qv::Box2d boxOf(AcDbObjectId id)
    {
        const Boxes boxes = indexed(&db, db.modelSpaceId());
        const auto it = boxes.find(id.handle().text());
        return it == boxes.end() ? qv::Box2d() : it->second;
    }

    // Every reference's box and kept outline are its outline's now, and the first of each
    // kind is the expected one (relative to its insertion point).
    void expectBoxes(const qv::Box2d& relative)
    {
        const Boxes boxes = indexed(&db, db.modelSpaceId());
        for (const Ids* kind : {&direct, &nested})
            for (const AcDbObjectId& id : *kind) {
                const auto it = boxes.find(id.handle().text());
                ASSERT_NE(it, boxes.end());
                const qv::Shape shape = qv::entityShape(AcDbEntity::cast(id.object()));
                const qv::Shape* kept = qv::drawingState(&db).index.shapeOf(id);
                ASSERT_NE(kept, nullptr);
                EXPECT_EQ(kept->size(), shape.size());
                EXPECT_TRUE(near(kept->bounds(), shape.bounds()));
                EXPECT_TRUE(near(it->second, shape.bounds()));
            }
        EXPECT_TRUE(near(boxOf(direct[0]), relative));
        const qv::Box2d raised{relative.minX, relative.minY + 1000, relative.maxX, relative.maxY + 1000};
        EXPECT_TRUE(near(boxOf(nested[0]), raised));
    }

    template <class Edit>
    void edit(AcDbObjectId id, Edit change)
    {
        AcDbObject* obj = nullptr;
        ASSERT_EQ(acdbOpenObject(obj, id, AcDb::kForWrite, true), Acad::eOk);
        change(obj);
        obj->close();
    }

    AcDbObjectId outline() const { return AcDbBlockTableRecord::cast(square.object())->entityIds().front(); }

    AcDbObjectId square, holder;
    Ids direct, nested;
};

void moveBy(AcDbObject* obj, double dx, double dy)
{
    AcDbEntity::cast(obj)->transformBy(AcGeMatrix3d::translation(AcGeVector3d(dx, dy, 0)));
}

} // namespace

TEST_F(SharedDefinition, EveryChangeOfTheDefinitionReachesEveryReferenceByTheNextQuery)
{
    // Placed before the definition first changes, and followed by it as every other.
    direct.push_back(insert(square, AcGePoint3d(4000, 0, 0)));
    expectBoxes({0, 0, 10, 10});
    const AcDbObjectId ring = add(new AcDbCircle(AcGePoint3d(5, 5, 0), AcGeVector3d::kZAxis, 30), square);
    expectBoxes({-25, -25, 35, 35});
    // Several changes between two queries: the last state counts.
    edit(ring, [](AcDbObject* obj) { moveBy(obj, 100, 0); });
    edit(ring, [](AcDbObject* obj) { moveBy(obj, -50, 0); });
    edit(outline(), [](AcDbObject* obj) { moveBy(obj, 0, -20); });
    expectBoxes({0, -25, 85, 35});
    edit(square, [](AcDbObject* obj) { AcDbBlockTableRecord::cast(obj)->setOrigin(AcGePoint3d(0, -20, 0)); });
    expectBoxes({0, -5, 85, 55});
    edit(ring, [](AcDbObject* obj) { obj->erase(); });
    expectBoxes({0, 0, 10, 10});
}

TEST_F(SharedDefinition, ARepointedReferenceFollowsItsNewDefinitionOnly)
{
    const AcDbObjectId other = define("OTHER", {rectangle(0, 0, 4, 4)});
    edit(direct[1], [&](AcDbObject* obj) { AcDbBlockReference::cast(obj)->setBlockTableRecord(other); });
    add(new AcDbCircle(AcGePoint3d(5, 5, 0), AcGeVector3d::kZAxis, 30), square);
    EXPECT_TRUE(near(boxOf(direct[1]), {100, 0, 104, 4}));
    EXPECT_TRUE(near(boxOf(direct[0]), {-25, -25, 35, 35}));
    edit(AcDbBlockTableRecord::cast(other.object())->entityIds().front(), [](AcDbObject* obj) { moveBy(obj, 1, 1); });
    EXPECT_TRUE(near(boxOf(direct[1]), {101, 1, 105, 5}));

    // Erased, changed, restored: back with the definition's present outline.
    edit(direct[1], [](AcDbObject* obj) { obj->erase(); });
    EXPECT_TRUE(boxOf(direct[1]).isEmpty());
    edit(AcDbBlockTableRecord::cast(other.object())->entityIds().front(), [](AcDbObject* obj) { moveBy(obj, 1, 1); });
    edit(direct[1], [](AcDbObject* obj) { obj->erase(false); });
    EXPECT_TRUE(near(boxOf(direct[1]), {102, 2, 106, 6}));
}

TEST_F(SharedDefinition, AnEmptiedDefinitionLeavesItsReferencesOutOfTheIndex)
{
    edit(outline(), [](AcDbObject* obj) { obj->erase(); });
    EXPECT_TRUE(boxOf(direct[0]).isEmpty());
    EXPECT_TRUE(boxOf(nested[0]).isEmpty());
    edit(outline(), [](AcDbObject* obj) { obj->erase(false); });
    // A definition that references show is not erased; emptied, its references leave.
    edit(holder, [](AcDbObject* obj) { EXPECT_EQ(obj->erase(), Acad::eObjectIsReferenced); });
    EXPECT_TRUE(near(boxOf(nested[0]), {0, 1000, 10, 1010}));
    edit(AcDbBlockTableRecord::cast(holder.object())->entityIds().front(), [](AcDbObject* obj) { obj->erase(); });
    EXPECT_TRUE(near(boxOf(direct[0]), {0, 0, 10, 10}));
    EXPECT_TRUE(boxOf(nested[0]).isEmpty());
}
