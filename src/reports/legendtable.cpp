#include "reports/legendtable.h"

#include "arx/acutprintf.h"
#include "arx/dbcurves.h"
#include "arx/dbdatabase.h"
#include "arx/dbdict.h"
#include "arx/dbhatch.h"
#include "arx/dbtext.h"
#include "blocks/block.h"
#include "blocks/blocks.h"
#include "blocks/hatch.h"
#include "host/acadhost.h"
#include "host/currentucs.h"
#include "host/hostguards.h"
#include "reports/categories.h"
#include "reports/graphicreport.h"
#include "support/excustom.h"
#include "support/kavroexceptions.h"
#include "support/kavroguard.h"
#include "support/utilities.h"

#include <algorithm>
#include <memory>

namespace {

constexpr int shownRows = AcDb::kDataRow | AcDb::kTitleRow | AcDb::kHeaderRow;

// A text as a table cell shows it typed: each backslash doubled, so that none starts a
// formatting code.
CString cellText(CString text)
{
    text.Replace("\\", "\\\\");
    return text;
}

// Raises the host status of a failed call in the legend's convention.
void check(Acad::ErrorStatus status, const char* signature, int line)
{
    if (status != Acad::eOk)
        throw new CEXUnhandled(status, KAVRO_PRODUCT_CAPTION, __FILE__, signature, line, CString(), nullptr);
}

// The first live reference of the definition in model space, or the null id.
AcDbObjectId modelSpaceReference(AcDbDatabase* database, AcDbObjectId definitionId)
{
    const Opened<AcDbBlockTableRecord> definition =
        openObject<AcDbBlockTableRecord>(definitionId, AcDb::kForRead);
    AcDbObjectIdArray references;
    if (definition)
        definition->getBlockReferenceIds(references);
    for (const AcDbObjectId& id : references)
        if (const Opened<AcDbEntity> reference = openObject<AcDbEntity>(id, AcDb::kForRead);
            reference && reference->ownerId() == database->modelSpaceId())
            return id;
    return AcDbObjectId();
}

} // namespace

CLegendTable::CLegendTable(CAcadDrawing* drawing, double textSize, int precision, CString units, int ignoreEmpty,
                           CGraphicReport* report, double rotation, AcGePoint3d* position)
    : m_textSize(textSize), m_rotation(rotation), m_precision(precision), m_units(std::move(units))
{
    if (!CUtilities::isDrawableSize(textSize))
        throw new CEXCustom("The legend's text size " + CUtilities::DoubleToCString(textSize, -1)
                                + " is too large to draw.",
                            KAVRO_PRODUCT_CAPTION, __FILE__, "CLegendTable::CLegendTable", 0, nullptr);
    const CString blockName = blockNameFor("[KAVRO_LEGEND]_", report->getTitle());
    AcDbObjectId id;
    if (position && acadHost.isFullHost())
        insertLegend(m_referenceId, drawing, blockName, ignoreEmpty, report, position);
    else
        createLegendBlockDefinition(id, drawing, blockName, ignoreEmpty, report);
}

CString CLegendTable::blockNameFor(CString prefix, CString text)
{
    CString name = prefix + text;
    CUtilities().replaceIllegalCharacters(name, "_");
    return name;
}

void CLegendTable::insertLegend(AcDbObjectId& referenceId, CAcadDrawing* drawing, CString blockName,
                                int ignoreEmpty, CGraphicReport* report, AcGePoint3d* position)
{
    const char* signature = "CLegendTable::insertLegend";
    const DrawingLock lock(drawing);
    AcDbObjectId blockId;
    createLegendBlockDefinition(blockId, drawing, blockName, ignoreEmpty, report);
    AcDbDatabase* database = drawing->getDocument()->database();
    // One legend per report: a reference left by an earlier application follows the marker
    // and shows the refilled block.
    referenceId = modelSpaceReference(database, blockId);
    std::unique_ptr<AcDbBlockReference> made;
    Opened<AcDbBlockReference> reference;
    if (referenceId.isNull()) {
        made = std::make_unique<AcDbBlockReference>();
        check(made->setBlockTableRecord(blockId), signature, __LINE__);
    } else {
        Acad::ErrorStatus status = Acad::eOk;
        reference = openObject<AcDbBlockReference>(referenceId, AcDb::kForWrite, &status);
        check(status, signature, __LINE__);
        reference->setNormal(AcGeVector3d::kZAxis);
    }
    AcDbBlockReference* placing = made ? made.get() : reference.get();
    placing->setPosition(*position);
    placing->setRotation(m_rotation);
    placing->setScaleFactors(AcGeScale3d(1.0, 1.0, 1.0));
    placing->transformBy(currentUcs(database));
    placing->setNormal(currentUcsNormal(database));
    if (!made)
        return;
    Opened<AcDbBlockTableRecord> modelSpace;
    {
        Acad::ErrorStatus status = Acad::eOk;
        modelSpace = openObject<AcDbBlockTableRecord>(database->modelSpaceId(), AcDb::kForWrite, &status);
        check(status, signature, __LINE__);
    }
    check(modelSpace->appendAcDbEntity(referenceId, made.get()), signature, __LINE__);
    Opened<AcDbBlockReference>(made.release());
}

void CLegendTable::createLegendBlockDefinition(AcDbObjectId& blockId, CAcadDrawing* drawing, CString blockName,
                                               int ignoreEmpty, CGraphicReport* report)
{
    const char* signature = "CLegendTable::createLegendBlockDefinition";
    kavroGuard(signature, __FILE__, [&] {
        const DrawingLock lock(drawing);
        const AcGeVector3d normal = currentUcsNormal(drawing->getDocument()->database());
        const Opened<AcDbBlockTableRecord> legend(openEmptiedDefinition(drawing, blockName, signature));
        blockId = legend->objectId();
        std::unique_ptr<AcDbTable> table(createLegendTableEntity(report, drawing, normal, ignoreEmpty));
        check(legend->appendAcDbEntity(table.get()), signature, __LINE__);
        const Opened<AcDbTable> appended(table.release());
        appended->recomputeTableBlock(true);
    });
}

AcDbTable* CLegendTable::createLegendTableEntity(CGraphicReport* report, CAcadDrawing* drawing, AcGeVector3d normal,
                                                 int ignoreEmpty)
{
    return kavroGuard("CLegendTable::createLegendTableEntity", __FILE__, [&] {
        auto table = std::make_unique<AcDbTable>();
        AcDbDictionary* styles = nullptr;
        if (drawing->getDocument()->database()->getTableStyleDictionary(styles, AcDb::kForRead) == Acad::eOk) {
            const Opened<AcDbDictionary> closing(styles);
            AcDbObjectId standard;
            if (styles->getAt("Standard", standard) == Acad::eOk)
                table->setTableStyle(standard);
        }
        table->setSize(2, 3);
        table->mergeCells(0, 0, 0, 2);
        table->setFlowDirection(AcDb::kTtoB);
        table->setPosition(AcGePoint3d::kOrigin);
        // The title is escaped as the category titles are, so that a backslash in it shows.
        table->setTextString(0, 0, cellText(report->getTitle()));
        const CString headers[3] = {"Description", "Hatch", "Area " + m_units};
        int widths[3];
        for (int column = 0; column < 3; ++column) {
            table->setTextString(1, column, headers[column]);
            widths[column] = headers[column].GetLength() + 1;
        }
        int row = 2;
        const CCategories* categories = report->getCategories();
        for (int i = 0; categories && i < categories->count(); ++i) {
            CCategory* category = categories->getAt(i);
            double area = 0.0;
            calculateCategoryArea(category, area);
            if (area == 0.0 && ignoreEmpty)
                continue;
            table->insertRows(row, 1.5 * m_textSize);
            const CString areaText = CUtilities::DoubleToCString(area, m_precision);
            table->setTextString(row, 2, areaText);
            widths[2] = std::max(widths[2], areaText.GetLength() + 1);
            const CString title = cellText(category->getTitle());
            table->setTextString(row, 0, title);
            widths[0] = std::max(widths[0], title.GetLength() + 1);
            AcDbObjectId swatch;
            createHatchPattern(swatch, drawing, normal, report->getTitle(), category);
            if (!swatch.isNull())
                table->setBlockTableRecordId(row, 1, swatch, false);
            ++row;
        }
        for (int column = 0; column < 3; ++column)
            table->setColumnWidth(column, widths[column] * m_textSize);
        table->setRowHeight(1.5 * m_textSize);
        table->setTextHeight(m_textSize, shownRows);
        table->setAlignment(AcDb::kMiddleCenter, shownRows);
        return table.release();
    });
}

void CLegendTable::createHatchPattern(AcDbObjectId& blockId, CAcadDrawing* drawing, AcGeVector3d normal,
                                      CString reportTitle, CCategory* category)
{
    const char* signature = "CLegendTable::createHatchPattern";
    kavroGuard(signature, __FILE__, [&] {
        blockId.setNull();
        if (!category->getHatch())
            return;
        const CString name = blockNameFor("[KAVRO_LEGEND_HATCH]_", reportTitle + "_" + category->getTitle());
        const Opened<AcDbBlockTableRecord> swatch(openEmptiedDefinition(drawing, name, signature));
        blockId = swatch->objectId();
        drawSwatch(swatch.get(), drawing, normal, category);
    });
}

void CLegendTable::drawSwatch(AcDbBlockTableRecord* swatch, CAcadDrawing* drawing, AcGeVector3d normal,
                              CCategory* category)
{
    const char* signature = "CLegendTable::createHatchPattern";
    const CHatch* style = category->getHatch();
    const double t = m_textSize;
    auto outline = std::make_unique<AcDbPolyline>();
    const AcGePoint2d corners[5] = {{0, 0}, {0, 2 * t}, {3 * t, 2 * t}, {3 * t, 0}, {0, 0}};
    for (unsigned i = 0; i < 5; ++i)
        outline->addVertexAt(i, corners[i]);
    outline->setClosed(true);
    outline->setColor(style->getColour());
    style->putOnLayer(drawing, outline.get());
    AcDbObjectId outlineId;
    check(swatch->appendAcDbEntity(outlineId, outline.get()), signature, __LINE__);
    Opened<AcDbPolyline>(outline.release());
    std::unique_ptr<AcDbHatch> hatch(style->createHatch(drawing));
    hatch->setNormal(normal);
    check(hatch->appendLoop(AcDbHatch::kOutermost, AcDbObjectIdArray{outlineId}), signature, __LINE__);
    const Acad::ErrorStatus evaluated = hatch->evaluateHatch();
    if (evaluated == Acad::eOk) {
        check(swatch->appendAcDbEntity(hatch.get()), signature, __LINE__);
        Opened<AcDbHatch>(hatch.release());
        return;
    }
    // A hatch the host cannot draw at all (an unknown pattern): the category is named and
    // its swatch left unhatched, as its rooms are reported, and the legend goes on.
    if (evaluated != Acad::eHatchTooDense && evaluated != Acad::eAmbiguousOutput) {
        acutPrintf("\t\terror(s) occurred whilst hatching the legend swatch of category %s.\n",
                   category->getTitle());
        CKavroExceptions errors;
        errors.add(new CEXUnhandled(evaluated, KAVRO_PRODUCT_CAPTION, __FILE__, signature, __LINE__,
                                    drawing->getFileName(), nullptr));
        errors.printAll();
        return;
    }
    // A pattern the host cannot show at this size: the cell says so instead of the hatch.
    const char* mark = evaluated == Acad::eHatchTooDense ? "<!" : ">!";
    auto text = std::make_unique<AcDbAttributeDefinition>(AcGePoint3d(0, 0, 0), mark, mark, mark);
    text->setHeight(t);
    text->setNormal(normal);
    text->setHorizontalMode(AcDb::kTextLeft);
    text->setVerticalMode(AcDb::kTextBase);
    text->setInvisible(false);
    text->setVerifiable(false);
    text->setPreset(false);
    text->setConstant(true);
    text->setFieldLength(25);
    check(swatch->appendAcDbEntity(text.get()), signature, __LINE__);
    Opened<AcDbAttributeDefinition>(text.release());
}

void CLegendTable::calculateCategoryArea(CCategory* category, double& area)
{
    kavroGuard("CLegendTable::calculateCategoryArea", __FILE__, [&] {
        area = 0.0;
        if (const CBlocks* blocks = category->getBlocks())
            for (int i = 0; i < blocks->count(); ++i)
                area += blocks->getAt(i)->getArea();
    });
}

AcDbBlockTableRecord* CLegendTable::openEmptiedDefinition(CAcadDrawing* drawing, const CString& name,
                                                          const char* signature)
{
    AcDbDatabase* database = drawing->getDocument()->database();
    AcDbBlockTable* rawTable = nullptr;
    check(database->getSymbolTable(rawTable, AcDb::kForRead), signature, __LINE__);
    Opened<AcDbBlockTable> table(rawTable);
    AcDbObjectId existing;
    if (table->getAt(name, existing) == Acad::eOk) {
        // Emptied and refilled in place, keeping its id, so that every reference to it (a
        // legend of an earlier application, a table's swatch cell) shows the new content.
        Acad::ErrorStatus status = Acad::eOk;
        Opened<AcDbBlockTableRecord> record = openObject<AcDbBlockTableRecord>(existing, AcDb::kForWrite, &status);
        check(status, signature, __LINE__);
        forEachEntity(record.get(), AcDb::kForWrite, [](AcDbEntity* entity) {
            entity->erase(true);
            return true;
        });
        return record.release();
    }
    auto record = std::make_unique<AcDbBlockTableRecord>();
    if (record->setName(name) != Acad::eOk)
        throw new CEXCustom("Invalid Block Name - '" + name + "' - from Graphic Report and Category Names",
                            KAVRO_PRODUCT_CAPTION, __FILE__, signature, 0, nullptr);
    record->setOrigin(AcGePoint3d::kOrigin);
    check(table->upgradeOpen(), signature, __LINE__);
    check(table->add(record.get()), signature, __LINE__);
    return record.release();
}
