// The command functions the module registers, by what they do.
#pragma once

#include "arx/dbid.h"

class CAcadDrawing;

// "kgabc": makes the drawing's gross-area block "ROOM-GROSS_AREA" from a picked closed polyline.
void grossAreaBlockCreate();
// Builds the gross-area block around the polyline and inserts it; reports on the command line.
void createGrossAreaBlock(CAcadDrawing* drawing, AcDbObjectId& polylineId, int units, double textSize,
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
