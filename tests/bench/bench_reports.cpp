// Applying a graphic report of 20 categories, each holding its share of the plan's space
// blocks by handle and a solid hatch style, to floor plans of n space blocks
// (scripts/gen_floorplan.py --spaces): every block is read, hatched and written back. The
// time per space must not grow faster than log n. Each run applies to a freshly opened
// plan, so that hatches of earlier runs do not pile up.
#include "arx/acdocman.h"
#include "arx/acutprintf.h"
#include "blocks/blockdwg.h"
#include "blocks/blocks.h"
#include "blocks/hatch.h"
#include "common/tempdir.h"
#include "host/acaddrawing.h"
#include "reports/categories.h"
#include "reports/graphicreport.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr int categoryCount = 20;

// The generated plan of n rooms (made once per size).
std::string planFile(int rooms)
{
    static TempDir dir;
    static std::map<int, std::string> plans;
    if (const auto found = plans.find(rooms); found != plans.end())
        return found->second;
    const std::string path = dir.file("plan" + std::to_string(rooms) + ".dxf");
    const std::string command = "/usr/bin/python3 " QV_SOURCE_DIR "/scripts/gen_floorplan.py --spaces --rooms " +
                                std::to_string(rooms) + " " + path;
    if (std::system(command.c_str()) != 0)
        throw std::runtime_error("the floor plan could not be made");
    return plans[rooms] = path;
}

std::unique_ptr<CAcadDrawing> openPlan(const std::string& path)
{
    acDocManager->closeAll();
    const auto cut = path.rfind('/');
    auto drawing = std::make_unique<CAcadDrawing>(path.substr(0, cut + 1).c_str(), path.substr(cut + 1).c_str());
    drawing->setKeepOpen(TRUE);
    return drawing;
}

// The handles of the drawing's space blocks.
std::vector<CString> spaceHandles(CAcadDrawing* drawing)
{
    CBlocks blocks;
    blocks.getKavroDWGBlocks_SS(drawing, nullptr, 0, "f");
    std::vector<CString> handles;
    for (int i = 0; i < blocks.count(); ++i)
        handles.push_back(blocks.getAt(i)->getHandle());
    blocks.destroyBlocks();
    return handles;
}

// Twenty categories sharing the handles round the table, each with its own hatch colour.
std::unique_ptr<CGraphicReport> reportOf(const std::vector<CString>& handles)
{
    auto report = std::make_unique<CGraphicReport>();
    report->setTitle("Use");
    auto* categories = new CCategories;
    for (int c = 0; c < categoryCount; ++c) {
        auto* category = new CCategory;
        category->setTitle(("Category " + std::to_string(c)).c_str());
        auto* hatch = new CHatch;
        hatch->setPattern("SOLID");
        hatch->setLayer(("H_" + std::to_string(c)).c_str());
        AcCmColor colour;
        colour.setColorIndex(static_cast<Adesk::UInt16>(c + 1));
        hatch->setColour(colour);
        auto* blocks = new CBlocks;
        for (size_t i = static_cast<size_t>(c); i < handles.size(); i += categoryCount) {
            auto* entry = new CBlockDWG;
            entry->setHandle(handles[i]);
            auto* own = new CHatch;
            hatch->copyTo(own);
            entry->setHatch(own);
            blocks->addBlock(entry);
        }
        category->setHatch(hatch);
        category->setBlocks(blocks);
        categories->add(category);
    }
    report->setCategories(categories);
    return report;
}

void applyReport(benchmark::State& state)
{
    const int rooms = static_cast<int>(state.range(0));
    const std::string path = planFile(rooms);
    size_t spaces = 0;
    // The progress lines are not what is measured.
    qv::setOutputSink([](const std::string&) {});
    for (auto _ : state) {
        state.PauseTiming();
        auto drawing = openPlan(path);
        const std::vector<CString> handles = spaceHandles(drawing.get());
        auto report = reportOf(handles);
        spaces = handles.size();
        state.ResumeTiming();
        report->applyToDrawing(drawing.get());
        state.PauseTiming();
        report.reset();
        drawing.reset();
        acDocManager->closeAll();
        state.ResumeTiming();
    }
    qv::setOutputSink(nullptr);
    state.counters["spaces"] = static_cast<double>(spaces);
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(spaces));
    state.SetComplexityN(rooms);
}

} // namespace

BENCHMARK(applyReport)
    ->Arg(1000)
    ->Arg(3000)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2)
    ->Complexity(benchmark::oNLogN);
BENCHMARK_MAIN();
