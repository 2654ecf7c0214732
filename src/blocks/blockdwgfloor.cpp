#include "blocks/blockdwgfloor.h"

#include "procedurecall.h"

CBlockDWGFloor::CBlockDWGFloor()
{
    setBlockName("ROOM-GROSS_AREA");
    setBlockType(kBlockDWGFloor);
}

CBlockDWGFloor::CBlockDWGFloor(AcDbBlockReference* reference, AcApDocument* document, const Record* record)
    : CBlockDWG(reference, document, record)
{
    setBlockType(kBlockDWGFloor);
}

void CBlockDWGFloor::exportTP(CStoredProcedure* procedure, int, int locationID, CString exportParameters)
{
    CParameters parameters;
    CStoredProcedure::Attachment attached;
    procedureGuard(procedure, "CBlockDWGFloor::exportTP", __FILE__, [&] {
        procedurecall::addTPGrossArea(parameters, *this, locationID, exportParameters);
        procedure->setName("__to_exportGrossAreaBlocktoTP");
        attached.attach(procedure, &parameters);
        procedure->execSPNoReturnParas();
    });
}
