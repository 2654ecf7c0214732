#include "outlinecheck.h"

#include "arx/acutprintf.h"
#include "arx/dbdatabase.h"
#include "blocks/blockdwg.h"
#include "geometry/outlinecrossing.h"
#include "host/acadutilities.h"
#include "host/hostguards.h"
#include "host/planoutline.h"
#include "support/utilities.h"

#include <optional>

namespace {

// A coordinate at the drawing's linear precision, without trailing zeros.
CString coordinate(double value, AcDbDatabase* database)
{
    std::string text = CUtilities::DoubleToCString(value, database->luprec()).GetString();
    if (text.find('.') != std::string::npos) {
        text.erase(text.find_last_not_of('0') + 1);
        if (text.back() == '.')
            text.pop_back();
    }
    return text == "-0" ? CString("0") : CString(text);
}

// Says in one line where the outline meets itself, if it does: "its outline" (whose) of the
// space, placed in the drawing by the transform.
void sayWhere(const CBlockDWG& block, const CString& whose, const CPlanOutline& outline,
              const AcGeMatrix3d& placed, AcDbDatabase* database)
{
    if (!outline)
        return;
    const std::optional<OutlineMeeting> met = findSelfCrossing(*outline.get());
    if (!met)
        return;
    // From the outline's plane into the drawing.
    const AcGePoint3d inPlane(met->at.x, met->at.y, outline->elevation());
    const AcGePoint3d inWorld = (placed * AcGeMatrix3d::planeToWorld(outline->normal())).transform(inPlane);
    const AcGePoint3d shown = CAcadUtilities().convertWCSToUCS(inWorld);
    acutPrintf("\nSpace %s (handle %s): %s %s itself near %s,%s: its area %s that of what it encloses\n",
               block.getName(), block.getHandle(), whose, met->crosses ? "crosses" : "touches",
               coordinate(shown.x, database), coordinate(shown.y, database), met->crosses ? "is not" : "may not be");
}

// The same of each area the space adds or subtracts whose outline opens, named by its handle.
void sayWhereEach(const CBlockDWG& block, int count, AcDbHandle (CBlockDWG::*handleAt)(int) const, const char* how,
                  AcDbDatabase* database)
{
    for (int i = 0; i < count; ++i) {
        const AcDbHandle handle = (block.*handleAt)(i);
        AcDbObjectId id;
        if (database->getAcDbObjectId(id, false, handle, 0) != Acad::eOk)
            continue;
        char text[17] = {};
        handle.getIntoAsciiBuffer(text, sizeof text);
        sayWhere(block, CString("the outline it ") + how + " (handle " + text + ")", CPlanOutline(id), AcGeMatrix3d(),
                 database);
    }
}

} // namespace

void sayWhereOutlineMeetsItself(const CBlockDWG& block, AcDbDatabase* database)
{
    const Opened<AcDbBlockReference> reference = openObject<AcDbBlockReference>(block.getObjectId(), AcDb::kForRead);
    if (!reference)
        return;
    sayWhere(block, "its outline", CPlanOutline(CBlockDWG::outlineOf(reference->blockTableRecord())),
             reference->blockTransform(), database);
    sayWhereEach(block, block.getHandlesToMinusCount(), &CBlockDWG::getHandleToMinusAt, "subtracts", database);
    sayWhereEach(block, block.getHandlesToAddCount(), &CBlockDWG::getHandleToAddAt, "adds", database);
}
