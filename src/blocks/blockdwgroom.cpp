#include "blocks/blockdwgroom.h"

#include "blocks/assets.h"
#include "host/hostguards.h"

CBlockDWGRoom::CBlockDWGRoom()
{
    setBlockName("ROOM-");
    setBlockType(kBlockDWGRoom);
}

CBlockDWGRoom::CBlockDWGRoom(AcDbBlockReference* reference, AcApDocument* document, int collectAssets)
    : CBlockDWG(reference, document)
{
    setBlockType(kBlockDWGRoom);
    if (!collectAssets)
        return;
    const Opened<AcDbPolyline> outline =
        openObject<AcDbPolyline>(outlineOf(reference->blockTableRecord()), AcDb::kForRead);
    if (!outline)
        return;
    setAssets(new CAssets);
    getAssets()->getPolylineAssets(reference->position(), outline.get());
}
