// Loading and saving generated floor plans. Plans come from the command line
// (bench_arx_dxf [benchmark flags] FILE.dxf ...), or are generated here when none is given.
#include "arx/dbblockref.h"
#include "arx/dbcurves.h"
#include "arx/dbdatabase.h"
#include "arx/dbsymtb.h"

#include <benchmark/benchmark.h>
#include <filesystem>
#include <string>
#include <vector>

namespace {

std::string generatedPlan(int rooms)
{
    AcDbDatabase db;
    AcDbBlockTable* blocks = nullptr;
    db.getSymbolTable(blocks, AcDb::kForWrite);
    AcDbBlockTableRecord* ms = nullptr;
    acdbOpenObject(ms, db.modelSpaceId(), AcDb::kForWrite);
    for (int i = 0; i < rooms; ++i) {
        auto* def = new AcDbBlockTableRecord;
        def->setName(("ROOM-" + std::to_string(i)).c_str());
        AcDbObjectId defId;
        blocks->add(defId, def);
        auto* pl = new AcDbPolyline;
        for (unsigned k = 0; k < 4; ++k)
            pl->addVertexAt(k, AcGePoint2d(k == 1 || k == 2 ? 5 : 0, k >= 2 ? 4 : 0), k == 1 ? 0.2 : 0);
        pl->setClosed(true);
        def->appendAcDbEntity(pl);
        pl->close();
        def->close();
        auto* ref = new AcDbBlockReference(AcGePoint3d(i % 100 * 6.0, i / 100 * 5.0, 0), defId);
        ms->appendAcDbEntity(ref);
        ref->close();
    }
    ms->close();
    blocks->close();
    return db.dxfText();
}

void loadAndSave(benchmark::State& state, const std::string& path)
{
    const std::string out = path + ".bench-out.dxf";
    for (auto _ : state) {
        AcDbDatabase db(false);
        if (db.readDxfFile(path.c_str()) != Acad::eOk || db.saveAs(out.c_str()) != Acad::eOk) {
            state.SkipWithError(db.lastErrorMessage().c_str());
            break;
        }
    }
    std::filesystem::remove(out);
}

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    std::vector<std::string> files(argv + 1, argv + argc);
    if (files.empty()) {
        for (int rooms : {100, 1000, 10000}) {
            const std::string path = (std::filesystem::temp_directory_path() / ("qv_plan_" + std::to_string(rooms) + ".dxf")).string();
            AcDbDatabase db;
            db.readDxfText(generatedPlan(rooms));
            db.saveAs(path.c_str());
            files.push_back(path);
        }
    }
    for (const std::string& f : files)
        benchmark::RegisterBenchmark(("load_save/" + std::filesystem::path(f).filename().string()).c_str(),
                                     [f](benchmark::State& s) { loadAndSave(s, f); })->Unit(benchmark::kMillisecond);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
}
