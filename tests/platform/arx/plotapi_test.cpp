// The host's plot API over the plot engine: settings refused as a host refuses them, the
// engine's order of calls, failures of drawing reported by the engine, refused engines, and
// the progress dialog with and without a display.
#include "editor_drawing.h"

#include "arx/acplplotengine.h"
#include "arx/acplplotfactory.h"
#include "arx/acplplotinfovalidator.h"
#include "arx/acplplotpageinfo.h"
#include "arx/acplplotprogress.h"
#include "arx/dbplotsetval.h"
#include "common/tempdir.h"
#include "win/headless.h"

#include <filesystem>

namespace {

constexpr const char* kPdf = "DWG To PDF.pc3";
constexpr const char* kA3 = "ISO_A3_(420.00_x_297.00_MM)";

class PlotApi : public EditorDrawing
{
protected:
    PlotApi() { add(line(AcGePoint3d(0, 0, 0), AcGePoint3d(1000, 500, 0))); }

    AcDbObjectId modelLayout() const { return acdbLayoutManager()->findLayoutNamed("Model", const_cast<AcDbDatabase*>(&db)); }

    // Sets the model layout's device, as the validator does.
    void setDevice(const char* device)
    {
        AcDbLayout* layout = nullptr;
        ASSERT_EQ(acdbOpenObject(layout, modelLayout(), AcDb::kForWrite), Acad::eOk);
        layout->setPlotCfgName(device);
        layout->close();
    }

    // Runs the engine through one sheet of the info to path; the statuses in order.
    std::vector<Acad::ErrorStatus> plotSheet(AcPlPlotEngine& engine, AcPlPlotInfo& info, const std::string& path)
    {
        AcPlPlotPageInfo page;
        return {engine.beginPlot(nullptr),           engine.beginDocument(info, "plan.dxf", nullptr, 1, true, path.c_str()),
                engine.beginPage(page, info, true), engine.beginGenerateGraphics(),
                engine.endGenerateGraphics(),       engine.endPage(),
                engine.endDocument(),               engine.endPlot()};
    }

    static AcDbLine* line(AcGePoint3d from, AcGePoint3d to) { return new AcDbLine(from, to); }

    TempDir dir;
};

} // namespace

TEST_F(PlotApi, TheValidatorRefusesDevicesAndMediaTheHostDoesNotHave)
{
    AcDbPlotSettingsValidator* validator = acdbHostApplicationServices()->plotSettingsValidator();
    AcDbPlotSettings settings(true);
    EXPECT_EQ(validator->setPlotCfgName(&settings, kPdf, kA3), Acad::eOk);
    EXPECT_EQ(settings.plotCfgName(), kPdf);
    EXPECT_EQ(settings.canonicalMediaName(), kA3);
    double width = 0, height = 0;
    settings.getPlotPaperSize(width, height);
    EXPECT_DOUBLE_EQ(width, 420);
    EXPECT_DOUBLE_EQ(height, 297);

    EXPECT_EQ(validator->setPlotCfgName(&settings, "Plotter 9000.pc3"), Acad::eInvalidInput);
    EXPECT_EQ(validator->setPlotCfgName(&settings, "PublishToWeb PNG.pc3", "Napkin"), Acad::eInvalidInput);
    EXPECT_EQ(validator->setCanonicalMediaName(&settings, "Napkin"), Acad::eInvalidInput);
    EXPECT_EQ(validator->setPlotCfgName(&settings, nullptr), Acad::eInvalidInput);
    EXPECT_EQ(settings.plotCfgName(), kPdf) << "a refused call changes nothing";
    EXPECT_EQ(settings.canonicalMediaName(), kA3);

    EXPECT_EQ(validator->setStdScaleType(&settings, 35), Acad::eInvalidInput);
    EXPECT_EQ(validator->setPlotType(&settings, static_cast<AcDbPlotSettings::PlotType>(6)), Acad::eInvalidInput);
    EXPECT_EQ(validator->setPlotRotation(&settings, AcDbPlotSettings::k90degrees), Acad::eOk);
    EXPECT_EQ(settings.plotRotation(), AcDbPlotSettings::k90degrees);
    EXPECT_EQ(validator->refreshLists(nullptr), Acad::eNullObjectPointer);
}

TEST_F(PlotApi, InfoValidationChecksTheSettingsThatWillBeUsed)
{
    AcPlPlotInfoValidator validator;
    AcPlPlotInfo info;
    EXPECT_EQ(validator.validate(info), Acad::eInvalidLayout);
    info.setLayout(modelLayout());
    setDevice("Plotter 9000.pc3");
    EXPECT_EQ(validator.validate(info), Acad::eInvalidPlotInfo);
    EXPECT_FALSE(info.isValidated());

    // Overrides stand in for the layout's own settings, and are the info's own copy.
    AcDbPlotSettings overrides(true);
    overrides.setPlotCfgName(kPdf);
    info.setOverrideSettings(&overrides);
    overrides.setPlotCfgName("Plotter 9000.pc3");
    EXPECT_EQ(validator.validate(info), Acad::eOk);
    ASSERT_TRUE(info.validatedSettings());
    EXPECT_EQ(info.validatedSettings()->plotCfgName(), kPdf);
    info.setLayout(modelLayout());
    EXPECT_FALSE(info.isValidated()) << "a new layout needs validating again";
}

TEST_F(PlotApi, TheEngineDrawsTheSheetInOrderAndReportsFailures)
{
    AcPlPlotEngine* engine = nullptr;
    ASSERT_EQ(AcPlPlotFactory::createPublishEngine(engine), Acad::eOk);
    AcPlPlotInfo info;
    info.setLayout(modelLayout());
    setDevice(kPdf);

    // Out of order, or not to a file: refused, and the engine can still be used.
    AcPlPlotPageInfo page;
    EXPECT_EQ(engine->beginPage(page, info, true), Acad::eNotApplicable);
    EXPECT_EQ(engine->beginPlot(nullptr), Acad::eOk);
    EXPECT_EQ(engine->beginDocument(info, "plan.dxf", nullptr, 1, false, "x.pdf"), Acad::eNotImplementedYet);
    EXPECT_EQ(engine->beginDocument(info, "plan.dxf", nullptr, 1, true, ""), Acad::eInvalidInput);
    EXPECT_EQ(engine->endPlot(), Acad::eOk);

    const std::string pdf = dir.file("plan.pdf");
    for (Acad::ErrorStatus status : plotSheet(*engine, info, pdf))
        EXPECT_EQ(status, Acad::eOk);
    EXPECT_TRUE(std::filesystem::exists(pdf));
    EXPECT_TRUE(engine->errorMessage().empty());

    // A sheet that cannot be drawn fails every call of its page and document, with a reason.
    setDevice("DWF6 ePlot.pc3");
    const std::vector<Acad::ErrorStatus> statuses = plotSheet(*engine, info, dir.file("plan.dwf"));
    EXPECT_EQ(statuses[2], Acad::eOk);
    for (size_t i = 3; i < 7; ++i)
        EXPECT_NE(statuses[i], Acad::eOk) << "call " << i;
    EXPECT_EQ(statuses[7], Acad::eOk);
    EXPECT_FALSE(engine->errorMessage().empty());
    EXPECT_FALSE(std::filesystem::exists(dir.file("plan.dwf")));

    setDevice(kPdf);
    const std::vector<Acad::ErrorStatus> unwritable = plotSheet(*engine, info, dir.file("missing/plan.pdf"));
    EXPECT_NE(unwritable[3], Acad::eOk);
    engine->destroy();
}

TEST_F(PlotApi, TheFactoryCanBeMadeToRefuseEngines)
{
    AcPlPlotFactory::setRefusal(Acad::eCreateFailed);
    AcPlPlotEngine* engine = reinterpret_cast<AcPlPlotEngine*>(this);
    EXPECT_EQ(AcPlPlotFactory::createPublishEngine(engine), Acad::eCreateFailed);
    EXPECT_EQ(engine, nullptr);
    AcPlPlotFactory::setRefusal(Acad::eOk);
    ASSERT_EQ(AcPlPlotFactory::createPublishEngine(engine), Acad::eOk);
    engine->destroy();
}

TEST_F(PlotApi, WithoutADisplayTheProgressGoesToTheCommandLine)
{
    qv::setNoGui(true);
    AcPlPlotProgressDialog* dialog = acplCreatePlotProgressDialog(nullptr);
    EXPECT_FALSE(dialog->hasWindow());
    EXPECT_TRUE(dialog->setPlotMsgString(AcPlPlotProgressDialog::kDialogTitle, "Engine - DWG To PDF.pc3"));
    EXPECT_FALSE(dialog->setPlotMsgString(static_cast<AcPlPlotProgressDialog::PlotMSGIndex>(10), "x"));
    dialog->setPlotMsgString(AcPlPlotProgressDialog::kSheetProgressCaption, "Sheet Progress");
    dialog->onBeginPlot(); // not visible yet: nothing shown
    dialog->setIsVisible(true);
    dialog->onBeginPlot();
    dialog->setSheetProgressRange(0, 50);
    dialog->setSheetProgressPos(25);
    dialog->setSheetProgressPos(200);
    EXPECT_EQ(dialog->sheetProgressPos(), 50);
    EXPECT_EQ(std::string(dialog->getPlotMsgString(AcPlPlotProgressDialog::kDialogTitle)), "Engine - DWG To PDF.pc3");
    dialog->destroy();
    qv::setNoGui(false);
    EXPECT_EQ(output, "\nEngine - DWG To PDF.pc3\nSheet Progress: 50%\nSheet Progress: 100%");
}

TEST_F(PlotApi, WithADisplayTheProgressIsAWindow)
{
    AcPlPlotProgressDialog* dialog = acplCreatePlotProgressDialog(nullptr);
    ASSERT_TRUE(dialog->hasWindow());
    dialog->setIsVisible(true);
    dialog->onBeginPlot();
    dialog->setPlotProgressPos(100);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_FALSE(dialog->isPlotCancelled());
    dialog->destroy();
    EXPECT_EQ(output, "") << "a window shows the progress instead of the command line";
}
