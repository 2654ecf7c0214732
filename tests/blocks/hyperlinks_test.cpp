// Hyperlink lists: written to a space block, its hatch and an asset, kept in order through
// a saved and reopened drawing; list texts and register links; a definition's hyperlinks.
#include "fixture.h"

#include "arx/dbhatch.h"
#include "blocks/asset.h"
#include "blocks/hatch.h"
#include "blocks/hyperlinks.h"
#include "common/tempdir.h"
#include "support/kavroexceptions.h"

namespace {

using Links = std::vector<std::pair<std::string, std::string>>;

Links linksOf(AcDbObjectId id, int fromDefinition = 0)
{
    AcDbEntity* entity = nullptr;
    EXPECT_EQ(acdbOpenObject(entity, id, AcDb::kForRead), Acad::eOk);
    CHyperlinks list;
    list.getBlockHyperlinks(entity, fromDefinition);
    entity->close();
    Links links;
    for (int i = 0; i < list.getCount(); ++i)
        links.emplace_back(list.getAt(i)->getHref().str(), list.getAt(i)->getDescription().str());
    return links;
}

Links listed(const CHyperlinks& list)
{
    Links links;
    for (int i = 0; i < list.getCount(); ++i)
        links.emplace_back(list.getAt(i)->getHref().str(), list.getAt(i)->getDescription().str());
    return links;
}

CHyperlinks* threeLinks()
{
    auto* list = new CHyperlinks;
    list->add(new CHyperlink("a.htm", "Alpha"));
    list->add(new CHyperlink("https://register.example/b?id=2", "Beta, second"));
    list->add(new CHyperlink("c.htm", ""));
    return list;
}

const Links kInOrder = {{"a.htm", "Alpha"}, {"https://register.example/b?id=2", "Beta, second"}, {"c.htm", ""}};
const Links kReversed = {kInOrder[2], kInOrder[1], kInOrder[0]};

std::vector<AcDbObjectId> hatchesOf(AcDbDatabase* db)
{
    AcDbBlockTableRecord* space = nullptr;
    EXPECT_EQ(acdbOpenObject(space, db->modelSpaceId(), AcDb::kForRead), Acad::eOk);
    std::vector<AcDbObjectId> hatches;
    for (const AcDbObjectId& id : space->entityIds())
        if (!id.isErased() && AcDbHatch::cast(id.object()))
            hatches.push_back(id);
    space->close();
    return hatches;
}

AcDbObjectId byHandle(AcDbDatabase& db, AcDbObjectId original)
{
    AcDbObjectId id;
    EXPECT_EQ(db.getAcDbObjectId(id, false, original.handle()), Acad::eOk);
    return id;
}

} // namespace

TEST_F(DrawingTest, ThreeHyperlinksOnASpaceItsHatchAndAnAssetSurviveSaveAndOpenInOrder)
{
    auto made = newRoom("Lab", "L1");
    const AcDbObjectId space = insertSpace(*made, rectangle(0, 0, 10000, 8000), AcGePoint3d(5000, 4000, 0));
    const auto block = readBlock(space);
    delete block->getHyperlinks();
    block->setHyperlinks(threeLinks());
    auto* hatch = new CHatch;
    hatch->setPattern("ANSI37");
    hatch->setScale(50);
    hatch->setLayer("HATCHES");
    block->setHatch(hatch);
    CKavroExceptions warnings;
    block->applyToDWG(&drawing, &warnings);

    const AcDbObjectId desk = definition("DESK");
    const AcDbObjectId top = rectangle(0, 0, 1600, 800, desk);
    const AcDbObjectId deskReference = reference(desk, AcGePoint3d(2000, 2000, 0));
    CAsset asset;
    asset.setObjectId(deskReference);
    asset.setHyperlinks(threeLinks());
    asset.setHatch(new CHatch);
    asset.getHatch()->setPattern("SOLID");
    asset.applyToDWG(&drawing, &warnings);
    EXPECT_EQ(warnings.getCount(), 0);
    const auto hatches = hatchesOf(db);
    ASSERT_EQ(hatches.size(), 2u);

    // ezdxf reads the first hyperlink of each: a space's list runs in order, an asset's
    // reversed.
    int seen = 0;
    const QJsonObject dumped = saveAndDump();
    EXPECT_TRUE(dumped["audit"].toArray().isEmpty());
    for (const QJsonValue& entity : dumped["dump"].toObject()["modelspace"].toArray()) {
        const std::string handle = entity.toObject()["handle"].toString().toStdString();
        const QJsonArray link = entity.toObject()["hyperlink"].toArray();
        const std::string first = link.at(0).toString().toStdString() + "|" + link.at(1).toString().toStdString();
        if (handle == space.handle().text() || handle == hatches[0].handle().text()) {
            EXPECT_EQ(first, "a.htm|Alpha");
            ++seen;
        } else if (handle == deskReference.handle().text() || handle == hatches[1].handle().text()) {
            EXPECT_EQ(first, "c.htm|");
            ++seen;
        }
    }
    EXPECT_EQ(seen, 4);

    TempDir dir;
    const std::string path = dir.file("links.dxf");
    ASSERT_EQ(db->saveAs(path.c_str()), Acad::eOk);
    AcDbDatabase back;
    ASSERT_EQ(back.readDxfFile(path.c_str()), Acad::eOk);
    EXPECT_EQ(linksOf(byHandle(back, space)), kInOrder);
    EXPECT_EQ(linksOf(byHandle(back, hatches[0])), kInOrder);
    EXPECT_EQ(linksOf(byHandle(back, deskReference)), kReversed);
    EXPECT_EQ(linksOf(byHandle(back, hatches[1])), kReversed);
    EXPECT_EQ(linksOf(byHandle(back, top)), kReversed);
    // The attributes of the space's reference take the list too (on this host).
    AcDbBlockReference* reopened = nullptr;
    ASSERT_EQ(acdbOpenObject(reopened, byHandle(back, space), AcDb::kForRead), Acad::eOk);
    const std::vector<AcDbObjectId> attributes = reopened->attributeIds();
    reopened->close();
    ASSERT_FALSE(attributes.empty());
    for (const AcDbObjectId& attribute : attributes)
        EXPECT_EQ(linksOf(attribute), kInOrder);

    // A space block read again starts from its reference's list, in order.
    EXPECT_EQ(listed(*readBlock(space)->getHyperlinks()), kInOrder);
}

TEST_F(DrawingTest, ADefinitionsHyperlinksAreReadApartFromTheReferences)
{
    const AcDbObjectId chair = definition("CHAIR");
    const AcDbObjectId seat = rectangle(0, 0, 500, 500, chair);
    const AcDbObjectId back = rectangle(0, 500, 500, 50, chair);
    const AcDbObjectId placed = reference(chair, AcGePoint3d(100, 100, 0));
    CAsset asset;
    asset.setObjectId(placed);
    asset.setHyperlinks(new CHyperlinks);
    asset.getHyperlinks()->add(new CHyperlink("chair.htm", "Chair"));
    CKavroExceptions warnings;
    asset.applyToDWG(&drawing, &warnings);
    AcDbEntity* opened = nullptr;
    ASSERT_EQ(acdbOpenObject(opened, back, AcDb::kForWrite), Acad::eOk);
    CHyperlinks extra;
    extra.add(new CHyperlink("back.htm", "Back"));
    extra.add(new CHyperlink("chair.htm", "again"));
    ASSERT_EQ(extra.setEntityHyperlinks(opened, false), Acad::eOk);
    opened->close();

    // The definition's entities in order, an address met twice kept once.
    EXPECT_EQ(linksOf(placed, 1), (Links{{"chair.htm", "Chair"}, {"back.htm", "Back"}}));
    EXPECT_EQ(linksOf(seat, 1), Links{});   // not a reference: nothing
    EXPECT_EQ(linksOf(placed, 0), (Links{{"chair.htm", "Chair"}}));
}

TEST(HyperlinkTexts, ListTextsBecomeRegisterLinks)
{
    CHyperlinks list;
    list.setHyperlinks("a,Alpha;b;;c,", 7);
    EXPECT_EQ(listed(list), (Links{{"a?pb=10&page=1&id=7", "Alpha"},
                                   {"b?pb=10&page=1&id=7", "b"},
                                   {"c?pb=10&page=1&id=7", "c"}}));
    CHyperlinks only;
    only.setHyperlinks(",Only", 1);
    only.setHyperlinks("", 1);
    only.setHyperlinks(";", 1);
    only.setHyperlinks("a,b,c", -3);
    // Blanks are not empty: an address of blanks trims to nothing and the entry goes; a
    // description of blanks trims to empty instead of taking the address.
    only.setHyperlinks("   ,skipped; d ,  ", 2);
    only.setHyperlinks("Only,duplicate", 1);
    EXPECT_EQ(listed(only), (Links{{"Only?pb=10&page=1&id=1", "Only"},
                                   {"a?pb=10&page=1&id=-3", "b,c"},
                                   {"d?pb=10&page=1&id=2", ""}}));
    CHyperlink link;
    link.setDescription("kept");
    link.setHyperlink("rooms.htm?x=1", 42);
    EXPECT_EQ(link.getHref(), "rooms.htm?x=1?pb=10&page=1&id=42");
    EXPECT_EQ(link.getDescription(), "kept");
}
