#include "blocks/blockqpxfloor.h"

#include "procedurecall.h"

CBlockQPXFloor::CBlockQPXFloor()
{
    setBlockType(kBlockQPXFloor);
}

void CBlockQPXFloor::applyToQPX(CStoredProcedure* procedure, int, int timeout)
{
    CParameters parameters;
    CStoredProcedure::Attachment attached;
    procedureGuard(procedure, "CBlockQPXFloor::applyToQPX", __FILE__, [&] {
        attached.attach(procedure, &parameters);
        writeGrossArea(procedure, timeout, "__to_setFloorBlockInQPX", parameters);
    });
}
