// The assets a room gathers from the drawing: the block references inside or crossing its
// outline where the room's reference shows it (moved, rotated and scaled), whatever the
// current user coordinate system.
#include "blocks/assets.h"
#include "blocks/blockdwgroom.h"
#include "fixture.h"

#include <cmath>
#include <string>
#include <vector>

namespace {

class RoomAssets : public DrawingTest
{
protected:
    // A room of a 4000 x 1000 outline whose reference is turned a quarter turn, doubled in
    // size and put at (10000, 0): its outline covers x 8000..10000, y 0..8000 of the world.
    AcDbObjectId placedRoom()
    {
        const AcDbObjectId id = insertSpace(*newRoom("Store", "S1"), rectangle(0, 0, 4000, 1000),
                                            AcGePoint3d::kOrigin);
        AcDbBlockReference* room = nullptr;
        EXPECT_EQ(acdbOpenObject(room, id, AcDb::kForWrite), Acad::eOk);
        room->setRotation(M_PI / 2);
        room->setScaleFactors(AcGeScale3d(2.0));
        room->setPosition(AcGePoint3d(10000, 0, 0));
        room->close();
        return id;
    }

    // A reference of a new definition of a small square round its base point.
    AcDbObjectId asset(const char* name, AcGePoint3d position)
    {
        const AcDbObjectId record = definition(name);
        rectangle(-10, -10, 20, 20, record);
        return reference(record, position);
    }

    // The identifiers of the assets the room gathers, as the room kind's reader gathers them.
    std::vector<std::string> gathered(AcDbObjectId room, std::vector<AcGePoint3d>* positions = nullptr)
    {
        AcDbBlockReference* reference = nullptr;
        EXPECT_EQ(acdbOpenObject(reference, room, AcDb::kForRead), Acad::eOk);
        CBlockDWGRoom block(reference, document, 1);
        reference->close();
        std::vector<std::string> names;
        const CAssets* assets = block.getAssets();
        for (int i = 0; assets && i < assets->getCount(); ++i) {
            names.emplace_back(assets->getAt(i)->getBlockIdentifier().GetString());
            if (positions)
                positions->emplace_back(assets->getAt(i)->getPointX(), assets->getAt(i)->getPointY(), 0);
        }
        return names;
    }
};

} // namespace

TEST_F(RoomAssets, TheOutlineIsPlacedByTheRoomsRotationScaleAndPosition)
{
    const AcDbObjectId room = placedRoom();
    // Inside the placed outline only: beyond the reach of the outline turned but not scaled.
    asset("INSIDE", AcGePoint3d(9000, 6000, 0));
    // Where the outline would lie moved but neither turned nor scaled.
    asset("UNTURNED", AcGePoint3d(12000, 500, 0));
    asset("OUTSIDE", AcGePoint3d(7000, 6000, 0));
    // Across the placed outline's edge.
    const AcDbObjectId crossing = definition("CROSSING");
    rectangle(-100, -100, 200, 200, crossing);
    reference(crossing, AcGePoint3d(10000, 4000, 0));

    EXPECT_EQ(gathered(room), (std::vector<std::string>{"INSIDE", "CROSSING"}));
}

TEST_F(RoomAssets, AnyUserCoordinateSystemGathersTheSameAssetsAndGivesTheirPositionsInIt)
{
    const AcDbObjectId room = placedRoom();
    asset("INSIDE", AcGePoint3d(9000, 6000, 0));
    asset("OUTSIDE", AcGePoint3d(7000, 6000, 0));

    // Turned a quarter turn about the world z with its origin at (500, 500).
    ASSERT_EQ(db->setUcs(AcGePoint3d(500, 500, 0), AcGeVector3d(0, 1, 0), AcGeVector3d(-1, 0, 0)), Acad::eOk);
    std::vector<AcGePoint3d> positions;
    EXPECT_EQ(gathered(room, &positions), (std::vector<std::string>{"INSIDE"}));
    ASSERT_EQ(positions.size(), 1u);
    EXPECT_NEAR(positions[0].x, 5500.0, 1e-9);
    EXPECT_NEAR(positions[0].y, -8500.0, 1e-9);

    // Only moved: the selection must not add the origin to the outline a second time.
    ASSERT_EQ(db->setUcs(AcGePoint3d(-20000, 0, 0), AcGeVector3d(1, 0, 0), AcGeVector3d(0, 1, 0)), Acad::eOk);
    positions.clear();
    EXPECT_EQ(gathered(room, &positions), (std::vector<std::string>{"INSIDE"}));
    ASSERT_EQ(positions.size(), 1u);
    EXPECT_NEAR(positions[0].x, 29000.0, 1e-9);
}

TEST_F(RoomAssets, AnInsertionPointAloneMovesTheOutline)
{
    const AcDbObjectId outline = rectangle(0, 0, 100, 100, definition("SHAPE"));
    asset("IN", AcGePoint3d(1050, 1050, 0));
    asset("OUT", AcGePoint3d(50, 50, 0));
    AcDbPolyline* polyline = nullptr;
    ASSERT_EQ(acdbOpenObject(polyline, outline, AcDb::kForRead), Acad::eOk);
    CAssets assets;
    assets.getPolylineAssets(AcGePoint3d(1000, 1000, 0), polyline);
    polyline->close();
    ASSERT_EQ(assets.getCount(), 1);
    EXPECT_EQ(assets.getAt(0)->getBlockIdentifier(), "IN");
}

TEST_F(RoomAssets, OnlySingleReferencesOfNamedDefinitionsBecomeAssets)
{
    const AcDbObjectId room = insertSpace(*newRoom("Hall", "H1"), rectangle(0, 0, 4000, 4000), AcGePoint3d::kOrigin);
    asset("DESK", AcGePoint3d(1000, 1000, 0));
    // Another room's reference, a multiple insert and an anonymous definition's reference.
    const AcDbObjectId other = insertSpace(*newRoom("Cupboard", "C1"), rectangle(2000, 2000, 100, 100),
                                           AcGePoint3d(2000, 2000, 0));
    ASSERT_FALSE(other.isNull());
    const AcDbObjectId lamp = definition("LAMP");
    rectangle(-10, -10, 20, 20, lamp);
    auto* grid = new AcDbMInsertBlock;
    grid->setBlockTableRecord(lamp);
    grid->setPosition(AcGePoint3d(3000, 1000, 0));
    grid->setColumns(2);
    grid->setColumnSpacing(100);
    post(grid);
    const AcDbObjectId anonymous = definition("*U7");
    rectangle(-10, -10, 20, 20, anonymous);
    reference(anonymous, AcGePoint3d(1000, 3000, 0));

    std::vector<AcGePoint3d> positions;
    EXPECT_EQ(gathered(room, &positions), (std::vector<std::string>{"DESK"}));
}
