#include "blocks/markerblock.h"

#include "arx/acutprintf.h"
#include "arx/dbdatabase.h"
#include "host/currentucs.h"
#include "host/hostguards.h"
#include "host/layer.h"
#include "host/layers.h"
#include "support/utilities.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

namespace {

// Runs a maker whose failure is shown at once rather than passed on.
template <class Make>
void showingFailure(const char* signature, Make&& make)
{
    try {
        kavroGuard(signature, __FILE__, make);
    } catch (CEXKavro* e) {
        e->display();
        CEXKavro::deleteChain(e);
    }
}

// Switches the layer off in the drawing.
void switchOff(CAcadDrawing* drawing, const char* name)
{
    CLayers layers;
    layers.getDWGLayers(drawing);
    if (CLayer* layer = layers.getAtLayer(name)) {
        layer->setOff(1);
        layer->applyToDWG(drawing);
    }
}

} // namespace

AcDbAttributeDefinition* CMarkerBlock::defineAttribute(AcGePoint3d position, AcGeVector3d normal, double height,
                                                       double rotation, CString tag, CString prompt,
                                                       CString defaultText, CString layer)
{
    std::unique_ptr<AcDbAttributeDefinition> made;
    showingFailure("CMarkerBlock::defineAttribute", [&] {
        made = std::make_unique<AcDbAttributeDefinition>();
        made->setPosition(position);
        made->setHeight(height);
        made->setRotation(rotation);
        made->setWidthFactor(1.0);
        made->setNormal(normal);
        made->setHorizontalMode(AcDb::kTextLeft);
        made->setVerticalMode(AcDb::kTextBase);
        made->setPrompt(prompt);
        made->setTextString(defaultText);
        made->setTag(tag);
        made->setInvisible(false);
        made->setVerifiable(false);
        made->setPreset(false);
        made->setConstant(false);
        made->setFieldLength(static_cast<Adesk::UInt16>(defaultText.GetLength() + 1));
        made->setLayer(layer, true);
    });
    return made.release();
}

AcDbAttribute* CMarkerBlock::createAttribute(AcDbAttributeDefinition* definition, AcGeMatrix3d transform)
{
    std::unique_ptr<AcDbAttribute> made;
    showingFailure("CMarkerBlock::createAttribute", [&] {
        made = std::make_unique<AcDbAttribute>();
        made->setPropertiesFrom(definition, true);
        made->setInvisible(definition->isInvisible());
        made->setPosition(definition->position());
        made->setHeight(definition->height());
        made->setRotation(definition->rotation());
        made->setWidthFactor(definition->widthFactor());
        made->setTag(definition->tagConst());
        made->setFieldLength(definition->fieldLength());
        made->setTextString(definition->textString());
        made->setHorizontalMode(AcDb::kTextLeft);
        made->transformBy(transform);
    });
    return made.release();
}

CString CMarkerBlock::settingText(double value, int precision)
{
    // A setting written with too few decimals would read back as another value (a text
    // size of 2.5 at precision 0 as 3), so decimals are added until it reads back the same.
    int decimals = std::max(precision, 0);
    CString text = CUtilities::DoubleToCString(value, decimals);
    while (std::isfinite(value) && decimals < 17 && CUtilities::CStringToDouble(text) != value)
        text = CUtilities::DoubleToCString(value, ++decimals);
    return text;
}

int CMarkerBlock::readPrecision(const CString& tag, const CString& text)
{
    const int read = CUtilities::CStringToInt(text);
    const int precision = std::clamp(read, CUtilities::minPrecision, CUtilities::maxPrecision);
    if (precision != read)
        acutPrintf("\nThe marker's %s %s is out of range: %i is used.\n", tag, text, precision);
    return precision;
}

Acad::ErrorStatus CMarkerBlock::defineMarker(AcDbObjectId& definitionId, const AcDbObjectIdArray& outline,
                                             AcGePoint3d basePoint, CAcadDrawing* drawing, const char* name,
                                             const char* layer, double textSize, double attributeRotation,
                                             const std::vector<Setting>& settings)
{
    return defineFromEntities(drawing, name, outline, basePoint, definitionId, [&](AcDbBlockTableRecord* definition) {
        const AcGeVector3d normal = currentUcsNormal(drawing->getDocument()->database());
        CLayer::ensureLayerExists(layer, drawing);
        Acad::ErrorStatus status = Acad::eOk;
        AcGePoint3d position = AcGePoint3d::kOrigin;
        for (const Setting& setting : settings) {
            position.y -= textSize;
            std::unique_ptr<AcDbAttributeDefinition> made(defineAttribute(
                position, normal, textSize, attributeRotation, setting.tag, setting.prompt, setting.text, layer));
            if (!made)
                continue;
            status = definition->appendAcDbEntity(made.get());
            if (status == Acad::eOk)
                Opened<AcDbAttributeDefinition>(made.release());
        }
        return status;
    });
}

Acad::ErrorStatus CMarkerBlock::insertMarker(CAcadDrawing* drawing, AcDbObjectId definitionId, const char* layer,
                                             AcGePoint3d position, double rotation)
{
    const DrawingLock lock(drawing);
    if (!lock.held())
        return lock.status();
    AcDbDatabase* database = drawing->getDocument()->database();
    auto made = std::make_unique<AcDbBlockReference>();
    CLayer::ensureLayerExists(layer, drawing);
    made->setLayer(layer);
    switchOff(drawing, layer);
    if (const Acad::ErrorStatus status = made->setBlockTableRecord(definitionId); status != Acad::eOk)
        return status;
    Opened<AcDbBlockReference> reference;
    if (const Acad::ErrorStatus status = placeInModelSpace(database, std::move(made), position, rotation, reference);
        status != Acad::eOk)
        return status;
    const Opened<AcDbBlockTableRecord> definition =
        openObject<AcDbBlockTableRecord>(definitionId, AcDb::kForRead);
    if (!definition)
        return Acad::eOk;
    const AcGeMatrix3d transform = reference->blockTransform();
    forEachEntity(definition.get(), AcDb::kForRead, [&](AcDbEntity* entity) {
        auto* source = AcDbAttributeDefinition::cast(entity);
        if (!source || source->isConstant())
            return true;
        std::unique_ptr<AcDbAttribute> attribute(createAttribute(source, transform));
        if (attribute && reference->appendAttribute(attribute.get()) == Acad::eOk)
            Opened<AcDbAttribute>(attribute.release());
        return true;
    });
    return Acad::eOk;
}

void CMarkerBlock::withdrawMarker(CAcadDrawing* drawing, AcDbObjectId definitionId, const AcDbObjectIdArray& outline,
                                  AcGePoint3d basePoint)
{
    AcDbDatabase* database = drawing->getDocument()->database();
    if (const Opened<AcDbBlockTableRecord> modelSpace =
            openObject<AcDbBlockTableRecord>(database->modelSpaceId(), AcDb::kForWrite);
        !modelSpace || modelSpace->assumeOwnershipOf(outline) != Acad::eOk)
        return;
    const AcGeMatrix3d back = AcGeMatrix3d::translation(basePoint - AcGePoint3d::kOrigin);
    for (const AcDbObjectId& id : outline)
        if (const Opened<AcDbEntity> entity = openObject<AcDbEntity>(id, AcDb::kForWrite))
            entity->transformBy(back);
    if (const Opened<AcDbBlockTableRecord> definition =
            openObject<AcDbBlockTableRecord>(definitionId, AcDb::kForWrite))
        definition->erase(true);
}

void CMarkerBlock::readReference(AcDbBlockReference* reference, AcApDocument* document)
{
    setObjectId(reference->objectId());
    setLayer(reference->layer());
    setColourIndex(reference->colorIndex());
    setLineWeight(reference->lineWeight());
    // The rotation as the reference would have it in the current UCS, measured without
    // moving the reference there and back.
    const AcGeMatrix3d toUser = currentUcs(document->database()).inverse();
    const AcGeVector3d normal = reference->normal();
    m_rotation = qv::angleInOcs(toUser.transform(qv::ocsDirection(reference->rotation(), normal)),
                                toUser.transform(normal).normal());
    if (const Opened<AcDbBlockTableRecord> definition =
            openObject<AcDbBlockTableRecord>(reference->blockTableRecord(), AcDb::kForRead))
        setBlockName(CString(definition->name()));
    setHandle(reference->getAcDbHandle());
}

AcGePoint3d CMarkerBlock::markedPosition(AcDbBlockReference* reference, AcApDocument* document, const char* className)
{
    bool marked = false;
    if (const Opened<AcDbBlockTableRecord> definition =
            openObject<AcDbBlockTableRecord>(reference->blockTableRecord(), AcDb::kForRead))
        forEachEntity(definition.get(), AcDb::kForRead, [&](AcDbEntity* entity) {
            marked = std::strcmp(entity->isA()->name(), className) == 0;
            return !marked;
        });
    AcGePoint3d position;
    if (marked)
        acdbWcs2Ucs(reference->position(), position, false, document->database());
    return position;
}
