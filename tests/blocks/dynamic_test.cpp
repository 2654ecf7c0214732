// Assets placed as dynamic blocks: a reference of an anonymous definition made from a
// dynamic block is named after the dynamic block.
#include "fixture.h"

#include "blocks/assets.h"
#include "blocks/blocks.h"

#include <algorithm>

TEST_F(DrawingTest, DynamicBlockAssetsTakeTheirDynamicDefinitionsName)
{
    const AcDbObjectId door = definition("DOOR");
    rectangle(0, 0, 900, 50, door);
    setXData(door, {{1001, "AcDbDynamicBlockGUID"}, {1000, "{00000000-0000-4000-8000-000000000001}"}});
    const AcDbObjectId stretched = definition("*U7");
    rectangle(0, 0, 1000, 50, stretched);
    setXData(stretched, {{1001, "AcDbBlockRepBTag"}, {1005, door.handle().text()}});
    const AcDbObjectId other = definition("*U8");
    rectangle(0, 0, 100, 100, other);

    insertSpace(*newRoom("Hall", "H1"), rectangle(0, 0, 8000, 6000), AcGePoint3d::kOrigin);
    reference(door, AcGePoint3d(1000, 1000, 0));
    reference(stretched, AcGePoint3d(3000, 1000, 0));
    reference(other, AcGePoint3d(5000, 1000, 0));   // anonymous, not dynamic: no asset

    CBlocks blocks;
    blocks.getKavroDWGBlocks_SS(&drawing, nullptr, 1, "f");
    ASSERT_EQ(blocks.count(), 1);
    const CAssets* assets = dynamic_cast<CBlockDWG*>(blocks.getAt(0))->getAssets();
    ASSERT_NE(assets, nullptr);
    std::vector<std::string> names;
    for (int i = 0; i < assets->getCount(); ++i)
        names.push_back(assets->getAt(i)->getBlockIdentifier().str());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"DOOR", "DOOR"}));
    blocks.destroyBlocks();   // the collection releases drawing-side blocks without destroying them
}
