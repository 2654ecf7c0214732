#include "acedpick.h"

#include "arx/acdocman.h"
#include "arx/acedview.h"
#include "arx/dbdatabase.h"
#include "arx/dbdict.h"
#include "arx/dbdrawingstate.h"
#include "arx/dbentity.h"
#include "arx/dbshape.h"
#include "arx/dbsymtb.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace qv {

namespace {

const AcDbLayerTableRecord* layerOf(const AcDbEntity* ent)
{
    return AcDbLayerTableRecord::cast(ent->layerId().object());
}

// Drawn: visible, on a layer that is on and thawed.
bool isDrawn(const AcDbEntity* ent)
{
    const AcDbLayerTableRecord* layer = layerOf(ent);
    return ent->visibility() == AcDb::kVisible && (!layer || (!layer->isOff() && !layer->isFrozen()));
}

// A live entity that a layout (model space or a paper-space layout) owns directly.
bool isLayoutEntity(const AcDbObject* obj)
{
    const auto* ent = AcDbEntity::cast(obj);
    const auto* owner = ent ? AcDbBlockTableRecord::cast(ent->ownerId().object()) : nullptr;
    return owner && !ent->isErased() && owner->isLayout();
}

void sortByDatabaseOrder(AcDbObjectIdArray& ids)
{
    std::sort(ids.begin(), ids.end(), [](AcDbObjectId a, AcDbObjectId b) { return a.stub()->order < b.stub()->order; });
}

const AcDbSortentsTable* sortentsOf(AcDbObjectId space)
{
    const auto* btr = AcDbBlockTableRecord::cast(space.object());
    const auto* dict = btr ? AcDbDictionary::cast(btr->extensionDictionary().object()) : nullptr;
    AcDbObjectId id;
    if (!dict || dict->getAt("ACAD_SORTENTS", id) != Acad::eOk)
        return nullptr;
    return AcDbSortentsTable::cast(id.object());
}

// Draw order: by the record's draw-order table, else by handle (later entities on top).
bool drawnBefore(const AcDbSortentsTable* order, AcDbObjectId a, AcDbObjectId b)
{
    return order ? order->firstEntityIsDrawnBeforeSecond(a, b) : a.handle() < b.handle();
}

AcGePoint2d toPlan(AcDbDatabase* db, const AcGePoint3d& ucsPoint)
{
    AcGePoint3d world = ucsPoint;
    acdbUcs2Wcs(ucsPoint, world, false, db);
    return world.to2d();
}

AcGePoint3d worldLastPoint;

// "x,y" or "x,y,z".
bool parseCoordinates(std::string_view text, AcGePoint3d& point)
{
    double values[3] = {0, 0, 0};
    int count = 0;
    for (size_t start = 0; count < 3; ++count) {
        const size_t comma = text.find(',', start);
        if (!parseNumber(text.substr(start, comma == std::string_view::npos ? comma : comma - start), values[count]))
            return false;
        if (comma == std::string_view::npos)
            break;
        start = comma + 1;
    }
    if (count < 1 || count > 2)
        return false;
    point = AcGePoint3d(values[0], values[1], values[2]);
    return true;
}

// The unit vector at an angle in degrees from the X axis; exact at multiples of 90.
AcGeVector3d direction(double degrees)
{
    static const AcGeVector3d quarters[] = {{1, 0, 0}, {0, 1, 0}, {-1, 0, 0}, {0, -1, 0}};
    double turned = std::fmod(degrees, 360.0);
    if (turned < 0)
        turned += 360.0;
    if (std::fmod(turned, 90.0) == 0)
        return quarters[static_cast<int>(turned / 90) % 4];
    const double angle = turned * kPi / 180.0;
    return AcGeVector3d(std::cos(angle), std::sin(angle), 0);
}

// "dist<angle" as a displacement in the XY plane.
bool parsePolar(std::string_view text, AcGeVector3d& offset)
{
    const size_t less = text.find('<');
    double distance = 0, degrees = 0;
    if (less == std::string_view::npos || !parseNumber(text.substr(0, less), distance) ||
        !parseNumber(text.substr(less + 1), degrees))
        return false;
    offset = direction(degrees) * distance;
    return true;
}

bool isFinite(const AcGePoint3d& p)
{
    return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
}

} // namespace

AcDbDatabase* currentDatabase()
{
    AcApDocument* doc = acDocManagerPtr()->curDocument();
    return doc ? doc->database() : acdbHostApplicationServices()->workingDatabase();
}

AcDbObjectId pickAt(AcDbDatabase* db, const AcGePoint3d& ucsPoint)
{
    const AcGePoint2d p = toPlan(db, ucsPoint);
    const double reach = pickBoxHalfSize(db);
    const AcDbObjectId space = db->currentSpaceId();
    std::vector<BoxTree::Hit> hits;
    SpatialIndex& index = drawingState(db).index;
    index.query(space, Box2d::around(p.x, p.y, p.x, p.y).expanded(reach), hits);
    const AcDbSortentsTable* order = sortentsOf(space);
    AcDbObjectId best;
    for (const BoxTree::Hit& hit : hits) {
        const auto* ent = AcDbEntity::cast(hit.id.object());
        if (!ent || !isDrawn(ent) || distanceTo(*index.shapeOf(hit.id), p) > reach)
            continue;
        if (best.isNull() || drawnBefore(order, best, hit.id))
            best = hit.id;
    }
    return best;
}

AcDbObjectIdArray entitiesInPolygon(AcDbDatabase* db, const std::vector<AcGePoint3d>& ucsPolygon, bool crossing)
{
    std::vector<AcGePoint2d> points;
    points.reserve(ucsPolygon.size());
    for (const AcGePoint3d& p : ucsPolygon)
        points.push_back(toPlan(db, p));
    const Region region(std::move(points));
    std::vector<BoxTree::Hit> hits;
    SpatialIndex& index = drawingState(db).index;
    index.query(db->currentSpaceId(), region.box(), hits);
    AcDbObjectIdArray found;
    found.reserve(hits.size());
    Shape box;
    box.quads.resize(1);
    for (const BoxTree::Hit& hit : hits) {
        const auto* ent = AcDbEntity::cast(hit.id.object());
        if (!ent || !isDrawn(ent))
            continue;
        // An entity whose box lies inside is inside, whatever its form.
        box.quads.front() = {AcGePoint2d(hit.box.minX, hit.box.minY), AcGePoint2d(hit.box.maxX, hit.box.minY),
                             AcGePoint2d(hit.box.maxX, hit.box.maxY), AcGePoint2d(hit.box.minX, hit.box.maxY)};
        if (liesInside(box, region)) {
            found.push_back(hit.id);
            continue;
        }
        const Shape& shape = *index.shapeOf(hit.id);
        if (crossing ? meets(shape, region) : liesInside(shape, region))
            found.push_back(hit.id);
    }
    sortByDatabaseOrder(found);
    return found;
}

std::vector<AcGePoint3d> windowPolygon(const AcGePoint3d& a, const AcGePoint3d& b)
{
    return {a, AcGePoint3d(b.x, a.y, a.z), AcGePoint3d(b.x, b.y, a.z), AcGePoint3d(a.x, b.y, a.z)};
}

bool hasArea(const std::vector<AcGePoint3d>& polygon)
{
    double twiceArea = 0, size = 0;
    for (size_t i = 0, n = polygon.size(); i < n; ++i) {
        const AcGePoint3d &p = polygon[i], &q = polygon[(i + 1) % n];
        twiceArea += p.x * q.y - q.x * p.y;
        size = std::max({size, std::fabs(p.x - polygon[0].x), std::fabs(p.y - polygon[0].y)});
    }
    return std::isfinite(twiceArea) && std::fabs(twiceArea) > 1e-12 * size * size;
}

AcDbObjectIdArray entitiesOfCurrentSpace(AcDbDatabase* db)
{
    AcDbObjectIdArray ids;
    const AcDbObjectId space = db->currentSpaceId();
    if (const auto* btr = AcDbBlockTableRecord::cast(space.object()))
        for (const AcDbObjectId& id : btr->entityIds()) {
            const auto* ent = AcDbEntity::cast(id.object());
            const AcDbLayerTableRecord* layer = ent ? layerOf(ent) : nullptr;
            if (ent && !ent->isErased() && ent->ownerId() == space && !(layer && layer->isFrozen()))
                ids.push_back(id);
        }
    sortByDatabaseOrder(ids);
    return ids;
}

AcDbObjectIdArray entitiesOfLayouts(AcDbDatabase* db)
{
    AcDbObjectIdArray ids;
    const auto* table = AcDbBlockTable::cast(db->blockTableId().object());
    if (!table)
        return ids;
    for (const AcDbObjectId& btrId : table->recordIds()) {
        const auto* btr = AcDbBlockTableRecord::cast(btrId.object());
        if (!btr || btr->isErased() || !btr->isLayout())
            continue;
        for (const AcDbObjectId& id : btr->entityIds())
            if (const AcDbObject* obj = id.object(); obj && !obj->isErased() && obj->ownerId() == btrId)
                ids.push_back(id);
    }
    sortByDatabaseOrder(ids);
    return ids;
}

AcDbObjectId layoutEntityByHandle(AcDbDatabase* db, std::string_view hex)
{
    AcDbObjectId id;
    const AcDbHandle handle{std::string(trimmed(hex))};
    if (handle.isNull() || db->getAcDbObjectId(id, false, handle) != Acad::eOk || !isLayoutEntity(id.object()))
        return AcDbObjectId();
    return id;
}

AcDbObjectId lastEntity(AcDbDatabase* db)
{
    AcDbObjectId last;
    for (const AcDbObjectId& space : {db->modelSpaceId(), db->paperSpaceId()}) {
        const auto* btr = AcDbBlockTableRecord::cast(space.object());
        if (!btr)
            continue;
        const AcDbObjectIdArray& ids = btr->entityIds();
        const auto it = std::find_if(ids.rbegin(), ids.rend(), [&](AcDbObjectId id) {
            return id.object() && !id.isErased() && id.object()->ownerId() == space;
        });
        if (it != ids.rend() && (last.isNull() || last.stub()->order < it->stub()->order))
            last = *it;
    }
    return last;
}

std::string noEntityWithHandle(std::string_view hex)
{
    return "\nNo entity with handle " + std::string(hex) + ".\n";
}

bool parsePoint(std::string_view text, const AcGePoint3d& base, AcGePoint3d& point)
{
    text = trimmed(text);
    const bool relative = !text.empty() && text.front() == '@';
    if (relative)
        text = trimmed(text.substr(1));
    const AcGePoint3d origin = relative ? base : AcGePoint3d::kOrigin;
    AcGePoint3d result;
    AcGeVector3d offset;
    if (relative && text.empty())
        result = base;
    else if (parsePolar(text, offset))
        result = origin + offset;
    else if (AcGePoint3d given; parseCoordinates(text, given))
        result = origin + given.asVector();
    else
        return false;
    if (!isFinite(result))
        return false;
    point = result;
    return true;
}

bool parseNumber(std::string_view text, double& value)
{
    text = trimmed(text);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    double parsed = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), parsed);
    if (text.empty() || result.ec != std::errc() || result.ptr != text.data() + text.size() || !std::isfinite(parsed))
        return false;
    value = parsed;
    return true;
}

std::string_view trimmed(std::string_view text)
{
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

AcGePoint3d lastPoint() { return worldLastPoint; }
void setLastPoint(const AcGePoint3d& world) { worldLastPoint = world; }

AcGePoint3d lastPointInUcs(AcDbDatabase* db)
{
    AcGePoint3d ucs = worldLastPoint;
    if (db)
        acdbWcs2Ucs(worldLastPoint, ucs, false, db);
    return ucs;
}

void setLastPointFromUcs(AcDbDatabase* db, const AcGePoint3d& ucsPoint)
{
    worldLastPoint = ucsPoint;
    if (db)
        acdbUcs2Wcs(ucsPoint, worldLastPoint, false, db);
}

} // namespace qv
