// A register block of a room: a space of the register whose assets are written to the
// register with it, under the location id the register gives the room.
#pragma once

#include "blocks/blockqpx.h"

class CBlockQPXRoom : public CBlockQPX
{
public:
    CBlockQPXRoom();

    void applyToQPX(CStoredProcedure* procedure, int drawingID, int timeout) override;
};
