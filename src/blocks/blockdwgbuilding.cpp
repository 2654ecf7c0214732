#include "blocks/blockdwgbuilding.h"

#include "procedurecall.h"

CBlockDWGBuilding::CBlockDWGBuilding()
{
    setBlockName("ROOM-");
    setBlockType(kBlockDWGBuilding);
}

CBlockDWGBuilding::CBlockDWGBuilding(AcDbBlockReference* reference, AcApDocument* document, const Record* record)
    : CBlockDWG(reference, document, record)
{
    setBlockType(kBlockDWGBuilding);
}

void CBlockDWGBuilding::exportTP(CStoredProcedure* procedure, int, int parentID, CString exportParameters)
{
    CParameters parameters;
    CStoredProcedure::Attachment attached;
    procedureGuard(procedure, "CBlockDWGBuilding::exportTP", __FILE__, [&] {
        procedurecall::addTPSpaceBlock(parameters, *this, parentID, exportParameters);
        procedure->setName("__to_exportSpaceBlockToTP");
        attached.attach(procedure, &parameters);
        procedure->execSPNoReturnParas();
    });
}
