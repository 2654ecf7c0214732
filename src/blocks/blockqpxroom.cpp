#include "blocks/blockqpxroom.h"

#include "blocks/assets.h"
#include "procedurecall.h"

CBlockQPXRoom::CBlockQPXRoom()
{
    setBlockType(kBlockQPXRoom);
}

void CBlockQPXRoom::applyToQPX(CStoredProcedure* procedure, int drawingID, int timeout)
{
    CParameters parameters;
    CStoredProcedure::Attachment attached;
    procedureGuard(procedure, "CBlockQPXRoom::applyToQPX", __FILE__, [&] {
        attached.attach(procedure, &parameters);
        writeSpace(procedure, timeout, "__to_setRoomBlockInQPX", parameters);
        // The room's assets go under the location id the register has just given the room.
        if (getAssets())
            getAssets()->applyToQPX(procedure, drawingID, getLocationID(), timeout);
    });
}
