// The batch report run against the server of tests/database/pgcluster.sh: reports queued on
// a small plan (a layer, a line and two assets joined by a link line, about 5 KB), each
// applied with one hatched category, plotted to PDF, copied as DXF and written back as XML.
// The second argument is the number of files the output folder already holds (earlier
// reports' files). "reports_per_minute" is the throughput of one host (wall-clock time: the server and the
// file system do part of the work). Run by tests/bench/run_bench_database.sh.
#include "arx/acdocman.h"
#include "arx/acutprintf.h"
#include "arx/dbblockref.h"
#include "arx/dbcurves.h"
#include "arx/dbdatabase.h"
#include "arx/dbsymtb.h"
#include "common/pgserver.h"
#include "common/tempdir.h"
#include "database/serverpreferencevaulteye.h"
#include "database/sqlstatement.h"
#include "database/storedprocedure.h"
#include "host/acaddrawing.h"
#include "reports/graphicreports.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int firstReport = 970001;
constexpr int queued = 97;

std::unique_ptr<CSQLStatement> statement()
{
    return std::make_unique<CSQLStatement>(qvtest::pgServer(), qvtest::pgDatabase(), qvtest::pgUser(),
                                           qvtest::pgPassword(), 60);
}

// The plan: a line on the layer "Walls" and two asset references; gives the assets' handles.
std::vector<std::string> makePlan(const std::string& path)
{
    acDocManager->appContextNewDocument();
    AcDbDatabase* db = acDocManager->curDocument()->database();
    auto* layer = new AcDbLayerTableRecord;
    layer->setName("Walls");
    AcDbLayerTable* layers = nullptr;
    db->getSymbolTable(layers, AcDb::kForWrite);
    layers->add(layer);
    layer->close();
    layers->close();
    CAcadDrawing current;
    current.setDocument(acDocManager->curDocument());
    current.setOpen(TRUE);
    current.setKeepOpen(TRUE);
    AcDbObjectId id;
    auto* line = new AcDbLine(AcGePoint3d(0, 0, 0), AcGePoint3d(4000, 3000, 0));
    line->setLayer("Walls");
    current.postToDrawing(id, line);
    auto* asset = new AcDbBlockTableRecord;
    asset->setName("ASSET");
    AcDbObjectId assetId;
    AcDbBlockTable* blocks = nullptr;
    db->getSymbolTable(blocks, AcDb::kForWrite);
    blocks->add(assetId, asset);
    asset->close();
    blocks->close();
    std::vector<std::string> handles;
    for (const AcGePoint3d& at : {AcGePoint3d(1000, 1000, 0), AcGePoint3d(3000, 2000, 0)}) {
        current.postToDrawing(id, new AcDbBlockReference(at, assetId));
        char handle[17] = {};
        id.handle().getIntoAsciiBuffer(handle);
        handles.push_back(handle);
    }
    db->saveAs(path.c_str());
    acDocManager->closeAll();
    return handles;
}

// n report rows of the status, report i plotted to "r<i>.pdf" with its copy in `copies`
// and its XML beside the plot.
void queueReports(CSQLStatement& sql, const TempDir& dir, int n, const std::vector<std::string>& assets)
{
    sql.execSQLNoReturn(("DELETE FROM graphic_reports WHERE graphic_report_id >= " + std::to_string(firstReport))
                            .c_str());
    for (int i = 0; i < n; ++i) {
        const std::string id = std::to_string(firstReport + i);
        sql.execSQLNoReturn(
            ("INSERT INTO graphic_reports (graphic_report_id, status_id, title, drawing_path, drawing_filename, "
             "plot_type_id, plot_area_type_id, plot_media_size_id, plot_scale_type_id, plot_centred, output_path, "
             "output_filename, save_copy_to, total_child_areas) VALUES (" + id + ", " + std::to_string(queued) +
             ", 'Report " + id + "', '" + dir.file("plans") + "', 'plan.dxf', 1, 1, 0, 0, 1, '" + dir.file("out") +
             "', 'r" + id + ".pdf', '" + dir.file("copies") + "', 10.5);"
             "INSERT INTO graphic_report_layers_on (graphic_report_id, layer_name) VALUES (" + id + ", 'Walls');"
             "INSERT INTO graphic_report_categories (category_id, graphic_report_id, title, hatch_pattern) VALUES (" +
             id + "1, " + id + ", 'Offices', 'SOLID');"
             "INSERT INTO graphic_report_link_lines (graphic_report_id, start_handle, end_handle, layer_name, "
             "label_text) VALUES (" + id + ", '" + assets[0] + "', '" + assets[1] + "', 'Links', 'feeds')")
                .c_str());
    }
}

void batchRun(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    TempDir dir;
    for (const char* folder : {"plans", "out", "copies"})
        std::filesystem::create_directories(dir.file(folder));
    for (int64_t i = 0; i < state.range(1); ++i)
        std::ofstream(dir.file("out/old" + std::to_string(i) + ".pdf"));
    ::sync();   // their writing is not the run's
    const std::vector<std::string> assets = makePlan(dir.file("plans/plan.dxf"));
    MSXML2::IXMLDOMDocumentPtr settings;
    settings.CreateInstance("Msxml2.DOMDocument");
    settings->loadXML(("<server><graphRepOutPath>" + dir.file("out") + "</graphRepOutPath><dbTimeout>60"
                       "</dbTimeout></server>").c_str());
    CServerPreferenceVaultEye server;
    server.deSerialize(settings->selectSingleNode("/*"));
    auto sql = statement();
    auto procedure = std::make_unique<CStoredProcedure>(qvtest::pgServer(), qvtest::pgDatabase(), qvtest::pgUser(),
                                                        qvtest::pgPassword(), 60);
    // The progress lines are not what is measured.
    qv::setOutputSink([](const std::string&) {});
    double seconds = 0.0;
    for (auto _ : state) {
        queueReports(*sql, dir, n, assets);
        const auto start = std::chrono::steady_clock::now();
        CGraphicReports reports;
        reports.getGraphicReports(procedure.get(), &server, queued, 60);
        reports.prepareReports(procedure.get(), 60);
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        state.SetIterationTime(took.count());
        seconds += took.count();
    }
    qv::setOutputSink(nullptr);
    if (!std::filesystem::exists(dir.file("out/r" + std::to_string(firstReport + n - 1) + ".xml")))
        state.SkipWithError("the last report was not written");
    state.counters["plan_bytes"] = static_cast<double>(std::filesystem::file_size(dir.file("plans/plan.dxf")));
    state.counters["reports_per_minute"] = 60.0 * n * static_cast<double>(state.iterations()) / seconds;
    sql->execSQLNoReturn(("DELETE FROM graphic_reports WHERE graphic_report_id >= " + std::to_string(firstReport))
                             .c_str());
}

} // namespace

BENCHMARK(batchRun)->Args({100, 0})->Args({100, 20000})->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);
BENCHMARK_MAIN();
