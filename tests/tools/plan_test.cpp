// The example plans of scripts/gen_floorplan.py --spaces, read by the space-block model
// itself: every room is a space block with its record, the typical rooms share one
// definition, and each room gathers the furniture the generator put inside it as its
// assets. Each asset's DESCRIPTION names the room it was put in; that is what the assets
// the model gathers are checked against.
#include "arx/acdocman.h"
#include "arx/dbdatabase.h"
#include "blocks/asset.h"
#include "blocks/assets.h"
#include "blocks/attributes.h"
#include "blocks/blockdwg.h"
#include "blocks/blocks.h"
#include "blocks/kavroattribute.h"
#include "common/tempdir.h"
#include "host/acaddrawing.h"
#include "support/utilities.h"

#include <gtest/gtest.h>
#include <map>
#include <set>
#include <string>

namespace {

constexpr int kRooms = 90;
constexpr int kShared = 6;

// One generated plan for the whole suite, opened as the current drawing for each test.
class SpacePlan : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        folder = std::make_unique<TempDir>();
        path = folder->file("plan.dxf");
        const std::string command = "/usr/bin/python3 " QV_SOURCE_DIR "/scripts/gen_floorplan.py --rooms " +
                                    std::to_string(kRooms) + " --floors 2 --seed 11 --spaces --shared " +
                                    std::to_string(kShared) + " " + path;
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
    }
    static void TearDownTestSuite() { folder.reset(); }

    void SetUp() override
    {
        ASSERT_EQ(acDocManager->appContextOpenDocument(path.c_str()), Acad::eOk);
        AcApDocument* document = acDocManager->curDocument();
        drawing.setDocument(document);
        drawing.setFullPath(document->fileName());
        drawing.setOpen(TRUE);
        drawing.setKeepOpen(TRUE);
    }
    void TearDown() override
    {
        blocks.destroyBlocks();
        acDocManager->closeAll();
    }

    // The rooms by name, loaded as the commands load them.
    std::map<std::string, CBlockDWG*> loadRooms(int collectAssets)
    {
        blocks.getKavroDWGBlocks_SS(&drawing, nullptr, collectAssets, "f");
        std::map<std::string, CBlockDWG*> rooms;
        for (int i = 0; i < blocks.count(); ++i) {
            auto* room = dynamic_cast<CBlockDWG*>(blocks.getAt(i));
            EXPECT_TRUE(room);
            if (room)
                rooms[room->getName().str()] = room;
        }
        return rooms;
    }

    static std::unique_ptr<TempDir> folder;
    static std::string path;
    CAcadDrawing drawing;
    CBlocks blocks;
};

std::unique_ptr<TempDir> SpacePlan::folder;
std::string SpacePlan::path;

std::string attributeValue(const CAttributes* attributes, const char* tag)
{
    const CAttribute* attribute = attributes ? attributes->getAtAttribute(CString(tag)) : nullptr;
    return attribute ? attribute->getValue().str() : std::string();
}

} // namespace

TEST_F(SpacePlan, EveryRoomIsASpaceBlockWithItsRecord)
{
    const std::map<std::string, CBlockDWG*> rooms = loadRooms(0);
    ASSERT_EQ(blocks.count(), kRooms);
    ASSERT_EQ(rooms.size(), static_cast<size_t>(kRooms)) << "room names are unique";
    std::map<std::string, int> references;
    for (const auto& [name, room] : rooms) {
        EXPECT_EQ(room->getBlockType(), kBlockDWGRoom) << name;
        EXPECT_EQ(room->getXDataAppName(), "ADE") << name;
        EXPECT_EQ(room->getUnits(), CMeasureUnits::kMetric) << name;
        EXPECT_EQ(room->getPrecision(), 2) << name;
        EXPECT_GT(room->getArea(), 4.0) << name;
        EXPECT_GT(room->getPerimeter(), 8.0) << name;
        const CAttributes* attributes = room->getAttributes();
        ASSERT_TRUE(attributes) << name;
        EXPECT_EQ(attributes->getAtAttribute(kAreaAttribute)->getValue(),
                  CUtilities::DoubleToCString(room->getArea(), 2) + "sq.m.")
            << name;
        EXPECT_EQ(room->getCode(), CString(name.c_str()));
        ++references[room->getBlockName().str()];
    }
    // The typical rooms share the first definition; every other room has its own.
    EXPECT_EQ(references["ROOM-1"], kShared);
    EXPECT_EQ(references.size(), static_cast<size_t>(kRooms - kShared + 1));
}

TEST_F(SpacePlan, RoomsGatherTheFurnitureInsideThemAsAssets)
{
    const std::map<std::string, CBlockDWG*> rooms = loadRooms(1);
    ASSERT_EQ(rooms.size(), static_cast<size_t>(kRooms));
    int furniture = 0;
    std::set<std::string> handles;
    for (const auto& [name, room] : rooms) {
        const CAssets* assets = room->getAssets();
        ASSERT_TRUE(assets) << name;
        for (int i = 0; i < assets->getCount(); ++i) {
            const CAsset* asset = assets->getAt(i);
            const std::string kind = asset->getBlockIdentifier().str();
            // A door standing in the doorway crosses the outline and counts as well.
            if (kind == "DOOR")
                continue;
            const std::string description = attributeValue(asset->getAttributes(), "DESCRIPTION");
            EXPECT_EQ(description.substr(description.size() - name.size()), name) << kind << " in " << name;
            EXPECT_EQ(attributeValue(asset->getAttributes(), "ASSET_NO").rfind("AS-", 0), 0u);
            EXPECT_TRUE(handles.insert(asset->getHandle().str()).second) << "an asset in two rooms";
            ++furniture;
        }
    }
    // Every furniture block of the drawing was gathered by its room.
    int placed = 0;
    AcDbBlockTableRecord* modelSpace = nullptr;
    ASSERT_EQ(acdbOpenObject(modelSpace, drawing.getDocument()->database()->modelSpaceId(), AcDb::kForRead),
              Acad::eOk);
    for (const AcDbObjectId& id : modelSpace->entityIds()) {
        AcDbEntity* entity = nullptr;
        if (acdbOpenObject(entity, id, AcDb::kForRead) != Acad::eOk)
            continue;
        if (AcDbBlockReference::cast(entity) && std::string(entity->layer()) == "ASSETS")
            ++placed;
        entity->close();
    }
    modelSpace->close();
    EXPECT_GT(placed, kRooms / 4);
    EXPECT_EQ(furniture, placed);
}
