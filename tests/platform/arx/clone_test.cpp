// Deep cloning entities within a drawing, with the objects they own, and the id map.
#include "editor_drawing.h"

#include "arx/dbdict.h"
#include "arx/dbidmapping.h"

namespace {

using Ids = std::vector<AcDbObjectId>;

class Cloning : public EditorDrawing
{
protected:
    Cloning() { acdbRegApp("ADE", &db); }

    static std::vector<AcDbIdPair> pairs(const AcDbIdMapping& map)
    {
        std::vector<AcDbIdPair> all;
        AcDbIdMappingIter it(map);
        for (it.start(); !it.done(); it.next()) {
            AcDbIdPair pair;
            it.getMap(pair);
            all.push_back(pair);
        }
        return all;
    }

    static AcDbObjectId copyOf(const AcDbIdMapping& map, AcDbObjectId id)
    {
        AcDbIdPair pair(id, AcDbObjectId(), false);
        return map.compute(pair) ? pair.value() : AcDbObjectId();
    }

    static void setXData(AcDbObjectId id, resbuf* data)
    {
        AcDbObject* obj = nullptr;
        ASSERT_EQ(acdbOpenObject(obj, id, AcDb::kForWrite), Acad::eOk);
        EXPECT_EQ(obj->setXData(data), Acad::eOk);
        obj->close();
        acutRelRb(data);
    }

    size_t modelSpaceSize()
    {
        return AcDbBlockTableRecord::cast(db.modelSpaceId().object())->entityIds().size();
    }

    // A space block reference with two attributes, XData and an extension record.
    AcDbObjectId spaceBlock()
    {
        const AcDbObjectId def = define("ROOM-1", {rectangle(0, 0, 10, 10)});
        const AcDbObjectId ref = insert(def, AcGePoint3d(5, 5, 0), AcDbObjectId(), {{"NAME", "Office"}, {"AREA", "100"}});
        setXData(ref, acutBuildList(1001, "ADE", 1000, "NAME=Office", 0));
        setXData(AcDbBlockReference::cast(ref.object())->attributeIds()[0], acutBuildList(1001, "ADE", 1000, "tag", 0));
        AcDbObject* obj = nullptr;
        acdbOpenObject(obj, ref, AcDb::kForWrite);
        obj->createExtensionDictionary();
        AcDbDictionary* dict = nullptr;
        acdbOpenObject(dict, obj->extensionDictionary(), AcDb::kForWrite);
        auto* record = new AcDbXrecord;
        resbuf* data = acutBuildList(1, "kept", 0);
        record->setFromRbChain(data);
        acutRelRb(data);
        AcDbObjectId recordId;
        dict->setAt("DATA", record, recordId);
        record->close();
        dict->close();
        obj->close();
        return ref;
    }
};

std::string xdataText(AcDbObjectId id, const char* app, int index)
{
    resbuf* chain = id.object()->xData(app);
    resbuf* rb = chain;
    for (int i = 0; rb && i < index; ++i)
        rb = rb->rbnext;
    std::string text = rb && rb->resval.rstring ? rb->resval.rstring : "";
    acutRelRb(chain);
    return text;
}

} // namespace

TEST_F(Cloning, ReferenceComesWithItsAttributesXDataAndExtensionDictionary)
{
    const AcDbObjectId ref = spaceBlock();
    const size_t objects = db.objectCount();
    AcDbIdMapping map;
    ASSERT_EQ(db.deepCloneObjects({ref}, db.modelSpaceId(), map), Acad::eOk);

    const std::vector<AcDbIdPair> all = pairs(map);
    ASSERT_EQ(all.size(), 5u);   // the reference, two attributes, the dictionary and its record
    EXPECT_EQ(db.objectCount(), objects + 5);
    for (const AcDbIdPair& pair : all) {
        EXPECT_TRUE(pair.isCloned());
        EXPECT_EQ(pair.isPrimary(), pair.key() == ref);
        EXPECT_NE(pair.value().handle(), pair.key().handle());
        EXPECT_STREQ(pair.value().object()->isA()->name(), pair.key().object()->isA()->name());
    }

    const AcDbObjectId clone = copyOf(map, ref);
    const auto* copy = AcDbBlockReference::cast(clone.object());
    const auto* original = AcDbBlockReference::cast(ref.object());
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->ownerId(), db.modelSpaceId());
    EXPECT_EQ(copy->blockTableRecord(), original->blockTableRecord());
    EXPECT_TRUE(copy->position().isEqualTo(AcGePoint3d(5, 5, 0)));
    EXPECT_EQ(xdataText(clone, "ADE", 1), "NAME=Office");
    ASSERT_EQ(copy->attributeIds().size(), 2u);
    for (size_t i = 0; i < 2; ++i) {
        const AcDbObjectId a = copy->attributeIds()[i];
        EXPECT_EQ(a, copyOf(map, original->attributeIds()[i]));
        EXPECT_EQ(a.object()->ownerId(), clone);
        EXPECT_STREQ(AcDbAttribute::cast(a.object())->tagConst(), AcDbAttribute::cast(original->attributeIds()[i].object())->tagConst());
    }
    EXPECT_STREQ(AcDbAttribute::cast(copy->attributeIds()[1].object())->textStringConst(), "100");
    EXPECT_EQ(xdataText(copy->attributeIds()[0], "ADE", 1), "tag");

    const auto* dict = AcDbDictionary::cast(copy->extensionDictionary().object());
    ASSERT_TRUE(dict);
    EXPECT_EQ(copy->extensionDictionary(), copyOf(map, original->extensionDictionary()));
    EXPECT_EQ(dict->ownerId(), clone);
    AcDbObjectId recordId;
    ASSERT_EQ(dict->getAt("DATA", recordId), Acad::eOk);
    EXPECT_EQ(recordId.object()->ownerId(), copy->extensionDictionary());
    resbuf* data = nullptr;
    AcDbXrecord::cast(recordId.object())->rbChain(&data);
    ASSERT_TRUE(data);
    EXPECT_STREQ(data->resval.rstring, "kept");
    acutRelRb(data);

    // The copy is a real part of the drawing: selected, and written and read back whole.
    resbuf* rooms = acutBuildList(RTDXF0, "INSERT", 2, "ROOM-*", 0);
    ads_name set;
    ASSERT_EQ(acedSSGet("X", nullptr, nullptr, rooms, set), RTNORM);
    acutRelRb(rooms);
    EXPECT_EQ(take(set), (Ids{ref, clone}));
    AcDbDatabase reread(false);
    ASSERT_EQ(reread.readDxfText(db.dxfText()), Acad::eOk);
    AcDbObjectId again;
    ASSERT_EQ(reread.getAcDbObjectId(again, false, clone.handle()), Acad::eOk);
    EXPECT_EQ(AcDbBlockReference::cast(again.object())->attributeIds().size(), 2u);
}

TEST_F(Cloning, ReferencesAmongTheCopiesPointToCopies)
{
    const AcDbObjectId outside = add(new AcDbLine(AcGePoint3d(0, 0, 0), AcGePoint3d(1, 0, 0)));
    const AcDbObjectId b = add(new AcDbLine(AcGePoint3d(0, 1, 0), AcGePoint3d(1, 1, 0)));
    const AcDbObjectId a = add(new AcDbLine(AcGePoint3d(0, 2, 0), AcGePoint3d(1, 2, 0)));
    setXData(a, acutBuildList(1001, "ADE", 1005, b.handle().text().c_str(), 1005, outside.handle().text().c_str(), 0));
    AcDbIdMapping map;
    ASSERT_EQ(db.deepCloneObjects({a, b, a}, db.modelSpaceId(), map), Acad::eOk);
    EXPECT_EQ(pairs(map).size(), 2u);
    const AcDbObjectId copyA = copyOf(map, a);
    EXPECT_EQ(xdataText(copyA, "ADE", 1), copyOf(map, b).handle().text());
    EXPECT_EQ(xdataText(copyA, "ADE", 2), outside.handle().text());
    EXPECT_EQ(xdataText(a, "ADE", 1), b.handle().text());
    // Objects already in the map are not copied again.
    const size_t objects = db.objectCount();
    ASSERT_EQ(db.deepCloneObjects({a}, db.modelSpaceId(), map), Acad::eOk);
    EXPECT_EQ(db.objectCount(), objects);
}

TEST_F(Cloning, DefinitionGeometryComesBackIntoModelSpace)
{
    const AcDbObjectId def = define("ROOM-2", {rectangle(0, 0, 10, 10)});
    const AcDbObjectId outline = AcDbBlockTableRecord::cast(def.object())->entityIds()[0];
    EXPECT_TRUE(pick("10,5").isNull());
    AcDbIdMapping map;
    ASSERT_EQ(db.deepCloneObjects({outline}, db.modelSpaceId(), map), Acad::eOk);
    const AcDbObjectId copy = copyOf(map, outline);
    AcDbEntity* ent = nullptr;
    ASSERT_EQ(acdbOpenObject(ent, copy, AcDb::kForWrite), Acad::eOk);
    ent->transformBy(AcGeMatrix3d::translation(AcGeVector3d(100, 0, 0)));
    ent->close();
    EXPECT_EQ(AcDbBlockTableRecord::cast(def.object())->entityIds(), (Ids{outline}));
    EXPECT_EQ(pick("110,5"), copy);
    EXPECT_TRUE(pick("10,5").isNull());
}

TEST_F(Cloning, FailuresLeaveNothingBehind)
{
    const AcDbObjectId ref = spaceBlock();
    const AcDbObjectId gone = room(0, 0, 1, 1);
    AcDbEntity* ent = nullptr;
    acdbOpenObject(ent, gone, AcDb::kForWrite);
    ent->erase();
    ent->close();
    const AcDbObjectId attribute = AcDbBlockReference::cast(ref.object())->attributeIds()[0];
    const size_t objects = db.objectCount(), entities = modelSpaceSize();
    const AcDbHandle seed = db.handseed();
    AcDbIdMapping map;
    const AcDbObjectId ms = db.modelSpaceId();
    EXPECT_EQ(db.deepCloneObjects({ref, AcDbObjectId()}, ms, map), Acad::eNullObjectId);
    EXPECT_EQ(db.deepCloneObjects({ref, gone}, ms, map), Acad::eWasErased);
    EXPECT_EQ(db.deepCloneObjects({attribute}, ms, map), Acad::eNotThatKindOfClass);
    EXPECT_EQ(db.deepCloneObjects({ref}, db.layerTableId(), map), Acad::eNotThatKindOfClass);
    EXPECT_EQ(db.deepCloneObjects({ref}, AcDbObjectId(), map), Acad::eNullObjectId);
    AcDbDatabase other;
    EXPECT_EQ(db.deepCloneObjects({ref}, other.modelSpaceId(), map), Acad::eInvalidInput);
    EXPECT_EQ(db.objectCount(), objects);
    EXPECT_EQ(modelSpaceSize(), entities);
    EXPECT_EQ(db.handseed(), seed);
    EXPECT_TRUE(pairs(map).empty());
}
