// The in-memory model: record copies, attribute sets read from references, the two block
// copies and their ownership, hyperlink lists, and layers.
#include "fixture.h"

#include "arx/dbtext.h"
#include "blocks/assets.h"
#include "blocks/attributes.h"
#include "blocks/blockdwgfloor.h"
#include "blocks/blockdwgroom.h"
#include "blocks/blockdwgsite.h"
#include "blocks/hatch.h"
#include "blocks/hyperlinks.h"
#include "blocks/kavroattribute.h"
#include "host/layer.h"
#include "host/layers.h"

namespace {

CKavroAttribute* kavro(int kind, const char* value)
{
    auto* attribute = new CKavroAttribute;
    attribute->setKind(kind);
    attribute->setValue(value);
    return attribute;
}

class SpaceModel : public DrawingTest
{
protected:
    // A reference of "ROOM-T" carrying attributes with the tags and texts given.
    AcDbObjectId referenceWithAttributes(const std::vector<std::pair<const char*, const char*>>& tags,
                                         double rotation = 0.0)
    {
        const AcDbObjectId id = reference(definition("ROOM-T"), AcGePoint3d::kOrigin);
        AcDbBlockReference* opened = nullptr;
        EXPECT_EQ(acdbOpenObject(opened, id, AcDb::kForWrite), Acad::eOk);
        double x = 0;
        for (const auto& [tag, text] : tags) {
            auto* attribute = new AcDbAttribute(AcGePoint3d(x += 100, 0, 0), text, tag);
            attribute->setHeight(x == 100 ? 180.0 : 90.0);
            attribute->setRotation(rotation);
            opened->appendAttribute(attribute);
            attribute->close();
        }
        opened->close();
        return id;
    }
};

} // namespace

TEST(CAttributes, DuplicatesAreExactTagMatchesAndCopiesKeepTheTargetsValues)
{
    CAttributes set;
    set.add(kavro(kNameAttribute, "R1"), 0);
    auto* other = new CAttribute("Name", "x", 1);
    set.add(other, 0);
    CKavroAttribute refused;
    refused.setKind(kNameAttribute);
    set.add(&refused, 0);
    EXPECT_EQ(set.getCount(), 2);
    EXPECT_EQ(set.getAtAttribute(CString("Name")), other);
    EXPECT_EQ(set.getAtAttribute(CString("NAME"))->getValue(), "R1");
    EXPECT_EQ(set.getAtAttribute(kAreaAttribute), nullptr);

    CAttributes target;
    target.add(kavro(kNameAttribute, "kept"), 0);
    set.setTextHeight(99.0);
    set.copyKavroAttributesTo(&target);
    EXPECT_EQ(target.getCount(), 2);
    EXPECT_EQ(target.getAtAttribute(kNameAttribute)->getValue(), "kept");
    EXPECT_EQ(target.getTextHeight(), 99.0);
    EXPECT_EQ(target.getAtAttribute(CString("Name"))->getExists(), 1);
}

TEST_F(SpaceModel, SpaceBlockAttributesAreReadByUpperCasedTag)
{
    const AcDbObjectId id = referenceWithAttributes(
        {{"note", "ignored"}, {"name", "R7"}, {"area", "12sq.m."}, {"Area", "13sq.m."}, {"aux", "a"}}, kPi / 2);
    AcDbBlockReference* opened = nullptr;
    ASSERT_EQ(acdbOpenObject(opened, id, AcDb::kForRead), Acad::eOk);
    CAttributes set;
    AcGeMatrix3d ucs;
    set.extractSpaceBlockAttributeValues(opened, ucs);
    EXPECT_EQ(set.getCount(), 3);
    EXPECT_EQ(set.getAtAttribute(CString("NAME"))->getValue(), "R7");
    EXPECT_EQ(set.getAtAttribute(kAreaAttribute)->getValue(), "12sq.m.");
    EXPECT_EQ(set.getAtAttribute(kAreaAttribute)->getLayer(), "0");
    AcGePoint3d point;
    set.getInsertionPoint(point);
    EXPECT_TRUE(point.isEqualTo(AcGePoint3d(400, 0, 0)));
    // Placement from the first attribute, whatever its tag; rotation in degrees in the UCS.
    EXPECT_EQ(set.getTextHeight(), 180.0);
    EXPECT_NEAR(set.getRotation(), 90.0, 1e-9);
    ASSERT_EQ(db->setUcs(AcGePoint3d::kOrigin, AcGeVector3d(0, 1, 0), AcGeVector3d(-1, 0, 0)), Acad::eOk);
    acdbUcsMatrix(ucs, db);
    set.extractSpaceBlockAttributeValues(opened, ucs);
    EXPECT_NEAR(set.getRotation(), 0.0, 1e-9);

    // Every attribute of an asset, tags as they are.
    CAttributes assets;
    assets.extractAttributeValues(opened);
    EXPECT_EQ(assets.getCount(), 5);
    EXPECT_EQ(assets.getAtAttribute(CString("Area"))->getValue(), "13sq.m.");
    opened->close();
}

TEST_F(SpaceModel, CopyIntoMakesAnIndependentBlock)
{
    auto room = newRoom("Copy", "C1");
    room->setHatch(new CHatch);
    room->getHatch()->setPattern("SOLID");
    room->setHyperlinks(new CHyperlinks);
    room->getHyperlinks()->add(new CHyperlink("a.htm", "A"));
    room->setAssets(new CAssets);
    room->getAssets()->add(new CAsset(3, "2F4", "DESK", "", "", 1.0, 2.0, 1));
    room->addHandleToMinus(AcDbHandle(0x2F4), nullptr);
    room->setLayer("ROOMS");
    room->setArea(5.5);
    auto copy = std::make_unique<CBlockDWGRoom>();
    room->copyInto(copy.get());
    room.reset();
    EXPECT_EQ(copy->getBlockType(), kBlockDWG);
    EXPECT_EQ(copy->getBlockName(), "ROOM-C1");
    EXPECT_EQ(copy->getArea(), 5.5);
    EXPECT_EQ(copy->getLayer(), "");
    EXPECT_EQ(copy->getHandlesToMinusAsString(), "2F4,");
    EXPECT_EQ(copy->getAttributes()->getAtAttribute(kNameAttribute)->getValue(), "C1");
    EXPECT_EQ(copy->getHatch()->getPattern(), "SOLID");
    EXPECT_EQ(copy->getHyperlinks()->getAt(0)->getHref(), "a.htm");
    EXPECT_EQ(copy->getAssets()->getAtAsset("2F4")->getBlockIdentifier(), "DESK");
    EXPECT_EQ(copy->getAssets()->getAt(0)->getDrawingID(), 0);
}

TEST_F(SpaceModel, CopyFormattingGivesAreaTextsHatchAndHyperlinks)
{
    CBlockDWG source;
    source.setArea(42.0);
    source.setAttributes(new CAttributes);
    source.getAttributes()->add(kavro(kAreaAttribute, "42sq.m."), 0);
    source.getAttributes()->add(kavro(kAuxAttribute, "x"), 0);
    source.getAttributes()->setRotation(45.0);
    CBlockDWGFloor target;
    target.setName("kept");
    source.copyFormatting(&target);
    EXPECT_EQ(target.getArea(), 42.0);
    EXPECT_EQ(target.getAttributes()->getCount(), 2);
    EXPECT_EQ(target.getAttributes()->getRotation(), 45.0);
    EXPECT_EQ(target.getHatch(), nullptr);
    EXPECT_EQ(target.getHyperlinks(), nullptr);

    CAttribute* area = target.getAttributes()->getAtAttribute(kAreaAttribute);
    source.getAttributes()->getAtAttribute(kAreaAttribute)->setValue("43sq.m.");
    source.setHatch(new CHatch);
    source.getHatch()->setScale(7);
    source.setHyperlinks(new CHyperlinks);
    source.getHyperlinks()->add(new CHyperlink("b.htm", "B"));
    source.getHyperlinks()->adopt(new CHyperlink("b.htm", "again"));
    target.setHyperlinks(new CHyperlinks);
    target.getHyperlinks()->add(new CHyperlink("old.htm", ""));
    source.copyFormatting(&target);
    EXPECT_EQ(target.getAttributes()->getAtAttribute(kAreaAttribute), area);
    EXPECT_EQ(area->getValue(), "43sq.m.");
    EXPECT_EQ(target.getAttributes()->getCount(), 2);
    EXPECT_EQ(target.getHatch()->getScale(), 7);
    EXPECT_NE(target.getHatch(), source.getHatch());
    EXPECT_EQ(target.getHyperlinks()->getCount(), 1);
    EXPECT_EQ(target.getHyperlinks()->getAt(0)->getHref(), "b.htm");
    EXPECT_EQ(target.getName(), "kept");
}

TEST(CHyperlinks, AddressesAreUniqueAndCompareExactly)
{
    CHyperlinks links;
    links.add(new CHyperlink("a.htm", "A"));
    CHyperlink refused("a.htm", "other");
    links.add(&refused);
    links.add(new CHyperlink("A.htm", ""));
    EXPECT_EQ(links.getCount(), 2);
    CHyperlinks target;
    target.add(new CHyperlink("A.htm", "kept"));
    links.copyTo(&target);
    EXPECT_EQ(target.getCount(), 2);
    EXPECT_EQ(target.getAt(0)->getDescription(), "kept");
    EXPECT_EQ(target.getAt(1)->getHref(), "a.htm");
}

TEST_F(SpaceModel, LayersAreCleanedAndMadeWhenMissing)
{
    EXPECT_EQ(CLayer::validateLayerName("a<b>c/d\\e\"f;g?h*i,j=k`l:m|n"), "abcdefghijklm|n");
    EXPECT_EQ(CLayer::ensureLayerExists("NEW;LAYER", &drawing), 1);
    AcDbLayerTable* table = nullptr;
    db->getSymbolTable(table, AcDb::kForRead);
    EXPECT_TRUE(table->has("NEWLAYER"));
    table->close();

    AcCmColor blue;
    blue.setColorIndex(5);
    CLayers layers;
    EXPECT_EQ(layers.ensureLayerExists(&drawing, "UNLOCKED", blue), 1);
    ASSERT_EQ(drawing.lock(), Acad::eOk);
    EXPECT_EQ(layers.ensureLayerExists(&drawing, "BLUE", blue), 1);
    drawing.unlock(FALSE);
    db->getSymbolTable(table, AcDb::kForRead);
    EXPECT_FALSE(table->has("UNLOCKED"));
    AcDbLayerTableRecord* record = nullptr;
    ASSERT_EQ(table->getAt("BLUE", record, AcDb::kForRead), Acad::eOk);
    EXPECT_EQ(record->color().colorIndex(), 5);
    record->close();
    table->close();

    // A layer written back switches an existing layer on and unlocks it; its colour stays.
    addLayer("DOORS", true);
    CLayer layer;
    layer.setName("Doors");
    layer.setOff(0);
    layer.applyToDWG(&drawing);
    db->getSymbolTable(table, AcDb::kForRead);
    ASSERT_EQ(table->getAt("DOORS", record, AcDb::kForRead), Acad::eOk);
    EXPECT_FALSE(record->isLocked());
    EXPECT_EQ(layer.getObjectId(), record->objectId());
    record->close();
    table->close();
    CLayer read;
    read.setName("x");
    EXPECT_EQ(read.getDWGLayer(&drawing, "DOORS"), 1);
    EXPECT_EQ(read.getName(), "DOORS");
    EXPECT_EQ(read.getLocked(), 0);

    // XML keeps the name as written and marks nothing modified.
    read.setDescription("Door leaves");
    CLayer back;
    back.deSerialize(read.serialize("urn:test"));
    EXPECT_EQ(back.getName(), "DOORS");
    EXPECT_EQ(back.getDescription(), "Door leaves");
    EXPECT_EQ(back.getModified(), 0);
}
