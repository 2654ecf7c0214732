// The gross area of a site: a space block of the definition "ROOM-GROSS_AREA" when made empty.
#pragma once

#include "blocks/blockdwg.h"

class CStoredProcedure;

class CBlockDWGSite : public CBlockDWG
{
public:
    // The kind's own TP export takes more arguments; the shared slot stays in view beside it.
    using CBlockDWG::exportTP;

    CBlockDWGSite();
    CBlockDWGSite(AcDbBlockReference* reference, AcApDocument* document, const Record* record = nullptr);

    // The TP export: writes the site's gross area with "__to_exportGrossAreaBlocktoTP" under the
    // command time-out.
    void exportTP(CStoredProcedure* procedure, int timeout, int locationID, CString exportParameters);
};
