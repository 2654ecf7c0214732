#include "blocks/assets.h"

#include "arx/dbdynblockreference.h"
#include "blocks/attributes.h"
#include "host/acadutilities.h"
#include "host/hostguards.h"
#include "owning.h"
#include "support/kavroguard.h"

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
