// A building: a space block of the definition "ROOM-" when made empty.
#pragma once

#include "blocks/blockdwg.h"

class CStoredProcedure;

class CBlockDWGBuilding : public CBlockDWG
{
public:
    // The kind's own TP export takes more arguments; the shared slot stays in view beside it.
    using CBlockDWG::exportTP;

    CBlockDWGBuilding();
    CBlockDWGBuilding(AcDbBlockReference* reference, AcApDocument* document, const Record* record = nullptr);

    // The TP export: writes the building with "__to_exportSpaceBlockToTP" under the time-out the
    // procedure already holds (timeout is not used).
    void exportTP(CStoredProcedure* procedure, int timeout, int parentID, CString exportParameters);
};
