#include "blocks/asset.h"

#include "arx/dbcurves.h"
#include "blocks/attributes.h"
#include "blocks/hatch.h"
#include "blocks/hyperlinks.h"
#include "host/acadutilities.h"
#include "host/hostguards.h"
#include "host/layer.h"
#include "owning.h"
#include "procedurecall.h"
#include "support/exrecords.h"
#include "support/kavroexceptions.h"
#include "support/kavroguard.h"

CString assetExclusion;

namespace {

void collectPostFailure(CKavroExceptions* errors, Acad::ErrorStatus status, const char* procSig)
{
    errors->add(new CEXUnhandled(status, KAVRO_PRODUCT_CAPTION, __FILE__, procSig, __LINE__, CString(), nullptr));
}

} // namespace

CAsset::CAsset(int drawingID, CString handle, CString blockIdentifier, CString blockDescription,
               CString uniqueDescription, double pointX, double pointY, int existsInLocation)
    : m_drawingID(drawingID), m_blockIdentifier(std::move(blockIdentifier)),
      m_blockDescription(std::move(blockDescription)), m_uniqueDescription(std::move(uniqueDescription)),
      m_pointX(pointX), m_pointY(pointY), m_existsInLocation(existsInLocation)
{
    setHandle(std::move(handle));
}

CAsset::~CAsset()
{
    delete m_attributes;
    delete m_hyperlinks;
    delete m_hatch;
}

CString CAsset::getHandle() const
{
    char text[20];
    m_handle.getIntoAsciiBuffer(text, sizeof text);
    return text;
}

void CAsset::copyTo(CAsset* target) const
{
    kavroGuard("CAsset::copyTo", __FILE__, [&] {
        target->setLocationID(m_locationID);
        target->setHandle(getHandle());
        target->setBlockIdentifier(m_blockIdentifier);
        target->setBlockDescription(m_blockDescription);
        target->setUniqueDescription(m_uniqueDescription);
        target->setPointX(m_pointX);
        target->setPointY(m_pointY);
        target->setExistsInLocation(m_existsInLocation);
        if (m_hatch)
            target->setHatch(copyOf(*m_hatch));
        if (m_hyperlinks)
            target->setHyperlinks(copyOf(*m_hyperlinks));
        if (m_attributes) {
            target->setAttributes(new CAttributes);
            m_attributes->copyAttributesTo(target->getAttributes());
        }
    });
}

void CAsset::applyToDWG(CAcadDrawing* drawing, CKavroExceptions* errors)
{
    kavroGuard("CAsset::applyToDWG", __FILE__, [&] {
        const DrawingLock lock(drawing);
        if (!lock.held())
            throw new CEXUnhandled(lock.status(), KAVRO_PRODUCT_CAPTION, __FILE__, "CAsset::applyToDWG", __LINE__,
                                   CString(), nullptr);
        const Opened<AcDbEntity> entity = openObject<AcDbEntity>(m_objectId, AcDb::kForWrite);
        auto* reference = AcDbBlockReference::cast(entity.get());
        if (!reference)
            return;
        CLayer layer;
        layer.setName(reference->layer());
        layer.setOff(0);
        layer.applyToDWG(drawing);
        const bool linked = m_hyperlinks && m_hyperlinks->getCount() > 0;
        if (m_hatch) {
            AcDbObjectId hatchId;
            hatchAsset(drawing, reference, hatchId, errors);
            if (linked) {
                hyperlinkAsset(reference);
                hyperlinkHatch(&hatchId);
            }
        } else if (linked) {
            hyperlinkAsset(reference);
        }
        if (m_attributes)
            m_attributes->applyToDWG(reference);
    });
}

void CAsset::hatchAsset(CAcadDrawing* drawing, AcDbEntity* entity, AcDbObjectId& hatchId, CKavroExceptions* errors)
{
    kavroGuard("CAsset::hatchAsset", __FILE__, [&] {
        auto* reference = AcDbBlockReference::cast(entity);
        if (!reference)
            return;
        AcDbExtents box;
        if (const Opened<AcDbBlockTableRecord> definition =
                openObject<AcDbBlockTableRecord>(reference->blockTableRecord(), AcDb::kForRead))
            forEachEntity(definition.get(), AcDb::kForRead, [&](AcDbEntity* member) {
                AcDbExtents extents;
                if (member->getGeomExtents(extents) == Acad::eOk)
                    box.addExt(extents);
                return true;
            });
        // A definition that could not be measured has nothing to hatch around: an inverted
        // rectangle would only spoil the drawing's extents.
        if (box.isEmpty()) {
            if (m_hatch)
                errors->add(new CEXHatchNoAssetExtents(getHandle(), KAVRO_PRODUCT_CAPTION, __FILE__,
                                                       "CAsset::hatchAsset"));
            return;
        }
        hatchAssetArea(drawing, reference, box.minPoint(), box.maxPoint(), hatchId, errors);
    });
}

void CAsset::hatchAssetArea(CAcadDrawing* drawing, AcDbBlockReference* reference, AcGePoint3d lower,
                            AcGePoint3d upper, AcDbObjectId& hatchId, CKavroExceptions* errors)
{
    kavroGuard("CAsset::hatchAssetArea", __FILE__, [&] {
        if (!m_hatch)
            return;
        std::unique_ptr<AcDbHatch> hatch(m_hatch->createHatch(drawing));
        const AcGeMatrix3d transform = reference->blockTransform();
        auto rectangle = std::make_unique<AcDbPolyline>();
        const AcGePoint2d corners[] = {{lower.x, lower.y}, {lower.x, upper.y}, {upper.x, upper.y}, {upper.x, lower.y}};
        for (unsigned int i = 0; i < 4; ++i)
            rectangle->addVertexAt(i, corners[i], 0.0, -1.0, -1.0, 0);
        rectangle->setVisibility(AcDb::kInvisible);
        rectangle->setClosed(true);
        rectangle->setColor(m_hatch->getColour());
        rectangle->setLayer(m_hatch->getLayer());
        AcDbObjectId rectangleId;
        if (const Acad::ErrorStatus status = postToModelSpace(drawing, std::move(rectangle), rectangleId);
            status != Acad::eOk) {
            collectPostFailure(errors, status, "CAsset::hatchAssetArea");
            return;
        }
        if (const Opened<AcDbEntity> posted = openObject<AcDbEntity>(rectangleId, AcDb::kForWrite))
            posted->transformBy(transform);
        hatch->appendLoop(AcDbHatch::kOutermost, AcDbObjectIdArray{rectangleId});
        m_hatch->collectEvaluation(hatch.get(), "asset - " + getHandle(), CString(), errors, __FILE__,
                                   "CAsset::hatchAssetArea");
        AcDbObjectId posted;
        if (const Acad::ErrorStatus status = postToModelSpace(drawing, std::move(hatch), posted); status != Acad::eOk) {
            collectPostFailure(errors, status, "CAsset::hatchAssetArea");
            return;
        }
        hatchId = posted;
        if (const Opened<AcDbEntity> back = openObject<AcDbEntity>(posted, AcDb::kForRead))
            CAcadUtilities().sendToBack(back.get());
    });
}

void CAsset::hyperlinkEntity(AcDbEntity* entity)
{
    kavroGuard("CAsset::hyperlinkEntity", __FILE__, [&] {
        // As the host's own hyperlink calls, the statuses are not examined.
        (void)m_hyperlinks->setEntityHyperlinks(entity, true);
    });
}

void CAsset::hyperlinkHatch(AcDbObjectId* hatchId)
{
    kavroGuard("CAsset::hyperlinkHatch", __FILE__, [&] {
        if (const Opened<AcDbEntity> hatch = openObject<AcDbEntity>(*hatchId, AcDb::kForWrite))
            hyperlinkEntity(hatch.get());
    });
}

void CAsset::hyperlinkAsset(AcDbEntity* entity)
{
    kavroGuard("CAsset::hyperlinkAsset", __FILE__, [&] {
        auto* reference = AcDbBlockReference::cast(entity);
        if (!reference)
            return;
        hyperlinkEntity(reference);
        if (const Opened<AcDbBlockTableRecord> definition =
                openObject<AcDbBlockTableRecord>(reference->blockTableRecord(), AcDb::kForRead))
            forEachEntity(definition.get(), AcDb::kForWrite, [&](AcDbEntity* member) {
                hyperlinkEntity(member);
                return true;
            });
        CAttributes::forEachAttribute(reference, AcDb::kForWrite,
                                      [&](AcDbAttribute* attribute) { hyperlinkEntity(attribute); });
    });
}

void CAsset::applyToQPX(CStoredProcedure* procedure, int drawingID, int locationID, int timeout)
{
    CParameters parameters;
    CStoredProcedure::Attachment attached;
    procedureGuard(procedure, "CAsset::applyToQPX", __FILE__, [&] {
        using namespace procedurecall;
        addInt(parameters, "@locationID", locationID);
        addInt(parameters, "@drawingID", drawingID);
        addText(parameters, "@handle", 255, getHandle());
        addText(parameters, "@acadBlockIdentifier", 100, m_blockIdentifier);
        addText(parameters, "@acadBlockDescription", 255, m_blockDescription);
        addText(parameters, "@uniqueDescription", 255, m_uniqueDescription);
        addDecimal(parameters, "@pointX", m_pointX);
        addDecimal(parameters, "@pointY", m_pointY);
        addFlag(parameters, "@assetExistsInLocation", m_existsInLocation);
        addOutputFlag(parameters, "@excludedFromTakeoff");
        procedure->setTimeout(timeout);
        procedure->setName("__to_applyAssetToQPX");
        attached.attach(procedure, &parameters);
        procedure->execSPNoReturnParasReturn();
        // Any non-zero flag excludes; a NULL left the flag as sent (false).
        const _variant_t excluded = parameters.getParameter("@excludedFromTakeoff")->getValue();
        if (static_cast<long>(excluded) == 0 && m_existsInLocation != 0 && m_attributes)
            m_attributes->applyToQPX(procedure, drawingID, getHandle(), timeout);
    });
}

void CAsset::exportTP(CStoredProcedure* procedure, int timeout, CString exportParameters)
{
    CParameters parameters;
    CStoredProcedure::Attachment attached;
    procedureGuard(procedure, "CAsset::exportTP", __FILE__, [&] {
        using namespace procedurecall;
        addInt(parameters, "@locationID", m_locationID);
        addText(parameters, "@handle", 255, getHandle());
        addText(parameters, "@acadBlockIdentifier", 100, m_blockIdentifier);
        addText(parameters, "@acadBlockDescription", 255, m_blockDescription);
        addText(parameters, "@uniqueDescription", 255, m_uniqueDescription);
        addDecimal(parameters, "@pointX", m_pointX);
        addDecimal(parameters, "@pointY", m_pointY);
        addFlag(parameters, "@assetExistsInLocation", m_existsInLocation);
        addText(parameters, "@exportParameters", 255, exportParameters);
        procedure->setTimeout(timeout);
        procedure->setName("__to_tp_exportAsset");
        attached.attach(procedure, &parameters);
        procedure->execSPNoReturnParas();
    });
}
