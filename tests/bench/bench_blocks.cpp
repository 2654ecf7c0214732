// Loading every space block of a floor plan and recalculating its area and perimeter: the
// time per space must not grow faster than log n, also when the rooms gather their assets
// and when half of the references share one definition. The drawings are generated floor
// plans of space blocks (scripts/gen_floorplan.py --spaces), each made once per size.
#include "arx/acdocman.h"
#include "arx/dbdatabase.h"
#include "blocks/blockdwg.h"
#include "blocks/blocks.h"
#include "common/tempdir.h"
#include "host/acaddrawing.h"

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

} // namespace

BENCHMARK(spaces)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oNLogN);
BENCHMARK(spacesWithAssets)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oNLogN);
BENCHMARK(halfSharingOneDefinition)
    ->Arg(1000)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oNLogN);
BENCHMARK_MAIN();
