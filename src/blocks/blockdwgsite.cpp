#include "blocks/blockdwgsite.h"

CBlockDWGSite::CBlockDWGSite()
{
    setBlockName("ROOM-GROSS_AREA");
    setBlockType(kBlockDWGSite);
}

CBlockDWGSite::CBlockDWGSite(AcDbBlockReference* reference, AcApDocument* document)
    : CBlockDWG(reference, document)
{
    setBlockType(kBlockDWGSite);
}
