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

class CGraphicReport;

// "kgr": applies a report file to the drawing it names, which stays open.
void graphicReport();
// "kagr": applies a report file to the current drawing.
void applyGraphicReport();
