// A register block of a building.
#pragma once

#include "blocks/blockqpx.h"

class CBlockQPXBuilding : public CBlockQPX
{
public:
    CBlockQPXBuilding();

    void applyToQPX(CStoredProcedure* procedure, int drawingID, int timeout) override;
};
