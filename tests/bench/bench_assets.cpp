// Gathering the assets inside every room of a plan: n rooms, each a turned and scaled
// reference of one room outline, standing in a grid, with five assets inside each room and
// none anywhere else, under a user coordinate system that is neither the world's origin nor
// its axes. Each room's crossing-polygon selection goes through the spatial index, so the
// whole gathering must grow as n log n (10,000 rooms and 50,000 assets at the top size).
#include "arx/acdocman.h"
#include "arx/dbdatabase.h"
#include "arx/dbsymtb.h"
#include "blocks/assets.h"

#include <benchmark/benchmark.h>
#include <cmath>
#include <map>
#include <stdexcept>
#include <vector>

namespace {

constexpr int kAssetsPerRoom = 5;
constexpr double kPitch = 10000.0;

struct Plan {
    AcApDocument* document = nullptr;
    AcDbObjectId outline;                 // the room definition's polyline
    std::vector<AcGeMatrix3d> rooms;      // each room reference's block transform
};

AcDbObjectId addDefinition(AcDbDatabase* db, const char* name)
{
    AcDbBlockTable* table = nullptr;
    auto* record = new AcDbBlockTableRecord;
    record->setName(name);
    AcDbObjectId id;
    if (db->getSymbolTable(table, AcDb::kForWrite) != Acad::eOk || table->add(id, record) != Acad::eOk)
        throw std::runtime_error("a definition could not be added");
    record->close();
    table->close();
    return id;
}

AcDbObjectId append(AcDbObjectId owner, AcDbEntity* entity)
{
    AcDbBlockTableRecord* record = nullptr;
    AcDbObjectId id;
    if (acdbOpenObject(record, owner, AcDb::kForWrite) != Acad::eOk || record->appendAcDbEntity(id, entity) != Acad::eOk)
        throw std::runtime_error("an entity could not be added");
    entity->close();
    record->close();
    return id;
}

AcDbObjectId square(AcDbObjectId owner, double x, double y, double size)
{
    auto* polyline = new AcDbPolyline;
    const AcGePoint2d corners[] = {{x, y}, {x + size, y}, {x + size, y + size}, {x, y + size}};
    for (unsigned int i = 0; i < 4; ++i)
        polyline->addVertexAt(i, corners[i]);
    polyline->setClosed(true);
    return append(owner, polyline);
}

// The plan of n rooms as the current drawing, made once per size.
const Plan& plan(int n)
{
    static std::map<int, Plan> plans;
    if (auto found = plans.find(n); found != plans.end()) {
        acDocManager->setCurDocument(found->second.document);
        return found->second;
    }
    if (acDocManager->appContextNewDocument() != Acad::eOk)
        throw std::runtime_error("no new drawing");
    Plan& made = plans[n];
    made.document = acDocManager->curDocument();
    AcDbDatabase* db = made.document->database();
    const AcDbObjectId room = addDefinition(db, "ROOM-R");
    made.outline = square(room, 0, 0, 2000);
    const AcDbObjectId chair = addDefinition(db, "CHAIR");
    square(chair, -50, -50, 100);
    const int columns = static_cast<int>(std::ceil(std::sqrt(n)));
    for (int i = 0; i < n; ++i) {
        // Turned by a quarter turn and doubled: the outline covers 4000 x 4000 to the
        // left of the insertion point.
        const AcGePoint3d at((i % columns) * kPitch + 5000, (i / columns) * kPitch, 0);
        auto* reference = new AcDbBlockReference(at, room);
        reference->setRotation(M_PI / 2);
        reference->setScaleFactors(AcGeScale3d(2.0));
        made.rooms.push_back(reference->blockTransform());
        append(db->modelSpaceId(), reference);
        for (int k = 0; k < kAssetsPerRoom; ++k)
            append(db->modelSpaceId(), new AcDbBlockReference(AcGePoint3d(at.x - 500 - 600 * k, at.y + 2000, 0), chair));
    }
    db->setUcs(AcGePoint3d(1234, -567, 0), AcGeVector3d(0, 1, 0), AcGeVector3d(-1, 0, 0));
    return made;
}

void gatherAssets(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    const Plan& rooms = plan(n);
    AcDbPolyline* outline = nullptr;
    if (acdbOpenObject(outline, rooms.outline, AcDb::kForRead) != Acad::eOk) {
        state.SkipWithError("the outline does not open");
        return;
    }
    int found = 0;
    for (auto _ : state) {
        found = 0;
        for (const AcGeMatrix3d& transform : rooms.rooms) {
            CAssets assets;
            assets.getPolylineAssets(transform, outline);
            found += assets.getCount();
        }
    }
    outline->close();
    if (found != n * kAssetsPerRoom)
        state.SkipWithError("not every asset was gathered");
    state.counters["assets"] = found;
    state.SetItemsProcessed(state.iterations() * n);
    state.SetComplexityN(n);
}

} // namespace

BENCHMARK(gatherAssets)
    ->Arg(1250)
    ->Arg(2500)
    ->Arg(5000)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oNLogN);
BENCHMARK_MAIN();
