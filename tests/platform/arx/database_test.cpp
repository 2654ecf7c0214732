// The drawing database in memory: ids and handles, open/close discipline, tables,
// entities and their geometry, XData, draw order and layouts.
#include "arx/dbblockref.h"
#include "arx/dbcurves.h"
#include "arx/dbdatabase.h"
#include "arx/dbdict.h"
#include "arx/dbhatch.h"
#include "arx/dblayout.h"
#include "arx/dbsymtb.h"
#include "arx/dbtext.h"

#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <gtest/gtest.h>

namespace {

// Appends an entity to model space and closes it.
AcDbObjectId post(AcDbDatabase& db, AcDbEntity* ent)
{
    AcDbBlockTableRecord* ms = nullptr;
    EXPECT_EQ(acdbOpenObject(ms, db.modelSpaceId(), AcDb::kForWrite), Acad::eOk);
    AcDbObjectId id;
    EXPECT_EQ(ms->appendAcDbEntity(id, ent), Acad::eOk);
    ent->close();
    ms->close();
    return id;
}

AcDbPolyline* square(bool closed, double bulgeOnSecondSide = 0)
{
    auto* pl = new AcDbPolyline;
    pl->addVertexAt(0, AcGePoint2d(0, 0));
    pl->addVertexAt(1, AcGePoint2d(10, 0), bulgeOnSecondSide);
    pl->addVertexAt(2, AcGePoint2d(10, 10));
    pl->addVertexAt(3, AcGePoint2d(0, 10));
    pl->setClosed(closed);
    return pl;
}

AcDbObjectId addLayer(AcDbDatabase& db, const char* name)
{
    AcDbLayerTable* layers = nullptr;
    db.getSymbolTable(layers, AcDb::kForWrite);
    auto* rec = new AcDbLayerTableRecord;
    rec->setName(name);
    AcDbObjectId id;
    EXPECT_EQ(layers->add(id, rec), Acad::eOk);
    rec->close();
    layers->close();
    return id;
}

} // namespace

TEST(Polyline, AreaAndLengthWithBulges)
{
    // A 10 x 10 square whose right side is a semicircle bulging outwards (bulge 1).
    std::unique_ptr<AcDbPolyline> pl(square(true, 1.0));
    double area = 0, end = 0, length = 0;
    ASSERT_EQ(pl->getArea(area), Acad::eOk);
    EXPECT_NEAR(area, 100 + kPi * 25 / 2, 1e-9);
    ASSERT_EQ(pl->getEndParam(end), Acad::eOk);
    EXPECT_EQ(end, 4.0);
    ASSERT_EQ(pl->getDistAtParam(end, length), Acad::eOk);
    EXPECT_NEAR(length, 30 + kPi * 5, 1e-9);
    // Half-way along the arc is its apex, 5 to the right of the side.
    AcGePoint3d apex;
    pl->getPointAtParam(1.5, apex);
    EXPECT_TRUE(apex.isEqualTo(AcGePoint3d(15, 5, 0), AcGeTol()));
    double half = 0;
    pl->getDistAtParam(1.5, half);
    EXPECT_NEAR(half, 10 + kPi * 5 / 2, 1e-9);
    AcDbExtents e;
    ASSERT_EQ(pl->getGeomExtents(e), Acad::eOk);
    EXPECT_NEAR(e.maxPoint().x, 15, 1e-9);
    // An inward bulge (negative, the same arc) takes its area away.
    pl->setBulgeAt(1, -1.0);
    pl->getArea(area);
    EXPECT_NEAR(area, 100 - kPi * 25 / 2, 1e-9);
}

TEST(Polyline, OpenPolylineAreaIsClosedButLengthIsNot)
{
    std::unique_ptr<AcDbPolyline> pl(square(false));
    double area = 0, end = 0, length = 0;
    pl->getArea(area);
    pl->getEndParam(end);
    pl->getDistAtParam(end, length);
    EXPECT_NEAR(area, 100, 1e-12);
    EXPECT_EQ(end, 3.0);
    EXPECT_NEAR(length, 30, 1e-12);
    EXPECT_NE(pl->getDistAtParam(3.5, length), Acad::eOk);
    // Moving and rotating keeps the measures; mirroring flips the bulges' sense.
    pl->setBulgeAt(0, 0.5);
    double before = 0, after = 0;
    pl->getArea(before);
    pl->transformBy(AcGeMatrix3d::mirroring(AcGePoint3d(0, 0, 0), AcGePoint3d(0, 1, 0)));
    pl->getArea(after);
    EXPECT_NEAR(before, after, 1e-9);
}

TEST(Polyline, A2dPolylineMovesAndBoundsAsTheLightweightOneItDraws)
{
    // square(true, 1.0) under the -Z normal at elevation 3, widths 2 but for a vertex's own.
    AcDbDatabase db(false);
    std::string text = "0\nSECTION\n2\nENTITIES\n0\nPOLYLINE\n5\n2D\n8\n0\n66\n1\n30\n3\n40\n2\n41\n2\n70\n1\n230\n-1\n";
    for (const char* vertex : {"0\n20\n0", "10\n20\n0\n40\n0.5\n41\n1.5\n42\n1", "10\n20\n10", "0\n20\n10"})
        text += std::string("0\nVERTEX\n8\n0\n10\n") + vertex + "\n";
    ASSERT_EQ(db.readDxfText(text + "0\nSEQEND\n8\n0\n0\nENDSEC\n0\nEOF\n"), Acad::eOk) << db.lastErrorMessage();
    AcDbObjectId id;
    ASSERT_EQ(db.getAcDbObjectId(id, false, AcDbHandle(0x2D)), Acad::eOk);
    std::unique_ptr<AcDbPolyline> twin(square(true, 1.0));
    twin->setConstantWidth(2);
    twin->setWidthsAt(1, 0.5, 1.5);
    twin->setElevation(3);
    twin->setNormal(-AcGeVector3d::kZAxis);
    // Turned, scaled, mirrored and moved, it keeps drawing what the lightweight one draws.
    const AcGeMatrix3d m = AcGeMatrix3d::translation(AcGeVector3d(5, 6, 7)) * AcGeMatrix3d::rotation(0.3, AcGeVector3d(1, 2, 3))
                           * AcGeMatrix3d::scaling(1.5) * AcGeMatrix3d::mirroring(AcGePoint3d(0, 0, 0), AcGePoint3d(0, 1, 0));
    AcDbSequencePolyline* pl = nullptr;
    ASSERT_EQ(acdbOpenObject(pl, id, AcDb::kForWrite), Acad::eOk);
    EXPECT_EQ(pl->transformBy(m), twin->transformBy(m));
    AcDbPolyline flat;
    EXPECT_EQ(pl->getFlatPolyline(flat), Acad::eOk);
    pl->close();
    for (size_t i = 0; i < 4; ++i) {
        const AcDbPolyline::Vertex &v = flat.vertices().at(i), &w = twin->vertices()[i];
        EXPECT_TRUE(v.point == w.point && v.bulge == w.bulge && v.startWidth == w.startWidth && v.endWidth == w.endWidth);
    }
    EXPECT_NEAR(flat.elevation(), twin->elevation(), 1e-9);
    EXPECT_TRUE(flat.normal().isEqualTo(twin->normal()) && flat.isClosed());
    AcDbHatch hatch; // which takes it as a boundary
    EXPECT_EQ(hatch.appendLoop(AcDbHatch::kExternal, {id}), Acad::eOk);
}

// A multiline text's extents are its lines, not the width it may wrap in: the longest line's
// characters (formatting codes left out) at 0.7 of the height, and each line 5/3 below.
TEST(MText, ExtentsAreItsLinesWithinItsWidth)
{
    const struct {
        const char* contents;
        double width, x1, y0;
    } cases[] = {
        {"ROOM", 265, 4 * 0.7 * 2, 98},
        {"{\\fArial|b0|i0;\\H2x;Big} hall\\Pof \\U+00E9t\\S1/2;", 0, 8 * 0.7 * 2, 98 - 2 * 5.0 / 3},
        {"a text wider than its box", 5, 5, 98},
    };
    for (const auto& c : cases) {
        AcDbMText text;
        text.setLocation(AcGePoint3d(0, 100, 0));
        text.setTextHeight(2);
        text.setWidth(c.width);
        text.setContents(c.contents);
        AcDbExtents e;
        ASSERT_EQ(text.getGeomExtents(e), Acad::eOk);
        EXPECT_NEAR(e.minPoint().x, 0, 1e-9) << c.contents;
        EXPECT_NEAR(e.maxPoint().x, c.x1, 1e-9) << c.contents;
        EXPECT_NEAR(e.minPoint().y, c.y0, 1e-9) << c.contents;
        EXPECT_NEAR(e.maxPoint().y, 100, 1e-9) << c.contents;
    }
}

TEST(OpenClose, ReadersWritersAndStatuses)
{
    AcDbDatabase db;
    const AcDbObjectId id = post(db, new AcDbLine(AcGePoint3d(0, 0, 0), AcGePoint3d(1, 1, 0)));
    EXPECT_EQ(db.openObjectCount(), 0);
    AcDbLine *r1 = nullptr, *r2 = nullptr, *w = nullptr;
    ASSERT_EQ(acdbOpenObject(r1, id, AcDb::kForRead), Acad::eOk);
    ASSERT_EQ(acdbOpenObject(r2, id, AcDb::kForRead), Acad::eOk);
    EXPECT_EQ(acdbOpenObject(w, id, AcDb::kForWrite), Acad::eWasOpenForRead);
    EXPECT_EQ(r1->upgradeOpen(), Acad::eHadMultipleReaders);
    r2->close();
    ASSERT_EQ(r1->upgradeOpen(), Acad::eOk);
    EXPECT_EQ(acdbOpenObject(w, id, AcDb::kForWrite), Acad::eWasOpenForWrite);
    EXPECT_EQ(acdbOpenObject(r2, id, AcDb::kForRead), Acad::eWasOpenForWrite);
    EXPECT_EQ(db.openObjectCount(), 1);
    EXPECT_EQ(r1->erase(), Acad::eOk);
    r1->close();
    EXPECT_EQ(db.openObjectCount(), 0);
    EXPECT_EQ(r1->close(), Acad::eNotOpenForRead);
    EXPECT_EQ(acdbOpenObject(r1, id, AcDb::kForRead), Acad::eWasErased);
    ASSERT_EQ(acdbOpenObject(r1, id, AcDb::kForRead, true), Acad::eOk);
    r1->close();
    AcDbCircle* circle = nullptr;
    EXPECT_EQ(acdbOpenObject(circle, id, AcDb::kForRead, true), Acad::eNotThatKindOfClass);
    EXPECT_EQ(acdbOpenObject(circle, AcDbObjectId(), AcDb::kForRead), Acad::eNullObjectId);
    AcDbLine loose;
    EXPECT_EQ(loose.close(), Acad::eNotInDatabase);
    EXPECT_EQ(db.openObjectCount(), 0);
}

TEST(OpenClose, LockedLayerRefusesWriteOpens)
{
    AcDbDatabase db;
    const AcDbObjectId layer = addLayer(db, "Walls");
    auto* line = new AcDbLine;
    line->setDatabaseDefaults(&db);
    ASSERT_EQ(line->setLayer("Walls"), Acad::eOk);
    EXPECT_EQ(line->setLayer("NoSuchLayer"), Acad::eKeyNotFound);
    const AcDbObjectId id = post(db, line);
    AcDbLayerTableRecord* rec = nullptr;
    acdbOpenObject(rec, layer, AcDb::kForWrite);
    rec->setIsLocked(true);
    rec->close();
    AcDbEntity* ent = nullptr;
    EXPECT_EQ(acdbOpenObject(ent, id, AcDb::kForWrite), Acad::eOnLockedLayer);
    ASSERT_EQ(acdbOpenObject(ent, id, AcDb::kForRead), Acad::eOk);
    EXPECT_EQ(ent->upgradeOpen(), Acad::eOnLockedLayer);
    ent->close();
    EXPECT_EQ(db.openObjectCount(), 0);
}

TEST(Identity, HandlesLookUpAndFormat)
{
    EXPECT_EQ(AcDbHandle("2f4").value(), 0x2F4u);
    EXPECT_TRUE(AcDbHandle("").isNull());
    EXPECT_TRUE(AcDbHandle("xyz").isNull());
    char buf[20];
    ASSERT_TRUE(AcDbHandle(0xABCull).getIntoAsciiBuffer(buf, sizeof buf));
    EXPECT_STREQ(buf, "ABC");
    AcDbDatabase db;
    const AcDbObjectId id = post(db, new AcDbCircle(AcGePoint3d(), AcGeVector3d::kZAxis, 2));
    AcDbObjectId found;
    ASSERT_EQ(db.getAcDbObjectId(found, false, id.handle()), Acad::eOk);
    EXPECT_EQ(found, id);
    EXPECT_EQ(db.getAcDbObjectId(found, false, AcDbHandle(0xFFFFFF)), Acad::eUnknownHandle);
    AcDbEntity* ent = nullptr;
    acdbOpenObject(ent, id, AcDb::kForWrite);
    ent->erase();
    ent->close();
    EXPECT_EQ(db.getAcDbObjectId(found, false, id.handle()), Acad::eOk);
    EXPECT_TRUE(found.isErased());
    EXPECT_STREQ(id.object()->isA()->name(), "AcDbCircle");
}

TEST(SymbolTables, BlockNamesCaseInsensitiveAndDuplicates)
{
    AcDbDatabase db;
    AcDbBlockTable* blocks = nullptr;
    ASSERT_EQ(db.getSymbolTable(blocks, AcDb::kForWrite), Acad::eOk);
    auto* def = new AcDbBlockTableRecord;
    def->setName("ROOM-a");
    ASSERT_EQ(blocks->add(def), Acad::eOk);
    def->close();
    auto* dup = new AcDbBlockTableRecord;
    dup->setName("ROOM-A");
    EXPECT_EQ(blocks->add(dup), Acad::eDuplicateRecordName);
    delete dup;
    EXPECT_TRUE(blocks->has("room-A"));
    // Renamed, in letter case alone and then wholly, it is found by any spelling of its new name only.
    ASSERT_EQ(acdbOpenObject(def, def->objectId(), AcDb::kForWrite), Acad::eOk);
    EXPECT_EQ(def->setName("Room-A"), Acad::eOk);
    EXPECT_TRUE(blocks->has("ROOM-a"));
    EXPECT_EQ(def->setName("Room-B"), Acad::eOk);
    def->close();
    EXPECT_FALSE(blocks->has("room-a"));
    EXPECT_TRUE(blocks->has("rOOM-b"));
    EXPECT_EQ(blocks->validateNewName("ROOM-B", AcDbObjectId()), Acad::eDuplicateRecordName);
    AcDbBlockTableRecord* ms = nullptr;
    ASSERT_EQ(blocks->getAt("*MODEL_SPACE", ms, AcDb::kForRead), Acad::eOk);
    EXPECT_TRUE(ms->isLayout());
    EXPECT_FALSE(ms->getLayoutId().isNull());
    ms->close();
    std::vector<std::string> names;
    AcDbBlockTableIterator* it = nullptr;
    blocks->newIterator(it);
    for (; !it->done(); it->step()) {
        AcDbBlockTableRecord* rec = nullptr;
        it->getRecord(rec);
        names.push_back(rec->name());
        rec->close();
    }
    delete it;
    EXPECT_EQ(names, (std::vector<std::string>{"*Model_Space", "*Paper_Space", "Room-B"}));
    blocks->close();
    EXPECT_EQ(db.openObjectCount(), 0);
}

// Definitions note what they were given, so that the save's attribute flag and the nesting
// walks skip the rest: the flag follows the definitions that live, whatever else was added.
TEST(SymbolTables, DefinitionsTellWhetherTheyHoldAttributeDefinitions)
{
    AcDbDatabase db;
    AcDbBlockTable* blocks = nullptr;
    ASSERT_EQ(db.getSymbolTable(blocks, AcDb::kForWrite), Acad::eOk);
    auto* def = new AcDbBlockTableRecord;
    def->setName("ROOM");
    ASSERT_EQ(blocks->add(def), Acad::eOk);
    blocks->close();
    EXPECT_FALSE(def->hasAttributeDefinitions());
    auto* wall = new AcDbLine(AcGePoint3d(0, 0, 0), AcGePoint3d(1, 0, 0));
    ASSERT_EQ(def->appendAcDbEntity(wall), Acad::eOk);
    wall->close();
    EXPECT_FALSE(def->hasAttributeDefinitions());
    auto* tag = new AcDbAttributeDefinition(AcGePoint3d(0, 0, 0), "", "NAME", "Name");
    AcDbObjectId tagId;
    ASSERT_EQ(def->appendAcDbEntity(tagId, tag), Acad::eOk);
    tag->close();
    EXPECT_TRUE(def->hasAttributeDefinitions());
    ASSERT_EQ(acdbOpenObject(tag, tagId, AcDb::kForWrite), Acad::eOk);
    ASSERT_EQ(tag->erase(), Acad::eOk);
    tag->close();
    EXPECT_FALSE(def->hasAttributeDefinitions());
    def->close();
    EXPECT_EQ(db.openObjectCount(), 0);
}

TEST(Database, ClayerRefusesNullAndUcsMatrix)
{
    AcDbDatabase db;
    const AcDbObjectId before = db.clayer();
    EXPECT_NE(db.setClayer(AcDbObjectId()), Acad::eOk);
    EXPECT_EQ(db.clayer(), before);
    const AcDbObjectId layer = addLayer(db, "Rooms");
    EXPECT_EQ(db.setClayer(layer), Acad::eOk);
    EXPECT_EQ(db.clayer(), layer);
    db.setUcs(AcGePoint3d(100, 0, 0), AcGeVector3d::kYAxis, -AcGeVector3d::kXAxis);
    AcGePoint3d w, back;
    acdbUcs2Wcs(AcGePoint3d(1, 0, 0), w, false, &db);
    EXPECT_TRUE(w.isEqualTo(AcGePoint3d(100, 1, 0)));
    acdbWcs2Ucs(w, back, false, &db);
    EXPECT_TRUE(back.isEqualTo(AcGePoint3d(1, 0, 0)));
    acdbUcs2Wcs(AcGePoint3d(1, 0, 0), w, true, &db);
    EXPECT_TRUE(w.isEqualTo(AcGePoint3d(0, 1, 0)));
}

TEST(XData, ReplacesOnlyTheNamedApplication)
{
    AcDbDatabase db;
    ASSERT_TRUE(acdbRegApp("ROOMS", &db));
    ASSERT_TRUE(acdbRegApp("PE_URL", &db));
    auto* line = new AcDbLine;
    const AcDbObjectId id = post(db, line);
    AcDbEntity* ent = nullptr;
    acdbOpenObject(ent, id, AcDb::kForWrite);
    resbuf* a = acutBuildList(1001, "ROOMS", 1000, "NAME=Lab", 1070, 3, 0);
    resbuf* b = acutBuildList(1001, "PE_URL", 1000, "http://x", 1002, "{", 1071, 7, 1002, "}", 0);
    resbuf* c = acutBuildList(1001, "ROOMS", 1000, "NAME=Office", 0);
    resbuf* unknown = acutBuildList(1001, "NOT_REGISTERED", 1000, "x", 0);
    EXPECT_EQ(ent->setXData(a), Acad::eOk);
    EXPECT_EQ(ent->setXData(b), Acad::eOk);
    EXPECT_EQ(ent->setXData(c), Acad::eOk);
    EXPECT_EQ(ent->setXData(unknown), Acad::eRegappIdNotFound);
    // A list past the size allowed is refused and leaves what is held.
    resbuf* large = acutBuildList(1001, "ROOMS", 0);
    const std::string text(200, 'x');
    for (int i = 0; i < 90; ++i) {
        resbuf* rb = acutNewRb(1000);
        acutSetRbString(rb, text.c_str());
        rb->rbnext = large->rbnext;
        large->rbnext = rb;
    }
    EXPECT_EQ(ent->setXData(large), Acad::eXdataSizeExceeded);
    // An application's name alone removes its items.
    resbuf* removed = acutBuildList(1001, "OTHER_GONE", 0);
    ASSERT_TRUE(acdbRegApp("OTHER_GONE", &db));
    resbuf* other = acutBuildList(1001, "OTHER_GONE", 1000, "y", 0);
    EXPECT_EQ(ent->setXData(other), Acad::eOk);
    EXPECT_EQ(ent->setXData(removed), Acad::eOk);
    ent->close();
    acdbOpenObject(ent, id, AcDb::kForRead);
    EXPECT_EQ(ent->xData("OTHER_GONE"), nullptr);
    EXPECT_EQ(ent->setXData(a), Acad::eNotOpenForWrite);
    resbuf* rooms = ent->xData("rooms");
    ASSERT_NE(rooms, nullptr);
    EXPECT_EQ(rooms->restype, 1001);
    ASSERT_NE(rooms->rbnext, nullptr);
    EXPECT_STREQ(rooms->rbnext->resval.rstring, "NAME=Office");
    EXPECT_EQ(rooms->rbnext->rbnext, nullptr);
    resbuf* url = ent->xData("PE_URL");
    ASSERT_NE(url, nullptr);
    EXPECT_EQ(url->rbnext->rbnext->rbnext->resval.rlong, 7);
    EXPECT_EQ(ent->xData("OTHER"), nullptr);
    ent->close();
    for (resbuf* rb : {a, b, c, unknown, large, removed, other, rooms, url})
        acutRelRb(rb);
}

TEST(BlockReference, TransformAttributesAndOwnership)
{
    AcDbDatabase db;
    AcDbBlockTable* blocks = nullptr;
    db.getSymbolTable(blocks, AcDb::kForWrite);
    auto* def = new AcDbBlockTableRecord;
    def->setName("ROOM-1");
    def->setOrigin(AcGePoint3d(1, 1, 0));
    AcDbObjectId defId;
    blocks->add(defId, def);
    blocks->close();
    const AcDbObjectId outline = post(db, square(true));
    ASSERT_EQ(def->assumeOwnershipOf({outline}), Acad::eOk);
    def->close();
    EXPECT_EQ(outline.object()->ownerId(), defId);

    auto* ref = new AcDbBlockReference(AcGePoint3d(100, 50, 0), defId);
    ref->setScaleFactors(AcGeScale3d(2, 2, 1));
    ref->setRotation(kPi / 2);
    const AcDbObjectId refId = post(db, ref);
    AcDbBlockReference* r = nullptr;
    acdbOpenObject(r, refId, AcDb::kForWrite);
    // The definition origin (1,1) lands on the position; (11,1) is 20 further along +y.
    EXPECT_TRUE(r->blockTransform().transform(AcGePoint3d(11, 1, 0)).isEqualTo(AcGePoint3d(100, 70, 0), AcGeTol()));
    auto* attr = new AcDbAttribute(AcGePoint3d(100, 50, 0), "Lab 1", "ROOM <!NAME>!");
    AcDbObjectId attrId;
    ASSERT_EQ(r->appendAttribute(attrId, attr), Acad::eOk);
    attr->close();
    const AcGeMatrix3d m = AcGeMatrix3d::rotation(0.3, AcGeVector3d::kZAxis, AcGePoint3d(5, 5, 0)) * AcGeMatrix3d::scaling(1.5);
    const AcGeMatrix3d expected = m * r->blockTransform();
    ASSERT_EQ(r->transformBy(m), Acad::eOk);
    EXPECT_TRUE(r->blockTransform().isEqualTo(expected, AcGeTol()));
    ASSERT_EQ(r->transformBy(m.inverse()), Acad::eOk);
    EXPECT_NEAR(r->rotation(), kPi / 2, 1e-9);
    EXPECT_NEAR(r->scaleFactors().sx, 2, 1e-9);
    r->close();
    AcDbAttribute* a = nullptr;
    acdbOpenObject(a, attrId, AcDb::kForRead);
    EXPECT_STREQ(a->tagConst(), "ROOM <!NAME>!");
    EXPECT_TRUE(a->position().distanceTo(AcGePoint3d(100, 50, 0)) < 1e-9);
    // A change worked out on a copy is taken whole, and only by an attribute open for write.
    const std::unique_ptr<AcDbAttribute> copy(a->clone());
    EXPECT_FALSE(copy->isDatabaseResident());
    ASSERT_EQ(copy->transformBy(m), Acad::eOk);
    copy->setTextString("Lab 2");
    EXPECT_EQ(a->copyFrom(copy.get()), Acad::eNotOpenForWrite);
    ASSERT_EQ(a->upgradeOpen(), Acad::eOk);
    EXPECT_EQ(a->copyFrom(ref), Acad::eNotThatKindOfClass);
    ASSERT_EQ(a->copyFrom(copy.get()), Acad::eOk);
    EXPECT_EQ(a->position(), copy->position());
    EXPECT_EQ(a->rotation(), copy->rotation());
    EXPECT_EQ(a->height(), copy->height());
    EXPECT_STREQ(a->textStringConst(), "Lab 2");
    EXPECT_STREQ(a->tagConst(), "ROOM <!NAME>!");
    a->close();
    AcDbBlockReference loose;
    AcDbAttribute refused;
    EXPECT_EQ(loose.appendAttribute(&refused), Acad::eNotInDatabase);
    EXPECT_EQ(db.openObjectCount(), 0);
}

TEST(DrawOrder, MoveToBottomThroughExtensionDictionary)
{
    AcDbDatabase db;
    const AcDbObjectId a = post(db, new AcDbLine), b = post(db, new AcDbLine), c = post(db, new AcDbLine);
    AcDbBlockTableRecord* ms = nullptr;
    acdbOpenObject(ms, db.modelSpaceId(), AcDb::kForWrite);
    AcDbSortentsTable* table = nullptr;
    EXPECT_NE(ms->getSortentsTable(table, AcDb::kForWrite, false), Acad::eOk);
    ASSERT_EQ(ms->getSortentsTable(table, AcDb::kForWrite, true), Acad::eOk);
    ms->close();
    ASSERT_EQ(table->moveToBottom({c}), Acad::eOk);
    ASSERT_EQ(table->moveToTop({a}), Acad::eOk);
    AcDbObjectIdArray order;
    table->getFullDrawOrder(order);
    EXPECT_EQ(order, (AcDbObjectIdArray{c, b, a}));
    table->close();
    AcDbDictionary* xdict = nullptr;
    acdbOpenObject(xdict, db.modelSpaceId().object()->extensionDictionary(), AcDb::kForRead);
    EXPECT_TRUE(xdict->has("ACAD_SORTENTS"));
    xdict->close();
    EXPECT_EQ(db.openObjectCount(), 0);
}

TEST(Hatch, AppendLoopCopiesClosedBoundaries)
{
    AcDbDatabase db;
    const AcDbObjectId closed = post(db, square(true, 1.0));
    const AcDbObjectId open = post(db, square(false));
    const AcDbObjectId circle = post(db, new AcDbCircle(AcGePoint3d(5, 5, 0), AcGeVector3d::kZAxis, 2));
    const AcDbObjectId line = post(db, new AcDbLine);
    AcDbHatch hatch;
    ASSERT_EQ(hatch.setPattern(AcDbHatch::kPreDefined, "ANSI31"), Acad::eOk);
    EXPECT_EQ(hatch.appendLoop(AcDbHatch::kExternal, {AcDbObjectId()}), Acad::eNullObjectId);
    EXPECT_NE(hatch.appendLoop(AcDbHatch::kExternal, {open}), Acad::eOk);
    EXPECT_NE(hatch.appendLoop(AcDbHatch::kExternal, {line}), Acad::eOk);
    EXPECT_EQ(hatch.numLoops(), 0);
    ASSERT_EQ(hatch.appendLoop(AcDbHatch::kExternal, {closed}), Acad::eOk);
    ASSERT_EQ(hatch.appendLoop(AcDbHatch::kDefault, {circle}), Acad::eOk);
    EXPECT_EQ(hatch.numLoops(), 2);
    // The copy does not follow later edits of the polyline.
    AcDbPolyline* pl = nullptr;
    acdbOpenObject(pl, closed, AcDb::kForWrite);
    pl->transformBy(AcGeMatrix3d::translation(AcGeVector3d(1000, 0, 0)));
    pl->close();
    std::vector<AcGePoint2d> vertices;
    std::vector<double> bulges;
    Adesk::Int32 type = 0;
    ASSERT_EQ(hatch.getLoopAt(0, type, vertices, bulges), Acad::eOk);
    EXPECT_EQ(vertices[1].x, 10);
    EXPECT_EQ(bulges[1], 1.0);
    AcDbEntity* ent = nullptr;
    acdbOpenObject(ent, line, AcDb::kForWrite);
    ent->erase();
    ent->close();
    EXPECT_EQ(hatch.appendLoop(AcDbHatch::kDefault, {line}), Acad::eWasErased);
}

TEST(Layouts, ManagerFindsAndSwitches)
{
    AcDbDatabase db;
    AcDbLayoutManager* lm = acdbLayoutManager();
    EXPECT_TRUE(lm->layoutExists("model", &db));
    EXPECT_TRUE(lm->layoutExists("Layout1", &db));
    AcDbObjectId layoutId, blockId;
    ASSERT_EQ(lm->createLayout("Plan A3", layoutId, blockId, &db), Acad::eOk);
    EXPECT_EQ(lm->setCurrentLayout("Nope", &db), Acad::eKeyNotFound);
    ASSERT_EQ(lm->setCurrentLayout("Plan A3", &db), Acad::eOk);
    CString name;
    lm->getActiveLayoutName(name, true, &db);
    EXPECT_STREQ(name.GetString(), "Plan A3");
    EXPECT_EQ(db.paperSpaceId(), blockId);
    ASSERT_EQ(lm->setCurrentLayout("Model", &db), Acad::eOk);
    lm->getActiveLayoutName(name, true, &db);
    EXPECT_STREQ(name.GetString(), "Model");
    EXPECT_EQ(db.openObjectCount(), 0);
}

TEST(NonFinite, SettersRefuseNaNAndInfinities)
{
    const double nan = std::nan(""), inf = std::numeric_limits<double>::infinity();
    const AcGePoint3d bad(1, nan, 0);
    AcGeMatrix3d broken;
    broken(0, 3) = inf;
    AcDbLine line;
    EXPECT_EQ(line.setStartPoint(bad), Acad::eInvalidInput);
    EXPECT_EQ(line.transformBy(broken), Acad::eInvalidInput);
    EXPECT_TRUE(line.startPoint().isEqualTo(AcGePoint3d()));
    AcDbCircle circle;
    EXPECT_EQ(circle.setRadius(inf), Acad::eInvalidInput);
    EXPECT_EQ(circle.setCenter(bad), Acad::eInvalidInput);
    EXPECT_EQ(circle.setNormal(AcGeVector3d(0, 0, nan)), Acad::eInvalidInput);
    AcDbArc arc;
    EXPECT_EQ(arc.setStartAngle(nan), Acad::eInvalidInput);
    std::unique_ptr<AcDbPolyline> pl(square(true));
    EXPECT_EQ(pl->addVertexAt(0, AcGePoint2d(nan, 0)), Acad::eInvalidInput);
    EXPECT_EQ(pl->setBulgeAt(0, inf), Acad::eInvalidInput);
    EXPECT_EQ(pl->setWidthsAt(0, 0, nan), Acad::eInvalidInput);
    EXPECT_EQ(pl->setElevation(nan), Acad::eInvalidInput);
    EXPECT_EQ(pl->numVerts(), 4u);
    AcDbText text;
    EXPECT_EQ(text.setHeight(nan), Acad::eInvalidInput);
    EXPECT_EQ(text.setRotation(inf), Acad::eInvalidInput);
    EXPECT_EQ(text.setAlignmentPoint(bad), Acad::eInvalidInput);
    AcDbMText mtext;
    EXPECT_EQ(mtext.setWidth(nan), Acad::eInvalidInput);
    EXPECT_EQ(mtext.setLocation(bad), Acad::eInvalidInput);
    AcDbBlockReference ref;
    EXPECT_EQ(ref.setScaleFactors(AcGeScale3d(1, inf, 1)), Acad::eInvalidInput);
    EXPECT_EQ(ref.setRotation(nan), Acad::eInvalidInput);
    EXPECT_EQ(ref.setBlockTransform(broken), Acad::eInvalidInput);
    AcDbHatch hatch;
    EXPECT_EQ(hatch.setPatternScale(nan), Acad::eInvalidInput);
    EXPECT_EQ(hatch.appendLoop(AcDbHatch::kExternal, std::vector<AcGePoint2d>{{0, 0}, {inf, 0}, {1, 1}}, {}),
              Acad::eInvalidInput);
    EXPECT_EQ(hatch.numLoops(), 0);
    AcDbLayout layout;
    EXPECT_EQ(layout.setPlotPaperSize(nan, 297), Acad::eInvalidInput);
    EXPECT_EQ(layout.setCustomPrintScale(1, inf), Acad::eInvalidInput);
    AcDbEntity& entity = line;
    EXPECT_EQ(entity.setLinetypeScale(nan), Acad::eInvalidInput);
    // XData: numbers that are not finite are refused too.
    AcDbDatabase db;
    acdbRegApp("APP", &db);
    const AcDbObjectId id = post(db, new AcDbLine);
    AcDbLine* resident = nullptr;
    acdbOpenObject(resident, id, AcDb::kForWrite);
    resbuf* xdata = acutBuildList(1001, "APP", 1040, nan, 0);
    EXPECT_EQ(resident->setXData(xdata), Acad::eInvalidInput);
    acutRelRb(xdata);
    resident->close();
}

// Values an enumeration can hold that name none of its members.
TEST(Enumerations, SettersRefuseValuesOutsideTheirRange)
{
    AcDbText text;
    EXPECT_EQ(text.setHorizontalMode(static_cast<AcDb::TextHorzMode>(6)), Acad::eInvalidInput);
    AcDbMText mtext;
    EXPECT_EQ(mtext.setAttachment(static_cast<AcDbMText::AttachmentPoint>(0)), Acad::eInvalidInput);
    AcDbPlotSettings settings;
    EXPECT_EQ(settings.setPlotType(static_cast<AcDbPlotSettings::PlotType>(7)), Acad::eInvalidInput);
    EXPECT_EQ(settings.setPlotPaperUnits(static_cast<AcDbPlotSettings::PlotPaperUnits>(3)), Acad::eInvalidInput);
    AcDbHatch hatch;
    EXPECT_EQ(hatch.setHatchStyle(static_cast<AcDbHatch::HatchStyle>(3)), Acad::eInvalidInput);
    AcDbMInsertBlock array;
    EXPECT_EQ(array.setColumns(40000), Acad::eInvalidInput);
    EXPECT_EQ(array.setRows(0), Acad::eInvalidInput);
}
