#include "blocks/blockdwgroom.h"

#include "blocks/assets.h"
#include "host/hostguards.h"
#include "host/planoutline.h"
#include "procedurecall.h"

CBlockDWGRoom::CBlockDWGRoom()
{
    setBlockName("ROOM-");
    setBlockType(kBlockDWGRoom);
}

CBlockDWGRoom::CBlockDWGRoom(AcDbBlockReference* reference, AcApDocument* document, int collectAssets,
                             const Record* record)
    : CBlockDWG(reference, document, record)
{
    setBlockType(kBlockDWGRoom);
    if (collectAssets)
        gatherAssets(reference);
}

void CBlockDWGRoom::collectAssets()
{
    if (getAssets())
        return;
    if (const Opened<AcDbBlockReference> reference = openObject<AcDbBlockReference>(getObjectId(), AcDb::kForRead))
        gatherAssets(reference.get());
}

void CBlockDWGRoom::gatherAssets(const AcDbBlockReference* reference)
{
    const CPlanOutline outline(outlineOf(reference->blockTableRecord()));
    if (!outline)
        return;
    setAssets(new CAssets);
    getAssets()->getPolylineAssets(reference->blockTransform(), outline.get());
}

void CBlockDWGRoom::exportTP(CStoredProcedure* procedure, int timeout, int parentID, CString exportParameters)
{
    CParameters parameters;
    CStoredProcedure::Attachment attached;
    procedureGuard(procedure, "CBlockDWGRoom::exportTP", __FILE__, [&] {
        procedurecall::addTPSpaceBlock(parameters, *this, parentID, exportParameters);
        procedure->setTimeout(timeout);
        procedure->setName("__to_exportSpaceBlockToTP");
        attached.attach(procedure, &parameters);
        procedure->execSPNoReturnParas();
        if (getAssets())
            getAssets()->exportTP(procedure, timeout, exportParameters);
    });
}
