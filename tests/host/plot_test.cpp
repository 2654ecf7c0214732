// Plotting a drawing to a file on each host's road, the layout's plot settings it leaves,
// and the failures that must be reported rather than passed off as plotted.
#include "arx/acdocman.h"
#include "arx/aced.h"
#include "arx/acedinput.h"
#include "arx/acplplotfactory.h"
#include "arx/acutprintf.h"
#include "arx/dbcurves.h"
#include "arx/dbdatabase.h"
#include "arx/plotrender.h"
#include "common/hostproduct.h"
#include "common/tempdir.h"
#include "host/acaddrawing.h"
#include "host/acadutilities.h"
#include "support/exkavro.h"
#include "win/headless.h"

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>

namespace {

// A drawing with a line in model space and a paper layout, opened from its DXF file by
// folder and file name as the report run opens it; command-line output is captured.
class PlotTest : public ::testing::Test
{
protected:
    PlotTest()
    {
        qv::setOutputSink([this](const std::string& text) { output += text; });
    }
    ~PlotTest() override
    {
        qv::setOutputSink({});
        qv::setCommandRunner(nullptr);
        AcPlPlotFactory::setRefusal(Acad::eOk);
        acDocManager->closeAll();
    }

    std::unique_ptr<CAcadDrawing> openPlan()
    {
        acDocManager->appContextNewDocument();
        AcDbObjectId id;
        CAcadDrawing current;
        current.setDocument(acDocManager->curDocument());
        current.setOpen(TRUE);
        current.setKeepOpen(TRUE);
        current.postToDrawing(id, new AcDbLine(AcGePoint3d(0, 0, 0), AcGePoint3d(4000, 3000, 0)));
        acDocManager->curDocument()->database()->saveAs(plan.file("plan.dxf").c_str());
        acDocManager->closeAll();
        auto drawing = std::make_unique<CAcadDrawing>(plan.folder().c_str(), "plan.dxf");
        drawing->setKeepOpen(TRUE);
        return drawing;
    }

    // The named layout's settings, read into a copy.
    std::unique_ptr<AcDbPlotSettings> settingsOf(const char* layoutName)
    {
        auto copy = std::make_unique<AcDbPlotSettings>();
        AcDbLayout* layout = nullptr;
        EXPECT_EQ(acdbOpenObject(layout, acdbLayoutManager()->findLayoutNamed(layoutName), AcDb::kForRead), Acad::eOk);
        if (layout) {
            copy->copyFrom(layout);
            layout->close();
        }
        return copy;
    }

    // The description at the end of a raised chain, and the chain's procSigs outermost first.
    static std::string failure(const std::function<void()>& call, std::vector<std::string>* procSigs = nullptr)
    {
        try {
            call();
        } catch (CEXKavro* e) {
            std::string description;
            for (CEXKavro* r = e; r; r = r->getInnerException()) {
                if (procSigs)
                    procSigs->push_back(r->getProcSig().str());
                description = r->getDescription().str();
            }
            CEXKavro::deleteChain(e);
            return description;
        }
        return "nothing raised";
    }

    TempDir plan, out;
    std::string output;
};

} // namespace

TEST_F(PlotTest, TheAutoCADRoadPlotsTheLayoutWithTheOptionsGiven)
{
    HostProduct product("AutoCAD 2019");
    auto drawing = openPlan();
    // useSettings 0: extents scaled to fit, whatever the other options say.
    CString layout = "Layout1";
    EXPECT_EQ(drawing->plot(layout, out.folder().c_str(), "sheet", 1, 0, 1, 16, 4, 20, 0), 3);
    EXPECT_TRUE(std::filesystem::exists(out.file("sheet.pdf")));
    auto fit = settingsOf("Layout1");
    EXPECT_EQ(fit->plotCfgName(), "DWG To PDF.pc3");
    EXPECT_EQ(fit->plotType(), AcDbPlotSettings::kExtents);
    EXPECT_TRUE(fit->useStandardScale());
    EXPECT_EQ(fit->stdScaleType(), AcDbPlotSettings::kScaleToFit);

    // The options applied; rotationFlag 0 turns the plot by 90 degrees, any other not.
    EXPECT_EQ(drawing->plot(layout, out.folder().c_str(), "sheet2.pdf", 3, 1, 1, 16, 1, 20, 0), 3);
    EXPECT_TRUE(std::filesystem::exists(out.file("sheet2.png")));
    auto applied = settingsOf("Layout1");
    EXPECT_EQ(applied->plotCfgName(), "PublishToWeb PNG.pc3");
    EXPECT_EQ(applied->stdScaleType(), 16);
    EXPECT_TRUE(applied->plotCentered());
    EXPECT_EQ(applied->canonicalMediaName(), CAcadUtilities::convertMediaSize(static_cast<MediaSize>(20)));
    EXPECT_EQ(applied->plotRotation(), AcDbPlotSettings::k90degrees);
    EXPECT_TRUE(applied->printLineweights() && applied->scaleLineweights() && applied->plotPlotStyles());
    drawing->plot(layout, out.folder().c_str(), "sheet3", 1, 1, 0, 16, 1, 20, 1);
    EXPECT_EQ(settingsOf("Layout1")->plotRotation(), AcDbPlotSettings::k0degrees);
    EXPECT_FALSE(settingsOf("Layout1")->plotCentered());

    // An empty layout name plots the active layout and gives its name back.
    CString active;
    EXPECT_EQ(drawing->plot(active, out.folder().c_str(), "active", 1, 0, 0, 0, 1, 0, 1), 3);
    EXPECT_EQ(active, "Layout1");
}

TEST_F(PlotTest, AMissingFolderOrAClosedDrawingPlotsNothing)
{
    auto drawing = openPlan();
    const auto before = settingsOf("Model");
    CString layout = "Model";
    EXPECT_EQ(drawing->plot(layout, out.file("none").c_str(), "sheet", 1, 1, 1, 16, 1, 20, 0), 8);
    EXPECT_EQ(settingsOf("Model")->plotCfgName(), before->plotCfgName());
    EXPECT_EQ(settingsOf("Model")->plotRotation(), before->plotRotation());

    CAcadDrawing closed;
    EXPECT_EQ(closed.plot(layout, out.folder().c_str(), "sheet", 1, 0, 0, 0, 1, 0, 1), 0);
    EXPECT_TRUE(std::filesystem::is_empty(out.path()));
    std::vector<std::string> procSigs;
    EXPECT_NE(failure([&] { drawing->plot(layout, out.folder().c_str(), "", 1, 0, 0, 0, 1, 0, 1); }, &procSigs),
              "nothing raised");
    EXPECT_EQ(procSigs.front(), "CAcadDrawing::plot");
}

TEST_F(PlotTest, FailedPlotsAreReportedNeverPassedOffAsPlotted)
{
    auto drawing = openPlan();
    CString layout = "Model";
    std::vector<std::string> procSigs;
    AcPlPlotFactory::setRefusal(Acad::eCreateFailed);
    EXPECT_EQ(failure([&] { drawing->plot(layout, out.folder().c_str(), "a", 1, 0, 0, 0, 1, 0, 1); }, &procSigs),
              "unable to create the publish engine: nothing was plotted");
    EXPECT_EQ(procSigs, (std::vector<std::string>{"CAcadDrawing::plot", "CAcadDrawing::autoCADPlotToFile",
                                                  "CAcadDrawing::autoCADPlotToFile"}));
    AcPlPlotFactory::setRefusal(Acad::eOk);

    const std::string dwf = failure([&] { drawing->plot(layout, out.folder().c_str(), "a", 0, 0, 0, 0, 1, 0, 1); });
    EXPECT_EQ(dwf.rfind("unable to plot layout Model to " + out.file("a.dwf") + " - ", 0), 0u) << dwf;
    CString missing = "Layout9";
    EXPECT_NE(failure([&] { drawing->plot(missing, out.folder().c_str(), "a", 1, 0, 0, 0, 1, 0, 1); }).find("eKeyNotFound"),
              std::string::npos);
    EXPECT_TRUE(std::filesystem::is_empty(out.path()));

    // A folder the plot can see but not write to.
    using std::filesystem::perms;
    std::filesystem::permissions(out.path(), perms::owner_all | perms::group_read | perms::group_exec |
                                                 perms::others_read | perms::others_exec);
    std::filesystem::create_directory(out.file("locked"));
    std::filesystem::permissions(out.file("locked"), perms::owner_read | perms::owner_exec | perms::group_read |
                                                         perms::group_exec | perms::others_read | perms::others_exec);
    const int status = runUnprivileged([&] {
        qv::setNoGui(true); // no windows from a forked process
        return failure([&] { drawing->plot(layout, out.file("locked").c_str(), "a", 1, 0, 0, 0, 1, 0, 1); })
                       .rfind("unable to plot layout", 0) == 0 ? 0 : 1;
    });
    EXPECT_EQ(status, 0);
}

TEST_F(PlotTest, TheBricsCADRoadExportsThroughTheHostsCommand)
{
    HostProduct product("BricsCAD V19");
    auto drawing = openPlan();
    const std::string target = out.file("sheet.pdf");
    writeFile(target, "an older plot");
    // The host's EXPORT: it asks for the path and plots the current layout by its extension.
    bool foundOldFile = true;
    short fileDialogsDuringExport = -1;
    qv::setCommandRunner([&](const std::string& name) {
        if (name != "EXPORT")
            return false;
        const qv::InputLine path = qv::readInput();
        foundOldFile = std::filesystem::exists(path.text);
        resbuf value;
        acedGetVar("FILEDIA", &value);
        fileDialogsDuringExport = value.resval.rint;
        AcDbPlotSettings settings;
        settings.setPlotCfgName("DWG To PDF.pc3");
        qv::PlotRequest request{acdbHostApplicationServices()->workingDatabase(),
                                acdbLayoutManager()->getActiveLayoutId(), &settings, path.text};
        return qv::plotLayout(request).status == Acad::eOk;
    });
    resbuf previous;
    previous.restype = RTSHORT;
    previous.resval.rint = 0;
    acedSetVar("FILEDIA", &previous);
    CString layout;
    EXPECT_EQ(drawing->plot(layout, out.folder().c_str(), "sheet", 1, 0, 0, 0, 1, 0, 1), 3);
    EXPECT_EQ(layout, "Model");
    EXPECT_FALSE(foundOldFile) << "the old file is removed before the export";
    EXPECT_NE(readFile(target), "an older plot");
    EXPECT_EQ(fileDialogsDuringExport, 0);
    resbuf after;
    acedGetVar("FILEDIA", &after);
    EXPECT_EQ(after.resval.rint, 0) << "FILEDIA is put back as it was";
    EXPECT_NE(output.find(target + "\n\n"), std::string::npos);
    EXPECT_TRUE(settingsOf("Model")->printLineweights());

    // An export that writes nothing fails clearly.
    qv::setCommandRunner([](const std::string&) { return false; });
    EXPECT_EQ(failure([&] { drawing->plot(layout, out.folder().c_str(), "none", 1, 0, 0, 0, 1, 0, 1); }),
              "unable to export layout Model to " + out.file("none.pdf"));
    previous.resval.rint = 1;
    acedSetVar("FILEDIA", &previous);
}
