// The command functions the module registers, by what they do.
#pragma once

#include "arx/dbid.h"

class CAcadDrawing;

// "kgabc": makes the drawing's gross-area block "ROOM-GROSS_AREA" from a picked closed polyline.
void grossAreaBlockCreate();
// Builds the gross-area block around the polyline and inserts it; reports on the command line.
void createGrossAreaBlock(CAcadDrawing* drawing, AcDbObjectId& polylineId, int units, double textSize,
                          double textScale, double textRotation, int precision);

// "kus": recalculates every space block's area and perimeter and rewrites the texts that
// still show the old values.
void updateSpaces();
// "kut": sets the text size, scale and rotation of every space block's attributes.
void updateTextSize();
// "krt": rewrites every space block's attributes from its fields.
void kavroRefreshTags();

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
