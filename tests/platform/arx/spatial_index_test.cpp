// The box tree, and the drawing's spatial index kept current through edits: checked
// against scans of the drawing and against an index built afresh from the saved drawing.
#include "editor_drawing.h"

#include "arx/acedview.h"
#include "arx/dbboxtree.h"
#include "common/tempdir.h"

#include <algorithm>
#include <random>
#include <set>

namespace {

using Ids = std::vector<AcDbObjectId>;

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
    for (size_t i = 0; i < stubs.size(); ++i) {
        boxes[i] = randomBox(rng, world, i % 100 == 0 ? 500 : 20);
        leaves[i] = tree.insert(boxes[i], AcDbObjectId(&stubs[i]));
    }
    check();
    for (size_t i = 0; i < stubs.size(); i += 2) {
        tree.remove(leaves[i]);
        leaves[i] = -1;
    }
    EXPECT_EQ(tree.size(), stubs.size() / 2);
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
    AcDbBlockTable* table = nullptr;
    db.getSymbolTable(table, AcDb::kForRead);
    AcDbObjectId door;
    ASSERT_EQ(table->getAt("DOOR", door), Acad::eOk);
    table->close();
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
