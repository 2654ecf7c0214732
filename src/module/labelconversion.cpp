#include "commands.h"
#include "outlinecheck.h"

#include "arx/acutprintf.h"
#include "arx/dbdatabase.h"
#include "arx/dbtext.h"
#include "blocks/attributes.h"
#include "blocks/blockdwgroom.h"
#include "blocks/kavroattribute.h"
#include "host/acadutilities.h"
#include "host/drawingunit.h"
#include "host/hostguards.h"
#include "host/layers.h"
#include "host/planoutline.h"
#include "module/commandframe.h"
#include "module/preferences.h"
#include "support/kavroguard.h"
#include "support/utilities.h"

#include <numbers>
#include <utility>

namespace {

const char* const labelBlockName = "TENDRA_SPACE_LABEL";
const char* const labelLayer = "TENDRA";

using Chain = std::unique_ptr<resbuf, int (*)(resbuf*)>;

// "TENDRA" made (white) and switched off; "BOMA", when the drawing has it, thawed and on.
void prepareLayers(CAcadDrawing* drawing)
{
    CLayers layers;
    AcCmColor white;
    white.setRGB(255, 255, 255);
    layers.ensureLayerExists(drawing, labelLayer, white);
    layers.getDWGLayers(drawing);
    if (CLayer* tendra = layers.getAtLayer(labelLayer)) {
        tendra->setOff(1);
        tendra->applyToDWG(drawing);
    }
    if (CLayer* boma = layers.getAtLayer("BOMA")) {
        boma->setFrozen(0);
        boma->setOff(0);
        boma->applyToDWG(drawing);
    }
}

bool definitionExists(AcDbDatabase* database, const CString& name)
{
    AcDbBlockTable* raw = nullptr;
    if (database->getSymbolTable(raw, AcDb::kForRead) != Acad::eOk)
        return false;
    return Opened<AcDbBlockTable>(raw)->has(name);
}

// The name of the block definition (not a layout) that owns the entity, or empty.
CString owningDefinition(const AcDbEntity* entity)
{
    const Opened<AcDbBlockTableRecord> owner = openObject<AcDbBlockTableRecord>(entity->ownerId(), AcDb::kForRead);
    return owner && !owner->isLayout() ? CString(owner->name()) : CString();
}

// What a label gives: its room's name, the handle of the room's outline and the format of
// the ROOM text (rotation in degrees).
struct LabelReading
{
    CString room;
    CString outline;
    double height = 10.0;
    double widthFactor = 1.0;
    double rotation = 0.0;
};

// Closes an outline, lightweight or 2D.
void closeOutline(AcDbEntity* outline)
{
    if (auto* polyline = AcDbPolyline::cast(outline))
        polyline->setClosed(true);
    else if (auto* sequence = AcDbSequencePolyline::cast(outline))
        sequence->setClosed(true);
}

// Why the label's outline cannot become a room block, or empty when it can; an outline
// (CPlanOutline) that can is closed.
CString checkOutline(AcDbDatabase* database, const LabelReading& label, AcDbObjectId& outlineId,
                     const CString& definitionName)
{
    if (label.outline.IsEmpty())
        return "it names no outline";
    outlineId = CAcadUtilities().convertHandleToObjectId(AcDbHandle(label.outline.GetString()));
    const Opened<AcDbEntity> entity = openObject<AcDbEntity>(outlineId, AcDb::kForWrite);
    if (!entity)
        return "its outline " + label.outline + " cannot be opened";
    // A second run finds the outlines it converted inside their room blocks.
    if (const CString owner = owningDefinition(entity.get()); !owner.IsEmpty())
        return "its outline " + label.outline + " already belongs to block " + owner;
    if (!CPlanOutline::isOutline(entity.get()))
        return "its outline " + label.outline + " is not a polyline";
    if (definitionExists(database, definitionName))
        return "a block definition " + definitionName + " already exists";
    closeOutline(entity.get());
    return CString();
}

void moveToLabelLayer(AcDbBlockReference* label)
{
    label->setLayer(labelLayer);
    CAttributes::forEachAttribute(label, AcDb::kForWrite, [](AcDbAttribute* text) { text->setLayer(labelLayer); });
}

} // namespace

int getTenDraBlockSS(ads_name selectionSet)
{
    return kavroGuard("getTenDraBlockSS", MODULE_MAIN_FILE, [&] {
        const Chain filter(acutBuildList(RTDXF0, "INSERT", 2, labelBlockName, 0), acutRelRb);
        return acedSSGet("X", nullptr, nullptr, filter.get(), selectionSet);
    });
}

void interrogateTenDraBlock(AcDbBlockReference* label, CString& room, CString& outline, double& height,
                            double& widthFactor, double& rotation)
{
    kavroGuard("interrogateTenDraBlock", MODULE_MAIN_FILE, [&] {
        CAttributes::forEachAttribute(label, AcDb::kForRead, [&](AcDbAttribute* text) {
            const CString tag = text->tag();
            if (tag == "ROOM") {
                room = text->textString();
                height = text->height();
                widthFactor = text->widthFactor();
                // The host gives radians; the room block takes degrees.
                rotation = text->rotation() * 180.0 / std::numbers::pi;
            } else if (tag == "PLINE2_ID") {
                outline = text->textString();
            }
        });
    });
}

Acad::ErrorStatus createTenDraBlock(CAcadDrawing* drawing, AcGePoint3d insertionPoint, AcDbObjectId polylineId,
                                    CMeasureUnits units, int precision, double textHeight, double widthFactor,
                                    double textRotation, CString definitionName, CString roomName)
{
    try {
        return kavroGuard("createTenDraBlock", MODULE_MAIN_FILE, [&] {
            Acad::ErrorStatus status = Acad::eOk;
            Opened<AcDbEntity> entity = openObject<AcDbEntity>(polylineId, AcDb::kForWrite, &status);
            if (!entity || !CPlanOutline::isOutline(entity.get()))
                return entity ? Acad::eNotThatKindOfClass : status;
            AcDbDatabase* database = drawing->getDocument()->database();
            AcGeMatrix3d ucs;
            acdbUcsMatrix(ucs, database);
            entity->transformBy(ucs.inverse());
            const CPlanOutline polyline(entity.get());
            CAcadUtilities utilities;
            const CDrawingUnit unit = CDrawingUnit::of(database);
            const double area = utilities.calculatePolylineArea(polyline.get(), unit, units);
            const double perimeter = utilities.calculatePolylinePerimeter(polyline.get(), unit, units);
            AcDbEntity* outline = entity.get();
            entity.reset(); // the insertion opens the outline itself

            CBlockDWGRoom block;
            block.setUnits(units);
            block.setPrecision(precision);
            block.setName(roomName);
            block.setArea(area);
            block.setPerimeter(perimeter);
            block.setBlockName(definitionName);
            auto* attributes = new CAttributes;
            attributes->add(CKavroAttribute::create(0, roomName), 0);
            const CString areaText = CUtilities::DoubleToCString(area, precision) + units.areaText();
            attributes->add(CKavroAttribute::create(1, areaText), 0);
            attributes->add(CKavroAttribute::create(2, " "), 0);
            block.setAttributes(attributes);
            status = block.insertBlock(drawing, outline, insertionPoint, textHeight, widthFactor, textRotation);
            if (status == Acad::eOk)
                sayWhereOutlineMeetsItself(block, database);
            // Without a block the outline goes back where the user drew it.
            if (status != Acad::eOk)
                if (const Opened<AcDbEntity> back = openObject<AcDbEntity>(polylineId, AcDb::kForWrite))
                    back->transformBy(ucs);
            return status;
        });
    } catch (CEXKavro* e) {
        auto* head = new CEXUnhandled(KAVRO_PRODUCT_CAPTION, MODULE_MAIN_FILE, "createTenDraBlock", 0, e);
        head->display();
        CEXKavro::deleteChain(head);
        return Acad::eInvalidInput;
    }
}

void kavroTendraConversion()
{
    runCommand("kavroTendraConversion", nullptr, [](CAcadDrawing* drawing) {
        CPreferences preferences;
        preferences.loadPreferences();
        drawing->zoomExtents();
        const DrawingLock lock(drawing);
        if (!lock.held())
            return;
        prepareLayers(drawing);
        SelectionSet labels;
        if (labels.take(getTenDraBlockSS(labels.name())) != RTNORM)
            return;
        AcDbDatabase* database = drawing->getDocument()->database();
        Adesk::Int32 count = 0;
        if (acedSSLength(labels.name(), &count) != RTNORM)
            return;
        bool measured = false;   // the unit is said before the first outline is measured
        for (Adesk::Int32 index = 0; index < count; ++index) {
            ads_name member;
            AcDbObjectId labelId;
            if (acedSSName(labels.name(), index, member) != RTNORM || acdbGetObjectId(labelId, member) != Acad::eOk)
                continue;
            const Opened<AcDbBlockReference> label = openObject<AcDbBlockReference>(labelId, AcDb::kForWrite);
            if (!label)
                continue;
            LabelReading reading;
            interrogateTenDraBlock(label.get(), reading.room, reading.outline, reading.height, reading.widthFactor,
                                   reading.rotation);
            const CString definitionName = "ROOM-" + CUtilities::IntToCString(static_cast<int>(index));
            AcDbObjectId outlineId;
            CString reason = checkOutline(database, reading, outlineId, definitionName);
            if (reason.IsEmpty()) {
                if (!std::exchange(measured, true))
                    CDrawingUnit::of(database).announce();
                const AcGePoint3d at = CAcadUtilities().convertWCSToUCS(label->position());
                const Acad::ErrorStatus status =
                    createTenDraBlock(drawing, at, outlineId, preferences.getUnits(), preferences.getPrecision(),
                                      reading.height, reading.widthFactor, reading.rotation, definitionName, reading.room);
                if (status != Acad::eOk)
                    reason = "the room block could not be made (error " + CUtilities::IntToCString(status) + ")";
            }
            // A label that gave no room block stays in sight, named in one line.
            if (!reason.IsEmpty()) {
                char handle[17];
                AcDbHandle labelHandle;
                label->getAcDbHandle(labelHandle);
                labelHandle.getIntoAsciiBuffer(handle, sizeof handle);
                acutPrintf("\nSpace label %s (handle %s) not converted: %s\n", reading.room, handle, reason);
                continue;
            }
            moveToLabelLayer(label.get());
        }
    });
}
