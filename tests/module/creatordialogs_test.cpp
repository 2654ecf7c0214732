// The block creator ("kbc") and the hyperlink dialog ("kbh") opened by their commands on the
// offscreen platform, driven with clicks and keys while the picks are answered by input
// lines; what they make is checked through the model, in prefs.cfg and, after saving, with
// ezdxf.
#include "arx/acdocman.h"
#include "arx/acedcmd.h"
#include "arx/acedinput.h"
#include "arx/dbblockref.h"
#include "arx/dbcurves.h"
#include "arx/dbdatabase.h"
#include "arx/dbsymtb.h"
#include "blocks/blockdwg.h"
#include "blocks/hyperlinks.h"
#include "common/chain.h"
#include "common/tempdir.h"
#include "host/hostguards.h"
#include "module/hyperpres.h"
#include "module/moduleentry.h"
#include "module/presblockcreation.h"
#include "module/resource.h"
#include "support/exrecords.h"
#include "support/kavroguard.h"
#include "win/messagebox.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <gtest/gtest.h>
#include <sstream>
#include <unistd.h>

namespace {

// Input lines for the prompts; before giving each line the source runs what the test wants
// done while that prompt waits (a click on the dialog, say).
class ScriptedInput : public qv::InputSource
{
public:
    struct Step
    {
        std::string line;
        std::function<void()> meanwhile;
    };
    explicit ScriptedInput(std::vector<Step> steps) : m_steps(std::move(steps)) {}
    std::optional<std::string> readLine(const std::string&, qv::InputKind) override
    {
        if (m_next >= m_steps.size())
            return std::nullopt;
        Step& step = m_steps[m_next++];
        if (step.meanwhile)
            step.meanwhile();
        return step.line;
    }
    bool interactive() const override { return false; }

private:
    std::vector<Step> m_steps;
    size_t m_next = 0;
};

class CreatorDialogsTest : public testing::Test
{
protected:
    void SetUp() override
    {
        setenv("XDG_DATA_HOME", dir.path().c_str(), 1);
        qv::setModalDriver([](CDialog&) {}); // the load's preferences dialog is cancelled
        acrxEntryPoint(AcRx::kInitAppMsg, this);
        writePrefs("units\n0\nprecison\n2\ntextSize\n250\ntextScale\n1\ntextRotation\n0\ninc\n1\n");
        qv::setMessageBoxSink([this](const qv::MessageBoxCall& call) {
            boxes.push_back(call.caption + ": " + call.text);
            return answer;
        });
        ASSERT_EQ(acDocManager->appContextNewDocument(), Acad::eOk);
        db = acDocManager->curDocument()->database();
    }
    void TearDown() override
    {
        closeDialogs();
        EXPECT_EQ(db->openObjectCount(), 0) << "objects left open";
        EXPECT_EQ(acDocManager->curDocument()->lockCount(), 0) << "drawing left locked";
        acDocManager->closeAll();
        acDocManager->takePendingInput();
        qv::setInputSource(nullptr);
        acrxEntryPoint(AcRx::kUnloadAppMsg, this);
        qv::setMessageBoxSink(nullptr);
        qv::setModalDriver([](CDialog&) {});
        unsetenv("XDG_DATA_HOME");
    }

    std::string prefsPath() const { return dir.file("KavroSystems/Quorvane/prefs/prefs.cfg"); }
    void writePrefs(const std::string& body)
    {
        writeFile(prefsPath(), "//\tQuorvane\n//\n//\tConfiguration file for Quorvane\n//\n" + body);
    }
    std::map<std::string, std::string> saved() const
    {
        std::map<std::string, std::string> values;
        std::istringstream in(readFile(prefsPath()));
        std::string key, value;
        for (int i = 0; i < 4; ++i)
            std::getline(in, key);
        while (std::getline(in, key) && std::getline(in, value)) {
            key.erase(key.find_last_not_of('\r') + 1);
            value.erase(value.find_last_not_of('\r') + 1);
            values[key] = value;
        }
        return values;
    }

    AcDbObjectId post(AcDbEntity* entity, AcDbObjectId owner = AcDbObjectId())
    {
        AcDbBlockTableRecord* record = nullptr;
        EXPECT_EQ(acdbOpenObject(record, owner.isNull() ? db->modelSpaceId() : owner, AcDb::kForWrite), Acad::eOk);
        AcDbObjectId id;
        EXPECT_EQ(record->appendAcDbEntity(id, entity), Acad::eOk);
        entity->close();
        record->close();
        return id;
    }
    // A rectangle in millimetres, closed unless told otherwise; "#handle" picks it.
    std::string rectangle(double x, double y, double width, double height, bool closed = true,
                          AcDbObjectId owner = AcDbObjectId())
    {
        auto* polyline = new AcDbPolyline;
        polyline->addVertexAt(0, AcGePoint2d(x, y));
        polyline->addVertexAt(1, AcGePoint2d(x + width, y));
        polyline->addVertexAt(2, AcGePoint2d(x + width, y + height));
        polyline->addVertexAt(3, AcGePoint2d(x, y + height));
        polyline->setClosed(closed);
        polyline->setDatabaseDefaults(db);
        return pick(post(polyline, owner));
    }
    static std::string pick(AcDbObjectId id)
    {
        std::string text = id.handle().text();
        text.insert(text.begin(), '#');
        return text;
    }
    AcDbObjectId definition(const char* name)
    {
        AcDbBlockTable* table = nullptr;
        EXPECT_EQ(db->getSymbolTable(table, AcDb::kForWrite), Acad::eOk);
        auto* record = new AcDbBlockTableRecord;
        record->setName(name);
        AcDbObjectId id;
        EXPECT_EQ(table->add(id, record), Acad::eOk);
        record->close();
        table->close();
        return id;
    }
    AcDbObjectId reference(AcDbObjectId definitionId, double x, double y)
    {
        auto* made = new AcDbBlockReference;
        made->setBlockTableRecord(definitionId);
        made->setPosition(AcGePoint3d(x, y, 0));
        return post(made);
    }

    // Runs the command and gives the dialog it opened (the new top-level window with the caption).
    template <class Dialog>
    Dialog* open(const char* command, const char* caption)
    {
        const QWidgetList before = QApplication::topLevelWidgets();
        acedRegCmds->lookupCmd(command)->function();
        QApplication::processEvents();
        QWidget* found = nullptr;
        for (QWidget* window : QApplication::topLevelWidgets())
            if (window->isVisible() && window->windowTitle() == caption && !before.contains(window))
                found = window;
        return found ? dynamic_cast<Dialog*>(CWnd::FromHandle(found)) : nullptr;
    }
    static int visibleCount(const char* caption)
    {
        int count = 0;
        for (QWidget* window : QApplication::topLevelWidgets())
            count += window->isVisible() && window->windowTitle() == caption;
        return count;
    }
    // Ends every dialog left open and lets the deferred deletions run.
    void closeDialogs()
    {
        for (QWidget* window : QApplication::topLevelWidgets())
            if (auto* dialog = dynamic_cast<CDialog*>(CWnd::FromHandle(window)); dialog && window->isVisible())
                dialog->SendMessage(WM_CLOSE);
        flush();
    }
    static void flush()
    {
        QTest::qWait(1);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    static QLineEdit* edit(CDialog* dialog, int id) { return static_cast<QLineEdit*>(dialog->GetDlgItem(id)->widget()); }
    static QWidget* control(CDialog* dialog, int id) { return dialog->GetDlgItem(id)->widget(); }
    static void retype(CDialog* dialog, int id, const QString& text)
    {
        QLineEdit* field = edit(dialog, id);
        field->setFocus();
        field->selectAll();
        QTest::keyClick(field, Qt::Key_Delete);
        QTest::keyClicks(field, text);
    }
    // Types over the whole text, as a user who selected it does.
    static void typeOver(CDialog* dialog, int id, const QString& text)
    {
        QLineEdit* field = edit(dialog, id);
        field->setFocus();
        field->selectAll();
        QTest::keyClicks(field, text);
    }
    static void click(CDialog* dialog, int id) { QTest::mouseClick(control(dialog, id), Qt::LeftButton); }

    // Saves the drawing and lists with ezdxf each block reference of model space as
    // "definition|NAME|AREA|hyperlink|description|ADE items", after the audit's complaints.
    std::vector<std::string> savedReferences()
    {
        const std::string path = dir.file("saved.dxf");
        EXPECT_EQ(db->saveAs(path.c_str()), Acad::eOk);
        const std::string script =
            "import sys, ezdxf\n"
            "doc = ezdxf.readfile(sys.argv[1])\n"
            "auditor = doc.audit()\n"
            "for e in auditor.errors + auditor.fixes: print('audit', e.message)\n"
            "for r in doc.modelspace().query('INSERT'):\n"
            "    a = {t.dxf.tag: t.dxf.text for t in r.attribs}\n"
            "    link = r.get_hyperlink()\n"
            "    ade = len(r.get_xdata('ADE')) if r.has_xdata('ADE') else 0\n"
            "    print('|'.join([r.dxf.name, a.get('NAME', '-'), a.get('AREA', '-'), link[0] or '-', link[1] or '-', "
            "str(ade)]))\n";
        writeFile(dir.file("list.py"), script);
        std::string output;
        if (FILE* pipe = popen(("/usr/bin/python3 " + dir.file("list.py") + " " + path).c_str(), "r")) {
            char buffer[4096];
            size_t read = 0;
            while ((read = fread(buffer, 1, sizeof buffer, pipe)) > 0)
                output.append(buffer, read);
            pclose(pipe);
        }
        std::vector<std::string> lines;
        std::istringstream in(output);
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }

    TempDir dir;
    AcDbDatabase* db = nullptr;
    std::vector<std::string> boxes;
    int answer = IDYES;
};

// ---- the block creator ----

TEST_F(CreatorDialogsTest, NextNamesCountOnFromTheHighestNumber)
{
    CPresBlockCreation dialog;
    const std::pair<const char*, const char*> cases[] = {
        {"Room ", "Room 1"},       {"Room 12", "Room 13"}, {"Room 007", "Room 008"}, {"Room 099", "Room 100"},
        {"Room 99", "Room 100"},   {"Room 009", "Room 010"}, {"Level 2.5", "Level 2.6"}, {"Store", "Store1"},
        {"42", "43"},              {"A-3", "A-4"},
    };
    for (const auto& [highest, next] : cases) {
        dialog.incrementBlockName(highest);
        EXPECT_EQ(dialog.getNextBlockName(), next) << highest;
    }
    dialog.getPreferences()->setInc(5);
    dialog.incrementBlockName("Room 3");
    EXPECT_EQ(dialog.getNextBlockName(), "Room 8");

    EXPECT_EQ(CPresBlockCreation::parseNameNumber("Lab 10"), 10);
    EXPECT_EQ(CPresBlockCreation::parseNameNumber("Lab"), 0);
    EXPECT_EQ(CPresBlockCreation::parseNameNumber("Level 2.5"), 5);

    dialog.setNamePrefix("R-");
    dialog.setNamePrefix(""); // ignored
    dialog.setNumberWidth(3);
    dialog.setNextNumber(7);
    dialog.buildNextBlockName();
    EXPECT_EQ(dialog.getNextBlockName(), "R-007");
    dialog.setNextNumber(12345);
    dialog.buildNextBlockName();
    EXPECT_EQ(dialog.getNextBlockName(), "R-12345");
    EXPECT_EQ(dialog.getNumberWidth(), 5);

    EXPECT_TRUE(CPresBlockCreation::isAreaText("FLOOR 2 NET AREA"));
    EXPECT_TRUE(CPresBlockCreation::isAreaText("CELULAR AREA"));
    EXPECT_FALSE(CPresBlockCreation::isAreaText("net area"));
}

TEST_F(CreatorDialogsTest, ASessionMakesRoomBlocksWithProposedAndTypedNames)
{
    definition("ROOM-3");
    definition("ROOM-10"); // unreferenced definitions still count
    definition("ROOM-GROSS_AREA");
    const std::string first = rectangle(0, 0, 4000, 3000), second = rectangle(5000, 0, 2000, 2500);
    auto* dialog = open<CPresBlockCreation>("kbc", "Kavro Block Creator");
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(edit(dialog, IDC_NEXT_NAME)->text(), "Room 1");
    EXPECT_EQ(dialog->getNextBlockIdentifier(), "ROOM-11");
    EXPECT_EQ(edit(dialog, IDC_TEXT_SIZE)->text(), "250");
    EXPECT_FALSE(control(dialog, IDC_CREATOR_ADD_AREA)->isVisible());
    EXPECT_FALSE(control(dialog, IDC_CREATOR_SUB_AREA)->isVisible());

    retype(dialog, IDC_NEXT_NAME, "Lab 7");
    bool closeRefused = false;
    qv::setInputSource(std::make_unique<ScriptedInput>(std::vector<ScriptedInput::Step>{
        {first,
         [&] {
             // While the pick waits the dialog refuses to close and its buttons are off.
             dialog->widget()->close();
             QTest::keyClick(edit(dialog, IDC_NEXT_NAME), Qt::Key_Escape);
             closeRefused = dialog->IsWindowVisible() && !control(dialog, IDCANCEL)->isEnabled() &&
                            !control(dialog, IDC_CMD_START)->isEnabled() && edit(dialog, IDC_TEXT_SIZE)->isEnabled();
         }},
        {"1000,1000", nullptr},
        {second, [&] { EXPECT_EQ(edit(dialog, IDC_NEXT_NAME)->text(), "Lab 8"); }},
        {"6000,1000", nullptr},
        {"^C", nullptr},
    }));
    const std::string out = captured([&] { click(dialog, IDC_CMD_START); });
    EXPECT_TRUE(closeRefused);
    const std::string pickPrompt = "\n\nPlease select a polyline:\n\n";
    const std::string made = "Select Name and Area Text Position:\n\nEnter Attribute points: Block Created Successfully\n";
    EXPECT_EQ(out, "\nBlock Creation Session Started\n" + pickPrompt + made + pickPrompt + made + pickPrompt +
                       "Cancelled by User.\n\nBlock Creation Session Ended\n");
    EXPECT_EQ(acDocManager->takePendingInput(), "\x1B");
    EXPECT_TRUE(control(dialog, IDCANCEL)->isEnabled());
    EXPECT_TRUE(control(dialog, IDC_CMD_START)->isEnabled());
    EXPECT_EQ(edit(dialog, IDC_NEXT_NAME)->text(), "Lab 9");
    EXPECT_EQ(dialog->getNextBlockIdentifier(), "ROOM-13");
    EXPECT_TRUE(boxes.empty());

    EXPECT_EQ(savedReferences(), (std::vector<std::string>{"ROOM-11|Lab 7|12.00sq.m.|-|-|18",
                                                           "ROOM-12|Lab 8|5.00sq.m.|-|-|18"}));
}

TEST_F(CreatorDialogsTest, ADuplicateNameIsAskedAboutAndNoLeavesTheOutlineInPlace)
{
    const std::string first = rectangle(0, 0, 1000, 1000), second = rectangle(2000, 3000, 1000, 1000);
    const std::string unclosed = rectangle(4000, 0, 500, 500, false);
    auto* dialog = open<CPresBlockCreation>("kbc", "Kavro Block Creator");
    ASSERT_NE(dialog, nullptr);
    // Under a UCS turned a quarter and moved, a refused outline must not be left in UCS
    // coordinates.
    ASSERT_EQ(db->setUcs(AcGePoint3d(300, 400, 0), AcGeVector3d::kYAxis, -AcGeVector3d::kXAxis), Acad::eOk);
    qv::setInputSource(qv::makeLineInput({first, "0,0", unclosed, "^C"}));
    std::string out = captured([&] { click(dialog, IDC_CMD_START); });
    EXPECT_NE(out.find("Block Created Successfully\n"), std::string::npos);
    EXPECT_NE(out.find("\nInvalid Selection - Polyline is not closed\n\n"), std::string::npos);
    EXPECT_EQ(edit(dialog, IDC_NEXT_NAME)->text(), "Room 2");

    answer = IDNO;
    ASSERT_EQ(db->saveAs(dir.file("made.dxf").c_str()), Acad::eOk);
    retype(dialog, IDC_NEXT_NAME, "Room 1");
    qv::setInputSource(qv::makeLineInput({second, "0,0", "^C"}));
    out = captured([&] { click(dialog, IDC_CMD_START); });
    EXPECT_EQ(db->dbmod(), 0); // No changes nothing, and leaves the drawing unchanged
    EXPECT_EQ(boxes, std::vector<std::string>{"Duplicate Space Name: Room Name already exists in the drawing.\n\n"
                                              "Do you want another space of the same name creating?"});
    EXPECT_EQ(out.find("Block Created"), std::string::npos);
    EXPECT_EQ(edit(dialog, IDC_NEXT_NAME)->text(), "Room 2"); // recomputed after No as well
    {
        AcDbObjectId id;
        ASSERT_EQ(db->getAcDbObjectId(id, false, AcDbHandle(second.substr(1))), Acad::eOk);
        AcDbPolyline* polyline = nullptr;
        ASSERT_EQ(acdbOpenObject(polyline, id, AcDb::kForRead), Acad::eOk);
        AcGePoint2d corner;
        polyline->getPointAt(0, corner);
        EXPECT_EQ(polyline->ownerId(), db->modelSpaceId());
        polyline->close();
        EXPECT_NEAR(corner.x, 2000, 1e-9);
        EXPECT_NEAR(corner.y, 3000, 1e-9);
    }

    answer = IDYES;
    retype(dialog, IDC_NEXT_NAME, "Room 1");
    qv::setInputSource(qv::makeLineInput({second, "0,0", "^C"}));
    out = captured([&] { click(dialog, IDC_CMD_START); });
    EXPECT_NE(out.find("Block Created Successfully\n"), std::string::npos);
    EXPECT_EQ(savedReferences(), (std::vector<std::string>{"ROOM-1|Room 1|1.00sq.m.|-|-|18",
                                                           "ROOM-2|Room 1|1.00sq.m.|-|-|18"}));
}

// The text edits are saved as the dialog takes them, at Start and for each block, and as it
// closes; what is typed on the way to a value is not.
TEST_F(CreatorDialogsTest, TextEditsAreSavedWhenTakenKeepingWhatOthersSaved)
{
    const std::string outline = rectangle(0, 0, 1000, 1000);
    auto* dialog = open<CPresBlockCreation>("kbc", "Kavro Block Creator");
    ASSERT_NE(dialog, nullptr);
    // Another dialog saves the units meanwhile; the creator's edits must not revert them.
    writePrefs("units\n1\nprecison\n1\ntextSize\n250\ntextScale\n1\ntextRotation\n0\ninc\n1\n");
    typeOver(dialog, IDC_TEXT_SCALE, "12.53");
    typeOver(dialog, IDC_TEXT_ROTATION, "-45");
    typeOver(dialog, IDC_TEXT_SIZE, "0");
    EXPECT_EQ(saved().at("textScale"), "1");
    qv::setInputSource(qv::makeLineInput({"^C"}));
    captured([&] { click(dialog, IDC_CMD_START); });
    EXPECT_EQ(saved().at("textScale"), "12.53");
    EXPECT_EQ(saved().at("textRotation"), "-45.00");
    EXPECT_EQ(saved().at("textSize"), "0.00");
    // A text size of 0 becomes 1 (saved) when the block is made.
    qv::setInputSource(qv::makeLineInput({outline, "0,0", "^C"}));
    captured([&] { click(dialog, IDC_CMD_START); });
    EXPECT_EQ(saved().at("textSize"), "1.00");
    EXPECT_EQ(edit(dialog, IDC_TEXT_SIZE)->text(), "1");
    // Closing keeps an edit that holds a number, not one that holds more.
    typeOver(dialog, IDC_TEXT_SCALE, "2");
    typeOver(dialog, IDC_TEXT_ROTATION, "90x");
    click(dialog, IDCANCEL);
    EXPECT_EQ(saved().at("textScale"), "2.00");
    EXPECT_EQ(saved().at("textRotation"), "-45.00");
    EXPECT_EQ(saved().at("units"), "1");
    EXPECT_TRUE(boxes.empty());
}

// A text edit that holds more than a number keeps what was typed; Start reports it and starts
// no session, and a block picked meanwhile in a session is not made.
TEST_F(CreatorDialogsTest, ATextEditWithMoreThanANumberStartsNoSessionAndMakesNoBlock)
{
    const std::string outline = rectangle(0, 0, 1000, 1000);
    auto* dialog = open<CPresBlockCreation>("kbc", "Kavro Block Creator");
    ASSERT_NE(dialog, nullptr);
    const std::vector<std::string> refused{std::string(AfxGetAppName()) + ": Please enter a number."};
    // "25x" over 250 passes through "25" as it is typed: nothing of it is saved, anywhere.
    const auto before = saved();
    for (int id : {IDC_TEXT_SIZE, IDC_TEXT_SCALE, IDC_TEXT_ROTATION}) {
        boxes.clear();
        const QString text = edit(dialog, id)->text();
        typeOver(dialog, id, "25x");
        EXPECT_EQ(captured([&] { click(dialog, IDC_CMD_START); }), "") << id;
        EXPECT_EQ(boxes, refused) << id;
        EXPECT_EQ(edit(dialog, id)->text(), "25x");
        EXPECT_EQ(dialog->widget()->focusWidget(), edit(dialog, id));
        EXPECT_EQ(saved(), before) << id;
        typeOver(dialog, id, text);
    }
    boxes.clear();
    qv::setInputSource(std::make_unique<ScriptedInput>(std::vector<ScriptedInput::Step>{
        {outline, [&] { typeOver(dialog, IDC_TEXT_SCALE, "25x"); }}, {"^C", nullptr}}));
    const std::string out = captured([&] { click(dialog, IDC_CMD_START); });
    EXPECT_EQ(boxes, refused);
    EXPECT_EQ(out.find("Select Name and Area Text Position"), std::string::npos) << out;
    EXPECT_EQ(savedReferences(), std::vector<std::string>{});
    EXPECT_EQ(saved(), before);
}

TEST_F(CreatorDialogsTest, OptionsSetsTheUnitsOfTheNextBlock)
{
    const std::string outline = rectangle(0, 0, 3048, 3048);
    auto* dialog = open<CPresBlockCreation>("kbc", "Kavro Block Creator");
    ASSERT_NE(dialog, nullptr);
    qv::setModalDriver([](CDialog& preferences) {
        QWidget* feet = preferences.GetDlgItem(IDC_UNITS_FEET)->widget();
        QTest::mouseClick(feet, Qt::LeftButton);
        QTest::mouseClick(preferences.GetDlgItem(IDOK)->widget(), Qt::LeftButton);
    });
    std::string out = captured([&] {
        for (QAction* action : dialog->widget()->findChildren<QAction*>())
            if (action->text() == "&Options")
                action->trigger();
    });
    EXPECT_EQ(out, "Units set to FT\xC2\xB2\n");
    EXPECT_EQ(saved().at("units"), "1");
    qv::setInputSource(qv::makeLineInput({outline, "0,0", "^C"}));
    captured([&] { click(dialog, IDC_CMD_START); });
    EXPECT_EQ(savedReferences(), std::vector<std::string>{"ROOM-1|Room 1|100.00sq.ft.|-|-|18"});
}

TEST_F(CreatorDialogsTest, EnterKeepsTheCreatorAndEscClosesAndFreesIt)
{
    auto* dialog = open<CPresBlockCreation>("kbc", "Kavro Block Creator");
    ASSERT_NE(dialog, nullptr);
    QTest::keyClick(edit(dialog, IDC_NEXT_NAME), Qt::Key_Return);
    QTest::keyClick(edit(dialog, IDC_TEXT_SIZE), Qt::Key_Enter);
    flush();
    EXPECT_EQ(visibleCount("Kavro Block Creator"), 1);
    // A second kbc opens a second, independent dialog.
    auto* second = open<CPresBlockCreation>("kbc", "Kavro Block Creator");
    EXPECT_NE(second, dialog);
    EXPECT_EQ(visibleCount("Kavro Block Creator"), 2);
    QTest::keyClick(edit(dialog, IDC_NEXT_NAME), Qt::Key_Escape);
    for (QAction* action : second->widget()->findChildren<QAction*>())
        if (action->text() == "E&xit")
            action->trigger();
    flush();
    EXPECT_EQ(visibleCount("Kavro Block Creator"), 0);
    for (QWidget* window : QApplication::topLevelWidgets())
        EXPECT_NE(window->windowTitle(), "Kavro Block Creator"); // deleted, not only hidden
}

// The hidden Sub Area and Add Area buttons, pressed by their commands.
TEST_F(CreatorDialogsTest, SubtractedAreasChangeOnlyASpaceBlockAndACancelledSelectionNothing)
{
    const std::string room = rectangle(0, 0, 4000, 3000);
    const std::string column = rectangle(500, 500, 1000, 1000);
    const AcDbObjectId door = reference(definition("DOOR"), 9000, 0);
    auto* dialog = open<CPresBlockCreation>("kbc", "Kavro Block Creator");
    ASSERT_NE(dialog, nullptr);
    qv::setInputSource(qv::makeLineInput({room, "0,0", "^C"}));
    captured([&] { click(dialog, IDC_CMD_START); });
    AcDbObjectId roomId;
    {
        AcDbBlockTableRecord* space = nullptr;
        ASSERT_EQ(acdbOpenObject(space, db->modelSpaceId(), AcDb::kForRead), Acad::eOk);
        forEachEntity(space, AcDb::kForRead, [&](AcDbEntity* entity) {
            if (CString(entity->isA()->name()) == "AcDbBlockReference" && entity->objectId() != door)
                roomId = entity->objectId();
            return true;
        });
        space->close();
    }
    auto stored = [&](AcDbObjectId id) {
        AcDbBlockReference* opened = nullptr;
        EXPECT_EQ(acdbOpenObject(opened, id, AcDb::kForRead), Acad::eOk);
        CBlockDWG block(opened, acDocManager->curDocument());
        opened->close();
        return std::make_tuple(block.getArea(), block.getHandlesToMinusAsString(), block.getXDataAppName());
    };
    auto subtract = [&](std::vector<std::string> lines) {
        qv::setInputSource(qv::makeLineInput(std::move(lines)));
        return captured([&] { dialog->SendMessage(WM_COMMAND, MAKEWPARAM(IDC_CREATOR_SUB_AREA, BN_CLICKED), 0); });
    };
    const std::string areasPrompt = "\nPlease Select Areas to Subtract (selected room/space blocks will be ignored)";
    std::string out = subtract({pick(roomId), column, pick(door), ""});
    EXPECT_EQ(std::get<0>(stored(roomId)), 11.0);
    EXPECT_EQ(std::get<1>(stored(roomId)), column.substr(1) + ",");
    EXPECT_FALSE(dialog->IsIconic());
    // Esc at the selection keeps the list, the area and the drawing as they were.
    out = subtract({pick(roomId), "^C"});
    EXPECT_EQ(out, "\nPlease select a Kavro Space\n" + areasPrompt);
    EXPECT_EQ(std::get<0>(stored(roomId)), 11.0);
    EXPECT_EQ(std::get<1>(stored(roomId)), column.substr(1) + ",");
    // A block that is no space block is refused and gets no space record.
    out = subtract({pick(door)});
    EXPECT_EQ(out, "\nPlease select a Kavro Space\n\nInvalid Space - Aborting...\n");
    EXPECT_EQ(std::get<2>(stored(door)), "No X Data");
    // Add Area takes polylines only; an empty selection confirmed empties the list.
    qv::setInputSource(qv::makeLineInput({pick(roomId), column, ""}));
    captured([&] { dialog->SendMessage(WM_COMMAND, MAKEWPARAM(IDC_CREATOR_ADD_AREA, BN_CLICKED), 0); });
    out = subtract({pick(roomId), ""});
    EXPECT_EQ(std::get<0>(stored(roomId)), 13.0);
    EXPECT_EQ(std::get<1>(stored(roomId)), "");
    EXPECT_TRUE(boxes.empty());
}

// The creator's drawing is closed while its session waits for a pick on a pipe: the pick is
// cancelled, the answers waiting in the pipe are left unread, and the creator closes once the
// session has ended; a hyperlink dialog of that drawing closes at once, one of another stays.
TEST_F(CreatorDialogsTest, TheDialogsCloseWithTheirDrawingAndAPickWaitingThenIsCancelled)
{
    const std::string outline = rectangle(0, 0, 1000, 1000);
    auto* staying = open<CHyperPres>("kbh", "Kavro Block Hyperlinking");
    ASSERT_EQ(acDocManager->appContextNewDocument(), Acad::eOk);
    AcApDocument* closing = acDocManager->curDocument();
    auto* creator = open<CPresBlockCreation>("kbc", "Kavro Block Creator");
    ASSERT_TRUE(staying && creator && open<CHyperPres>("kbh", "Kavro Block Hyperlinking"));
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    const std::string answers = outline + "\n0,0\n";
    ASSERT_EQ(write(ends[1], answers.data(), answers.size()), static_cast<ssize_t>(answers.size()));
    std::FILE* picks = fdopen(ends[0], "r");
    qv::setInputSource(qv::makeFileInput(picks, "picks"));
    QTimer::singleShot(0, [closing] { acDocManager->closeDocument(closing); });
    const std::string out = captured([&] { click(creator, IDC_CMD_START); });
    qv::setInputSource(nullptr);
    EXPECT_NE(out.find("Block Creation Session Ended"), std::string::npos) << out;
    EXPECT_EQ(out.find("Select Name and Area Text Position"), std::string::npos) << out;
    flush();
    EXPECT_EQ(visibleCount("Kavro Block Creator"), 0);
    EXPECT_EQ(visibleCount("Kavro Block Hyperlinking"), 1);
    EXPECT_TRUE(staying->IsWindowVisible());
    std::string unread(answers.size(), '\0');
    EXPECT_EQ(read(ends[0], unread.data(), unread.size()), static_cast<ssize_t>(answers.size()));
    EXPECT_EQ(unread, answers);
    std::fclose(picks);
    close(ends[1]);
    EXPECT_EQ(savedReferences(), std::vector<std::string>{}); // the outline is still no block
}

// Each dialog works on the drawing that was current when its command ran: while another is
// current, a pick or a write makes its own current first and says so, so that the pick is
// made there and the write goes there; the other drawing may then close without harm.
TEST_F(CreatorDialogsTest, TheDialogsPickAndWriteInTheirOwnDrawingMadeCurrentFirst)
{
    // Both drawings hold an outline and a door under the same handles.
    const auto draw = [&] {
        const std::string outline = rectangle(0, 0, 1000, 1000);
        return std::make_pair(outline, pick(reference(definition("DOOR"), 5000, 0)));
    };
    const auto ownHandles = draw();
    const auto& [outline, door] = ownHandles;
    AcApDocument* own = acDocManager->curDocument();
    AcDbDatabase* ownDb = db;
    auto* links = open<CHyperPres>("kbh", "Kavro Block Hyperlinking");
    auto* creator = open<CPresBlockCreation>("kbc", "Kavro Block Creator");
    ASSERT_TRUE(links && creator);
    const auto other = [&] {
        EXPECT_EQ(acDocManager->appContextNewDocument(), Acad::eOk);
        db = acDocManager->curDocument()->database();
        EXPECT_EQ(draw(), ownHandles);
        EXPECT_EQ(db->saveAs(dir.file("other.dxf").c_str()), Acad::eOk); // unchanged since (DBMOD 0)
        db = ownDb;
        return acDocManager->curDocument();
    };
    const std::string madeCurrent =
        "\nThis dialog works on \"" + std::string(own->fileName()) + "\": it is now the current drawing.\n";

    AcApDocument* second = other();
    qv::setInputSource(qv::makeLineInput({door}));
    std::string out = captured([&] { click(links, IDC_HYPERLINK_SELECT); });
    EXPECT_EQ(out, madeCurrent + "\nSelect a Block:  \n \nBlock Selected\n");
    EXPECT_EQ(acDocManager->curDocument(), own);
    acDocManager->closeDocument(second);
    retype(links, IDC_HYPERLINK1, "https://plans.example/door.pdf");
    acDocManager->setCurDocument(second = other());
    out = captured([&] { click(links, IDC_HYPERLINK_APPLY); });
    EXPECT_EQ(out, madeCurrent + "1 block affected.\n");

    acDocManager->setCurDocument(second);
    qv::setInputSource(qv::makeLineInput({outline, "0,0", "^C"}));
    out = captured([&] { click(creator, IDC_CMD_START); });
    EXPECT_EQ(out.find(madeCurrent), 0u) << out;
    EXPECT_NE(out.find("Block Created Successfully"), std::string::npos) << out;
    EXPECT_EQ(second->database()->dbmod(), 0);
    EXPECT_EQ(savedReferences(), (std::vector<std::string>{"DOOR|-|-|https://plans.example/door.pdf|"
                                                           "https://plans.example/door.pdf|0",
                                                           "ROOM-1|Room 1|1.00sq.m.|-|-|18"}));
    EXPECT_TRUE(boxes.empty());
}

// While the host waits for the answer to a question (CLOSE's "Save changes", another dialog's
// pick), a dialog's buttons do nothing: they would read that answer as their own.
TEST_F(CreatorDialogsTest, WhileTheHostAsksAQuestionTheDialogsButtonsDoNothing)
{
    const std::string outline = rectangle(0, 0, 1000, 1000);
    auto* links = open<CHyperPres>("kbh", "Kavro Block Hyperlinking");
    auto* creator = open<CPresBlockCreation>("kbc", "Kavro Block Creator");
    ASSERT_TRUE(links && creator);
    std::string meanwhile = "(not run)";
    qv::setInputSource(std::make_unique<ScriptedInput>(std::vector<ScriptedInput::Step>{
        {"N",
         [&] {
             meanwhile = captured([&] {
                 click(links, IDC_HYPERLINK_SELECT);
                 click(creator, IDC_CMD_START);
                 click(links, IDC_HYPERLINK_CANCEL);
                 QTest::keyClick(edit(creator, IDC_NEXT_NAME), Qt::Key_Escape);
             });
         }},
        {outline, nullptr},
        {"0,0", nullptr}}));
    const qv::InputLine answer = qv::readInput("Save changes? [Yes/No/Cancel] <Yes>: ", qv::InputKind::word);
    EXPECT_EQ(answer.text, "N");
    EXPECT_EQ(meanwhile, "");
    EXPECT_EQ(visibleCount("Kavro Block Hyperlinking"), 1);
    EXPECT_EQ(visibleCount("Kavro Block Creator"), 1);
    EXPECT_EQ(savedReferences(), std::vector<std::string>{});
}

// A module error that a window's handler lets out is caught where the framework dispatched
// the message and shown in the "Error Detected." box, as the dialogs' handlers show theirs.
class FailingAbout : public CDialog
{
public:
    FailingAbout() : CDialog(IDD_ABOUT) {}
    void OnFail() { throw new CEXInvalidHandle("2F", KAVRO_PRODUCT_CAPTION, "blockdwg.cpp", "CBlockDWG::load"); }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(FailingAbout, CDialog)
ON_BN_CLICKED(IDOK, &FailingAbout::OnFail)
END_MESSAGE_MAP()

TEST_F(CreatorDialogsTest, AModuleErrorAWindowsHandlerLetsOutIsShownAndTheWindowGoesOn)
{
    FailingAbout about;
    ASSERT_TRUE(about.Create(IDD_ABOUT));
    about.ShowWindow(SW_SHOW);
    for (int i = 0; i < 2; ++i)
        click(&about, IDOK);
    const std::string shown = "Error Detected.: dialogcommands::(anonymous namespace)::FailingAbout::WindowProc\n"
                              "\tblockdwg::CBlockDWG::load\n\nInvalid Handle - 2F";
    EXPECT_EQ(boxes, std::vector<std::string>(2, shown));
    EXPECT_TRUE(about.IsWindowVisible());
}

// ---- the hyperlink dialog ----

TEST_F(CreatorDialogsTest, HyperlinksTypedInARowAreAppliedToThePickedBlock)
{
    const std::string outline = rectangle(0, 0, 1000, 1000);
    const std::string other = rectangle(3000, 0, 1000, 1000);
    auto* creator = open<CPresBlockCreation>("kbc", "Kavro Block Creator");
    qv::setInputSource(qv::makeLineInput({outline, "0,0", other, "3000,0", "^C"}));
    captured([&] { click(creator, IDC_CMD_START); });
    closeDialogs();
    acDocManager->takePendingInput();

    CHyperPres* dialog = nullptr;
    std::string out = captured([&] { dialog = open<CHyperPres>("kbh", "Kavro Block Hyperlinking"); });
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(out, "Kavro Block Hyperlink 64.04.03.00\nPlease select a block to hyperlink\n");
    EXPECT_EQ(static_cast<QLabel*>(control(dialog, IDC_BLOCK_NAME))->text(), "Block not Selected");
    EXPECT_FALSE(control(dialog, IDOK)->isEnabled());
    EXPECT_FALSE(control(dialog, IDC_HYPERLINK_APPLY)->isEnabled());

    // The outlines went into their definitions: model space holds the two references, Room 2 last.
    AcDbObjectId roomId;
    {
        AcDbBlockTableRecord* space = nullptr;
        ASSERT_EQ(acdbOpenObject(space, db->modelSpaceId(), AcDb::kForRead), Acad::eOk);
        forEachEntity(space, AcDb::kForRead, [&](AcDbEntity* entity) {
            roomId = entity->objectId();
            return true;
        });
        space->close();
    }
    qv::setInputSource(qv::makeLineInput({pick(roomId)}));
    out = captured([&] { click(dialog, IDC_HYPERLINK_SELECT); });
    EXPECT_EQ(out, "\nSelect a Block:  \n \nBlock Selected\n");
    EXPECT_EQ(static_cast<QLabel*>(control(dialog, IDC_BLOCK_NAME))->text(), "Room 2");
    EXPECT_EQ(static_cast<QLabel*>(control(dialog, IDC_BLOCK_HANDLE))->text().toStdString(), pick(roomId).substr(1));
    EXPECT_TRUE(control(dialog, IDC_HYPERLINK_APPLY)->isEnabled());

    // The description follows the address as it is typed, until the user writes his own.
    retype(dialog, IDC_HYPERLINK2, "http://b");
    EXPECT_EQ(edit(dialog, IDC_DESCRIPTION2)->text(), "http://b");
    retype(dialog, IDC_DESCRIPTION2, "Plans");
    QTest::keyClicks(edit(dialog, IDC_HYPERLINK2), "/x");
    EXPECT_EQ(edit(dialog, IDC_DESCRIPTION2)->text(), "Plans");
    // A cleared address drops its row; a repeated one is written once, with its first row's description.
    retype(dialog, IDC_DESCRIPTION1, "orphan");
    retype(dialog, IDC_HYPERLINK4, "http://b/x");
    retype(dialog, IDC_DESCRIPTION4, "later");
    out = captured([&] { click(dialog, IDC_HYPERLINK_APPLY); });
    EXPECT_EQ(out, "1 block affected.\n");
    // Re-read from the drawing: the entity keeps one hyperlink, the first of the list.
    EXPECT_EQ(edit(dialog, IDC_HYPERLINK1)->text(), "http://b/x");
    EXPECT_EQ(edit(dialog, IDC_DESCRIPTION1)->text(), "Plans");
    EXPECT_TRUE(dialog->IsWindowVisible());

    // OK applies again and ends the dialog: the block and wrapper are released with an ESC.
    out = captured([&] { click(dialog, IDOK); });
    EXPECT_EQ(out, "1 block affected.\n");
    EXPECT_EQ(acDocManager->takePendingInput(), "\x1B");
    flush();
    EXPECT_EQ(visibleCount("Kavro Block Hyperlinking"), 0);
    const std::vector<std::string> saved = savedReferences();
    ASSERT_EQ(saved.size(), 2u);
    EXPECT_EQ(saved[0], "ROOM-1|Room 1|1.00sq.m.|-|-|18");
    EXPECT_EQ(saved[1], "ROOM-2|Room 2|1.00sq.m.|http://b/x|Plans|18");
}

TEST_F(CreatorDialogsTest, ApplyToAllLinksEveryReferenceOfAPlainBlockWithoutASpaceRecord)
{
    const AcDbObjectId door = definition("DOOR");
    std::vector<AcDbObjectId> doors;
    for (int i = 0; i < 4; ++i)
        doors.push_back(reference(door, 1000.0 * i, 0));
    reference(definition("WINDOW"), 0, 5000);
    auto* circle = new AcDbCircle(AcGePoint3d(0, 0, 0), AcGeVector3d::kZAxis, 100);
    const AcDbObjectId circleId = post(circle);

    auto* dialog = open<CHyperPres>("kbh", "Kavro Block Hyperlinking");
    ASSERT_NE(dialog, nullptr);
    // A circle changes nothing; a cancelled pick keeps what was there.
    qv::setInputSource(qv::makeLineInput({pick(circleId)}));
    std::string out = captured([&] { click(dialog, IDC_HYPERLINK_SELECT); });
    EXPECT_EQ(out, "\nSelect a Block:  \n \n");
    EXPECT_FALSE(control(dialog, IDC_HYPERLINK_APPLY)->isEnabled());
    qv::setInputSource(qv::makeLineInput({pick(doors[2])}));
    captured([&] { click(dialog, IDC_HYPERLINK_SELECT); });
    qv::setInputSource(qv::makeLineInput({"^C"}));
    out = captured([&] { click(dialog, IDC_HYPERLINK_SELECT); });
    EXPECT_EQ(out, "\nSelect a Block: A new block has not been selected\n");
    EXPECT_FALSE(dialog->IsIconic());
    EXPECT_EQ(static_cast<QLabel*>(control(dialog, IDC_BLOCK_HANDLE))->text().toStdString(), pick(doors[2]).substr(1));

    retype(dialog, IDC_HYPERLINK1, "file:///doors.pdf");
    QTest::mouseClick(control(dialog, IDC_APPLY_TO_ALL), Qt::LeftButton);
    EXPECT_TRUE(static_cast<QCheckBox*>(control(dialog, IDC_APPLY_TO_ALL))->isChecked());
    out = captured([&] { click(dialog, IDC_HYPERLINK_APPLY); });
    EXPECT_EQ(out, "4 block(s) affected.\n");
    EXPECT_FALSE(static_cast<QCheckBox*>(control(dialog, IDC_APPLY_TO_ALL))->isChecked()); // refilled
    EXPECT_TRUE(boxes.empty());

    // Esc ends the dialog as Cancel does.
    QTest::keyClick(edit(dialog, IDC_HYPERLINK1), Qt::Key_Escape);
    EXPECT_EQ(acDocManager->takePendingInput(), "\x1B");
    flush();
    EXPECT_EQ(visibleCount("Kavro Block Hyperlinking"), 0);
    EXPECT_EQ(savedReferences(), (std::vector<std::string>{
                                     "DOOR|-|-|file:///doors.pdf|file:///doors.pdf|0",
                                     "DOOR|-|-|file:///doors.pdf|file:///doors.pdf|0",
                                     "DOOR|-|-|file:///doors.pdf|file:///doors.pdf|0",
                                     "DOOR|-|-|file:///doors.pdf|file:///doors.pdf|0",
                                     "WINDOW|-|-|-|-|0",
                                 }));
}

// Pictures of the two dialogs as the offscreen platform draws them; with QV_DIALOG_PICTURES
// naming a folder they are kept there for the README.
TEST_F(CreatorDialogsTest, PicturesOfTheDialogs)
{
    const char* folder = std::getenv("QV_DIALOG_PICTURES");
    const std::string out = folder && *folder ? std::string(folder) + "/" : dir.folder();
    auto* creator = open<CPresBlockCreation>("kbc", "Kavro Block Creator");
    auto* hyperlinks = open<CHyperPres>("kbh", "Kavro Block Hyperlinking");
    ASSERT_TRUE(creator && hyperlinks);
    retype(hyperlinks, IDC_HYPERLINK1, "https://plans.example/level-2.pdf");
    retype(hyperlinks, IDC_DESCRIPTION1, "Level 2 plan");
    QApplication::processEvents();
    for (auto [dialog, name] : {std::pair<CDialog*, const char*>{creator, "dialog-block-creator.png"},
                                {hyperlinks, "dialog-hyperlinks.png"}}) {
        ASSERT_TRUE(dialog->widget()->grab().save(QString::fromStdString(out + name)));
        EXPECT_EQ(QImage(QString::fromStdString(out + name)).size(), dialog->widget()->size());
    }
    // The creator is a wide strip (293 by 60 units below its menu), the hyperlink dialog 296 by 179.
    EXPECT_GT(hyperlinks->widget()->height(), 2 * creator->widget()->height());
}

} // namespace
