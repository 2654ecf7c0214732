// Loading every space block of a floor plan and recalculating its area and perimeter: the
// time per space must not grow faster than log n, also when the rooms gather their assets
// and when half of the references share one definition. The drawings are generated floor
// plans of space blocks (scripts/gen_floorplan.py --spaces), each made once per size.
//
// The space updates (what "kus", "kut" and "krt" do to every space block) on plans of n
// space blocks, each with its own definition or all showing one shared definition: the
// time per space must not grow with n in either.
#include "arx/acdocman.h"
#include "arx/acedview.h"
#include "arx/dbdatabase.h"
#include "blocks/attributes.h"
#include "blocks/blockdwg.h"
#include "blocks/blocks.h"
#include "blocks/kavroattribute.h"
#include "common/tempdir.h"
#include "host/acaddrawing.h"
#include "support/kavroexceptions.h"
#include "support/utilities.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <map>
#include <stdexcept>
#include <utility>

namespace {

// The floor plan of n rooms, the first `shared` of them references of one definition, as
// the current drawing.
AcApDocument* floorPlan(int rooms, int shared)
{
    static std::map<std::pair<int, int>, AcApDocument*> plans;
    if (const auto found = plans.find({rooms, shared}); found != plans.end()) {
        acDocManager->setCurDocument(found->second);
        return found->second;
    }
    TempDir dir;
    const std::string path = dir.file("plan.dxf");
    const std::string command = "/usr/bin/python3 " QV_SOURCE_DIR "/scripts/gen_floorplan.py --spaces --rooms " +
                                std::to_string(rooms) + " --shared " + std::to_string(shared) + " " + path;
    if (std::system(command.c_str()) != 0 || acDocManager->appContextOpenDocument(path.c_str()) != Acad::eOk)
        throw std::runtime_error("the floor plan could not be made");
    return plans[{rooms, shared}] = acDocManager->curDocument();
}

void loadAndRecalculate(benchmark::State& state, int rooms, int shared, int collectAssets)
{
    AcApDocument* document = floorPlan(rooms, shared);
    CAcadDrawing drawing;
    drawing.setDocument(document);
    drawing.setOpen(TRUE);
    drawing.setKeepOpen(TRUE);
    int loaded = 0;
    for (auto _ : state) {
        CBlocks blocks;
        blocks.getKavroDWGBlocks_SS(&drawing, nullptr, collectAssets, "f");
        for (int i = 0; i < blocks.count(); ++i) {
            auto* block = static_cast<CBlockDWG*>(blocks.getAt(i));
            block->recalculateArea(document);
            block->recalculatePerimeter(document);
        }
        loaded = blocks.count();
        blocks.destroyBlocks();
    }
    state.counters["spaces"] = loaded;
    state.SetItemsProcessed(state.iterations() * loaded);
    state.SetComplexityN(rooms);
}

void spaces(benchmark::State& state)
{
    loadAndRecalculate(state, static_cast<int>(state.range(0)), 0, 0);
}

void spacesWithAssets(benchmark::State& state)
{
    loadAndRecalculate(state, static_cast<int>(state.range(0)), 0, 1);
}

void halfSharingOneDefinition(benchmark::State& state)
{
    const int rooms = static_cast<int>(state.range(0));
    loadAndRecalculate(state, rooms, rooms / 2, 0);
}

// ---- space updates on shared and unshared definitions ----

struct SpaceUpdate {
    CAcadDrawing drawing;
    CBlocks blocks;
    explicit SpaceUpdate(AcApDocument* document)
    {
        drawing.setDocument(document);
        drawing.setOpen(TRUE);
        drawing.setKeepOpen(TRUE);
        blocks.getKavroDWGBlocks_SS(&drawing, nullptr, 0, "f");
    }
    ~SpaceUpdate() { blocks.destroyBlocks(); }
    CBlockDWG* at(int i) const { return static_cast<CBlockDWG*>(blocks.getAt(i)); }
    void writeBack(int i)
    {
        CKavroExceptions errors;
        at(i)->applyToDWG(&drawing, &errors);
    }
};

// Runs one kind of update on every space block of the grid, then a spatial query (which
// brings the index up to date with everything the update changed).
template <class Update>
void spaceUpdate(benchmark::State& state, Update update)
{
    const int n = static_cast<int>(state.range(0));
    AcApDocument* document = floorPlan(n, state.range(1) != 0 ? n : 0);
    int spaces = 0;
    for (auto _ : state) {
        SpaceUpdate run(document);
        for (int i = 0; i < run.blocks.count(); ++i)
            update(run, i);
        qv::zoomExtents(document->database());
        spaces = run.blocks.count();
    }
    if (spaces != n)
        state.SkipWithError("the grid lacks space blocks");
    state.counters["shared"] = static_cast<double>(state.range(1));
    state.SetItemsProcessed(state.iterations() * spaces);
    state.SetComplexityN(n);
}

void updateSpaces(benchmark::State& state)
{
    spaceUpdate(state, [&](SpaceUpdate& run, int i) {
        CBlockDWG* block = run.at(i);
        block->setPrecision(2);
        block->setUnits(CMeasureUnits::kMetric);
        block->recalculateArea(run.drawing.getDocument());
        if (CAttribute* area = block->getAttributes()->getAtAttribute(kAreaAttribute))
            area->setValue(CUtilities::DoubleToCString(block->getArea(), 2) + "sq.m.");
        block->recalculatePerimeter(run.drawing.getDocument());
        run.writeBack(i);
    });
}

void updateText(benchmark::State& state)
{
    spaceUpdate(state, [](SpaceUpdate& run, int i) {
        CAttributes* attributes = run.at(i)->getAttributes();
        attributes->setTextHeight(200.0 + i % 2 * 50.0);
        attributes->setWidthFactor(1.0);
        attributes->setRotation(0.0);
        run.writeBack(i);
    });
}

void refreshTags(benchmark::State& state)
{
    spaceUpdate(state, [](SpaceUpdate& run, int i) {
        AcGeMatrix3d transform;
        run.at(i)->updateAttributes(transform, nullptr);
    });
}

void gridSizes(benchmark::internal::Benchmark* b)
{
    for (const int shared : {0, 1})
        for (const int n : {500, 1000, 2000, 4000})
            b->Args({n, shared});
    b->ArgNames({"n", "shared"})->Unit(benchmark::kMillisecond);
}

} // namespace

BENCHMARK(spaces)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oNLogN);
BENCHMARK(spacesWithAssets)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oNLogN);
BENCHMARK(halfSharingOneDefinition)
    ->Arg(1000)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oNLogN);
BENCHMARK(updateSpaces)->Apply(gridSizes);
BENCHMARK(updateText)->Apply(gridSizes);
BENCHMARK(refreshTags)->Apply(gridSizes);
BENCHMARK_MAIN();
