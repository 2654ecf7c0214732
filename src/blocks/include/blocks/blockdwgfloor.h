// The gross area of a floor: a space block of the definition "ROOM-GROSS_AREA" when made empty.
#pragma once

#include "blocks/blockdwg.h"

class CStoredProcedure;

class CBlockDWGFloor : public CBlockDWG
{
public:
    // The kind's own TP export takes more arguments; the shared slot stays in view beside it.
    using CBlockDWG::exportTP;

    CBlockDWGFloor();
    CBlockDWGFloor(AcDbBlockReference* reference, AcApDocument* document, const Record* record = nullptr);

    // The TP export: writes the floor's gross area with "__to_exportGrossAreaBlocktoTP" under the
    // time-out the procedure already holds (timeout is not used).
    void exportTP(CStoredProcedure* procedure, int timeout, int locationID, CString exportParameters);
};
