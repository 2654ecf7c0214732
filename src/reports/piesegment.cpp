#include "reports/piesegment.h"

#include "arx/dbcurves.h"
#include "arx/dbdatabase.h"
#include "arx/dbdict.h"
#include "arx/dbtext.h"
#include "blocks/hatch.h"
#include "host/acadutilities.h"
#include "host/hostguards.h"
#include "support/exrecords.h"
#include "support/kavroexceptions.h"
#include "support/utilities.h"

#include <cmath>
#include <memory>

namespace {

constexpr double kPiValue = 3.141592653589793;
constexpr double kFullTurn = 6.283185307179586;

// A point at the angle (clockwise from +y) and distance from the chart's centre.
AcGePoint3d atAngle(double angle, double distance)
{
    return AcGePoint3d(distance * std::sin(angle), distance * std::cos(angle), 0.0);
}

void throwHostStatus(Acad::ErrorStatus status, CAcadDrawing* drawing, const char* procSig, int line)
{
    throw new CEXUnhandled(status, KAVRO_PRODUCT_CAPTION, __FILE__, procSig, line,
                           drawing ? drawing->getFileName() : CString(), nullptr);
}

// Appends the entity to the record and closes it; on failure deletes it and raises.
void appendOrThrow(CAcadDrawing* drawing, AcDbBlockTableRecord* record, std::unique_ptr<AcDbEntity> entity,
                   const char* procSig, int line, AcDbObjectId* appended = nullptr)
{
    AcDbObjectId id;
    if (const Acad::ErrorStatus status = record->appendAcDbEntity(id, entity.get()); status != Acad::eOk)
        throwHostStatus(status, drawing, procSig, line);
    entity.release()->close();
    if (appended)
        *appended = id;
}

} // namespace

CPieSegment::CPieSegment(CString name, CHatch* hatch, double value, int precision, CString units)
    : m_name(std::move(name)), m_hatch(hatch), m_value(value), m_precision(precision), m_units(std::move(units))
{
}

void CPieSegment::applyStyle(CAcadDrawing* drawing, AcDbEntity* entity, bool styleColour) const
{
    if (!m_hatch) {
        entity->setLayer("0");
        return;
    }
    m_hatch->putOnLayer(drawing, entity);
    if (styleColour)
        entity->setColor(m_hatch->getColour(), true);
}

AcDbPolyline* CPieSegment::createSegment(AcGeVector3d normal, double radius, double sweep)
{
    return kavroGuard("CPieSegment::createSegment", __FILE__, [&] {
        auto outline = std::make_unique<AcDbPolyline>();
        outline->setNormal(normal);
        if (sweep >= kFullTurn) {
            // Two clockwise half arcs; a wedge of more than a full turn is drawn as one.
            outline->addVertexAt(0, AcGePoint2d(0, radius), -1.0, -1.0, -1.0, 0);
            outline->addVertexAt(1, AcGePoint2d(0, -radius), -1.0, -1.0, -1.0, 0);
            outline->addVertexAt(2, AcGePoint2d(0, radius), 0.0, -1.0, -1.0, 0);
        } else {
            outline->addVertexAt(0, AcGePoint2d(0, 0), 0.0, -1.0, -1.0, 0);
            outline->addVertexAt(1, AcGePoint2d(0, radius), -std::tan(sweep / 4.0), -1.0, -1.0, 0);
            outline->addVertexAt(2, AcGePoint2d(radius * std::sin(sweep), radius * std::cos(sweep)), 0.0, -1.0,
                                 -1.0, 0);
            outline->addVertexAt(3, AcGePoint2d(0, 0), 0.0, -1.0, -1.0, 0);
        }
        outline->setClosed(true);
        if (m_hatch)
            outline->setColor(m_hatch->getColour(), true);
        return outline.release();
    });
}

void CPieSegment::addSegmentToBlock(CAcadDrawing* drawing, AcDbBlockTableRecord* record, int /*ignoreEmpty*/,
                                    int showLabels, int showLines, AcGeVector3d normal, double radius,
                                    double explodeOffset, double total, double startValue, double textHeight,
                                    int precision)
{
    const char* procSig = "CPieSegment::addSegmentToBlock";
    kavroGuard(procSig, __FILE__, [&] {
        const double sweep = m_value / total * 360.0 / 180.0 * kPiValue;
        const double start = startValue / total * 360.0 / 180.0 * kPiValue;
        std::unique_ptr<AcDbPolyline> outline(createSegment(normal, radius, sweep));
        outline->transformBy(AcGeMatrix3d::rotation(-start, normal, AcGePoint3d::kOrigin));
        const double mid = start + sweep / 2.0;
        outline->transformBy(AcGeMatrix3d::translation(atAngle(mid, explodeOffset).asVector()));
        applyStyle(drawing, outline.get(), false);
        AcDbObjectId outlineId;
        appendOrThrow(drawing, record, std::move(outline), procSig, 168, &outlineId);

        CKavroExceptions errors;
        hatchSegment(drawing, record, outlineId, &errors);
        if (errors.getCount() > 0)
            errors.printAll();

        if (showLabels) {
            const double labelDistance = 1.25 * radius;
            if (showLines)
                addSegmentLine(drawing, record, normal, mid, labelDistance, explodeOffset);
            addSegmentLabel(drawing, record, normal, mid, radius, labelDistance, explodeOffset, textHeight, precision);
        }
    });
}

void CPieSegment::hatchSegment(CAcadDrawing* drawing, AcDbBlockTableRecord* record, AcDbObjectId outlineId,
                               CKavroExceptions* errors)
{
    const char* procSig = "CPieSegment::hatchSegment";
    if (!m_hatch)
        return;
    try {
        kavroGuard(procSig, __FILE__, [&] {
            std::unique_ptr<AcDbHatch> hatch(m_hatch->createHatch(drawing));
            if (hatch->appendLoop(AcDbHatch::kOutermost, AcDbObjectIdArray{outlineId}) != Acad::eOk) {
                errors->add(
                    new CEXHatchPolylineNotClosed("Segment", m_name, KAVRO_PRODUCT_CAPTION, __FILE__, procSig));
                return;
            }
            // A pattern the host cannot show at this size is reported and the wedge still
            // hatched; one it cannot draw at all (an unknown pattern) leaves the wedge unhatched.
            if (!m_hatch->collectEvaluation(hatch.get(), "piechart segment " + m_name, drawing->getFileName(),
                                            errors, __FILE__, procSig))
                return;
            AcDbObjectId hatchId;
            if (const Acad::ErrorStatus status = record->appendAcDbEntity(hatchId, hatch.get());
                status != Acad::eOk) {
                errors->add(new CEXUnhandled(status, KAVRO_PRODUCT_CAPTION, __FILE__, procSig, 373,
                                             drawing->getFileName(), nullptr));
                return;
            }
            hatch.release()->close();
            // The record is held open by the chart, so its draw order is reached through it.
            CAcadUtilities().getSortentsVariable();
            AcDbSortentsTable* order = nullptr;
            if (record->getSortentsTable(order, AcDb::kForWrite, true) == Acad::eOk) {
                order->moveToBottom(AcDbObjectIdArray{hatchId});
                order->close();
            }
        });
    } catch (CEXKavro* e) {
        errors->add(e);
    }
}

void CPieSegment::addSegmentLine(CAcadDrawing* drawing, AcDbBlockTableRecord* record, AcGeVector3d /*normal*/,
                                 double angle, double labelDistance, double explodeOffset)
{
    const char* procSig = "CPieSegment::addSegmentLine";
    kavroGuard(procSig, __FILE__, [&] {
        auto line = std::make_unique<AcDbLine>(atAngle(angle, explodeOffset),
                                               atAngle(angle, 0.95 * labelDistance + explodeOffset));
        applyStyle(drawing, line.get(), true);
        appendOrThrow(drawing, record, std::move(line), procSig, 421);
    });
}

void CPieSegment::addSegmentLabel(CAcadDrawing* drawing, AcDbBlockTableRecord* record, AcGeVector3d normal,
                                  double angle, double radius, double labelDistance, double explodeOffset,
                                  double textHeight, int precision)
{
    const char* procSig = "CPieSegment::addSegmentLabel";
    kavroGuard(procSig, __FILE__, [&] {
        const AcGePoint3d p = atAngle(angle, labelDistance + explodeOffset);
        const CString text = m_name + " (" + CUtilities::DoubleToCString(m_value, precision) + " " + m_units + ")";
        m_name = text;
        auto label = std::make_unique<AcDbAttributeDefinition>(p, text.GetString(), text.GetString(),
                                                               text.GetString());
        label->setConstant(true);
        label->setFieldLength(25);
        label->setHeight(textHeight);
        label->setNormal(normal);
        label->setHorizontalMode(p.x > 0.0 ? AcDb::kTextLeft : p.x == 0.0 ? AcDb::kTextCenter : AcDb::kTextRight);
        label->setVerticalMode(p.y > radius / 2.0    ? AcDb::kTextBottom
                               : p.y == radius / 2.0 ? AcDb::kTextVertMid
                                                     : AcDb::kTextTop);
        label->setAlignmentPoint(p);
        applyStyle(drawing, label.get(), false);
        appendOrThrow(drawing, record, std::move(label), procSig, 524);
    });
}
