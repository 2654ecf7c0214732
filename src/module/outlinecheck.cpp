#include "outlinecheck.h"

#include "arx/acutprintf.h"
#include "arx/dbdatabase.h"
#include "blocks/blockdwg.h"
#include "host/acadutilities.h"
#include "host/hostguards.h"
#include "host/outlinecrossing.h"
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

} // namespace

void sayWhereOutlineMeetsItself(const CBlockDWG& block, AcDbDatabase* database)
{
    const Opened<AcDbBlockReference> reference = openObject<AcDbBlockReference>(block.getObjectId(), AcDb::kForRead);
    if (!reference)
        return;
    const CPlanOutline outline(CBlockDWG::outlineOf(reference->blockTableRecord()));
    if (!outline)
        return;
    const std::optional<OutlineMeeting> met = findSelfCrossing(*outline.get());
    if (!met)
        return;
    // From the outline's plane into the definition, through the reference into the drawing.
    const AcGePoint3d inPlane(met->at.x, met->at.y, outline->elevation());
    const AcGePoint3d inWorld =
        (reference->blockTransform() * AcGeMatrix3d::planeToWorld(outline->normal())).transform(inPlane);
    const AcGePoint3d shown = CAcadUtilities().convertWCSToUCS(inWorld);
    acutPrintf("\nSpace %s (handle %s): its outline %s itself near %s,%s: its area %s that of what it encloses\n",
               block.getName(), block.getHandle(), met->crosses ? "crosses" : "touches",
               coordinate(shown.x, database), coordinate(shown.y, database), met->crosses ? "is not" : "may not be");
}
