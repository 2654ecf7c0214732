#include "commands.h"
#include "outlinecheck.h"

#include "arx/aced.h"
#include "arx/acutprintf.h"
#include "arx/dbdatabase.h"
#include "blocks/attributes.h"
#include "blocks/blockdwgfloor.h"
#include "blocks/kavroattribute.h"
#include "host/acadutilities.h"
#include "host/drawingunit.h"
#include "host/hostguards.h"
#include "host/planoutline.h"
#include "module/commandframe.h"
#include "module/preferences.h"
#include "support/kavroguard.h"
#include "support/utilities.h"

#include <memory>

namespace {

const char* const grossAreaDefinition = "ROOM-GROSS_AREA";

// Shows what createGrossAreaBlock caught under its own name, and frees it.
void showFailure(CEXKavro* inner)
{
    auto* head = new CEXUnhandled(KAVRO_PRODUCT_CAPTION, MODULE_MAIN_FILE, "createGrossAreaBlock", 0, inner);
    head->display();
    CEXKavro::deleteChain(head);
}

// The outline moved into the current UCS's plane coordinates; false (with the reason printed)
// when it is no outline (CPlanOutline).
bool prepareOutline(AcDbObjectId& polylineId, AcDbDatabase* database)
{
    Acad::ErrorStatus status;
    Opened<AcDbEntity> entity = openObject<AcDbEntity>(polylineId, AcDb::kForWrite, &status);
    if (!entity)
        return false;
    if (!CPlanOutline::isOutline(entity.get())) {
        acutPrintf("\nInvalid Selection\n\n");
        return false;
    }
    AcGeMatrix3d ucs;
    acdbUcsMatrix(ucs, database);
    entity->transformBy(ucs.inverse());
    return true;
}

} // namespace

void createGrossAreaBlock(CAcadDrawing* drawing, AcDbObjectId& polylineId, CMeasureUnits units, double textSize,
                          double textScale, double textRotation, int precision)
{
    try {
        kavroGuard("createGrossAreaBlock", MODULE_MAIN_FILE, [&] {
            acutPrintf("Select Name and Area Text Position:\n");
            ads_point picked;
            if (acedGetPoint(nullptr, "\nEnter Attribute points: ", picked) != RTNORM)
                return;
            AcDbDatabase* database = drawing->getDocument()->database();
            if (!prepareOutline(polylineId, database))
                return;
            Opened<AcDbEntity> entity = openObject<AcDbEntity>(polylineId, AcDb::kForRead);
            const CPlanOutline polyline(entity.get());
            if (!polyline)
                return;
            CAcadUtilities utilities;
            const CDrawingUnit unit = CDrawingUnit::of(database);
            unit.announce();
            const CString areaText =
                CUtilities::DoubleToCString(utilities.calculatePolylineArea(polyline.get(), unit, units), precision);
            const CString perimeterText =
                CUtilities::DoubleToCString(utilities.calculatePolylinePerimeter(polyline.get(), unit, units), precision);
            AcDbEntity* outline = entity.get();
            entity.reset(); // the insertion opens the outline again itself

            CBlockDWGFloor block;
            block.setUnits(units);
            block.setPrecision(precision);
            block.setName("GROSS AREA");
            block.setArea(CUtilities::CStringToDouble(areaText));
            block.setPerimeter(CUtilities::CStringToDouble(perimeterText));
            auto* attributes = new CAttributes;
            attributes->add(CKavroAttribute::create(0, "GROSS AREA"), 0);
            attributes->add(CKavroAttribute::create(1, areaText + units.areaText()), 0);
            attributes->add(CKavroAttribute::create(2, " "), 0);
            block.setAttributes(attributes);
            const AcGePoint3d basePoint(picked[0], picked[1], picked[2]);
            const Acad::ErrorStatus status =
                block.insertBlock(drawing, outline, basePoint, textSize, textScale, textRotation);
            if (status == Acad::eOk) {
                acutPrintf("Block Created Successfully\n");
                sayWhereOutlineMeetsItself(block, database);
            } else
                acutPrintf("Block Creation Failed - Error Code %s\n", CUtilities::IntToCString(status));
        });
    } catch (CEXKavro* e) {
        showFailure(e);
    }
}

void grossAreaBlockCreate()
{
    runCommand("grossAreaBlockCreate", "Kavro Create Gross Area Block", [](CAcadDrawing* drawing) {
        if (blockDefinitionExists(drawing, grossAreaDefinition)) {
            acutPrintf("\n\nGross Area Block Already Exists\n");
            return;
        }
        const DrawingLock lock(drawing);
        if (!lock.held())
            return;
        CPreferences preferences;
        preferences.loadPreferences();
        AcDbObjectId polylineId;
        if (CAcadUtilities().selectOutline(polylineId, "\nPlease select a polyline:\n") != 0)
            return;
        Acad::ErrorStatus status;
        Opened<AcDbCurve> polyline = openObject<AcDbCurve>(polylineId, AcDb::kForWrite, &status);
        if (status == Acad::eOnLockedLayer) {
            acutPrintf("\nPolyline On Locked Layer - Block Creation Failed\n");
        } else if (status != Acad::eOk) {
            acutPrintf("\nUnable get Polyline - Error %s - Block Creation Failed\n", CUtilities::IntToCString(status));
        } else if (!polyline->isClosed()) {
            polyline.reset();
            acutPrintf("\nInvalid Selection - Polyline is not closed\n\n");
        } else {
            polyline.reset();
            createGrossAreaBlock(drawing, polylineId, preferences.getUnits(), preferences.getTextSize(),
                                 preferences.getTextScale(), preferences.getTextRotation(), preferences.getPrecision());
        }
    }, "\nUnhandled Error - Block Creation Failed\n");
}
