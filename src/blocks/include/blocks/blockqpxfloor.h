// A register block of the gross area of a floor.
#pragma once

#include "blocks/blockqpx.h"

class CBlockQPXFloor : public CBlockQPX
{
public:
    CBlockQPXFloor();

    void applyToQPX(CStoredProcedure* procedure, int drawingID, int timeout) override;
};
