// The gross area of a site: a space block of the definition "ROOM-GROSS_AREA" when made empty.
#pragma once

#include "blocks/blockdwg.h"

class CStoredProcedure;

class CBlockDWGSite : public CBlockDWG
{
public:
    CBlockDWGSite();
    CBlockDWGSite(AcDbBlockReference* reference, AcApDocument* document);

    // The TP export: writes the site's gross area with "__to_exportGrossAreaBlocktoTP" under the
    // command time-out.
    void exportTP(CStoredProcedure* procedure, int timeout, int locationID, CString exportParameters);
};
