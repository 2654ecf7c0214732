// The command functions the module registers, by what they do.
#pragma once

#include "arx/acedselect.h"
#include "arx/dbblockref.h"
#include "arx/dbid.h"
#include "arx/geometry.h"
#include "host/measureunits.h"
#include "mfc/cstring.h"

class AcDbBlockTableRecord;
class CAcadDrawing;
class CBlockDWG;

// "kgabc": makes the drawing's gross-area block "ROOM-GROSS_AREA" from a picked closed polyline.
void grossAreaBlockCreate();
// Builds the gross-area block around the polyline and inserts it; reports on the command line.
void createGrossAreaBlock(CAcadDrawing* drawing, AcDbObjectId& polylineId, CMeasureUnits units, double textSize,
                          double textScale, double textRotation, int precision);

// "klmc": makes the drawing's legend marker "MARKER-LEGEND" from a picked closed polyline.
void legendMarkerBlockCreate();
// Asks for the legend marker's settings, makes the marker from the outline and reports
// on the command line; shows its own errors.
void createLegendMarkerBlock(CAcadDrawing* drawing, AcDbObjectId& outlineId);

// "kpmc": makes the drawing's pie-chart marker "MARKER-PIECHART" from a picked circle.
void pieMarkerBlockCreate();
// Asks for the pie-chart marker's settings, makes the marker from the circle and reports
// on the command line; shows its own errors.
void createPieMarkerBlock(CAcadDrawing* drawing, AcDbObjectId& outlineId);

// "kus": recalculates every space block's area and perimeter and rewrites the texts that
// still show the old values.
void updateSpaces();
// "kut": sets the text size, scale and rotation of every space block's attributes.
void updateTextSize();
// "krt": rewrites every space block's attributes from its fields.
void kavroRefreshTags();

// "ksc_has": hatches every space block but the gross area and reports the time taken.
void hatchAllSpaces();
// "ksc_hs": hatches one picked space block.
void hatchSpace();
// "kfrs": replaces a leading text of the space blocks' names.
void kavroFindReplaceStub();
// "ksc_cal": puts the NAME, AREA and AUX attributes on "ATT-NAME", "ATT-AREA" and "ATT-AUX".
void checkAttributeLayers();

// "ksc_isc": turns the "TENDRA_SPACE_LABEL" labels into room blocks over their outlines.
void kavroTendraConversion();
// Selects every label of the drawing; the host's status (5100 when a set was made).
int getTenDraBlockSS(ads_name selectionSet);
// Reads a label's ROOM and PLINE2_ID texts; an out value changes only when its text is found.
void interrogateTenDraBlock(AcDbBlockReference* label, CString& room, CString& outline, double& height,
                            double& widthFactor, double& rotation);
// Builds the room block over the polyline and inserts it; shows its own errors. The host
// status of the insertion (eOk when the block was made).
Acad::ErrorStatus createTenDraBlock(CAcadDrawing* drawing, AcGePoint3d insertionPoint, AcDbObjectId polylineId,
                                    CMeasureUnits units, int precision, double textHeight, double widthFactor,
                                    double textRotation, CString definitionName, CString roomName);

// "kaux": gives every space block its AUX text and lays NAME and AUX out around AREA.
void kavroAuxilarator();
// Switches the layers "ATT-NAME", "ATT-AREA" and "ATT-AUX" on.
void turnOnKavroLayers(CAcadDrawing* drawing);
void iterateThroughKavroBlockDefinition(AcGeMatrix3d ucs, CBlockDWG* block, AcDbBlockTableRecord* definition);
void iterateThroughKavroBlockReference(AcGeMatrix3d ucs, CBlockDWG* block, AcDbBlockReference* reference);

// "ksxta": copies the blocks' name, area and perimeter to their attributes.
void syncXDataToAttributes();
// "kbta": sets every AUX attribute to one blank.
void blankThirdAttribute();
// "klb": lists the space blocks (and their assets) as comma-separated lines, by handle.
void listBlockNameIdentifier();
// "ksc_dsd": prints one picked space block's attributes and XData.
void displaySpaceDetails();

// "k?" and "kd?": the listings of the user commands and of the diagnostics.
void kavroHelp();
void kavroDiagnosticsHelp();

// "kda", "kd1", "kd3" to "kd9": checks of the module's basic services on a user's machine.
void diagnosticAll();
void diagnosticBasic();
void diagnosticDialog();
void diagnosticErrorsA();
void diagnosticErrorsB();
void diagnosticErrorsC();
void diagnosticErrorsD();
void diagnosticUserInput();
void diagnosticXML();

// "kdb": turns one picked space block back into its outline.
void blockDelete();
// "kcsv": writes the room areas and perimeters to a CSV file beside the drawing and opens it.
void createRoomAreaCSV();
// "ksm": opens the block editor beside the drawing.
void kavroSlabMend();
// "kprefs": the preferences dialog, modal.
void kavroPreferences();
// "kbc": the block creator, modeless.
void kavroBlockCreate();
// "kbh": the hyperlink dialog, modeless.
void kavroBlockHyperlink();
// While the module is loaded, a failure that a handler of one of its windows lets out is
// shown as its own handlers show theirs, in the "Error Detected." box; at unload the
// framework's own report comes back.
void reportDialogFailures(bool loaded);

class CGraphicReport;

// "kgr": applies a report file to the drawing it names, which stays open.
void graphicReport();
// "kagr": applies a report file to the current drawing.
void applyGraphicReport();
// "kpbd": defines a report's pie-chart block in the current drawing.
void pieBlockDefine();
// "klbd": defines a report's legend block in the current drawing.
void legendBlockDefine();
// Asks for the text size, (for a pie chart) the radius, rotation, whether empty categories
// are left out, units and precision, then defines the report's legend and pie-chart
// blocks as the flags ask, inserting nothing; shows its own failures.
void defineLegacyLegendAndPie(CAcadDrawing* drawing, CGraphicReport* report, int defineLegend, int definePie);
