// Blocks that would contain themselves: drawings holding one are refused when read, the
// operations that would make one are refused and change nothing, and the walks through
// nested references end (and stay linear) even when a cycle or a deep sharing got in.
#include "editor_drawing.h"

#include "arx/acedview.h"
#include "arx/dbdrawingstate.h"
#include "arx/dbidmapping.h"
#include "arx/dbshape.h"
#include "common/tempdir.h"

#include <cstdlib>

namespace {

// Writes a drawing with ezdxf (an independent writer): the script gets `doc` and `msp`, a
// new release-2013 drawing and its model space, and the drawing is saved as the file.
std::string ezdxfDrawing(const TempDir& dir, const std::string& name, const std::string& body)
{
    const std::string script = dir.file(name + ".py"), path = dir.file(name + ".dxf");
    writeFile(script, "import ezdxf\ndoc = ezdxf.new('R2013')\nmsp = doc.modelspace()\n" + body
                          + "\ndoc.saveas('" + path + "')\n");
    EXPECT_EQ(std::system(("/usr/bin/python3 " + script).c_str()), 0);
    return path;
}

// The same in release 12, written by hand: blocks (name and entities) and model space.
std::string r12Drawing(const std::vector<std::pair<std::string, std::string>>& blocks, const std::string& entities)
{
    std::string text = "0\nSECTION\n2\nHEADER\n9\n$ACADVER\n1\nAC1009\n0\nENDSEC\n0\nSECTION\n2\nBLOCKS\n";
    for (const auto& [name, content] : blocks)
        text += "0\nBLOCK\n8\n0\n2\n" + name + "\n70\n0\n10\n0\n20\n0\n30\n0\n" + content + "0\nENDBLK\n8\n0\n";
    return text + "0\nENDSEC\n0\nSECTION\n2\nENTITIES\n" + entities + "0\nENDSEC\n0\nEOF\n";
}

std::string r12Insert(const std::string& block, double x)
{
    return "0\nINSERT\n8\n0\n2\n" + block + "\n10\n" + std::to_string(x) + "\n20\n0\n30\n0\n";
}

const std::string kR12Line = "0\nLINE\n8\n0\n10\n0\n20\n0\n30\n0\n11\n1\n21\n1\n31\n0\n";

class Nesting : public EditorDrawing
{
protected:
    size_t entityCount(AcDbObjectId record) const
    {
        return AcDbBlockTableRecord::cast(record.object())->entityIds().size();
    }

    AcDbObjectId definitionOf(AcDbObjectId reference) const
    {
        return AcDbBlockReference::cast(reference.object())->blockTableRecord();
    }

    // Appends a reference to the definition, as add() does, and gives the status.
    Acad::ErrorStatus append(AcDbObjectId record, AcDbObjectId definition)
    {
        AcDbBlockTableRecord* btr = nullptr;
        EXPECT_EQ(acdbOpenObject(btr, record, AcDb::kForWrite), Acad::eOk);
        auto* ref = new AcDbBlockReference(AcGePoint3d(1, 1, 0), definition);
        const Acad::ErrorStatus es = btr->appendAcDbEntity(ref);
        es == Acad::eOk ? (void)ref->close() : delete ref;
        btr->close();
        return es;
    }

    // A reference placed in the record the way the reader places one: without any check,
    // which is how a cycle could get in.
    AcDbObjectId smuggle(AcDbObjectId record, AcDbObjectId definition, const AcGePoint3d& at)
    {
        auto* ref = new AcDbBlockReference(at, definition);
        AcDbObjectId id;
        EXPECT_EQ(db.addAcDbObject(id, ref), Acad::eOk);
        ref->setOwnerId(record);
        AcDbBlockTableRecord::cast(record.object())->attachEntity(id);
        ref->close();
        return id;
    }

    static qv::Box2d box(const AcDbEntity* ent)
    {
        AcDbExtents e;
        EXPECT_EQ(ent->getGeomExtents(e), Acad::eOk);
        return qv::Box2d::around(e.minPoint().x, e.minPoint().y, e.maxPoint().x, e.maxPoint().y);
    }
};

} // namespace

TEST_F(Nesting, DrawingsWithABlockThatContainsItselfAreRefusedWhole)
{
    TempDir dir;
    const AcDbObjectId kept = room(0, 0, 10, 10);
    const size_t objects = db.objectCount();
    struct Case {
        const char* what;
        std::string path;
        std::string message;
    } cases[] = {
        {"model space holding itself twice",
         ezdxfDrawing(dir, "self", "msp.add_line((0, 0), (10, 10))\nmsp.add_blockref('*Model_Space', (0, 0))\n"
                                   "msp.add_blockref('*Model_Space', (100, 0))"),
         "the block '*Model_Space' contains itself: '*Model_Space' holds a reference to '*Model_Space'"},
        {"A holds B holds A",
         ezdxfDrawing(dir, "ab",
                      "a = doc.blocks.new('A')\nb = doc.blocks.new('B')\na.add_line((0, 0), (1, 1))\n"
                      "a.add_blockref('B', (5, 0))\nb.add_blockref('A', (5, 0))\nmsp.add_blockref('A', (0, 0))"),
         "the block 'A' contains itself: 'A' holds a reference to 'B', 'B' holds a reference to 'A'"},
        {"a cycle that model space does not show",
         ezdxfDrawing(dir, "hidden", "doc.blocks.new('P').add_blockref('Q', (0, 0))\n"
                                     "doc.blocks.new('Q').add_blockref('R', (0, 0))\n"
                                     "doc.blocks.new('R').add_blockref('P', (0, 0))"),
         "the block 'P' contains itself: 'P' holds a reference to 'Q', 'Q' holds a reference to 'R', "
         "'R' holds a reference to 'P'"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(db.readDxfFile(c.path.c_str()), Acad::eSelfReference) << c.what;
        EXPECT_NE(db.lastErrorMessage().find(c.message), std::string::npos) << db.lastErrorMessage();
        EXPECT_NE(db.lastErrorMessage().find(c.path), std::string::npos) << "names the file";
        EXPECT_EQ(db.objectCount(), objects) << c.what;
        EXPECT_FALSE(kept.isErased());
    }
    const std::string r12 = r12Drawing({{"LOOP", r12Insert("LOOP", 1)}}, r12Insert("LOOP", 0));
    EXPECT_EQ(db.readDxfText(r12), Acad::eSelfReference);
    EXPECT_NE(db.lastErrorMessage().find("'LOOP' holds a reference to 'LOOP'"), std::string::npos);
}

TEST_F(Nesting, SharedButAcyclicDefinitionsAreRead)
{
    // A diamond: model space shows A twice, A shows B and C, both show D; E is shown both
    // in model space and inside D.
    const std::string text = r12Drawing({{"E", kR12Line},
                                         {"D", kR12Line + r12Insert("E", 2)},
                                         {"C", r12Insert("D", 0) + r12Insert("D", 3)},
                                         {"B", r12Insert("D", 0)},
                                         {"A", r12Insert("B", 0) + r12Insert("C", 10)}},
                                        r12Insert("A", 0) + r12Insert("A", 100) + r12Insert("E", 200));
    ASSERT_EQ(db.readDxfText(text), Acad::eOk) << db.lastErrorMessage();
    EXPECT_EQ(entityCount(db.modelSpaceId()), 3u);
}

TEST_F(Nesting, ReferencesThatWouldMakeABlockContainItselfAreRefused)
{
    const AcDbObjectId c = define("C", {rectangle(0, 0, 1, 1)});
    const AcDbObjectId b = define("B", {});
    const AcDbObjectId a = define("A", {});
    insert(c, AcGePoint3d(0, 0, 0), b);   // B holds C
    insert(b, AcGePoint3d(0, 0, 0), a);   // A holds B
    const AcDbObjectId other = define("OTHER", {rectangle(0, 0, 1, 1)});

    // appendAcDbEntity: directly, and through one and two levels.
    EXPECT_EQ(append(db.modelSpaceId(), db.modelSpaceId()), Acad::eSelfReference);
    EXPECT_EQ(append(a, a), Acad::eSelfReference);
    EXPECT_EQ(append(b, a), Acad::eSelfReference);
    EXPECT_EQ(append(c, a), Acad::eSelfReference);
    EXPECT_EQ(entityCount(db.modelSpaceId()), 0u);
    EXPECT_EQ(entityCount(c), 1u);
    EXPECT_EQ(append(c, other), Acad::eOk) << "a reference to an unrelated block";
    EXPECT_EQ(append(db.modelSpaceId(), a), Acad::eOk);

    // setBlockTableRecord on the reference that C holds, now that model space shows A.
    const AcDbObjectId unrelated = define("UNRELATED", {});
    const AcDbObjectId inC = AcDbBlockTableRecord::cast(c.object())->entityIds().back();
    AcDbBlockReference* ref = nullptr;
    ASSERT_EQ(acdbOpenObject(ref, inC, AcDb::kForWrite), Acad::eOk);
    EXPECT_EQ(ref->setBlockTableRecord(a), Acad::eSelfReference);
    EXPECT_EQ(ref->setBlockTableRecord(c), Acad::eSelfReference);
    EXPECT_EQ(ref->setBlockTableRecord(db.modelSpaceId()), Acad::eSelfReference) << "model space shows A, B and C";
    EXPECT_EQ(ref->blockTableRecord(), other);
    EXPECT_EQ(ref->setBlockTableRecord(unrelated), Acad::eOk);
    ref->close();

    // A reference not yet in a drawing may show anything; appending it decides.
    AcDbBlockReference loose;
    EXPECT_EQ(loose.setBlockTableRecord(a), Acad::eOk);
}

TEST_F(Nesting, MovingOrCopyingAReferenceIntoWhatItShowsIsRefused)
{
    const AcDbObjectId b = define("B", {rectangle(0, 0, 1, 1)});
    const AcDbObjectId a = define("A", {});
    insert(b, AcGePoint3d(0, 0, 0), a);
    const AcDbObjectId showsA = insert(a, AcGePoint3d(0, 0, 0));
    const AcDbObjectId line = add(new AcDbLine(AcGePoint3d(0, 0, 0), AcGePoint3d(1, 1, 0)));
    const size_t objects = db.objectCount();

    AcDbBlockTableRecord* btr = nullptr;
    ASSERT_EQ(acdbOpenObject(btr, b, AcDb::kForWrite), Acad::eOk);
    EXPECT_EQ(btr->assumeOwnershipOf({line, showsA}), Acad::eSelfReference);
    btr->close();
    EXPECT_EQ(entityCount(db.modelSpaceId()), 2u) << "neither entity moved";
    EXPECT_EQ(AcDbEntity::cast(line.object())->ownerId(), db.modelSpaceId());

    AcDbIdMapping map;
    EXPECT_EQ(db.deepCloneObjects({line, showsA}, b, map), Acad::eSelfReference);
    EXPECT_EQ(db.deepCloneObjects({showsA}, a, map), Acad::eSelfReference);
    EXPECT_EQ(db.objectCount(), objects) << "no copy was made";
    EXPECT_TRUE(map.pairs().empty());
    EXPECT_EQ(entityCount(b), 1u);

    const AcDbObjectId other = define("OTHER", {});
    EXPECT_EQ(db.deepCloneObjects({showsA}, other, map), Acad::eOk);
    EXPECT_EQ(definitionOf(AcDbBlockTableRecord::cast(other.object())->entityIds().back()), a);
}

TEST_F(Nesting, AnErasedReferenceStillCountsAsItMayBeRestored)
{
    const AcDbObjectId b = define("B", {rectangle(0, 0, 1, 1)});
    const AcDbObjectId a = define("A", {});
    const AcDbObjectId held = insert(b, AcGePoint3d(0, 0, 0), a);
    AcDbEntity* ent = nullptr;
    ASSERT_EQ(acdbOpenObject(ent, held, AcDb::kForWrite), Acad::eOk);
    ent->erase();
    ent->close();
    EXPECT_EQ(append(b, a), Acad::eSelfReference);
    ASSERT_EQ(acdbOpenObject(ent, held, AcDb::kForWrite, true), Acad::eOk);
    EXPECT_EQ(ent->erase(false), Acad::eOk);
    ent->close();
}

TEST_F(Nesting, WalksEndWhenModelSpaceHoldsItselfTwice)
{
    add(new AcDbLine(AcGePoint3d(0, 0, 0), AcGePoint3d(10, 10, 0)));
    const AcDbObjectId first = smuggle(db.modelSpaceId(), db.modelSpaceId(), AcGePoint3d(100, 0, 0));
    smuggle(db.modelSpaceId(), db.modelSpaceId(), AcGePoint3d(0, 100, 0));

    // Each reference shows the line, and leaves out the references to what it is inside.
    const qv::Box2d shown = box(AcDbEntity::cast(first.object()));
    EXPECT_EQ(shown.minX, 100);
    EXPECT_EQ(shown.maxX, 110);
    EXPECT_EQ(shown.maxY, 10);
    EXPECT_EQ(qv::entityShape(AcDbEntity::cast(first.object())).bounds().maxX, 110);

    const qv::Box2d view = qv::viewWindow(&db);
    EXPECT_EQ(view.maxX, 110);
    EXPECT_EQ(view.maxY, 110);
    EXPECT_EQ(pick("105,5"), first);
    const ads_point a = {-1, -1, 0}, b = {200, 200, 0};
    ads_name set;
    ASSERT_EQ(acedSSGet("W", a, b, nullptr, set), RTNORM);
    EXPECT_EQ(take(set).size(), 3u);
    EXPECT_EQ(db.readDxfText(db.dxfText()), Acad::eSelfReference) << "what was smuggled in does not come back";
}

TEST_F(Nesting, DeeplySharedDefinitionsAreMeasuredOnce)
{
    // Level k shows level k + 1 three times, 1 apart; the last holds a unit line: 3^20
    // paths lead to it, the extents are 0..41 by 0..1.
    constexpr int kLevels = 20;
    AcDbObjectId below = define("L20", {new AcDbLine(AcGePoint3d(0, 0, 0), AcGePoint3d(1, 1, 0))});
    for (int k = kLevels - 1; k >= 0; --k) {
        const AcDbObjectId level = define(std::string("L").append(std::to_string(k)).c_str(), {});
        for (int i = 0; i < 3; ++i)
            insert(below, AcGePoint3d(i, 0, 0), level);
        below = level;
    }
    const AcDbObjectId top = insert(below, AcGePoint3d(0, 0, 0));
    const qv::Box2d extents = box(AcDbEntity::cast(top.object()));
    EXPECT_EQ(extents.maxX, 2 * kLevels + 1);
    EXPECT_EQ(extents.maxY, 1);
    // The outline gives up on so many parts and takes the box; the index and a window
    // selection agree with it.
    EXPECT_EQ(qv::entityShape(AcDbEntity::cast(top.object())).bounds().maxX, 2 * kLevels + 1);
    EXPECT_EQ(qv::drawingState(&db).index.extents(db.modelSpaceId()).maxX, 2 * kLevels + 1);
    const ads_point a = {-1, -1, 0}, b = {2 * kLevels + 2, 2, 0};
    ads_name set;
    ASSERT_EQ(acedSSGet("W", a, b, nullptr, set), RTNORM);
    EXPECT_EQ(take(set), std::vector<AcDbObjectId>{top});
}
