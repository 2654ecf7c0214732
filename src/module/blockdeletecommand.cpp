#include "commands.h"

#include "arx/acutprintf.h"
#include "blocks/blockdwg.h"
#include "host/acadutilities.h"
#include "host/hostguards.h"
#include "module/commandframe.h"
#include "spaceblocks.h"

namespace {

// Whether the reference's definition is a space block's ("ROOM-" and more).
bool isSpaceBlock(AcDbObjectId referenceId)
{
    const Opened<AcDbBlockReference> reference = openObject<AcDbBlockReference>(referenceId, AcDb::kForRead);
    if (!reference)
        return false;
    const Opened<AcDbBlockTableRecord> definition =
        openObject<AcDbBlockTableRecord>(reference->blockTableRecord(), AcDb::kForRead);
    const char* name = nullptr;
    if (!definition || definition->getName(name) != Acad::eOk || !name)
        return false;
    return CString(name).Left(5) == "ROOM-";
}

} // namespace

void blockDelete()
{
    runCommand("blockDelete", "Kavro Block Delete", [](CAcadDrawing* drawing) {
        AcDbObjectId picked;
        if (CAcadUtilities().selectObjectId(picked, "Select the Kavro Block to delete", "AcDbBlockReference") != 0)
            return;
        // Deleting turns the outlines into plain geometry and drops the definition: done to
        // a door, marker or title block it would explode that block, so only spaces qualify.
        if (!isSpaceBlock(picked)) {
            acutPrintf("\nInvalid Selection\n\n");
            return;
        }
        CBlockDWG block;
        block.setObjectId(picked);
        saySpacesDone(block.deleteBlock(drawing), "deleted");
    });
}
