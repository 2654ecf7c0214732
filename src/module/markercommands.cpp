#include "commands.h"

#include "arx/acutprintf.h"
#include "arx/dbcurves.h"
#include "arx/dbdatabase.h"
#include "blocks/markerblocklegend.h"
#include "blocks/markerblockpie.h"
#include "host/acadhost.h"
#include "host/acadutilities.h"
#include "host/currentucs.h"
#include "host/hostguards.h"
#include "module/commandframe.h"
#include "module/preferences.h"
#include "support/kavroguard.h"
#include "support/utilities.h"

#include <memory>

namespace {

// What a marker command says and picks.
struct MarkerTexts
{
    const char* signature;
    const char* creation;
    const char* title;
    const char* blockName;
    const char* alreadyExists;
    const char* pickPrompt;
    const char* className;
    const char* lockedLayer;
    const char* openError;
    const char* precisionPrompt;
    const char* textSizePrompt;
    const char* rotationPrompt;
};

const MarkerTexts legendTexts = {
    "legendMarkerBlockCreate",
    "createLegendMarkerBlock",
    "Kavro Create Legend Marker Block",
    "MARKER-LEGEND",
    "\n\nLegend Marker Block Already Exists\n",
    "\nPlease select a polyline:\n",
    "AcDbPolyline",
    "\nPolyline On Locked Layer - Legend Block Marker Creation Failed\n",
    "\nUnable to get Polyline - Error %s - Legend Block Marker Creation Failed\n",
    "enter legend precision",
    "enter legend text size",
    "specify legend rotation (in degrees)",
};

const MarkerTexts pieTexts = {
    "pieMarkerBlockCreate",
    "createPieMarkerBlock",
    "Kavro Create Pie Chart Marker Block",
    "MARKER-PIECHART",
    "\n\n Pie Chart Marker Block Already Exists\n",
    "\nPlease select a circle:\n",
    "AcDbCircle",
    "\nCircle On Locked Layer - Pie Chart Marker Block Creation Failed\n",
    "\nUnable to get Circle - Error %s - Pie Chart Marker Block Creation Failed\n",
    "enter pie chart precision",
    "enter pie chart text size",
    "specify pie chart rotation (in degrees)",
};

constexpr double radiansPerDegree = 0.017453292519943295;

// The marker's settings as the user answers them, the preferences giving the defaults.
struct MarkerSettings
{
    int units = 0;
    int precision = 0;
    double textSize = 0.0;
    double rotation = 0.0;
};

MarkerSettings askSettings(const MarkerTexts& texts)
{
    CPreferences preferences;
    preferences.loadPreferences();
    CAcadUtilities utilities;
    MarkerSettings settings;
    settings.units = preferences.getUnits().preference();
    utilities.getPrecision(texts.precisionPrompt, preferences.getPrecision(), &settings.precision);
    utilities.getSize(texts.textSizePrompt, preferences.getTextSize(), settings.precision, &settings.textSize);
    double degrees = 0.0;
    utilities.getDouble(texts.rotationPrompt, preferences.getTextRotation(), preferences.getPrecision(), &degrees);
    settings.rotation = degrees * radiansPerDegree;
    return settings;
}

// Carries the outline into the current UCS's plane coordinates; false (with the reason
// printed) when it is not of the marker's class.
bool outlineToUcs(const AcDbObjectId& outlineId, const char* className, AcDbDatabase* database)
{
    const Opened<AcDbEntity> entity = openObject<AcDbEntity>(outlineId, AcDb::kForWrite);
    if (!entity)
        return false;
    if (CString(entity->isA()->name()) != className) {
        acutPrintf("\nInvalid Selection\n\n");
        return false;
    }
    entity->transformBy(currentUcs(database).inverse());
    return true;
}

// Puts an outline that is still in model space back where the user drew it.
void outlineFromUcs(const AcDbObjectId& outlineId, AcDbDatabase* database)
{
    const Opened<AcDbEntity> entity = openObject<AcDbEntity>(outlineId, AcDb::kForWrite);
    if (entity && entity->ownerId() == database->modelSpaceId())
        entity->transformBy(currentUcs(database));
}

// The creation half of a marker command: asks for the settings, has the marker made and
// says how it went. Errors are shown here, so that the command still unlocks the drawing.
template <class Marker, class Outline>
void createMarkerBlock(const MarkerTexts& texts, CAcadDrawing* drawing, AcDbObjectId& outlineId)
{
    try {
        kavroGuard(texts.creation, MODULE_MAIN_FILE, [&] {
            const MarkerSettings settings = askSettings(texts);
            AcDbDatabase* database = drawing->getDocument()->database();
            if (!outlineToUcs(outlineId, texts.className, database))
                return;
            Outline* outline = nullptr;
            if (acdbOpenObject(outline, outlineId, AcDb::kForRead) != Acad::eOk)
                return;
            outline->close();   // the marker opens it again by its id
            Marker marker;
            const int status = marker.insertMarkerBlock(drawing, outline, settings.units, settings.precision,
                                                        settings.textSize, settings.rotation);
            if (status == 0) {
                acutPrintf("Block Created Successfully\n");
                return;
            }
            outlineFromUcs(outlineId, database);
            acutPrintf("Block Creation Failed - Error Code %s\n", CUtilities::IntToCString(status));
        });
    } catch (CEXKavro* e) {
        auto* head = new CEXUnhandled(KAVRO_PRODUCT_CAPTION, MODULE_MAIN_FILE, texts.creation, 0, e);
        head->display();
        CEXKavro::deleteChain(head);
    }
}

// The command half of a marker command: checks, locks the drawing and picks the outline.
template <class Create>
void markerBlockCreate(const MarkerTexts& texts, bool mustBeClosed, Create&& create)
{
    if (!acadHost.isFullHost())
        return;
    runCommand(texts.signature, texts.title, [&](CAcadDrawing* drawing) {
        if (blockDefinitionExists(drawing, texts.blockName)) {
            acutPrintf("%s", texts.alreadyExists);
            return;
        }
        const DrawingLock lock(drawing);
        if (!lock.held())
            return;
        AcDbObjectId outlineId;
        if (CAcadUtilities().selectObjectId(outlineId, texts.pickPrompt, texts.className) != 0)
            return;
        Acad::ErrorStatus status = Acad::eOk;
        Opened<AcDbCurve> outline = openObject<AcDbCurve>(outlineId, AcDb::kForWrite, &status);
        if (status == Acad::eOnLockedLayer) {
            acutPrintf("%s", texts.lockedLayer);
        } else if (status != Acad::eOk) {
            acutPrintf(texts.openError, CUtilities::IntToCString(status));
        } else {
            const bool closed = outline->isClosed();
            outline.reset();
            if (mustBeClosed && !closed)
                acutPrintf("\nInvalid Selection - Polyline is not closed\n\n");
            else
                create(drawing, outlineId);
        }
    }, "\nUnhandled Error - Marker Block Creation Failed\n");
}

} // namespace

void createLegendMarkerBlock(CAcadDrawing* drawing, AcDbObjectId& outlineId)
{
    createMarkerBlock<CMarkerBlockLegend, AcDbPolyline>(legendTexts, drawing, outlineId);
}

void legendMarkerBlockCreate()
{
    markerBlockCreate(legendTexts, true, createLegendMarkerBlock);
}

void createPieMarkerBlock(CAcadDrawing* drawing, AcDbObjectId& outlineId)
{
    createMarkerBlock<CMarkerBlockPie, AcDbCircle>(pieTexts, drawing, outlineId);
}

void pieMarkerBlockCreate()
{
    // A circle needs no closedness test.
    markerBlockCreate(pieTexts, false, createPieMarkerBlock);
}
