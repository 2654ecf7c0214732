#include "blocks/blockqpxsite.h"

#include "procedurecall.h"

CBlockQPXSite::CBlockQPXSite()
{
    setBlockType(kBlockQPXSite);
}

void CBlockQPXSite::applyToQPX(CStoredProcedure* procedure, int, int timeout)
{
    CParameters parameters;
    CStoredProcedure::Attachment attached;
    procedureGuard(procedure, "CBlockQPXSite::applyToQPX", __FILE__, [&] {
        attached.attach(procedure, &parameters);
        writeGrossArea(procedure, timeout, "__to_setSiteBlockInQPX", parameters);
    });
}
