// The plot engine alone, the drawing already loaded: generated floor plans of 1,000, 10,000
// and 100,000 rooms (millimetres, space blocks; scripts/gen_floorplan.py --spaces) plotted
// to PDF and PNG, extents scaled to fit an ISO A1 sheet at 100 dots per inch. The time per
// room must not grow with the plan. bench_plot.sh times the whole host process beside
// another converter.
#include "common/tempdir.h"

#include "arx/dbdatabase.h"
#include "arx/dblayout.h"
#include "arx/plotrender.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <map>
#include <memory>
#include <stdexcept>

namespace {

AcDbDatabase* floorPlan(int rooms)
{
    static std::map<int, std::unique_ptr<AcDbDatabase>> plans;
    if (const auto found = plans.find(rooms); found != plans.end())
        return found->second.get();
    TempDir dir;
    const std::string path = dir.file("plan.dxf");
    const std::string command = "/usr/bin/python3 " QV_SOURCE_DIR "/scripts/gen_floorplan.py --spaces --rooms " +
                                std::to_string(rooms) + " " + path;
    auto db = std::make_unique<AcDbDatabase>(false, true);
    if (std::system(command.c_str()) != 0 || db->readDxfFile(path.c_str()) != Acad::eOk)
        throw std::runtime_error("the floor plan could not be made");
    return (plans[rooms] = std::move(db)).get();
}

void plotPlan(benchmark::State& state, const char* device, const char* extension)
{
    const int rooms = static_cast<int>(state.range(0));
    AcDbDatabase* db = floorPlan(rooms);
    AcDbPlotSettings settings(true);
    settings.setPlotCfgName(device);
    settings.setCanonicalMediaName("ISO_A1_(841.00_x_594.00_MM)");
    settings.setPlotType(AcDbPlotSettings::kExtents);
    settings.setUseStandardScale(true);
    settings.setStdScaleType(AcDbPlotSettings::kScaleToFit);
    settings.setPlotCentered(true);
    TempDir dir;
    qv::PlotRequest request;
    request.database = db;
    request.layoutId = acdbLayoutManager()->findLayoutNamed("Model", db);
    request.settings = &settings;
    request.path = dir.file(std::string("plan.") + extension);
    for (auto _ : state) {
        const qv::PlotResult result = qv::plotLayout(request);
        if (result.status != Acad::eOk)
            state.SkipWithError(result.message.c_str());
    }
    state.counters["rooms/s"] = benchmark::Counter(static_cast<double>(rooms), benchmark::Counter::kIsIterationInvariantRate);
}

void BM_PlotPdf(benchmark::State& state) { plotPlan(state, "DWG To PDF.pc3", "pdf"); }
void BM_PlotPng(benchmark::State& state) { plotPlan(state, "PublishToWeb PNG.pc3", "png"); }

} // namespace

BENCHMARK(BM_PlotPdf)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PlotPng)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
