#include "blocks/blockdwgsite.h"

#include "procedurecall.h"

CBlockDWGSite::CBlockDWGSite()
{
    setBlockName("ROOM-GROSS_AREA");
    setBlockType(kBlockDWGSite);
}

CBlockDWGSite::CBlockDWGSite(AcDbBlockReference* reference, AcApDocument* document, const Record* record)
    : CBlockDWG(reference, document, record)
{
    setBlockType(kBlockDWGSite);
}

void CBlockDWGSite::exportTP(CStoredProcedure* procedure, int timeout, int locationID, CString exportParameters)
{
    CParameters parameters;
    CStoredProcedure::Attachment attached;
    procedureGuard(procedure, "CBlockDWGSite::exportTP", __FILE__, [&] {
        procedurecall::addTPGrossArea(parameters, *this, locationID, exportParameters);
        procedure->setTimeout(timeout);
        procedure->setName("__to_exportGrossAreaBlocktoTP");
        attached.attach(procedure, &parameters);
        procedure->execSPNoReturnParas();
    });
}
