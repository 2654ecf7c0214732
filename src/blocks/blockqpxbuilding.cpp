#include "blocks/blockqpxbuilding.h"

#include "procedurecall.h"

CBlockQPXBuilding::CBlockQPXBuilding()
{
    setBlockType(kBlockQPXBuilding);
}

void CBlockQPXBuilding::applyToQPX(CStoredProcedure* procedure, int, int timeout)
{
    CParameters parameters;
    CStoredProcedure::Attachment attached;
    procedureGuard(procedure, "CBlockQPXBuilding::applyToQPX", __FILE__, [&] {
        attached.attach(procedure, &parameters);
        writeSpace(procedure, timeout, "__to_setBuildingBlockInQPX", parameters);
    });
}
