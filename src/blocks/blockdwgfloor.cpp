#include "blocks/blockdwgfloor.h"

CBlockDWGFloor::CBlockDWGFloor()
{
    setBlockName("ROOM-GROSS_AREA");
    setBlockType(kBlockDWGFloor);
}

CBlockDWGFloor::CBlockDWGFloor(AcDbBlockReference* reference, AcApDocument* document)
    : CBlockDWG(reference, document)
{
    setBlockType(kBlockDWGFloor);
}
