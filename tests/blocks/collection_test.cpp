// Loading space blocks from drawings by selection and by model space, their kinds, the
// marker blocks, lookups, sorting and the collection's ownership; picking one block.
#include "fixture.h"

#include "arx/acedinput.h"
#include "arx/acedview.h"
#include "arx/acutprintf.h"
#include "arx/dbtext.h"
#include "blocks/assets.h"
#include "blocks/attributes.h"
#include "blocks/blocks.h"
#include "blocks/hatch.h"
#include "blocks/kavroattribute.h"
#include "blocks/markerblocklegend.h"
#include "blocks/markerblockpie.h"
#include "host/acadutilities.h"

#include <set>
#include <tuple>

namespace {

class SpaceCollection : public DrawingTest
{
protected:
    void TearDown() override
    {
        blocks.destroyBlocks();
        DrawingTest::TearDown();
    }

    // A drawing with a room, a gross area, a room named "GROSS AREA" in its record, a
    // furniture block, a room nested in another block and a room in paper space.
    void furnish()
    {
        room = insertSpace(*newRoom("Room", "R1"), rectangle(0, 0, 1000, 1000), AcGePoint3d::kOrigin);
        auto gross = newRoom("Gross", "G");
        gross->setBlockName("ROOM-GROSS_AREA");
        grossArea = insertSpace(*gross, rectangle(0, 0, 5000, 5000), AcGePoint3d::kOrigin);
        auto named = newRoom("GROSS AREA", "X");
        named->getAttributes()->getAtAttribute(kNameAttribute)->setValue("GROSS AREA");
        namedGross = insertSpace(*named, rectangle(6000, 0, 5000, 5000), AcGePoint3d(6000, 0, 0));
        furniture = reference(definition("DESK"), AcGePoint3d(100, 100, 0));
        const AcDbObjectId wrapper = definition("WRAPPER");
        reference(definitionOf(room), AcGePoint3d::kOrigin, wrapper);
        reference(wrapper, AcGePoint3d(20000, 0, 0));
        paper = reference(definitionOf(room), AcGePoint3d(50, 50, 0), db->paperSpaceId());
    }

    AcDbObjectId definitionOf(AcDbObjectId id)
    {
        AcDbBlockReference* opened = nullptr;
        EXPECT_EQ(acdbOpenObject(opened, id, AcDb::kForRead), Acad::eOk);
        const AcDbObjectId definition = opened->blockTableRecord();
        opened->close();
        return definition;
    }

    std::multiset<std::pair<int, std::string>> kinds()
    {
        std::multiset<std::pair<int, std::string>> found;
        for (int i = 0; i < blocks.count(); ++i)
            found.insert({blocks.getAt(i)->getBlockType(), blocks.getAt(i)->getHandle().str()});
        return found;
    }

    static std::string hex(AcDbObjectId id) { return id.handle().text(); }

    CBlocks blocks;
    AcDbObjectId room, grossArea, namedGross, furniture, paper;
};

} // namespace

TEST_F(SpaceCollection, SelectionTakesSpaceBlocksOfEveryLayoutAsTheirKinds)
{
    furnish();
    blocks.getKavroDWGBlocks_SS(&drawing, nullptr, 0, "f");
    EXPECT_EQ(kinds(), (std::multiset<std::pair<int, std::string>>{{kBlockDWGRoom, hex(room)},
                                                                    {kBlockDWGFloor, hex(grossArea)},
                                                                    {kBlockDWGFloor, hex(namedGross)},
                                                                    {kBlockDWGRoom, hex(paper)}}));
    blocks.destroyBlocks();
    for (const char* other : {"F", "", "site"}) {
        blocks.getKavroDWGBlocks_SS(&drawing, nullptr, 0, other);
        EXPECT_EQ(kinds(), (std::multiset<std::pair<int, std::string>>{{kBlockDWGBuilding, hex(room)},
                                                                        {kBlockDWGSite, hex(grossArea)},
                                                                        {kBlockDWGSite, hex(namedGross)},
                                                                        {kBlockDWGBuilding, hex(paper)}}))
            << other;
        blocks.destroyBlocks();
    }
    // Loading twice appends everything twice.
    blocks.getKavroDWGBlocks_SS(&drawing, nullptr, 0, "f");
    blocks.getKavroDWGBlocks_SS(&drawing, nullptr, 0, "f");
    EXPECT_EQ(blocks.count(), 8);
    const auto* read = dynamic_cast<CBlockDWG*>(blocks.getAt(hex(room)));
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->getCode(), "R1");
    EXPECT_EQ(read->getBlockName(), "ROOM-R1");
}

TEST_F(SpaceCollection, AGrossAreaNameMustMatchExactly)
{
    const AcDbObjectId def = definition("ROOM-Q");
    const AcDbObjectId exact = reference(def, AcGePoint3d::kOrigin);
    const AcDbObjectId lower = reference(def, AcGePoint3d::kOrigin);
    const AcDbObjectId trailing = reference(def, AcGePoint3d::kOrigin);
    const AcDbObjectId onlyOlder = reference(def, AcGePoint3d::kOrigin);
    setXData(exact, {{1001, "ADE"}, {1000, "NAME=GROSS AREA"}});
    setXData(lower, {{1001, "ADE"}, {1000, "NAME=Gross Area"}});
    setXData(trailing, {{1001, "ADE"}, {1000, "NAME=GROSS AREA "}});
    setXData(onlyOlder, {{1001, "ADE"}, {1000, "AREA=1sq.m."}});
    setXData(onlyOlder, {{1001, "AECXDATA"}, {1000, "NAME=GROSS AREA"}});
    blocks.getKavroDWGBlocks_SS(&drawing, nullptr, 0, "f");
    EXPECT_EQ(kinds(), (std::multiset<std::pair<int, std::string>>{{kBlockDWGFloor, hex(exact)},
                                                                    {kBlockDWGRoom, hex(lower)},
                                                                    {kBlockDWGRoom, hex(trailing)},
                                                                    {kBlockDWGRoom, hex(onlyOlder)}}));
    AcDbObject* opened = nullptr;
    ASSERT_EQ(acdbOpenObject(opened, exact, AcDb::kForRead), Acad::eOk);
    EXPECT_EQ(blocks.readNameFromXData(opened), "GROSS AREA");
    opened->close();
}

TEST_F(SpaceCollection, ModelSpaceWalkTakesEveryReferenceButMarkers)
{
    furnish();
    reference(definition("MARKER-LEGEND"), AcGePoint3d::kOrigin);
    reference(definition("MARKER-PIECHART"), AcGePoint3d::kOrigin);
    blocks.getKavroDWGBlocks_I(&drawing, nullptr, 0, "f");
    // Model space: the room, two gross areas, the desk and the wrapper; not paper space.
    EXPECT_EQ(blocks.count(), 5);
    EXPECT_NE(blocks.getAt(hex(furniture)), nullptr);
    EXPECT_EQ(blocks.getAt(hex(paper)), nullptr);

    CAcadDrawing closed;
    closed.setDocument(document);
    blocks.getKavroDWGBlocks_I(&closed, nullptr, 0, "f");
    EXPECT_EQ(blocks.count(), 5);
}

TEST_F(SpaceCollection, EveryReferenceAsAPlainBlockAndTheMarkers)
{
    furnish();
    const AcDbObjectId legend = definition("MARKER-LEGEND");
    const AcDbObjectId marker = reference(legend, AcGePoint3d(300, 400, 0));
    AcDbBlockTableRecord* legendRecord = nullptr;
    ASSERT_EQ(acdbOpenObject(legendRecord, legend, AcDb::kForWrite), Acad::eOk);
    auto* outline = new AcDbPolyline;
    outline->addVertexAt(0, AcGePoint2d(0, 0));
    outline->addVertexAt(1, AcGePoint2d(10, 0));
    legendRecord->appendAcDbEntity(outline);
    outline->close();
    auto* size = new AcDbAttributeDefinition(AcGePoint3d(0, -2.5, 0), "5", "LegendTextSize", "Enter legend text size");
    legendRecord->appendAcDbEntity(size);
    size->close();
    legendRecord->close();
    AcDbBlockReference* opened = nullptr;
    ASSERT_EQ(acdbOpenObject(opened, marker, AcDb::kForWrite), Acad::eOk);
    auto* attribute = new AcDbAttribute(AcGePoint3d(300, 397.5, 0), "5", "legendtextsize");
    opened->appendAttribute(attribute);
    attribute->close();
    opened->close();

    blocks.getAcadBlocks(&drawing, nullptr);
    EXPECT_EQ(blocks.count(), 7);
    for (int i = 0; i < blocks.count(); ++i)
        EXPECT_EQ(blocks.getAt(i)->getBlockType(), kBlockDWG);
    blocks.destroyBlocks();

    blocks.getLegendBlock_SS(&drawing);
    blocks.getPieBlock_SS(&drawing);
    ASSERT_EQ(blocks.count(), 1);
    const auto* read = dynamic_cast<CMarkerBlockLegend*>(blocks.getAt(0));
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->getBlockName(), "MARKER-LEGEND");
    EXPECT_EQ(read->getTextSize(), 5.0);
    EXPECT_TRUE(read->getPosition().isEqualTo(AcGePoint3d(300, 400, 0)));
    EXPECT_EQ(read->getHandle(), CString(hex(marker)));
}

TEST_F(SpaceCollection, ARefusedLockLoadsNothing)
{
    furnish();
    acDocManager->setLockDecider([](AcApDocument*) { return Acad::eLockViolation; });
    blocks.getKavroDWGBlocks_SS(&drawing, nullptr, 0, "f");
    blocks.getAcadBlocks(&drawing, nullptr);
    blocks.getLegendBlock_SS(&drawing);
    EXPECT_EQ(blocks.count(), 0);
    const auto error = raised([&] { blocks.zoomToBlocks(&drawing, 0); });
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(error->getInnerException()->getCode(), Acad::eLockViolation);
    acDocManager->setLockDecider(nullptr);
    // A drawing without space blocks selects nothing and frees what it made.
    blocks.getPieBlock_SS(&drawing);
    EXPECT_EQ(blocks.count(), 0);
}

TEST_F(SpaceCollection, RoomsGatherTheAssetsInsideTheirOutline)
{
    const AcDbObjectId desk = definition("DESK");
    insertSpace(*newRoom("Office", "A1"), rectangle(0, 0, 4000, 3000), AcGePoint3d::kOrigin);
    const AcDbObjectId inside = reference(desk, AcGePoint3d(1000, 1000, 0));
    reference(desk, AcGePoint3d(9000, 9000, 0));
    AcDbBlockReference* opened = nullptr;
    ASSERT_EQ(acdbOpenObject(opened, inside, AcDb::kForWrite), Acad::eOk);
    auto* label = new AcDbAttribute(AcGePoint3d(1000, 1000, 0), "Oak", "Finish");
    opened->appendAttribute(label);
    label->close();
    opened->close();
    blocks.getKavroDWGBlocks_SS(&drawing, nullptr, 1, "f");
    ASSERT_EQ(blocks.count(), 1);
    const CAssets* assets = dynamic_cast<CBlockDWG*>(blocks.getAt(0))->getAssets();
    ASSERT_NE(assets, nullptr);
    ASSERT_EQ(assets->getCount(), 1);
    const CAsset* asset = assets->getAt(0);
    EXPECT_EQ(asset->getHandle(), CString(hex(inside)));
    EXPECT_EQ(asset->getBlockIdentifier(), "DESK");
    EXPECT_EQ(asset->getExistsInLocation(), 1);
    EXPECT_EQ(asset->getPointX(), 1000.0);
    EXPECT_EQ(asset->getAttributes()->getAtAttribute(CString("Finish"))->getValue(), "Oak");
}

TEST_F(SpaceCollection, LookupsSortingAndOwnership)
{
    CBlock* plain = new CBlock;
    plain->setHandle("1F");
    plain->setCode("P");
    CBlockDWG a, hundred, ten, tenAgain;
    a.setHandle(CString("A"));
    hundred.setHandle(CString("100"));
    ten.setHandle(CString("a"));
    tenAgain.setHandle(CString("A"));
    a.setCode("first");
    tenAgain.setCode("first");
    CBlocks local;
    for (CBlock* block : std::initializer_list<CBlock*>{&a, plain, &hundred, &ten, &tenAgain})
        local.addBlock(block);
    EXPECT_EQ(local.getAt(CString("A")), &a);
    EXPECT_EQ(local.getAt(CString("a")), &ten);
    EXPECT_EQ(local.getAt(CString("1f")), nullptr);
    EXPECT_EQ(local.getByCode("first"), &a);
    EXPECT_EQ(local.getByCode("FIRST"), nullptr);
    for (const int bad : {-1, 5})
        EXPECT_NE(raised([&] { local.getAt(bad); }), nullptr);
    EXPECT_NE(raised([&] { local.replaceAt(5, &a); }), nullptr);

    local.sortBlocksByHandle(1);
    std::vector<CBlock*> order;
    for (int i = 0; i < local.count(); ++i)
        order.push_back(local.getAt(i));
    EXPECT_EQ(order, (std::vector<CBlock*>{&a, &ten, &tenAgain, plain, &hundred}));
    local.sortBlocksByHandle(0);
    order.clear();
    for (int i = 0; i < local.count(); ++i)
        order.push_back(local.getAt(i));
    EXPECT_EQ(order, (std::vector<CBlock*>{&hundred, plain, &a, &ten, &tenAgain}));

    // Replacing a plain record destroys it; drawing-side blocks are only released.
    CBlockDWG spare;
    local.replaceAt(1, &spare);
    local.replaceAt(0, &spare);
    EXPECT_EQ(hundred.getHandle(), "100");
    local.deleteObjects();
    EXPECT_EQ(local.count(), 0);
    EXPECT_EQ(a.getHandle(), "A");

    // Handles sort as the unsigned numbers of up to 16 digits they are.
    CBlockDWG one, high, widest;
    one.setHandle(CString("1"));
    high.setHandle(CString("80000000"));
    widest.setHandle(CString("FFFFFFFFFFFFFFFF"));
    for (CBlock* block : std::initializer_list<CBlock*>{&widest, &high, &one})
        local.addBlock(block);
    local.sortBlocksByHandle(1);
    EXPECT_EQ(local.getAt(0), &one);
    EXPECT_EQ(local.getAt(1), &high);
    EXPECT_EQ(local.getAt(2), &widest);
    local.deleteObjects();
}

TEST_F(SpaceCollection, ZoomCoversEveryBlockOutline)
{
    // With nothing to measure the view stays as it is.
    const qv::Box2d before = qv::viewWindow(db);
    blocks.zoomToBlocks(&drawing, 10.0);
    const qv::Box2d after = qv::viewWindow(db);
    EXPECT_EQ(std::tie(after.minX, after.minY, after.maxX, after.maxY),
              std::tie(before.minX, before.minY, before.maxX, before.maxY));
    insertSpace(*newRoom("West", "W"), rectangle(-5000, -3000, 1000, 1000), AcGePoint3d(-5000, -3000, 0));
    insertSpace(*newRoom("South", "S"), rectangle(-2000, -6000, 500, 500), AcGePoint3d(-2000, -6000, 0));
    blocks.getKavroDWGBlocks_SS(&drawing, nullptr, 0, "f");
    ASSERT_EQ(blocks.count(), 2);
    blocks.zoomToBlocks(&drawing, 10.0);
    const qv::Box2d window = qv::viewWindow(db);
    EXPECT_DOUBLE_EQ(window.minX, -5010);
    EXPECT_DOUBLE_EQ(window.minY, -6010);
    EXPECT_DOUBLE_EQ(window.maxX, -1490);
    EXPECT_DOUBLE_EQ(window.maxY, -1990);
}

TEST_F(SpaceCollection, PickingABlockCopiesItIntoTheTarget)
{
    const AcDbObjectId line = post(new AcDbLine(AcGePoint3d(0, 0, 0), AcGePoint3d(10, 0, 0)));
    const AcDbObjectId desk = reference(definition("DESK"), AcGePoint3d(100, 100, 0));
    std::string printed;
    qv::setOutputSink([&](const std::string& text) { printed += text; });
    qv::setInputSource(
        qv::makeLineInput({std::string("#").append(hex(line)), std::string("#").append(hex(desk)), "^C"}, true));
    CBlockDWG target;
    EXPECT_TRUE(CAcadUtilities().userSelectKavroBlock(document, &target));
    EXPECT_EQ(target.getBlockName(), "DESK");
    EXPECT_EQ(target.getObjectId(), desk);
    EXPECT_NE(printed.find("Invalid selection.\n"), std::string::npos);
    EXPECT_FALSE(CAcadUtilities().userSelectKavroBlock(document, &target));
    EXPECT_NE(printed.find("Cancelled by User.\n"), std::string::npos);
    qv::setInputSource(nullptr);
    qv::setOutputSink(nullptr);
}
