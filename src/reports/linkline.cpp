#include "reports/linkline.h"

#include "arx/dbblockref.h"
#include "arx/dbcurves.h"
#include "arx/dbdatabase.h"
#include "arx/dbtext.h"
#include "host/acaddrawing.h"
#include "host/acaddrawingstate.h"
#include "host/hostguards.h"
#include "host/layer.h"
#include "support/xmlutilities.h"

#include <cmath>
#include <memory>

namespace {

constexpr const char* kLinetype = "T_E_S_T";
constexpr const char* kDefaultLayer = "_KAVRO";
constexpr double kLabelHeight = 150.0;
constexpr double kHalfPi = 1.5707963267948966;

} // namespace

MSXML2::IXMLDOMNodePtr CLinkLine::serialize(CString namespaceURI)
{
    return kavroGuard("CLinkLine::serialize", __FILE__, [&] {
        CXMLUtilities xml;
        MSXML2::IXMLDOMNodePtr element = xml.createNode("linkLine", namespaceURI);
        element->appendChild(xml.createNode("linkStartHandle", m_startHandle, namespaceURI));
        element->appendChild(xml.createNode("linkEndHandle", m_endHandle, namespaceURI));
        element->appendChild(xml.createNode("linkLineLayer", m_layer, namespaceURI));
        if (!m_label.IsEmpty())
            element->appendChild(xml.createNode("linkLineText", m_label, namespaceURI));
        return element;
    });
}

void CLinkLine::deSerialize(MSXML2::IXMLDOMNodePtr node)
{
    kavroGuard("CLinkLine::deSerialize", __FILE__, [&] {
        if (!node || node->get_nodeName() != "linkLine")
            return;
        for (long i = 0; i < node->childCount(); ++i) {
            const MSXML2::IXMLDOMNodePtr child = node->childAt(i);
            const CString name = child->get_nodeName();
            if (name == "linkStartHandle")
                m_startHandle = child->get_text();
            else if (name == "linkEndHandle")
                m_endHandle = child->get_text();
            else if (name == "linkLineLayer")
                m_layer = child->get_text();
            else if (name == "linkLineText")
                m_label = child->get_text();
        }
    });
}

void CLinkLine::applyToDrawing(CAcadDrawing* drawing, CAcadDrawingState* state)
{
    kavroGuard("CLinkLine::applyToDrawing", __FILE__, [&] {
        AcCmColor colour;
        colour.setRGB(255, 0, 0);
        AcDbDatabase* database = drawing->getDocument()->database();
        const Opened<AcDbBlockTableRecord> modelSpace =
            openObject<AcDbBlockTableRecord>(database->modelSpaceId(), AcDb::kForWrite);
        if (!modelSpace)
            return;
        const AcGePoint3d start = getAssetCurrentCoord(m_startHandle, drawing, state);
        const AcGePoint3d end = getAssetCurrentCoord(m_endHandle, drawing, state);
        if (m_layer.IsEmpty())
            m_layer = kDefaultLayer;
        // The line goes on its layer as made, the name cleaned, which is shown whichever it
        // is: one switched off by an earlier application would hide it.
        const CString layer = CLayer::validateLayerName(m_layer);
        state->setLayerState(layer, 0, 0, 0, 1);
        CLayer::ensureLayerExists(layer, drawing);
        addLine(start, end, colour, m_label, kLabelHeight, 1, layer, modelSpace.get());
    });
}

AcGePoint3d CLinkLine::getAssetCurrentCoord(CString handle, CAcadDrawing* drawing, CAcadDrawingState* state)
{
    return kavroGuard("CLinkLine::getAssetCurrentCoord", __FILE__, [&] {
        AcGePoint3d position = AcGePoint3d::kOrigin;
        AcDbObjectId id;
        if (drawing->getDocument()->database()->getAcDbObjectId(id, false, AcDbHandle(handle.GetString()), 0)
            != Acad::eOk)
            return position;
        const Opened<AcDbEntity> entity = openObject<AcDbEntity>(id, AcDb::kForRead);
        if (const AcDbBlockReference* reference = entity ? AcDbBlockReference::cast(entity.get()) : nullptr) {
            position = reference->position();
            state->setLayerState(reference->layer(), 0, 0, 0, 1);
        }
        return position;
    });
}

double CLinkLine::labelRotation(const AcGePoint3d& start, const AcGePoint3d& end)
{
    const double dx = end.x - start.x;
    const double dy = end.y - start.y;
    if (dx == 0.0)
        return dy > 0.0 ? kHalfPi : dy < 0.0 ? -kHalfPi : 0.0;
    return std::atan(dy / dx);
}

AcDbObjectId CLinkLine::addLine(AcGePoint3d start, AcGePoint3d end, AcCmColor colour, CString label,
                                double textHeight, int align, CString layer, AcDbBlockTableRecord* space)
{
    auto line = std::make_unique<AcDbLine>(start, end);
    line->setColor(colour, true);
    line->setLineWeight(AcDb::kLnWtByLayer);
    AcDbObjectId linetype;
    ensureLinetypeExists(linetype, space->database());
    line->setLinetype(linetype);
    line->setLayer(layer.GetString());
    AcDbObjectId id;
    if (space->appendAcDbEntity(id, line.get()) == Acad::eOk)
        line.release()->close();
    if (!label.IsEmpty()) {
        const AcGePoint3d middle(start.x + (end.x - start.x) / 2, start.y + (end.y - start.y) / 2,
                                 start.z + (end.z - start.z) / 2);
        addLabel(middle, colour, textHeight, align ? labelRotation(start, end) : 0.0, label, layer, space);
    }
    return id;
}

AcDbObjectId CLinkLine::addLabel(AcGePoint3d position, AcCmColor colour, double textHeight, double rotation,
                                 CString text, CString layer, AcDbBlockTableRecord* space)
{
    auto label = std::make_unique<AcDbText>();
    AcGePoint3d normal;
    acdbUcs2Wcs(AcGePoint3d(0, 0, 1), normal, true, space->database());
    label->setNormal(normal.asVector());
    label->setHeight(textHeight);
    label->setRotation(rotation);
    label->setWidthFactor(1.0);
    label->setHorizontalMode(AcDb::kTextCenter);
    label->setVerticalMode(AcDb::kTextBottom);
    label->setTextString(text.GetString());
    label->setColor(colour, true);
    label->setLayer(layer.GetString());
    AcDbObjectId id;
    if (space->appendAcDbEntity(id, label.get()) != Acad::eOk)
        return id;
    label->setPosition(position);
    label->setAlignmentPoint(position);
    label.release()->close();
    return id;
}

void CLinkLine::ensureLinetypeExists(AcDbObjectId& id, AcDbDatabase* database)
{
    AcDbLinetypeTable* raw = nullptr;
    if (database->getSymbolTable(raw, AcDb::kForWrite) != Acad::eOk)
        return;
    const Opened<AcDbLinetypeTable> table(raw);
    if (table->getAt(kLinetype, id) == Acad::eOk)
        return;
    auto record = std::make_unique<AcDbLinetypeTableRecord>();
    // The pattern length is the sum of the dash and the gap, as the host expects of it.
    record->setPatternLength(100.0);
    record->setNumDashes(2);
    record->setDashLengthAt(0, 50.0);
    record->setDashLengthAt(1, -50.0);
    record->setName(kLinetype);
    if (table->add(id, record.get()) == Acad::eOk)
        record.release()->close();
}
