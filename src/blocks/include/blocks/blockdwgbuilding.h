// A building: a space block of the definition "ROOM-" when made empty.
#pragma once

#include "blocks/blockdwg.h"

class CBlockDWGBuilding : public CBlockDWG
{
public:
    CBlockDWGBuilding();
    CBlockDWGBuilding(AcDbBlockReference* reference, AcApDocument* document);
};
