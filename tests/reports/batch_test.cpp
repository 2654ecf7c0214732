// The batch run against the real PostgreSQL server (tests/database/sql: 50-reports.sql):
// reports read by status, run on real drawings, plotted to PDF, copied and written back as
// XML, and every step's status recorded; refused targets and failures.
#include "arx/acdocman.h"
#include "arx/acplplotfactory.h"
#include "arx/acutprintf.h"
#include "arx/dbblockref.h"
#include "arx/dbcurves.h"
#include "arx/dbdatabase.h"
#include "arx/dbtext.h"
#include "common/chain.h"
#include "common/modelspace.h"
#include "common/pgserver.h"
#include "common/privateserver.h"
#include "common/tempdir.h"
#include "database/preferencesvaulteye.h"
#include "database/serverpreferencevaulteye.h"
#include "database/sqlstatement.h"
#include "database/storedprocedure.h"
#include "host/acaddrawing.h"
#include "host/layers.h"
#include "reports/categories.h"
#include "reports/graphicreports.h"
#include "reports/reportoutputs.h"
#include "win/headless.h"

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <gtest/gtest.h>
#include <memory>
#include <set>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

namespace {

std::unique_ptr<CStoredProcedure> procedure()
{
    return std::make_unique<CStoredProcedure>(qvtest::pgServer(), qvtest::pgDatabase(), qvtest::pgUser(),
                                              qvtest::pgPassword(), 10);
}

std::unique_ptr<CSQLStatement> statement()
{
    return std::make_unique<CSQLStatement>(qvtest::pgServer(), qvtest::pgDatabase(), qvtest::pgUser(),
                                           qvtest::pgPassword(), 10);
}

void run(const std::string& sql)
{
    statement()->execSQLNoReturn(sql.c_str());
}

// The statuses recorded for a report, in order, as "2 3".
std::string statusLog(int id)
{
    _RecordsetPtr rows = statement()->execSQLReturn(
        ("SELECT status_id FROM graphic_report_status_log WHERE graphic_report_id = " + std::to_string(id) +
         " ORDER BY ordinal")
            .c_str());
    std::string log;
    for (; rows && !rows->GetadoEOF(); rows->MoveNext()) {
        if (!log.empty())
            log += ' ';
        log += std::to_string(static_cast<int>(rows->GetCollect(_variant_t(0L))));
    }
    return log;
}

std::string plottedLayout(int id)
{
    _RecordsetPtr rows = statement()->execSQLReturn(
        ("SELECT plotted_layout FROM graphic_reports WHERE graphic_report_id = " + std::to_string(id)).c_str());
    const _variant_t value = rows->GetCollect(_variant_t(0L));
    return value.isNull() ? "NULL" : static_cast<_bstr_t>(value).c_str();
}

std::string quoted(const std::string& text)
{
    return text.empty() ? "NULL" : "'" + text + "'";
}

class BatchRun : public ::testing::Test
{
protected:
    BatchRun()
    {
        qv::setOutputSink([this](const std::string& text) { printed += text; });
        std::filesystem::create_directories(dir.file("plans"));
        std::filesystem::create_directories(dir.file("out"));
        std::filesystem::create_directories(dir.file("copies"));
        // The plan: one line on the layer "Walls".
        acDocManager->appContextNewDocument();
        AcDbDatabase* db = acDocManager->curDocument()->database();
        auto* layer = new AcDbLayerTableRecord;
        layer->setName("Walls");
        AcDbLayerTable* layers = nullptr;
        AcDbBlockTable* blocks = nullptr;
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
        // Two assets for link lines to join.
        auto* asset = new AcDbBlockTableRecord;
        asset->setName("ASSET");
        AcDbObjectId assetId;
        db->getSymbolTable(blocks, AcDb::kForWrite);
        blocks->add(assetId, asset);
        asset->close();
        blocks->close();
        for (const AcGePoint3d& at : {AcGePoint3d(1000, 1000, 0), AcGePoint3d(3000, 2000, 0)}) {
            current.postToDrawing(id, new AcDbBlockReference(at, assetId));
            char handle[17] = {};
            id.handle().getIntoAsciiBuffer(handle);
            assets.push_back(handle);
        }
        db->saveAs(dir.file("plans/plan.dxf").c_str());
        acDocManager->closeAll();
        server.deSerialize(serverSettings());
    }
    ~BatchRun() override
    {
        qv::setOutputSink({});
        AcPlPlotFactory::setRefusal(Acad::eOk);
        acDocManager->closeAll();
        vaultEyePreferences.deleteObjects();
    }

    MSXML2::IXMLDOMNodePtr serverSettings()
    {
        settings.CreateInstance("Msxml2.DOMDocument");
        settings->loadXML(("<server><graphRepOutPath>" + dir.file("out") + "</graphRepOutPath><dbTimeout>12"
                           "</dbTimeout></server>")
                              .c_str());
        return settings->selectSingleNode("/*");
    }

    // A report row of the status: the plan, plotted to PDF as the output name.
    void report(int id, int status, const std::string& drawing, const std::string& outputName,
                const std::string& saveCopyTo = "", const std::string& xmlTo = "", const std::string& outputPath = "")
    {
        run("INSERT INTO graphic_reports (graphic_report_id, status_id, title, drawing_path, drawing_filename, "
            "plot_type_id, plot_area_type_id, plot_media_size_id, plot_scale_type_id, plot_centred, output_path, "
            "output_filename, save_copy_to, xml_output_to, total_child_areas) VALUES (" +
            std::to_string(id) + ", " + std::to_string(status) + ", 'Report " + std::to_string(id) + "', " +
            quoted(dir.file("plans")) + ", " + quoted(drawing) + ", 1, 1, 0, 0, 1, " + quoted(outputPath) + ", " +
            quoted(outputName) + ", " + quoted(saveCopyTo) + ", " + quoted(xmlTo) + ", 10.5)");
    }

    TempDir dir;
    std::vector<std::string> assets;
    std::string printed;
    MSXML2::IXMLDOMDocumentPtr settings;
    CServerPreferenceVaultEye server;
};

bool startsWith(const std::string& path, const std::string& text)
{
    std::ifstream in(path, std::ios::binary);
    std::string head(text.size(), '\0');
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    return in && head == text;
}

// The start and end of each line in the drawing's model space, and the texts, as "LINE 1000,1000 3000,2000".
std::vector<std::string> linesAndTexts(const std::string& path)
{
    AcDbDatabase db(false);
    EXPECT_EQ(db.readDxfFile(path.c_str()), Acad::eOk) << path;
    const auto point = [](const AcGePoint3d& p) { return std::to_string(int(p.x)) + "," + std::to_string(int(p.y)); };
    std::vector<std::string> found;
    forEachModelSpaceEntity(db, [&](AcDbEntity* entity) {
        if (const AcDbLine* line = AcDbLine::cast(entity))
            found.push_back("LINE " + point(line->startPoint()) + " " + point(line->endPoint()) + " " +
                            line->layer().GetString());
        else if (const AcDbText* text = AcDbText::cast(entity))
            found.push_back("TEXT " + std::string(text->textString()));
    });
    return found;
}

} // namespace

TEST_F(BatchRun, AGoodReportIsPlottedCopiedAndWrittenAndAMissingDrawingRecorded)
{
    report(9301, 77, "plan.dxf", "plan.pdf", dir.file("copies"));
    run("INSERT INTO graphic_report_layers_on (graphic_report_id, layer_name) VALUES (9301, 'Walls');"
        "INSERT INTO graphic_report_categories (category_id, graphic_report_id, title, hatch_pattern) VALUES "
        "(93011, 9301, 'Offices', 'SOLID');"
        "INSERT INTO graphic_report_link_lines (graphic_report_id, start_handle, end_handle, layer_name, label_text) "
        "VALUES (9301, '" + assets[0] + "', '" + assets[1] + "', 'Links', 'feeds')");
    report(9302, 77, "gone.dxf", "gone.pdf");

    const std::string planBefore = readFile(dir.file("plans/plan.dxf"));
    auto proc = procedure();
    CGraphicReports reports;
    reports.getGraphicReports(proc.get(), &server, 77, 10);
    ASSERT_EQ(reports.count(), 2);
    const CGraphicReport* good = reports.getAt(0);
    EXPECT_EQ(good->getID(), 9301);
    EXPECT_EQ(good->getTitle(), "");   // loaded when it is claimed

    reports.prepareReports(proc.get(), 10);
    EXPECT_EQ(good->getTitle(), "Report 9301");
    EXPECT_EQ(good->getOutputPath(), (dir.file("out") + "/").c_str());   // an empty column: the server's folder
    EXPECT_EQ(good->getPlotTypeID(), 1);
    EXPECT_EQ(good->getTotalChildAreas(), 10.5);
    ASSERT_NE(good->getCategories(), nullptr);
    EXPECT_EQ(good->getCategories()->count(), 1);
    ASSERT_NE(good->getLayersOn(), nullptr);
    EXPECT_EQ(reports.getAt(1)->getCategories(), nullptr);
    EXPECT_EQ(reports.getAt(1)->getLayersOn(), nullptr);

    EXPECT_EQ(statusLog(9301), "2 3");
    EXPECT_EQ(plottedLayout(9301), "Model");   // the current layout, plotted for an empty name
    EXPECT_TRUE(startsWith(dir.file("out/plan.pdf"), "%PDF"));
    EXPECT_TRUE(startsWith(dir.file("copies/plan.dxf"), "  0"));
    // The report's link line from the database joins its two assets in the copy.
    EXPECT_NE(printed.find("Applying link Lines\n"), std::string::npos) << printed;
    EXPECT_EQ(linesAndTexts(dir.file("copies/plan.dxf")),
              (std::vector<std::string>{"LINE 0,0 4000,3000 Walls", "LINE 1000,1000 3000,2000 Links", "TEXT feeds"}));
    CGraphicReport written;
    ASSERT_TRUE(written.deSerialize(dir.file("out/plan.xml").c_str())) << written.getReadProblem().GetString();
    EXPECT_EQ(written.getTitle(), "Report 9301");
    EXPECT_EQ(statusLog(9302), "2 4");
    EXPECT_FALSE(std::filesystem::exists(dir.file("out/gone.pdf")));
    // Every drawing the run opened is closed again, unsaved.
    EXPECT_EQ(acDocManager->documentCount(), 0);
    EXPECT_EQ(readFile(dir.file("plans/plan.dxf")), planBefore);
}

TEST_F(BatchRun, RefusedTargetsGiveTheirStatuses)
{
    report(9401, 78, "plan.dxf", "plan.pdf", "", "", dir.file("nowhere"));                   // output folder missing
    report(9402, 78, "plan.dxf", "pl?n.pdf");                                                 // invalid output name
    report(9403, 78, "plan.dxf", "a.pdf", dir.file("plans"));                                // copy over the drawing
    report(9404, 78, "plan.dxf", "b.pdf", "plan.dxf");                                        // the drawing's own name
    report(9405, 78, "plan.dxf", "c.pdf", "", dir.file("copies"));                           // XML into a folder
    report(9406, 78, "plan.dxf", "d.pdf", "", dir.file("plans/plan.dxf"));                   // XML over the drawing
    // The drawing under other spellings of its path.
    std::filesystem::create_directory_symlink(dir.file("plans"), dir.file("linked"));
    report(9407, 78, "plan.dxf", "e.pdf", dir.file("plans/./plan.dxf"));
    report(9408, 78, "plan.dxf", "f.pdf", dir.file("linked"));
    report(9409, 78, "plan.dxf", "g.pdf", "", dir.file("copies/../plans/plan.dxf"));
    report(9410, 78, "plan.dxf", "h.pdf", "", dir.file("linked/plan.dxf"));
    // Folders with a dot in their paths, given with and without the final separator.
    std::filesystem::create_directories(dir.file("plans.v2/copies"));
    report(9412, 78, "plan.dxf", "j.pdf", dir.file("plans.v2/copies/"), dir.file("plans.v2/copies"));
    // A report for another drawing: its space is not in the plan.
    report(9411, 78, "plan.dxf", "i.pdf");
    run("INSERT INTO graphic_report_categories (category_id, graphic_report_id, title, hatch_pattern) VALUES "
        "(94111, 9411, 'Offices', 'SOLID');"
        "INSERT INTO category_blocks (category_id, handle_text) VALUES (94111, 'FFFFF')");
    const std::string planBefore = readFile(dir.file("plans/plan.dxf"));
    auto proc = procedure();
    CGraphicReports reports;
    reports.getGraphicReports(proc.get(), &server, 78, 10);
    ASSERT_EQ(reports.count(), 12);
    reports.prepareReports(proc.get(), 10);
    EXPECT_EQ(statusLog(9401), "2 10");
    EXPECT_EQ(statusLog(9402), "2 11");
    EXPECT_EQ(statusLog(9403), "2 12");
    EXPECT_FALSE(std::filesystem::exists(dir.file("out/a.xml")));   // a refused copy writes no XML
    EXPECT_EQ(statusLog(9404), "2 12");
    EXPECT_EQ(statusLog(9405), "2 3");
    EXPECT_TRUE(std::filesystem::exists(dir.file("copies/plan.xml")));
    EXPECT_EQ(statusLog(9406), "2 13");
    EXPECT_EQ(statusLog(9407), "2 12");
    EXPECT_EQ(statusLog(9408), "2 12");
    EXPECT_EQ(statusLog(9409), "2 13");
    EXPECT_EQ(statusLog(9410), "2 13");
    EXPECT_EQ(statusLog(9411), "2 15");
    EXPECT_EQ(statusLog(9412), "2 3");
    EXPECT_TRUE(startsWith(dir.file("plans.v2/copies/plan.dxf"), "  0"));
    EXPECT_TRUE(std::filesystem::exists(dir.file("plans.v2/copies/plan.xml")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("out/i.pdf")));
    EXPECT_EQ(readFile(dir.file("plans/plan.dxf")), planBefore);
    EXPECT_EQ(acDocManager->documentCount(), 0);
}

// Ends the server session of the call that records `status` for report `id`, for as long
// as it lives: that write fails, and is not kept.
struct StatusWriteEndsSession
{
    StatusWriteEndsSession(int id, int status)
    {
        run("CREATE FUNCTION \"__test_end_session\"() RETURNS trigger LANGUAGE plpgsql AS "
            "$$ BEGIN PERFORM pg_terminate_backend(pg_backend_pid()); RETURN NEW; END $$;"
            "CREATE TRIGGER \"__test_end_session\" BEFORE INSERT ON graphic_report_status_log FOR EACH ROW "
            "WHEN (NEW.graphic_report_id = " + std::to_string(id) + " AND NEW.status_id = " + std::to_string(status) +
            ") EXECUTE FUNCTION \"__test_end_session\"()");
    }
    ~StatusWriteEndsSession()
    {
        run("DROP TRIGGER \"__test_end_session\" ON graphic_report_status_log;"
            "DROP FUNCTION \"__test_end_session\"()");
    }
};

// A report whose status 3 call loses the link (the server may have recorded it) keeps its
// new files and is given up, and the run goes on; the procedure object connects again, and
// in the next run a report whose plot type names no device is recorded as 14.
TEST_F(BatchRun, OutputsAppearOnlyWithTheirStatusAndAnUnknownPlotTypeIsRefused)
{
    report(9601, 80, "plan.dxf", "plan.pdf", dir.file("copies"));
    report(9604, 80, "plan.dxf", "after.pdf");
    report(9602, 81, "plan.dxf", "unknown.pdf");
    report(9603, 81, "plan.dxf", "next.pdf");
    run("UPDATE graphic_reports SET plot_type_id = 32767 WHERE graphic_report_id = 9602");
    auto proc = procedure();
    {
        const StatusWriteEndsSession failing(9601, kReportPlotted);
        CGraphicReports reports;
        reports.getGraphicReports(proc.get(), &server, 80, 10);
        EXPECT_EQ(caught([&] { reports.prepareReports(proc.get(), 10); }), nullptr);
    }
    EXPECT_EQ(statusLog(9601), "2");
    EXPECT_TRUE(startsWith(dir.file("out/plan.pdf"), "%PDF"));
    EXPECT_NE(printed.find("Graphic report 9601 given up: the link to the server was lost"), std::string::npos);
    EXPECT_EQ(statusLog(9604), "2 3");
    EXPECT_EQ(acDocManager->documentCount(), 0);

    CGraphicReports next;
    next.getGraphicReports(proc.get(), &server, 81, 10);
    ASSERT_EQ(next.count(), 2);
    next.prepareReports(proc.get(), 10);
    EXPECT_EQ(statusLog(9602), "2 14");
    EXPECT_EQ(statusLog(9603), "2 3");
    EXPECT_TRUE(startsWith(dir.file("out/next.pdf"), "%PDF"));
    EXPECT_TRUE(std::filesystem::exists(dir.file("out/next.xml")));
}

// A faulty report between good ones: its own status, a line with its id, its old plot kept.
TEST_F(BatchRun, AFaultyReportGetsItsOwnStatusAndTheRunGoesOn)
{
    const std::string plan = readFile(dir.file("plans/plan.dxf"));
    writeFile(dir.file("plans/bytes.dxf"), "\x93\xfe\x01 no drawing");
    writeFile(dir.file("plans/cut.dxf"), plan.substr(0, plan.size() / 2));
    writeFile(dir.file("plans/empty.dxf"), "");
    std::filesystem::create_directory(dir.file("plans/folder.dxf"));
    // An unreadable drawing's cause is the reader's, naming the file's line where it has one.
    const struct { int id; const char* drawing; std::string sql; int status; const char* cause; } cases[] = {
        {9501, "bytes.dxf", "", 5, "bytes.dxf\": this is not a DXF file"},
        {9503, "cut.dxf", "", 5, "cut.dxf\": line "},
        {9505, "empty.dxf", "", 5, "empty.dxf\": the file is empty\n"},
        {9507, "folder.dxf", "", 5, "folder.dxf\": Is a directory\n"},
        {9509, "plan.dxf", "INSERT INTO graphic_report_categories (category_id, graphic_report_id, hatch_pattern, "
         "hatch_colour) VALUES (95091, 9509, 'SOLID', '#12345G')", 17, "Invalid Hex Colour - 12345G"},
        {9511, "plan.dxf", "UPDATE graphic_reports SET plot_layout = 'Nowhere' WHERE graphic_report_id = 9511", 17,
         "no layout \"Nowhere\""},
        {9513, "plan.dxf", "INSERT INTO graphic_report_link_lines (graphic_report_id, start_handle, end_handle, "
         "label_text) VALUES (9513, '" + assets[0] + "', '" + assets[1] + "', repeat('x', 5000))", 18,
         "more than 1000 elements"},
    };
    for (const auto& c : cases) {
        report(c.id, 79, c.drawing, std::to_string(c.id) + ".pdf");
        report(c.id + 1, 79, "plan.dxf", std::to_string(c.id + 1) + ".pdf");
        writeFile(dir.file("out/" + std::to_string(c.id) + ".pdf"), "old");
        run(c.sql.empty() ? "SELECT 1" : c.sql);
    }
    auto proc = procedure();
    CGraphicReports reports;
    reports.getGraphicReports(proc.get(), &server, 79, 10);
    setenv("QUORVANE_PLOT_WORK_LIMIT", "1000", 1);
    EXPECT_EQ(caught([&] { reports.prepareReports(proc.get(), 10); }), nullptr);
    unsetenv("QUORVANE_PLOT_WORK_LIMIT");
    for (const auto& c : cases) {
        EXPECT_EQ(statusLog(c.id) + ", " + statusLog(c.id + 1), "2 " + std::to_string(c.status) + ", 2 3");
        EXPECT_EQ(readFile(dir.file("out/" + std::to_string(c.id) + ".pdf")), "old");
        EXPECT_NE(printed.find(c.cause, printed.find("\tGraphic report " + std::to_string(c.id) + " ")),
                  std::string::npos) << c.cause << printed;
    }
    EXPECT_EQ(acDocManager->documentCount(), 0);
}

namespace {

// Runs body in a child process, which then ends at once as a killed run does, or with
// `stays` waits to be killed; gives its pid and the text body gave.
std::pair<pid_t, std::string> inChild(const std::function<std::string()>& body, bool stays)
{
    int ends[2];
    EXPECT_EQ(pipe(ends), 0);
    const pid_t pid = fork();
    if (pid == 0) {
        const std::string text = body();
        (void)!write(ends[1], text.c_str(), text.size() + 1);
        while (stays)
            pause();
        _exit(0);
    }
    char text[4096] = {};
    EXPECT_GT(read(ends[0], text, sizeof text - 1), 0);
    close(ends[0]);
    close(ends[1]);
    if (!stays)
        waitpid(pid, nullptr, 0);
    return {pid, text};
}

// Every path under the folder, relative to it.
std::set<std::string> everything(const std::filesystem::path& folder)
{
    std::set<std::string> found;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
        found.insert(entry.path().lexically_relative(folder).string());
    return found;
}

} // namespace

// An output name is the name of a file of the output folder, and bare copy and XML names of
// files of theirs: other names are refused with their reason, and nothing is written outside
// the folders. A file that cannot be moved into place (an XML name longer than the file
// system takes) leaves the files the run before left. The temporaries of runs of this host
// that died are removed, in the temporary folder of the drawing's copy too, those of a run
// under way kept.
// A report plots to no file that an earlier report of the run wrote, nor to a name without a
// stem.
TEST_F(BatchRun, OutputsStayInTheirFoldersAndAreInPlaceAllOrNone)
{
    const std::string out = dir.file("deep/out");
    std::filesystem::create_directories(out + "/folder.xml");
    std::filesystem::create_directories(out + "/taken.xml");
    std::filesystem::create_directories(dir.file("deep/copies"));
    writeFile(out + "/a.pdf", "old plot");
    writeFile(dir.file("copies/plan.dxf"), "old copy");
    std::filesystem::create_directories(dir.file("elsewhere"));
    writeFile(dir.file("elsewhere/target.pdf"), "elsewhere");
    std::filesystem::create_symlink(dir.file("elsewhere/target.pdf"), out + "/link.pdf");
    std::filesystem::create_directories(dir.file("temp"));
    const char* const tmp = std::getenv("TMPDIR");
    const std::string tmpBefore = tmp ? tmp : "";
    setenv("TMPDIR", dir.file("temp").c_str(), 1);
    const auto stage = [](CReportOutputs& outputs, const std::string& path) {
        const CString staged = outputs.stage(path.c_str(), kReportOutputNameInvalid);
        writeFile(staged.GetString(), path);
        return staged.Mid(staged.ReverseFind('/') + 1).str();
    };
    // A run killed once its plot was in place, before it dropped the old file it kept aside.
    inChild([&] {
        auto* outputs = new CReportOutputs;
        stage(*outputs, out + "/a.pdf");
        outputs->commit();
        stage(*outputs, dir.file("temp/c.qrv"));
        return stage(*outputs, dir.file("copies/c.dxf"));
    }, false);
    writeFile(out + "/a.pdf", "old plot");
    const auto [live, liveTemporary] = inChild([&] { return stage(*new CReportOutputs, out + "/live.pdf"); }, true);
    const std::string longName(251, 'n');
    const struct
    {
        std::string name, copy, xml;
        int status;
    } cases[] = {
        {"..\\bs.pdf", "", "", 11}, {"../escape.pdf", "", "", 11}, {"../../x.pdf", "", "", 11},
        {"../copies/into-copies.pdf", "", "", 11}, {"tab\there.pdf", "", "", 11}, {"new\nline.pdf", "", "", 11},
        {"one\x01.pdf", "", "", 11}, {"link.pdf", "", "", 11}, {"e.pdf", "", "folder.xml", 13},
        {"c.pdf", "..", "", 12}, {"d.pdf", "", "..", 13}, {"f.pdf", "", "f.pdf", 13} /* the plot's own name */,
        {"a.pdf", dir.file("copies"), out + "/" + std::string(256, 'x') + ".xml", 13}, {longName + ".pdf", "", "", 3},
        {"c1\xc2\x85.pdf", "", "", 11}, {"\xe2\x82\xac.pdf", "", "", 3},
        // Names without a stem, and a plot an earlier report of the run wrote.
        {".hidden", "", "", 19}, {".", "", "", 19}, {"dup", "", "", 3}, {"dup.png", "", "", 19},
        {"t.pdf", "", out + "/taken.xml", 3} /* a folder whose name holds a dot */,
    };
    int id = 9800;
    for (const auto& c : cases)
        report(++id, 86, "plan.dxf", c.name, c.copy, c.xml, out);
    auto proc = procedure();
    CGraphicReports reports;
    reports.getGraphicReports(proc.get(), &server, 86, 10);
    reports.prepareReports(proc.get(), 10);
    tmp ? setenv("TMPDIR", tmpBefore.c_str(), 1) : unsetenv("TMPDIR");
    kill(live, SIGKILL);
    waitpid(live, nullptr, 0);
    id = 9800;
    for (const auto& c : cases)
        EXPECT_EQ(statusLog(++id), "2 " + std::to_string(c.status)) << c.name;
    EXPECT_EQ(everything(dir.path()),
              (std::set<std::string>{"copies", "copies/plan.dxf", "deep", "deep/copies",
                                     "deep/out", "deep/out/a.pdf", "deep/out/folder.xml", "deep/out/link.pdf",
                                     "deep/out/taken.xml", "deep/out/taken.xml/plan.xml", "deep/out/t.pdf",
                                     "deep/out/" + longName + ".pdf", "deep/out/" + longName + ".xml",
                                     "deep/out/" + liveTemporary, "deep/out/\xe2\x82\xac.pdf",
                                     "deep/out/\xe2\x82\xac.xml", "deep/out/dup.pdf", "deep/out/dup.xml",
                                     "elsewhere", "elsewhere/target.pdf", "out", "plans", "plans/plan.dxf", "temp"}));
    EXPECT_EQ(readFile(out + "/a.pdf"), "old plot");
    EXPECT_EQ(readFile(dir.file("copies/plan.dxf")), "old copy");
    EXPECT_TRUE(std::filesystem::is_symlink(out + "/link.pdf"));
    for (const char* reason : {"The output file name is refused: it holds a backslash.\n",
                               "The output file name is refused: it is a link to a file outside its folder.\n",
                               "The XML target is refused: another file of the report goes there.\n",
                               "The output file name is refused: it has no stem, so it gives \".pdf\" as every name "
                               "without one does.\n",
                               "The output file is refused: graphic report 9819 of this run wrote it.\n",
                               "The report's files were left as they were: unable to move "})
        EXPECT_NE(printed.find(reason), std::string::npos) << reason << printed;
}

namespace {

// Files of the process grow to `bytes` at most while this lives: a write past that fails as
// on a full disk ("File too large").
struct FileSizeLimit
{
    explicit FileSizeLimit(rlim_t bytes)
    {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &before);
        const rlimit limit{bytes, before.rlim_max};
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &before); }
    rlimit before{};
};

} // namespace

// A disk that fills up while the copy or the XML is written: the report gets 12 or 13, the
// cause is printed and logged, and the files of the run before stay as they were.
TEST_F(BatchRun, AFullDiskNamesItsCauseAndLeavesTheOldFiles)
{
    settings->loadXML(("<server><acadErrorLogFilePath>" + dir.file("errors.xml") +
                       "</acadErrorLogFilePath><acadTempDirectory>" + dir.file("temp") + "</acadTempDirectory></server>")
                          .c_str());
    vaultEyePreferences.add(new CServerPreferenceVaultEye);
    vaultEyePreferences.getAt(0)->deSerialize(settings->selectSingleNode("/*"));
    report(9901, 87, "plan.dxf", "copied.pdf", dir.file("copies"));
    report(9902, 87, "plan.dxf", "long.pdf");
    auto proc = procedure();
    CGraphicReports first, reports;
    first.getGraphicReports(proc.get(), &server, 87, 10);
    first.prepareReports(proc.get(), 10);
    // A plot fits, a copy of the drawing does not, nor an XML with a title as long.
    const auto pdf = std::filesystem::file_size(dir.file("out/copied.pdf"));
    const auto dxf = std::filesystem::file_size(dir.file("copies/plan.dxf"));
    ASSERT_LT(pdf, dxf);
    run("UPDATE graphic_reports SET status_id = 87, title = repeat('T', " + std::to_string(dxf) +
        ") WHERE graphic_report_id IN (9901, 9902)");
    const std::vector<std::string> previous = {"out/copied.pdf", "out/copied.xml", "copies/plan.dxf", "out/long.pdf",
                                               "out/long.xml"};
    for (const std::string& file : previous)
        writeFile(dir.file(file), "previous " + file);
    reports.getGraphicReports(proc.get(), &server, 87, 10);
    {
        const FileSizeLimit full((pdf + dxf) / 2);
        reports.prepareReports(proc.get(), 10);
    }
    EXPECT_EQ(statusLog(9901), "2 3 2 12");
    EXPECT_EQ(statusLog(9902), "2 3 2 13");
    for (const std::string& file : previous)
        EXPECT_EQ(readFile(dir.file(file)), "previous " + file);
    for (const char* cause : {"The drawing's copy was not saved: unable to save drawing to temp location ",
                              "The report's XML was not written: cannot write ", "File too large\n",
                              "An error has been detected please consult the error log\n"})
        EXPECT_NE(printed.find(cause), std::string::npos) << cause;
    const std::string logged = readFile(dir.file("errors.xml"));
    EXPECT_NE(logged.find("temp location"), std::string::npos);
    EXPECT_NE(logged.find("cannot write"), std::string::npos);
}

// A server restarted between reading the queue and running it, and one stopped while a report
// runs and started once a login has failed: the connection is made again, every report runs.
TEST_F(BatchRun, AServerRestartedBeforeTheRunIsConnectedAgainAndEveryReportRuns)
{
    qvtest::PrivateServer restarted;
    report(9951, 88, "plan.dxf", "first.pdf");
    report(9952, 88, "plan.dxf", "second.pdf");
    report(9953, 88, "plan.dxf", "third.pdf");
    auto proc = procedure();
    CGraphicReports reports;
    reports.getGraphicReports(proc.get(), &server, 88, 10);
    restarted.restart();
    qv::setOutputSink([&](const std::string& text) {
        if ((printed += text).ends_with("applying graphic report Report 9952.\n"))
            restarted.halt();
        else if (text.starts_with("The connection to the server database was lost and cannot be made yet"))
            restarted.restart();
    });
    reports.prepareReports(proc.get(), 10);
    for (int id : {9951, 9952, 9953})
        EXPECT_EQ(statusLog(id), "2 3") << id;
    EXPECT_NE(printed.find("The connection to the server database was lost and has been made again\n"),
              std::string::npos) << printed;
}

// Two batch runs on one queue, each in its own process with its own connection, and each
// having read the queue before either runs a report: every report is run once.
TEST_F(BatchRun, TwoRunsAtOnceRunEachReportOnce)
{
    for (int id = 9701; id <= 9710; ++id)
        report(id, 82, "plan.dxf", std::string("r") + std::to_string(id) + ".pdf");
    int toChild[2] = {};
    int toParent[2] = {};
    ASSERT_EQ(pipe(toChild), 0);
    ASSERT_EQ(pipe(toParent), 0);
    // Reads the queue, tells the other run, waits until it has read it too, and runs it.
    const auto batchRun = [&](int tell, int await) {
        auto proc = procedure();
        CGraphicReports reports;
        reports.getGraphicReports(proc.get(), &server, 82, 10);
        char byte = 0;
        if (write(tell, "q", 1) != 1 || read(await, &byte, 1) != 1)
            return false;
        reports.prepareReports(proc.get(), 10);
        return reports.count() == 10;
    };
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // No progress window in the child: Qt's painting threads of the parent are not in it.
        qv::setNoGui(true);
        close(toChild[1]);
        close(toParent[0]);
        bool ran = false;
        const bool clean = caught([&] { ran = batchRun(toParent[1], toChild[0]); }) == nullptr;
        _exit(clean && ran ? 0 : 1);
    }
    close(toChild[0]);
    close(toParent[1]);
    bool ran = false;
    EXPECT_EQ(caught([&] { ran = batchRun(toChild[1], toParent[0]); }), nullptr);
    close(toChild[1]);
    close(toParent[0]);
    int status = -1;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(ran);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    for (int id = 9701; id <= 9710; ++id) {
        EXPECT_EQ(statusLog(id), "2 3") << id;
        EXPECT_TRUE(startsWith(dir.file("out/r" + std::to_string(id) + ".pdf"), "%PDF")) << id;
    }
}

// Reports another session changed after the queue was read: one taken off the queue (and
// renamed) is skipped and its status left alone, one renamed only runs under its new name,
// one deleted is skipped with nothing written, one cancelled while it runs keeps that and
// its old file, with a line; the run goes on to the next.
TEST_F(BatchRun, AReportRunsAsItIsWhenClaimedOrIsSkipped)
{
    report(9711, 83, "plan.dxf", "taken.pdf");
    report(9712, 83, "plan.dxf", "old.pdf");
    report(9713, 83, "plan.dxf", "deleted.pdf", dir.file("copies"));
    report(9714, 83, "plan.dxf", "last.pdf");
    report(9715, 83, "plan.dxf", "cancelled.pdf");
    writeFile(dir.file("out/cancelled.pdf"), "old");
    qv::setOutputSink([&](const std::string& text) {
        if ((printed += text).ends_with("applying graphic report Report 9715.\n"))
            run("UPDATE graphic_reports SET status_id = 999 WHERE graphic_report_id = 9715");
    });
    auto proc = procedure();
    CGraphicReports reports;
    reports.getGraphicReports(proc.get(), &server, 83, 10);
    run("UPDATE graphic_reports SET status_id = 1, output_filename = 'renamed.pdf' WHERE graphic_report_id = 9711;"
        "UPDATE graphic_reports SET output_filename = 'new.pdf', title = 'Renamed' WHERE graphic_report_id = 9712;"
        "DELETE FROM graphic_reports WHERE graphic_report_id = 9713");
    reports.prepareReports(proc.get(), 10);
    EXPECT_EQ(statusLog(9711), "");
    EXPECT_EQ(statusLog(9712), "2 3");
    EXPECT_NE(printed.find("applying graphic report Renamed.\n"), std::string::npos) << printed;
    EXPECT_EQ(statusLog(9714), "2 3");
    EXPECT_EQ(statusLog(9715), "2");
    EXPECT_NE(printed.find("Graphic report 9715: its status 3 was not recorded: it is no longer the run's claim"),
              std::string::npos);
    // The reports skipped are counted in one line, at the end of the run.
    EXPECT_TRUE(printed.ends_with("Graphic reports skipped, no longer queued (another run took them, or they were "
                                  "changed or deleted): 2\n")) << printed;
    EXPECT_EQ(printed.find("skipped"), printed.rfind("skipped"));
    std::vector<std::string> written;
    for (const auto& entry : std::filesystem::directory_iterator(dir.file("out")))
        written.push_back(entry.path().filename().string());
    std::sort(written.begin(), written.end());
    EXPECT_EQ(written, (std::vector<std::string>{"cancelled.pdf", "last.pdf", "last.xml", "new.pdf", "new.xml"}));
    EXPECT_EQ(readFile(dir.file("out/cancelled.pdf")), "old");
    EXPECT_TRUE(std::filesystem::is_empty(dir.file("copies")));
}

// A queue status that a byte cannot hold is refused, naming it, and nothing is read or run;
// reports whose plot type cannot be plotted to get their statuses, each with a line saying
// why, and the run goes on; a PNG report's XML is named after the PNG file.
TEST_F(BatchRun, AWideQueueStatusIsRefusedAndUnplottableTypesGetTheirStatuses)
{
    report(9721, 55, "plan.dxf", "byte.pdf");   // 311 cut to a byte
    report(9722, 84, "plan.dxf", "dwf.pdf");
    report(9723, 84, "plan.dxf", "none.pdf");
    report(9724, 84, "plan.dxf", "next.pdf");
    report(9725, 84, "plan.dxf", "shot.pdf");   // plotted as shot.png, its XML named after it
    run("UPDATE graphic_reports SET plot_type_id = 3 WHERE graphic_report_id = 9725;"
        "UPDATE graphic_reports SET plot_type_id = 0 WHERE graphic_report_id = 9722;"
        "UPDATE graphic_reports SET plot_type_id = NULL WHERE graphic_report_id = 9723");
    auto proc = procedure();
    CGraphicReports wide;
    const Chain refused = caught([&] { wide.getGraphicReports(proc.get(), &server, 311, 10); });
    ASSERT_NE(refused, nullptr);
    ASSERT_NE(refused->getInnerException(), nullptr);
    EXPECT_EQ(refused->getInnerException()->getDescription(), "The queue status 311 is outside 0 to 255");
    EXPECT_EQ(wide.count(), 0);

    CGraphicReports reports;
    reports.getGraphicReports(proc.get(), &server, 84, 10);
    reports.prepareReports(proc.get(), 10);
    EXPECT_EQ(statusLog(9721), "");
    EXPECT_EQ(statusLog(9722), "2 16");
    EXPECT_EQ(statusLog(9723), "2 14");
    EXPECT_EQ(statusLog(9724), "2 3");
    EXPECT_EQ(statusLog(9725), "2 3");
    EXPECT_TRUE(std::filesystem::exists(dir.file("out/shot.xml")));
    EXPECT_NE(printed.find("Graphic report 9722 not run: the DWF device cannot be plotted to here"),
              std::string::npos)
        << printed;
    EXPECT_NE(printed.find("Graphic report 9723 not run: its plot type names no plot device.\n"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir.file("out/dwf.dwf")));
    EXPECT_TRUE(startsWith(dir.file("out/next.pdf"), "%PDF"));
}

// A report title of 10 KB with a line break is echoed on one line of 100 characters and
// "...", cut between characters; a category title's controls are echoed as blanks. The
// report written back keeps the whole title.
TEST_F(BatchRun, LongTitlesAreEchoedOnOneBoundedLine)
{
    report(9731, 85, "plan.dxf", "title.pdf");
    run("UPDATE graphic_reports SET title = repeat('é', 5000) || E'\\nSecond line' WHERE graphic_report_id = 9731;"
        "INSERT INTO graphic_report_categories (category_id, graphic_report_id, title, hatch_pattern) VALUES "
        "(97311, 9731, E'Offices\\r\\n\\tand\\x01 more', 'SOLID')");
    auto proc = procedure();
    CGraphicReports reports;
    reports.getGraphicReports(proc.get(), &server, 85, 10);
    reports.prepareReports(proc.get(), 10);
    EXPECT_EQ(statusLog(9731), "2 3");
    std::string line = "applying graphic report ";
    for (int i = 0; i < 100; ++i)
        line.append("é");
    EXPECT_NE(printed.find(line + "....\n"), std::string::npos) << printed;
    EXPECT_NE(printed.find("\tapplying category Offices   and  more.\n"), std::string::npos) << printed;
    EXPECT_EQ(printed.find("Second line"), std::string::npos);
    CGraphicReport written;
    ASSERT_TRUE(written.deSerialize(dir.file("out/title.xml").c_str()));
    EXPECT_EQ(written.getTitle().GetLength(), 10000 + 12);
}
