// The gross area of a floor: a space block of the definition "ROOM-GROSS_AREA" when made empty.
#pragma once

#include "blocks/blockdwg.h"

class CBlockDWGFloor : public CBlockDWG
{
public:
    // The kind's own TP export takes more arguments; the shared slot stays in view beside it.
    using CBlockDWG::exportTP;

    CBlockDWGFloor();
    CBlockDWGFloor(AcDbBlockReference* reference, AcApDocument* document);
};
