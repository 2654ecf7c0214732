// Selections on floor plans of 1,000 and 10,000 space blocks: "X" with a block-name
// filter, crossing polygons of a fixed size and of a tenth of the plan, picks, and the
// first query that builds the spatial index. Each reports its growth with the plan's size.
#include "arx/acedinput.h"
#include "arx/acedselect.h"
#include "arx/acedview.h"
#include "arx/dbblockref.h"
#include "arx/dbcurves.h"
#include "arx/dbdatabase.h"
#include "arx/dbsymtb.h"
#include "arx/dbtext.h"

#include <benchmark/benchmark.h>
#include <map>
#include <memory>
#include <random>
#include <string>

namespace {

constexpr double kRoom = 5000, kPitch = 6000;   // millimetres
constexpr int kRoomsPerRow = 100;

void append(AcDbBlockTableRecord* btr, AcDbEntity* ent)
{
    btr->appendAcDbEntity(ent);
    ent->close();
}

// A grid of space blocks (each its own definition with an outline and three attributes) and
// a label beside each.
std::unique_ptr<AcDbDatabase> plan(int rooms)
{
    auto db = std::make_unique<AcDbDatabase>();
    AcDbBlockTable* blocks = nullptr;
    db->getSymbolTable(blocks, AcDb::kForWrite);
    AcDbBlockTableRecord* ms = nullptr;
    acdbOpenObject(ms, db->modelSpaceId(), AcDb::kForWrite);
    for (int i = 0; i < rooms; ++i) {
        auto* def = new AcDbBlockTableRecord;
        def->setName(("ROOM-" + std::to_string(i)).c_str());
        AcDbObjectId defId;
        blocks->add(defId, def);
        auto* outline = new AcDbPolyline;
        for (unsigned k = 0; k < 4; ++k)
            outline->addVertexAt(k, AcGePoint2d(k == 1 || k == 2 ? kRoom : 0, k >= 2 ? kRoom : 0), k == 1 ? 0.1 : 0);
        outline->setClosed(true);
        append(def, outline);
        def->close();
        const AcGePoint3d at(i % kRoomsPerRow * kPitch, i / kRoomsPerRow * kPitch, 0);
        auto* ref = new AcDbBlockReference(at, defId);
        ms->appendAcDbEntity(ref);
        for (const char* tag : {"NAME", "AREA", "AUX"}) {
            auto* attribute = new AcDbAttribute(at + AcGeVector3d(kRoom / 2, kRoom / 2, 0), tag, tag);
            attribute->setHeight(250);
            ref->appendAttribute(attribute);
            attribute->close();
        }
        ref->close();
        append(ms, new AcDbText(at + AcGeVector3d(100, 100, 0), "label", AcDbObjectId(), 200));
    }
    ms->close();
    blocks->close();
    return db;
}

AcDbDatabase* planOf(int rooms)
{
    static std::map<int, std::unique_ptr<AcDbDatabase>> plans;
    auto& db = plans[rooms];
    if (!db)
        db = plan(rooms);
    acdbHostApplicationServices()->setWorkingDatabase(db.get());
    return db.get();
}

double planWidth(int rooms) { return std::min(rooms, kRoomsPerRow) * kPitch; }
double planHeight(int rooms) { return (rooms + kRoomsPerRow - 1) / kRoomsPerRow * kPitch; }

void selectX(benchmark::State& state)
{
    const int rooms = static_cast<int>(state.range(0));
    planOf(rooms);
    resbuf* filter = acutBuildList(RTDXF0, "INSERT", 2, "ROOM-*", 0);
    for (auto _ : state) {
        ads_name set;
        if (acedSSGet("X", nullptr, nullptr, filter, set) != RTNORM)
            state.SkipWithError("nothing selected");
        acedSSFree(set);
    }
    acutRelRb(filter);
    state.SetComplexityN(rooms);
}

// Crossing polygons (diamonds) at random places: size 0 is about four rooms across, size 1
// a tenth of the plan's area.
void selectCrossingPolygon(benchmark::State& state, bool tenth)
{
    const int rooms = static_cast<int>(state.range(0));
    planOf(rooms);
    const double w = planWidth(rooms), h = planHeight(rooms);
    const double half = tenth ? std::sqrt(w * h / 10 / 2) : 2 * kPitch;
    std::mt19937 rng(1);
    std::uniform_real_distribution<double> x(0, w), y(0, h);
    for (auto _ : state) {
        const double cx = x(rng), cy = y(rng);
        const double points[4][2] = {{cx - half, cy}, {cx, cy - half}, {cx + half, cy}, {cx, cy + half}};
        resbuf* polygon = nullptr;
        for (const auto& p : points) {
            resbuf* rb = acutNewRb(RTPOINT);
            rb->resval.rpoint[0] = p[0];
            rb->resval.rpoint[1] = p[1];
            rb->rbnext = polygon;
            polygon = rb;
        }
        ads_name set;
        if (acedSSGet("CP", polygon, nullptr, nullptr, set) == RTNORM)
            acedSSFree(set);
        acutRelRb(polygon);
    }
    state.SetComplexityN(rooms);
}

void pick(benchmark::State& state)
{
    const int rooms = static_cast<int>(state.range(0));
    AcDbDatabase* db = planOf(rooms);
    qv::zoomWindow(db, AcGePoint3d(0, 0, 0), AcGePoint3d(8 * kPitch, 6 * kPitch, 0));
    std::mt19937 rng(2);
    std::uniform_int_distribution<int> room(0, rooms - 1);
    for (auto _ : state) {
        const int i = room(rng);
        // On the left side of a room's outline.
        const std::string at = std::to_string(i % kRoomsPerRow * kPitch) + "," + std::to_string(i / kRoomsPerRow * kPitch + 1000);
        qv::setInputSource(qv::makeLineInput({at}));
        ads_name entity;
        ads_point point;
        if (acedEntSel("", entity, point) != RTNORM)
            state.SkipWithError("nothing picked");
    }
    state.SetComplexityN(rooms);
}

// The first query of a drawing just read: the spatial index is built.
void buildIndex(benchmark::State& state)
{
    const int rooms = static_cast<int>(state.range(0));
    const std::string text = planOf(rooms)->dxfText();
    std::unique_ptr<AcDbDatabase> db;
    for (auto _ : state) {
        state.PauseTiming();
        db = std::make_unique<AcDbDatabase>(false);   // the previous one goes while paused
        db->readDxfText(text);
        state.ResumeTiming();
        benchmark::DoNotOptimize(qv::viewWindow(db.get()));
    }
    state.SetComplexityN(rooms);
}

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    auto sizes = [](benchmark::internal::Benchmark* b) {
        b->Arg(1000)->Arg(10000)->Complexity(benchmark::oNLogN)->Unit(benchmark::kMicrosecond);
    };
    sizes(benchmark::RegisterBenchmark("ssget_X_rooms", selectX));
    sizes(benchmark::RegisterBenchmark("ssget_CP_fixed", [](benchmark::State& s) { selectCrossingPolygon(s, false); }));
    sizes(benchmark::RegisterBenchmark("ssget_CP_tenth", [](benchmark::State& s) { selectCrossingPolygon(s, true); }));
    sizes(benchmark::RegisterBenchmark("entsel_pick", pick));
    sizes(benchmark::RegisterBenchmark("index_build", buildIndex));
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    qv::setInputSource(nullptr);
    acdbHostApplicationServices()->setWorkingDatabase(nullptr);
}
