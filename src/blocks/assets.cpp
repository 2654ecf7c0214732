#include "blocks/assets.h"

#include "arx/dbdynblockreference.h"
#include "blocks/attributes.h"
#include "blocks/hatch.h"
#include "blocks/hyperlinks.h"
#include "host/acadutilities.h"
#include "host/hostguards.h"
#include "owning.h"
#include "procedurecall.h"
#include "database/rowset.h"
#include "support/kavroguard.h"
#include "support/xmlutilities.h"

#include <vector>

namespace {

using Chain = std::unique_ptr<resbuf, int (*)(resbuf*)>;

// The outline's vertices where the reference shows them (placed by its block transform),
// in the current UCS, one point per run of equal vertices, as a chain of points.
Chain polygonOf(const AcDbPolyline* outline, const AcGeMatrix3d& blockTransform)
{
    CAcadUtilities utilities;
    std::vector<AcGePoint3d> points;
    AcGePoint3d previous;
    for (unsigned int i = 0; i < outline->numVerts(); ++i) {
        AcGePoint3d vertex;
        outline->getPointAt(i, vertex);
        const AcGePoint3d point = utilities.convertWCSToUCS(blockTransform.transform(vertex));
        if (i == 0 || !point.isEqualTo(previous, AcGeContext::gTol))
            points.push_back(point);
        previous = point;
    }
    resbuf* head = nullptr;
    for (auto p = points.rbegin(); p != points.rend(); ++p) {
        resbuf* item = acutNewRb(RTPOINT);
        item->resval.rpoint[0] = p->x;
        item->resval.rpoint[1] = p->y;
        item->resval.rpoint[2] = p->z;
        item->rbnext = head;
        head = item;
    }
    return Chain(head, acutRelRb);
}

} // namespace

CAssets::~CAssets()
{
    cleanUpQuietly([this] { deleteObjects(); });
}

void CAssets::add(CAsset* asset)
{
    kavroGuard("CAssets::add", __FILE__, [&] { m_assets.Add(asset); });
}

CAsset* CAssets::getAtAsset(CString handle) const
{
    return kavroGuard("CAssets::getAtAsset", __FILE__, [&] {
        return findFirst(m_assets, [&](const CAsset* asset) { return asset->getHandle() == handle; });
    });
}

void CAssets::copyTo(CAssets* target) const
{
    kavroGuard("CAssets::copyTo", __FILE__, [&] {
        for (const CAsset* asset : m_assets)
            target->add(copyOf(*asset));
    });
}

void CAssets::applyToDWG(CAcadDrawing* drawing, CKavroExceptions* errors)
{
    kavroGuard("CAssets::applyToDWG", __FILE__, [&] {
        for (CAsset* asset : m_assets)
            asset->applyToDWG(drawing, errors);
    });
}

void CAssets::deleteObjects()
{
    kavroGuard("CAssets::deleteObjects", __FILE__, [&] { deleteAll(m_assets); });
}

MSXML2::IXMLDOMNodePtr CAssets::serialize(CString namespaceURI) const
{
    return kavroGuard("CAssets::serialize", __FILE__, [&] {
        MSXML2::IXMLDOMNodePtr element = CXMLUtilities().createNode("assets", namespaceURI);
        for (const CAsset* asset : m_assets)
            element->appendChild(asset->serialize(namespaceURI));
        return element;
    });
}

void CAssets::deSerialize(MSXML2::IXMLDOMNodeListPtr nodes, CHatch* hatch)
{
    kavroGuard("CAssets::deSerialize", __FILE__, [&] {
        if (!nodes)
            return;
        for (long i = 0; i < nodes->get_length(); ++i) {
            const MSXML2::IXMLDOMNodePtr node = nodes->get_item(i);
            if (node->get_nodeName() != "asset")
                continue;
            auto asset = std::make_unique<CAsset>();
            asset->deSerialize(node, hatch);
            add(asset.release());
        }
    });
}

int CAssets::selectPolylineBlockReferences(AcGePoint3d insertionPoint, const AcDbPolyline* outline,
                                           ads_name selectionSet)
{
    return selectPolylineBlockReferences(AcGeMatrix3d::translation(insertionPoint.asVector()), outline, selectionSet);
}

int CAssets::selectPolylineBlockReferences(const AcGeMatrix3d& blockTransform, const AcDbPolyline* outline,
                                           ads_name selectionSet)
{
    return kavroGuard("CAssets::selectPolylineBlockReferences", __FILE__, [&] {
        if (outline->numVerts() == 0)
            return 0;
        const Chain polygon = polygonOf(outline, blockTransform);
        // The references of blocks other than spaces; made once, as it never changes.
        static const Chain filter(acutBuildList(RTDXF0, "INSERT", 2, "~ROOM-*", 0), acutRelRb);
        return acedSSGet("CP", polygon.get(), nullptr, filter.get(), selectionSet);
    });
}

void CAssets::getPolylineAssets(AcGePoint3d insertionPoint, const AcDbPolyline* outline)
{
    getPolylineAssets(AcGeMatrix3d::translation(insertionPoint.asVector()), outline);
}

void CAssets::getPolylineAssets(const AcGeMatrix3d& blockTransform, const AcDbPolyline* outline)
{
    kavroGuard("CAssets::getPolylineAssets", __FILE__, [&] {
        SelectionSet set;
        if (set.take(selectPolylineBlockReferences(blockTransform, outline, set.name())) != RTNORM)
            return;
        set.forEachId([&](AcDbObjectId id) {
            if (CAsset* asset = assetOf(id))
                add(asset);
        });
    });
}

void CAssets::setPolylineAssetAttributesInvisible(AcGePoint3d insertionPoint, const AcDbPolyline* outline,
                                                  CAttributes* hiddenAttributes)
{
    kavroGuard("CAssets::setPolylineAssetAttributesInvisible", __FILE__, [&] {
        {
            SelectionSet set;
            if (set.take(selectPolylineBlockReferences(insertionPoint, outline, set.name())) != RTNORM)
                return;
            set.forEachId([&](AcDbObjectId id) {
                const Opened<AcDbObject> object = openObject<AcDbObject>(id, AcDb::kForRead);
                auto* reference = AcDbBlockReference::cast(object.get());
                if (reference && CString(object->isA()->name()) == "AcDbBlockReference")
                    hiddenAttributes->setAttributesIDsInvisible(reference);
            });
        }
        // The regeneration asks nothing of the drawing object: a closed one serves.
        CAcadDrawing().regenDrawing();
    });
}

CAsset* CAssets::assetOf(AcDbObjectId id) const
{
    const Opened<AcDbObject> object = openObject<AcDbObject>(id, AcDb::kForRead);
    auto* reference = AcDbBlockReference::cast(object.get());
    if (!reference || CString(object->isA()->name()) != "AcDbBlockReference")
        return nullptr;
    const Opened<AcDbBlockTableRecord> definition =
        openObject<AcDbBlockTableRecord>(reference->blockTableRecord(), AcDb::kForRead);
    if (!definition)
        return nullptr;
    std::string name = definition->name();
    // An anonymous definition made from a dynamic block names the asset after the dynamic
    // block; any other anonymous definition names no asset.
    if (name.rfind("*U", 0) == 0) {
        const AcDbDynBlockReference dynamic(reference);
        const Opened<AcDbBlockTableRecord> dynamicDefinition =
            dynamic.isDynamicBlock()
                ? openObject<AcDbBlockTableRecord>(dynamic.dynamicBlockTableRecord(), AcDb::kForRead)
                : Opened<AcDbBlockTableRecord>();
        if (!dynamicDefinition)
            return nullptr;
        name = dynamicDefinition->name();
    }
    char handle[17];
    object->getAcDbHandle().getIntoAsciiBuffer(handle, sizeof handle);
    const AcGePoint3d position = CAcadUtilities().convertWCSToUCS(reference->position());
    auto asset = std::make_unique<CAsset>(0, handle, CString(name), CString(), CString(), position.x,
                                          position.y, 1);
    asset->setObjectId(id);
    asset->setAttributes(new CAttributes);
    asset->getAttributes()->extractAttributeValues(reference);
    return asset.release();
}

void CAssets::applyToQPX(CStoredProcedure* procedure, int drawingID, int locationID, int timeout)
{
    kavroGuard("CAssets::applyToQPX", __FILE__, [&] {
        for (CAsset* asset : m_assets)
            asset->applyToQPX(procedure, drawingID, locationID, timeout);
    });
}

void CAssets::getLocationAssets(CStoredProcedure* procedure, int locationID, int timeout)
{
    CParameters parameters;
    CStoredProcedure::Attachment attached;
    procedureGuard(procedure, "CAssets::getLocationAssets", __FILE__, [&] {
        procedurecall::addInt(parameters, "@locationID", locationID);
        procedure->setTimeout(timeout);
        procedure->setName("[vlx]..[getLocationAssets]");
        attached.attach(procedure, &parameters);
        RowSet rows(procedure->execSPReturnParas());
        rows.forEachRow([&] {
            auto asset = std::make_unique<CAsset>();
            asset->setLocationID(locationID);
            asset->setDrawingID(rows.integer("drawingID"));
            const CString handle = rows.text("handle");
            asset->setHandle(handle);
            asset->setBlockIdentifier(rows.text("acadBlockIdentifier"));
            asset->setBlockDescription(rows.text("atDescription"));
            asset->setUniqueDescription(rows.text("aDescription"));
            asset->setPointX(static_cast<double>(rows.value("aX")));
            asset->setPointY(static_cast<double>(rows.value("aY")));
            asset->setExistsInLocation(rows.text("status") == "0" ? 0 : 1);
            // The attribute query, by the row's own handle text, runs while this row set is
            // open, without a time-out.
            asset->setAttributes(new CAttributes);
            asset->getAttributes()->getAssetAttributes(procedure, asset->getDrawingID(), handle, 0);
            add(asset.release());
        });
    });
}

void CAssets::getCategoryAssets(CStoredProcedure* procedure, int timeout, int categoryID, CHatch* hatch)
{
    CParameters parameters;
    CStoredProcedure::Attachment attached;
    procedureGuard(procedure, "CAssets::getCategoryAssets", __FILE__, [&] {
        procedurecall::addInt(parameters, "@categoryID", categoryID);
        procedure->setTimeout(timeout);
        procedure->setName("__gr_getCategoryAssets");
        attached.attach(procedure, &parameters);
        RowSet rows(procedure->execSPReturnParas());
        rows.forEachRow([&] {
            auto asset = std::make_unique<CAsset>();
            CString text;
            if (rows.text("maHandle", text))
                asset->setHandle(text);
            if (rows.text("maDescription", text))
                asset->setBlockDescription(text);
            if (rows.text("maUniqueDescription", text))
                asset->setUniqueDescription(text);
            // An asset keeps its hyperlink list even when the category has none for it.
            asset->setHyperlinks(new CHyperlinks);
            asset->getHyperlinks()->getAssetHyperlinks(procedure, timeout, categoryID, asset->getHandle());
            if (hatch)
                asset->setHatch(copyOf(*hatch));
            add(asset.release());
        });
    });
}

void CAssets::exportTP(CStoredProcedure* procedure, int timeout, CString exportParameters)
{
    kavroGuard("CAssets::exportTP", __FILE__, [&] {
        for (CAsset* asset : m_assets)
            asset->exportTP(procedure, timeout, exportParameters);
    }, 0);
}
