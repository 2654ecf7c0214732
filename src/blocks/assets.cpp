#include "blocks/assets.h"

#include "blocks/attributes.h"
#include "host/acadutilities.h"
#include "host/hostguards.h"
#include "owning.h"
#include "support/kavroguard.h"
#include "support/xmlutilities.h"

#include <vector>

namespace {

using Chain = std::unique_ptr<resbuf, int (*)(resbuf*)>;

// The outline's vertices in the current UCS moved by the offset, one point per run of
// equal vertices, as a chain of points.
Chain polygonOf(AcDbPolyline* outline, const AcGePoint3d& offset)
{
    CAcadUtilities utilities;
    std::vector<AcGePoint3d> points;
    AcGePoint3d previous;
    for (unsigned int i = 0; i < outline->numVerts(); ++i) {
        AcGePoint3d vertex;
        outline->getPointAt(i, vertex);
        const AcGePoint3d point = utilities.convertWCSToUCS(vertex);
        if (i == 0 || !point.isEqualTo(previous, AcGeContext::gTol))
            points.push_back(point + offset.asVector());
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

int CAssets::selectPolylineBlockReferences(AcGePoint3d insertionPoint, AcDbPolyline* outline,
                                           ads_name selectionSet)
{
    return kavroGuard("CAssets::selectPolylineBlockReferences", __FILE__, [&] {
        const AcGePoint3d offset = CAcadUtilities().convertWCSToUCS(insertionPoint);
        if (outline->numVerts() == 0)
            return 0;
        const Chain polygon = polygonOf(outline, offset);
        const Chain filter(acutBuildList(RTDXF0, "INSERT", 2, "~ROOM-*", 0), acutRelRb);
        return acedSSGet("CP", polygon.get(), nullptr, filter.get(), selectionSet);
    });
}

void CAssets::getPolylineAssets(AcGePoint3d insertionPoint, AcDbPolyline* outline)
{
    kavroGuard("CAssets::getPolylineAssets", __FILE__, [&] {
        SelectionSet set;
        if (set.take(selectPolylineBlockReferences(insertionPoint, outline, set.name())) != RTNORM)
            return;
        set.forEachId([&](AcDbObjectId id) {
            if (CAsset* asset = assetOf(id))
                add(asset);
        });
    });
}

void CAssets::setPolylineAssetAttributesInvisible(AcGePoint3d insertionPoint, AcDbPolyline* outline,
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
    // An anonymous definition names no asset: this host has no dynamic blocks to resolve it.
    if (!definition || definition->name().rfind("*U", 0) == 0)
        return nullptr;
    char handle[17];
    object->getAcDbHandle().getIntoAsciiBuffer(handle, sizeof handle);
    const AcGePoint3d position = CAcadUtilities().convertWCSToUCS(reference->position());
    auto asset = std::make_unique<CAsset>(0, handle, CString(definition->name()), CString(), CString(), position.x,
                                          position.y, 1);
    asset->setObjectId(id);
    asset->setAttributes(new CAttributes);
    asset->getAttributes()->extractAttributeValues(reference);
    return asset.release();
}
