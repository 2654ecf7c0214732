// The gross area of a floor: a space block of the definition "ROOM-GROSS_AREA" when made empty.
#pragma once

#include "blocks/blockdwg.h"

class CBlockDWGFloor : public CBlockDWG
{
public:
    CBlockDWGFloor();
    CBlockDWGFloor(AcDbBlockReference* reference, AcApDocument* document);
};
