#include "blocks/blockdwgbuilding.h"

CBlockDWGBuilding::CBlockDWGBuilding()
{
    setBlockName("ROOM-");
    setBlockType(kBlockDWGBuilding);
}

CBlockDWGBuilding::CBlockDWGBuilding(AcDbBlockReference* reference, AcApDocument* document)
    : CBlockDWG(reference, document)
{
    setBlockType(kBlockDWGBuilding);
}
