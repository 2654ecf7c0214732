// The gross area of a site: a space block of the definition "ROOM-GROSS_AREA" when made empty.
#pragma once

#include "blocks/blockdwg.h"

class CBlockDWGSite : public CBlockDWG
{
public:
    CBlockDWGSite();
    CBlockDWGSite(AcDbBlockReference* reference, AcApDocument* document);
};
