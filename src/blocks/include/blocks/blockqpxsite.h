// A register block of the gross area of a site.
#pragma once

#include "blocks/blockqpx.h"

class CBlockQPXSite : public CBlockQPX
{
public:
    CBlockQPXSite();

    void applyToQPX(CStoredProcedure* procedure, int drawingID, int timeout) override;
};
