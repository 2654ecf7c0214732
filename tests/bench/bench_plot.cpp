// The plot engine alone, the drawing already loaded: generated floor plans of 1,000, 10,000
// and 100,000 rooms (millimetres, space blocks; scripts/gen_floorplan.py --spaces) plotted
// to PDF and PNG, extents scaled to fit an ISO A1 sheet at 100 dots per inch. The time per
// room must not grow with the plan. A pattern hatch whose boundary has 20,000 and 200,000
// vertices is plotted the same way: its time must grow no faster than its boundary.
// bench_plot.sh times the whole host process beside another converter.
#include "common/tempdir.h"

#include "arx/dbdatabase.h"
#include "arx/dbhatch.h"
#include "arx/dblayout.h"
#include "arx/dbsymtb.h"
#include "arx/plotrender.h"

#include <benchmark/benchmark.h>

#include <cmath>
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

// An ANSI31 hatch (lines 0.32 mm apart) in a circle of radius 100 whose rim is a saw of
// vertices alternately 1 mm in and out.
AcDbDatabase* hatchedCircle(int vertices)
{
    static std::map<int, std::unique_ptr<AcDbDatabase>> drawings;
    if (const auto found = drawings.find(vertices); found != drawings.end())
        return found->second.get();
    auto db = std::make_unique<AcDbDatabase>();
    std::vector<AcGePoint2d> rim;
    for (int i = 0; i < vertices; ++i) {
        const double angle = 2 * M_PI * i / vertices, radius = i % 2 ? 99 : 101;
        rim.emplace_back(radius * std::cos(angle), radius * std::sin(angle));
    }
    auto* hatch = new AcDbHatch;
    hatch->setPattern(AcDbHatch::kPreDefined, "ANSI31");
    hatch->setPatternScale(0.1);
    hatch->appendLoop(AcDbHatch::kExternal, rim, std::vector<double>(rim.size(), 0.0));
    AcDbBlockTableRecord* space = nullptr;
    if (acdbOpenObject(space, db->modelSpaceId(), AcDb::kForWrite) != Acad::eOk || space->appendAcDbEntity(hatch) != Acad::eOk)
        throw std::runtime_error("the hatch could not be added");
    hatch->close();
    space->close();
    return (drawings[vertices] = std::move(db)).get();
}

// Plots the drawing's extents fitted to an ISO A1 sheet; the counter counts units per second.
void plotExtents(benchmark::State& state, AcDbDatabase* db, const char* device, const char* extension,
                 const char* unit)
{
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
    state.counters[unit] = benchmark::Counter(static_cast<double>(state.range(0)), benchmark::Counter::kIsIterationInvariantRate);
}

void BM_PlotPdf(benchmark::State& state)
{
    plotExtents(state, floorPlan(static_cast<int>(state.range(0))), "DWG To PDF.pc3", "pdf", "rooms/s");
}
void BM_PlotPng(benchmark::State& state)
{
    plotExtents(state, floorPlan(static_cast<int>(state.range(0))), "PublishToWeb PNG.pc3", "png", "rooms/s");
}
void BM_PlotHatchPdf(benchmark::State& state)
{
    plotExtents(state, hatchedCircle(static_cast<int>(state.range(0))), "DWG To PDF.pc3", "pdf", "vertices/s");
}
void BM_PlotHatchPng(benchmark::State& state)
{
    plotExtents(state, hatchedCircle(static_cast<int>(state.range(0))), "PublishToWeb PNG.pc3", "png", "vertices/s");
}

} // namespace

BENCHMARK(BM_PlotPdf)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PlotPng)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PlotHatchPdf)->Arg(20000)->Arg(200000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PlotHatchPng)->Arg(20000)->Arg(200000)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
