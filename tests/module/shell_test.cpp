#include "arx/acdocman.h"
#include "arx/acedcmd.h"
#include "arx/acutprintf.h"
#include "arx/dbdatabase.h"
#include "arx/dbsymtb.h"
#include "common/chain.h"
#include "common/hostproduct.h"
#include "common/tempdir.h"
#include "module/commandframe.h"
#include "module/moduleentry.h"
#include "module/preferences.h"
#include "support/exrecords.h"
#include "support/kavroguard.h"
#include "win/messagebox.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

// The module's folders under a fresh application-data folder.
class AppData
{
public:
    AppData()
    {
        setenv("XDG_DATA_HOME", dir.path().c_str(), 1);
        checkPreferencesExist();
    }
    ~AppData() { unsetenv("XDG_DATA_HOME"); }
    std::string prefs() const { return dir.file("KavroSystems/Quorvane/prefs/prefs.cfg"); }
    TempDir dir;
};

} // namespace

TEST(ModuleEntry, FullHostsRegisterThirtySevenCommandsOthersThirtyFive)
{
    AppData appData;
    HostProduct host("AutoCAD 2019");
    const struct { const char* product; int commands; } cases[] = {
        {"AutoCAD 2019", 37}, {"BricsCAD V19", 37}, {"AutoCAD LT 2019", 35}, {"Other CAD", 35}};
    for (const auto& c : cases) {
        host.use(c.product);
        EXPECT_EQ(acrxEntryPoint(AcRx::kInitAppMsg, this), AcRx::kRetOK);
        EXPECT_EQ(acedRegCmds->commandCount(), c.commands) << c.product;
        EXPECT_EQ(acedRegCmds->lookupCmd("klmc") != nullptr, c.commands == 37);
        ASSERT_TRUE(acedRegCmds->lookupCmd("kavroUpdateSpaces"));
        EXPECT_EQ(acedRegCmds->lookupCmd("KUS")->flags, ACRX_CMD_SESSION);
        EXPECT_EQ(acedRegCmds->lookupCmd("ksm")->flags, ACRX_CMD_MODAL);
        EXPECT_EQ(acrxEntryPoint(AcRx::kLoadDwgMsg, this), AcRx::kRetOK);
        EXPECT_EQ(acedRegCmds->commandCount(), c.commands);
        EXPECT_EQ(acrxEntryPoint(AcRx::kUnloadAppMsg, this), AcRx::kRetOK);
        EXPECT_EQ(acedRegCmds->commandCount(), 0) << c.product;
    }
    EXPECT_TRUE(std::filesystem::is_directory(appData.dir.file("KavroSystems/Quorvane/prefs")));
    EXPECT_TRUE(std::filesystem::is_directory(appData.dir.file("KavroSystems/Quorvane/temp")));
}

TEST(CommandFrame, TitlesFailuresAndCancels)
{
    acDocManager->appContextNewDocument();
    std::vector<std::string> boxes;
    qv::setMessageBoxSink([&](const qv::MessageBoxCall& call) {
        boxes.push_back(call.caption + "|" + call.text);
        return IDOK;
    });
    std::string out = captured([] {
        runCommand("updateSpaces", "Kavro Update Spaces", [](CAcadDrawing* drawing) {
            EXPECT_EQ(drawing->getDocument(), acDocManager->curDocument());
            kavroGuard("CBlocks::getKavroDWGBlocks_SS", "/src/blocks/blocks.cpp",
                       [] { throw new CEXInvalidHandle("2F", KAVRO_PRODUCT_CAPTION, "blockdwg.cpp", "CBlockDWG::load"); });
        });
    });
    EXPECT_EQ(out, "Kavro Update Spaces 64.04.03.00\n");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], "Error Detected.|slabmend::updateSpaces\n\tblocks::CBlocks::getKavroDWGBlocks_SS\n"
                        "\t\tblockdwg::CBlockDWG::load\n\nInvalid Handle - 2F");

    out = captured([] {
        runCommand("kgabc", nullptr, [](CAcadDrawing*) { throw 42; }, "\nUnhandled Error - Block Creation Failed\n");
    });
    EXPECT_EQ(out, "\nUnhandled Error - Block Creation Failed\n");
    runCommand("updateTextSize", nullptr, [](CAcadDrawing*) { throw std::runtime_error("x"); });
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1], "Error Detected.|slabmend::updateTextSize\n\nunhandled error");

    out = captured([] {
        runCommand("updateSpaces", nullptr, [](CAcadDrawing*) {
            kavroGuard("C::m", "c.cpp", [] { throw new CEXCancelled(KAVRO_PRODUCT_CAPTION, "u.cpp", "CAcadUtilities::getString"); });
        });
    });
    EXPECT_EQ(out, "\n*Cancel*\n");
    EXPECT_EQ(boxes.size(), 2u);
    qv::setMessageBoxSink(nullptr);
    acDocManager->closeAll();
}

TEST(CommandFrame, BlockDefinitionsAreFoundByExactName)
{
    acDocManager->appContextNewDocument();
    AcDbDatabase* db = acDocManager->curDocument()->database();
    AcDbBlockTable* table = nullptr;
    ASSERT_EQ(db->getSymbolTable(table, AcDb::kForWrite), Acad::eOk);
    auto* record = new AcDbBlockTableRecord;
    record->setName("ROOM-GROSS_AREA");
    table->add(record);
    record->close();
    table->close();
    CAcadDrawing drawing;
    drawing.setDocument(acDocManager->curDocument());
    EXPECT_FALSE(blockDefinitionExists(&drawing, "ROOM-GROSS_AREA")); // not open
    drawing.setOpen(TRUE);
    drawing.setKeepOpen(TRUE);
    EXPECT_TRUE(blockDefinitionExists(&drawing, "ROOM-GROSS_AREA"));
    EXPECT_FALSE(blockDefinitionExists(&drawing, "room-gross_area"));
    EXPECT_FALSE(blockDefinitionExists(&drawing, "*Model_Space"));
    EXPECT_EQ(db->openObjectCount(), 0);
    acDocManager->closeAll();
}

TEST(Preferences, DefaultsWhenTheFileIsMissingEmptyOrBroken)
{
    AppData appData;
    for (const char* content : std::initializer_list<const char*>{nullptr, "", "garbage\n\x01\x02\n", "units\n"}) {
        if (content)
            writeFile(appData.prefs(), content);
        CPreferences prefs;
        prefs.loadPreferences();
        EXPECT_EQ(prefs.getUnits(), CMeasureUnits::kMetric);
        EXPECT_EQ(prefs.getPrecision(), 2);
        EXPECT_EQ(prefs.getTextSize(), 250.0);
        EXPECT_EQ(prefs.getTextScale(), 1.0);
        EXPECT_EQ(prefs.getTextRotation(), 0.0);
        EXPECT_EQ(prefs.getInc(), 1);
        EXPECT_EQ(prefs.getCsvOpener(), "NONE");
        EXPECT_EQ(prefs.getZoomBorder(), 1000.0);
    }
    CPreferences missing;
    std::filesystem::remove(appData.prefs());
    EXPECT_FALSE(missing.loadPreferences());
}

TEST(Preferences, TheFileIsWrittenExactlyAndReadsBack)
{
    AppData appData;
    CPreferences prefs;
    prefs.setUnits(CMeasureUnits::kImperial);
    prefs.setPrecision(3);
    prefs.setTextRotation(-90);
    prefs.setCsvOpener("/usr/bin/libreoffice");
    prefs.setInc(5);
    ASSERT_TRUE(prefs.savePreferences());
    const std::string text = readFile(appData.prefs());
    EXPECT_EQ(text.substr(text.find("//\r\n//\tConfiguration file for Quorvane\r\n//\r\n")),
              "//\r\n//\tConfiguration file for Quorvane\r\n//\r\n"
              "units\r\n1\r\nprecison\r\n3\r\ntextSize\r\n250.00\r\ntextScale\r\n1.00\r\ntextRotation\r\n-90.00\r\n"
              "csvOpener\r\n/usr/bin/libreoffice\r\nzoomBorder\r\n1000\r\ninc\r\n5\r\n");
    EXPECT_EQ(text.rfind("//\t", 0), 0u);
    CPreferences back;
    ASSERT_TRUE(back.loadPreferences());
    EXPECT_EQ(back.getUnits(), CMeasureUnits::kImperial);
    EXPECT_EQ(back.getPrecision(), 3);
    EXPECT_EQ(back.getTextRotation(), -90.0);
    EXPECT_EQ(back.getCsvOpener(), "/usr/bin/libreoffice");
    EXPECT_EQ(back.getInc(), 5);
}

TEST(Preferences, ReadingIsForgivingAboutOrderBlanksAndUnknownKeys)
{
    AppData appData;
    writeFile(appData.prefs(), "// notice\n//\n//\tConfiguration file for Quorvane\n//\n"
                               "inc\n 7 \nunits   trailing\n1\nmystery\nvalue\ntextSize\n 300.5\n"
                               "inc\n9\ncsvOpener\n  /opt/sheet  \nprecison\n\n\ntextScale\n3.0\n");
    CPreferences prefs;
    ASSERT_TRUE(prefs.loadPreferences());
    EXPECT_EQ(prefs.getInc(), 9);
    EXPECT_EQ(prefs.getUnits(), CMeasureUnits::kImperial);
    EXPECT_EQ(prefs.getTextSize(), 300.5);
    EXPECT_EQ(prefs.getCsvOpener(), "/opt/sheet");
    EXPECT_EQ(prefs.getPrecision(), 0);
    EXPECT_EQ(prefs.getTextScale(), 1.0); // after the empty line nothing is read
}

TEST(Preferences, ValuesTheProgramCannotUseAreBroughtIntoRange)
{
    AppData appData;
    const auto read = [&](const std::string& values) {
        writeFile(appData.prefs(), "//\n//\n//\tConfiguration file for Quorvane\n//\n" + values);
        CPreferences prefs;
        EXPECT_TRUE(prefs.loadPreferences());
        return prefs;
    };
    CPreferences prefs = read("units\n2\nprecison\n2000000000\ntextSize\n1e999\ntextScale\n-3\ntextRotation\n1e308\n"
                              "zoomBorder\n1e999\n");
    EXPECT_EQ(prefs.getUnits(), CMeasureUnits::kMetric);
    EXPECT_EQ(prefs.getPrecision(), 1074);
    EXPECT_EQ(prefs.getTextSize(), 250.0);
    EXPECT_EQ(prefs.getTextScale(), 0.1);
    EXPECT_EQ(prefs.getTextRotation(), std::fmod(1e308, 360.0));
    EXPECT_LT(std::fabs(prefs.getTextRotation()), 360.0);
    EXPECT_EQ(prefs.getZoomBorder(), 1000.0);

    prefs = read("precison\n-9\ntextSize\n0\ntextScale\n-1e400\ntextRotation\n-1170.5\nzoomBorder\n-2e308\n");
    EXPECT_EQ(prefs.getPrecision(), -1);
    EXPECT_EQ(prefs.getTextSize(), 0.1);
    EXPECT_EQ(prefs.getTextScale(), 1.0);
    EXPECT_EQ(prefs.getTextRotation(), -90.5);
    EXPECT_EQ(prefs.getZoomBorder(), 1000.0);

    prefs = read("textRotation\n1e400\n");
    EXPECT_EQ(prefs.getTextRotation(), 0.0);

    // Values in range are kept exactly, the edges of each range included.
    prefs = read("precison\n1074\ntextSize\n0.001\ntextScale\n1e300\ntextRotation\n-360\nzoomBorder\n-20.25\n");
    EXPECT_EQ(prefs.getPrecision(), 1074);
    EXPECT_EQ(prefs.getTextSize(), 0.001);
    EXPECT_EQ(prefs.getTextScale(), 1e300);
    EXPECT_EQ(prefs.getTextRotation(), -360.0);
    EXPECT_EQ(prefs.getZoomBorder(), -20.25);
    prefs = read("precison\n-1\ntextRotation\n359.75\n");
    EXPECT_EQ(prefs.getPrecision(), -1);
    EXPECT_EQ(prefs.getTextRotation(), 359.75);

    // What was brought into range is what a save writes back.
    prefs = read("precison\n99999\ntextSize\n-1\n");
    ASSERT_TRUE(prefs.savePreferences());
    const std::string text = readFile(appData.prefs());
    EXPECT_NE(text.find("precison\r\n1074\r\ntextSize\r\n0.10\r\n"), std::string::npos);
}

TEST(Preferences, AFailedSaveLeavesTheOldFileWhole)
{
    AppData appData;
    CPreferences prefs;
    ASSERT_TRUE(prefs.savePreferences());
    const std::string before = readFile(appData.prefs());
    const std::string folder = appData.dir.file("KavroSystems/Quorvane/prefs");
    std::filesystem::permissions(folder, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec |
                                             std::filesystem::perms::others_read | std::filesystem::perms::others_exec);
    std::filesystem::permissions(appData.dir.path(), std::filesystem::perms::all);
    for (auto p = std::filesystem::path(folder).parent_path(); p != appData.dir.path(); p = p.parent_path())
        std::filesystem::permissions(p, std::filesystem::perms::all);
    const int result = runUnprivileged([&] {
        std::vector<std::string> boxes;
        qv::setMessageBoxSink([&](const qv::MessageBoxCall& call) {
            boxes.push_back(call.caption);
            return IDOK;
        });
        CPreferences changed;
        changed.setUnits(CMeasureUnits::kImperial);
        const bool saved = changed.savePreferences();
        return !saved && boxes.size() == 1 && boxes[0] == "Error - Configuration Not Saved" ? 0 : 1;
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(readFile(appData.prefs()), before);
}
