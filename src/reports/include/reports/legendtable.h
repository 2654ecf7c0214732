// The legend of a graphic report: a table of the report's categories (title, a swatch of
// the category's hatch style, total area of its spaces) under the report's title, drawn in
// a block of its own named after the report and, when a position is given, inserted there.
#pragma once

#include "arx/dbtable.h"
#include "mfc/cstring.h"

class CAcadDrawing;
class CCategory;
class CGraphicReport;
class AcDbBlockTableRecord;

class CLegendTable
{
public:
    CLegendTable() = default;
    // Draws the legend: the block "[KAVRO_LEGEND]_<title>" with its table and one swatch
    // block per category with a hatch style; with a position, on a full host, a reference
    // of it at the position (current UCS) and rotation. A block already in the drawing is
    // emptied and refilled in place, so that references to it show the new legend.
    CLegendTable(CAcadDrawing* drawing, double textSize, int precision, CString units, int ignoreEmpty,
                 CGraphicReport* report, double rotation, AcGePoint3d* position);

    // Defines the legend block and places its reference: a reference already in model
    // space is moved to the position, else a new one is inserted.
    void insertLegend(AcDbObjectId& referenceId, CAcadDrawing* drawing, CString blockName, int ignoreEmpty,
                      CGraphicReport* report, AcGePoint3d* position);
    void createLegendBlockDefinition(AcDbObjectId& blockId, CAcadDrawing* drawing, CString blockName,
                                     int ignoreEmpty, CGraphicReport* report);
    // The table, not yet in any block; the caller owns it.
    AcDbTable* createLegendTableEntity(CGraphicReport* report, CAcadDrawing* drawing, AcGeVector3d normal,
                                       int ignoreEmpty);
    // The category's swatch block (the null id for a category without a hatch style).
    void createHatchPattern(AcDbObjectId& blockId, CAcadDrawing* drawing, AcGeVector3d normal, CString reportTitle,
                            CCategory* category);
    // The sum of the areas the report holds for the category's blocks.
    void calculateCategoryArea(CCategory* category, double& area);

    // The reference placed at the position (null when none was).
    AcDbObjectId getReferenceId() const { return m_referenceId; }
    double getTextSize() const { return m_textSize; }
    double getRotation() const { return m_rotation; }
    int getPrecision() const { return m_precision; }
    CString getUnits() const { return m_units; }

    // The block name a text gives: the prefix followed by the text, with the characters a
    // block name may not hold replaced by "_".
    static CString blockNameFor(CString prefix, CString text);

private:
    // The definition of that name, emptied when it exists, else a new one added to the
    // drawing; open for write.
    static AcDbBlockTableRecord* openEmptiedDefinition(CAcadDrawing* drawing, const CString& name,
                                                       const char* signature);
    // Fills the swatch block: the outline rectangle and its hatch.
    void drawSwatch(AcDbBlockTableRecord* swatch, CAcadDrawing* drawing, AcGeVector3d normal, CCategory* category);

    double m_textSize = 500.0;
    double m_rotation = 0.0;
    int m_precision = 2;
    CString m_units = "units";
    AcDbObjectId m_referenceId;
};
