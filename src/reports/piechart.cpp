#include "reports/piechart.h"

#include "arx/dbblockref.h"
#include "arx/dbdatabase.h"
#include "arx/dbtext.h"
#include "blocks/block.h"
#include "blocks/blocks.h"
#include "host/acadhost.h"
#include "host/hostguards.h"
#include "reports/categories.h"
#include "reports/graphicreport.h"
#include "support/excustom.h"
#include "support/exrecords.h"
#include "support/utilities.h"

#include <cmath>
#include <memory>

namespace {

// The Z axis of the current UCS in world coordinates.
AcGeVector3d ucsNormal(AcDbDatabase* database)
{
    AcGePoint3d normal;
    acdbUcs2Wcs(AcGePoint3d(0, 0, 1), normal, true, database);
    return normal.asVector();
}

AcDbDatabase* databaseOf(CAcadDrawing* drawing)
{
    return drawing->getDocument()->database();
}

[[noreturn]] void throwHostStatus(Acad::ErrorStatus status, CAcadDrawing* drawing, const char* procSig, int line)
{
    throw new CEXUnhandled(status, KAVRO_PRODUCT_CAPTION, __FILE__, procSig, line, drawing->getFileName(), nullptr);
}

// The summed area of the category's space blocks (assets do not count).
double categoryArea(const CCategory* category)
{
    double area = 0.0;
    if (const CBlocks* blocks = category->getBlocks())
        for (int i = 0; i < blocks->count(); ++i)
            area += blocks->getAt(i)->getArea();
    return area;
}

} // namespace

CPieChart::CPieChart(CAcadDrawing* drawing, CGraphicReport* report, double radius, double explodeOffset,
                     double textHeight, int precision, CString units, int ignoreEmpty, int showLabels, int showLines,
                     double rotation, const AcGePoint3d* centre)
    : m_rotation(rotation)
{
    kavroGuard("CPieChart::CPieChart", __FILE__, [&] {
        if (!report->getCategories() || report->getTotalChildAreas() <= 0.0)
            return;
        for (const double size : {radius, explodeOffset, textHeight})
            if (!CUtilities::isDrawableSize(size))
                throw new CEXCustom("The pie chart's size " + CUtilities::DoubleToCString(size, -1)
                                        + " is too large to draw.",
                                    KAVRO_PRODUCT_CAPTION, __FILE__, "CPieChart::CPieChart", 0, nullptr);
        initPieChart(report->getTitle(), report->getTotalChildAreas(), radius, explodeOffset, textHeight, precision,
                     units, ignoreEmpty, showLabels, showLines, rotation);
        pieChartFromGraphicReport(report);
        if (centre && acadHost.isFullHost())
            insertPieChart(m_referenceId, drawing, *centre);
        else
            createPieChartBlockDefinition(m_blockId, drawing);
    });
}

CPieChart::CPieChart(CString title, double total, double radius, double explodeOffset, double textHeight,
                     int precision, CString units, int ignoreEmpty, int showLabels, int showLines, double rotation)
    : m_rotation(rotation)
{
    kavroGuard("CPieChart::CPieChart", __FILE__, [&] {
        initPieChart(std::move(title), total, radius, explodeOffset, textHeight, precision, std::move(units),
                     ignoreEmpty, showLabels, showLines, rotation);
    });
}

CPieChart::~CPieChart() = default;

void CPieChart::initPieChart(CString title, double total, double radius, double explodeOffset, double textHeight,
                             int precision, CString units, int ignoreEmpty, int showLabels, int showLines,
                             double rotation)
{
    m_segments = std::make_unique<CPieSegments>();
    m_name = "[KAVRO_PIECHART]_" + title;
    CUtilities().replaceIllegalCharacters(m_name, "_");
    m_title = std::move(title);
    m_total = total;
    m_radius = radius;
    m_explodeOffset = explodeOffset;
    m_textHeight = textHeight;
    m_precision = precision;
    m_units = std::move(units);
    m_ignoreEmpty = ignoreEmpty;
    m_showLabels = showLabels;
    m_showLines = showLines;
    m_rotation = rotation;
}

void CPieChart::pieChartFromGraphicReport(CGraphicReport* report)
{
    const CCategories* categories = report->getCategories();
    for (int i = 0; i < categories->count(); ++i) {
        const CCategory* category = categories->getAt(i);
        const double value = categoryArea(category);
        if (value == 0.0 && m_ignoreEmpty)
            continue;
        m_segments->add(new CPieSegment(category->getTitle(), category->getHatch(), value, m_precision, m_units));
    }
}

AcDbBlockTableRecord* CPieChart::openEmptyRecord(CAcadDrawing* drawing, bool& made)
{
    const char* procSig = "CPieChart::createPieChartBlockDefinition";
    AcDbBlockTable* raw = nullptr;
    if (const Acad::ErrorStatus status = databaseOf(drawing)->getSymbolTable(raw, AcDb::kForWrite);
        status != Acad::eOk)
        throwHostStatus(status, drawing, procSig, 183);
    const Opened<AcDbBlockTable> table(raw);
    if (AcDbBlockTableRecord* record = nullptr;
        table->getAt(m_name.GetString(), record, AcDb::kForWrite) == Acad::eOk) {
        // The chart was defined before: its record is emptied and refilled, so that every
        // reference of the earlier chart shows the new one and none is left on an erased
        // definition.
        forEachEntity(record, AcDb::kForWrite, [](AcDbEntity* entity) {
            entity->erase();
            return true;
        });
        made = false;
        return record;
    }
    auto record = std::make_unique<AcDbBlockTableRecord>();
    record->setName(m_name.GetString());
    record->setOrigin(AcGePoint3d::kOrigin);
    if (const Acad::ErrorStatus status = table->add(record.get()); status != Acad::eOk)
        throwHostStatus(status, drawing, procSig, 230);
    made = true;
    return record.release();
}

AcDbObjectId CPieChart::createPieChartBlockDefinition(AcDbObjectId& blockId, CAcadDrawing* drawing)
{
    return kavroGuard("CPieChart::createPieChartBlockDefinition", __FILE__, [&] {
        if (!m_segments || m_segments->count() == 0)
            return blockId;
        if (std::floor(m_segments->getTotal()) > std::floor(m_total))
            throw new CEXSegmentAreaOverTotal(KAVRO_PRODUCT_CAPTION, __FILE__,
                                              "CPieChart::createPieChartBlockDefinition", m_segments->getTotal(),
                                              m_total);
        const DrawingLock lock(drawing);
        if (!lock.held())
            return blockId;
        const AcGeVector3d normal = ucsNormal(databaseOf(drawing));
        bool made = false;
        const Opened<AcDbBlockTableRecord> record(openEmptyRecord(drawing, made));
        try {
            m_segments->addSegmentsToBlock(drawing, record.get(), m_ignoreEmpty, m_showLabels, m_showLines, normal,
                                           m_radius, m_total, m_explodeOffset, m_textHeight, m_precision);
            addTitleToPieChart(drawing, record.get(), normal, m_textHeight, m_radius);
            addFooterToPieChart(drawing, record.get(), normal, m_textHeight, m_radius);
        } catch (CEXKavro*) {
            // A chart that fails half-way leaves no new definition behind.
            if (made)
                record->erase();
            throw;
        }
        blockId = m_blockId = record->objectId();
        return blockId;
    });
}

AcDbObjectId CPieChart::insertPieChart(AcDbObjectId& referenceId, CAcadDrawing* drawing, AcGePoint3d centre)
{
    return kavroGuard("CPieChart::insertPieChart", __FILE__, [&] {
        AcDbObjectId blockId;
        createPieChartBlockDefinition(blockId, drawing);
        if (blockId.isNull())
            return referenceId;
        const DrawingLock lock(drawing);
        AcDbDatabase* database = databaseOf(drawing);
        const Opened<AcDbBlockTableRecord> modelSpace =
            openObject<AcDbBlockTableRecord>(database->modelSpaceId(), AcDb::kForWrite);
        if (!modelSpace)
            return referenceId;
        // The chart an earlier application placed in model space is replaced, not doubled.
        if (const Opened<AcDbBlockTableRecord> definition = openObject<AcDbBlockTableRecord>(blockId, AcDb::kForRead)) {
            AcDbObjectIdArray earlier;
            definition->getBlockReferenceIds(earlier);
            for (const AcDbObjectId& id : earlier)
                if (const Opened<AcDbEntity> reference = openObject<AcDbEntity>(id, AcDb::kForWrite);
                    reference && reference->ownerId() == modelSpace->objectId())
                    reference->erase();
        }
        auto reference = std::make_unique<AcDbBlockReference>(centre, blockId);
        reference->setRotation(m_rotation);
        reference->setScaleFactors(AcGeScale3d(1.0, 1.0, 1.0));
        AcGeMatrix3d ucs;
        acdbUcsMatrix(ucs, database);
        reference->transformBy(ucs);
        reference->setNormal(ucsNormal(database));
        AcDbObjectId id;
        if (const Acad::ErrorStatus status = modelSpace->appendAcDbEntity(id, reference.get()); status != Acad::eOk)
            throwHostStatus(status, drawing, "CPieChart::insertPieChart", 252);
        reference.release()->close();
        referenceId = m_referenceId = id;
        return referenceId;
    });
}

void CPieChart::addCentredText(CAcadDrawing* drawing, AcDbBlockTableRecord* record, AcGeVector3d normal, double y,
                               double textHeight, const CString& text, const char* procSig, int line)
{
    const AcGePoint3d position(0.0, y, 0.0);
    auto definition = std::make_unique<AcDbAttributeDefinition>(position, text.GetString(), m_title.GetString(),
                                                                m_title.GetString());
    definition->setConstant(true);
    definition->setFieldLength(25);
    definition->setHeight(textHeight);
    definition->setNormal(normal);
    definition->setHorizontalMode(AcDb::kTextCenter);
    definition->setVerticalMode(AcDb::kTextTop);
    definition->setAlignmentPoint(position);
    if (const Acad::ErrorStatus status = record->appendAcDbEntity(definition.get()); status != Acad::eOk)
        throwHostStatus(status, drawing, procSig, line);
    definition.release()->close();
}

void CPieChart::addTitleToPieChart(CAcadDrawing* drawing, AcDbBlockTableRecord* record, AcGeVector3d normal,
                                   double textHeight, double radius)
{
    const char* procSig = "CPieChart::addTitleToPieChart";
    kavroGuard(procSig, __FILE__, [&] {
        addCentredText(drawing, record, normal, 1.5 * radius + textHeight, textHeight, m_title, procSig, 378);
    });
}

void CPieChart::addFooterToPieChart(CAcadDrawing* drawing, AcDbBlockTableRecord* record, AcGeVector3d normal,
                                    double textHeight, double radius)
{
    const char* procSig = "CPieChart::addFooterToPieChart";
    kavroGuard(procSig, __FILE__, [&] {
        const CString footer = m_total == 0.0
            ? CString("total unspecified or zero")
            : "Total: " + CUtilities::DoubleToCString(m_total, m_precision) + m_units;
        addCentredText(drawing, record, normal, textHeight - 1.5 * radius, textHeight, footer, procSig, 460);
    });
}
