// The block editor and the tabbed block dialog, shown on the offscreen platform and driven
// with clicks and keys on a real drawing; what they write is read back through the model
// and, saved, with ezdxf. Picks in the drawing are answered by input lines.
#include "../blocks/fixture.h"

#include "arx/acedinput.h"
#include "arx/acedcmd.h"
#include "blocks/attributes.h"
#include "blocks/blockdwg.h"
#include "common/chain.h"
#include "common/tempdir.h"
#include "host/hostguards.h"
#include "module/moduleentry.h"
#include "module/mytabctrl.h"
#include "module/presblock.h"
#include "module/presslabmend.h"
#include "module/resource.h"
#include "module/tabdata.h"
#include "module/tabformat.h"
#include "module/tabxdata.h"
#include "support/kavroexceptions.h"
#include "win/headless.h"
#include "win/messagebox.h"
#include "win/pump.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTabBar>
#include <QTest>
#include <filesystem>
#include <fstream>

namespace {

// Answers picks with the given lines; before each answer it runs the hook, as a user who
// clicks in a dialog while the host waits for the pick.
class ScriptedInput : public qv::InputSource
{
public:
    ScriptedInput(std::vector<std::string> lines, std::function<void()> hook)
        : m_lines(std::move(lines)), m_hook(std::move(hook))
    {
    }
    std::optional<std::string> readLine(const std::string&, qv::InputKind) override
    {
        if (m_hook)
            m_hook();
        if (m_next >= m_lines.size())
            return std::nullopt;
        return m_lines[m_next++];
    }
    bool interactive() const override { return false; }

private:
    std::vector<std::string> m_lines;
    std::function<void()> m_hook;
    size_t m_next = 0;
};

class BlockDialogsTest : public DrawingTest
{
protected:
    void SetUp() override
    {
        setenv("XDG_DATA_HOME", appData.path().c_str(), 1);
        std::filesystem::create_directories(appData.file("KavroSystems/Quorvane/prefs"));
        writePrefs("units\n0\nprecison\n2\n");
        acrxEntryPoint(AcRx::kInitAppMsg, this);
        qv::setMessageBoxSink([this](const qv::MessageBoxCall& call) {
            boxes.push_back(call.text);
            return IDOK;
        });
        DrawingTest::SetUp();
    }
    void TearDown() override
    {
        if (editor)
            editor->DestroyWindow();
        settle();
        qv::setInputSource(qv::makeLineInput({}));
        qv::setMessageBoxSink(nullptr);
        qv::setModalDriver([](CDialog&) {});
        DrawingTest::TearDown();
        acrxEntryPoint(AcRx::kUnloadAppMsg, this);
        unsetenv("XDG_DATA_HOME");
    }

    std::string prefsPath() const { return appData.file("KavroSystems/Quorvane/prefs/prefs.cfg"); }
    void writePrefs(const std::string& body) const
    {
        std::ofstream(prefsPath()) << "//\tQuorvane\n//\n//\tConfiguration file for Quorvane\n//\n" << body;
    }
    std::string prefsValue(const std::string& key) const
    {
        std::ifstream in(prefsPath());
        std::string line;
        while (std::getline(in, line)) {
            line.erase(line.find_last_not_of('\r') + 1);
            if (line == key && std::getline(in, line)) {
                line.erase(line.find_last_not_of('\r') + 1);
                return line;
            }
        }
        return "(none)";
    }

    // A room of NAME name over a rectangle of width by height millimetres.
    // Its record holds the outline's measures in metres unless an area is given.
    AcDbObjectId room(const char* name, const char* code, double x, double width = 4000, double height = 3000,
                      double area = 0.0)
    {
        auto block = newRoom(name, code);
        block->getAttributes()->getAtAttribute(0)->setValue(name);
        block->setArea(area > 0.0 ? area : width * height / 1e6);
        block->setPerimeter(2 * (width + height) / 1e3);
        return insertSpace(*block, rectangle(x, 0, width, height), AcGePoint3d(x, 0, 0));
    }
    static std::string handleOf(AcDbObjectId id)
    {
        char text[17] = {};
        id.handle().getIntoAsciiBuffer(text);
        return text;
    }
    // The answer that picks the entity, and the list line of a space, as the test sees them.
    static std::string byHandle(AcDbObjectId id) { return std::string(1, '#').append(handleOf(id)); }
    static std::string line(const char* name, AcDbObjectId id) { return std::string(name).append("|").append(handleOf(id)); }

    void openEditor()
    {
        acedRegCmds->lookupCmd("ksm")->function();
        editor = dynamic_cast<CPresSlabMend*>(CWnd::FromHandle(visibleWindow("Kavro Block Editor")));
        ASSERT_TRUE(editor);
    }
    static QWidget* visibleWindow(const QString& title)
    {
        for (QWidget* window : QApplication::topLevelWidgets())
            if (window->isVisible() && window->windowTitle() == title)
                return window;
        return nullptr;
    }
    // Lets deferred deletions and posted messages run.
    static void settle()
    {
        for (int i = 0; i < 3; ++i) {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QCoreApplication::processEvents();
        }
    }
    QListWidget* list() const { return static_cast<QListWidget*>(editor->GetDlgItem(IDC_BLOCK_LIST)->widget()); }
    std::vector<std::string> lines() const
    {
        std::vector<std::string> texts;
        for (int i = 0; i < list()->count(); ++i) {
            std::string text = list()->item(i)->text().toStdString();
            // The name and the handle at the end, without the blanks between them.
            const size_t first = text.find(std::string(200, ' '));
            texts.push_back(first == std::string::npos ? text : text.substr(0, first).append("|").append(text.substr(first + 200)));
        }
        return texts;
    }
    std::string countLine() const
    {
        CString text;
        editor->GetDlgItem(IDC_BLOCK_COUNT)->GetWindowText(text);
        return text.GetString();
    }
    // Double-clicks the list line that begins with name and gives the tabbed dialog it opened.
    CPresBlock* open(const std::string& name)
    {
        for (int i = 0; i < list()->count(); ++i) {
            QListWidgetItem* item = list()->item(i);
            if (!item->text().startsWith(QString::fromStdString(name + "  ")))
                continue;
            list()->scrollToItem(item);
            const QPoint at = list()->visualItemRect(item).center();
            QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, at);
            QTest::mouseDClick(list()->viewport(), Qt::LeftButton, {}, at);
            return shownBlockDialog();
        }
        return nullptr;
    }
    static CPresBlock* shownBlockDialog() { return dynamic_cast<CPresBlock*>(CWnd::FromHandle(visibleWindow("RoomBlock"))); }
    static QLineEdit* edit(CDialog* page, int id) { return static_cast<QLineEdit*>(page->GetDlgItem(id)->widget()); }
    static QString label(CDialog* page, int id) { return static_cast<QLabel*>(page->GetDlgItem(id)->widget())->text(); }
    static void retype(CDialog* page, int id, const QString& text)
    {
        QLineEdit* field = edit(page, id);
        field->setFocus();
        field->selectAll();
        QTest::keyClick(field, Qt::Key_Delete);
        QTest::keyClicks(field, text);
    }
    static void click(CWnd* dialog, int id) { QTest::mouseClick(dialog->GetDlgItem(id)->widget(), Qt::LeftButton); }
    static void answer(std::vector<std::string> lines, std::function<void()> hook = nullptr)
    {
        qv::setInputSource(std::make_unique<ScriptedInput>(std::move(lines), std::move(hook)));
    }
    std::string nameAttribute(AcDbObjectId reference, int kind = 0)
    {
        auto block = readBlock(reference);
        CAttribute* attribute = block->getAttributes()->getAtAttribute(kind);
        return attribute ? attribute->getValue().GetString() : "(none)";
    }

    TempDir appData;
    std::vector<std::string> boxes;
    CPresSlabMend* editor = nullptr;
};

} // namespace

TEST_F(BlockDialogsTest, TheEditorListsRoomsSortedByNameAndGrossAreasUnderTheirFilter)
{
    openEditor();
    EXPECT_EQ(countLine(), "0 item(s) found.");
    EXPECT_EQ(list()->count(), 0);
    editor->DestroyWindow();
    editor = nullptr;
    settle();

    const AcDbObjectId officeB = room("Office", "B", 10000);
    const AcDbObjectId lab = room("Lab", "L", 20000);
    const AcDbObjectId officeA = room("Office", "A", 0);
    const AcDbObjectId gross = room("GROSS AREA", "GROSS_AREA", -5000, 40000, 5000);
    openEditor();
    CString name;
    editor->GetDlgItem(IDC_DRAWING_NAME)->GetWindowText(name);
    EXPECT_EQ(name, document->fileName());
    EXPECT_EQ(countLine(), "3 item(s) found.");
    // Equal names keep the order of their handles' texts.
    std::vector<std::string> offices{line("Office", officeA), line("Office", officeB)};
    std::sort(offices.begin(), offices.end());
    EXPECT_EQ(lines(), (std::vector<std::string>{line("Lab", lab), offices[0], offices[1]}));

    // The filter chosen with the keyboard lists only the gross area, and back.
    auto* filter = static_cast<QComboBox*>(editor->GetDlgItem(IDC_BLOCK_FILTER)->widget());
    EXPECT_EQ(filter->currentText(), "Rooms/Spaces");
    filter->setFocus();
    QTest::keyClick(filter, Qt::Key_Down);
    EXPECT_EQ(editor->getBlockFilter(), 1);
    EXPECT_EQ(lines(), (std::vector<std::string>{line("GROSS AREA", gross)}));
    EXPECT_EQ(countLine(), "1 item(s) found.");
    EXPECT_EQ(editor->widget()->focusWidget(), list());
    QTest::keyClick(filter, Qt::Key_Up);
    EXPECT_EQ(countLine(), "3 item(s) found.");

    // A double-click without a line, and Enter, change nothing.
    list()->setCurrentRow(-1);
    editor->SendMessage(WM_COMMAND, MAKEWPARAM(IDC_BLOCK_LIST, LBN_DBLCLK), reinterpret_cast<LPARAM>(list()));
    QTest::keyClick(list(), Qt::Key_Return);
    EXPECT_TRUE(editor->IsWindowVisible());
    EXPECT_FALSE(shownBlockDialog());
    EXPECT_TRUE(boxes.empty());
    // Enter on a listed room opens it, as a double-click does; Enter elsewhere does not.
    QApplication::setActiveWindow(editor->widget());
    list()->setCurrentRow(0);
    filter->setFocus();
    QTest::keyClick(filter, Qt::Key_Return);
    EXPECT_FALSE(shownBlockDialog());
    list()->setFocus();
    QTest::keyClick(list(), Qt::Key_Return);
    CPresBlock* dialog = shownBlockDialog();
    ASSERT_TRUE(dialog);
    EXPECT_EQ(label(dialog->tabs().dataPage(), IDC_HANDLE), QString::fromStdString(handleOf(lab)));
    dialog->widget()->close();
    settle();
    EXPECT_TRUE(boxes.empty());
}

TEST_F(BlockDialogsTest, ApplyAndOkWriteTheEditedTextsAndFormatAndBringTheEditorBack)
{
    const AcDbObjectId office = room("Office", "A", 0, 4000, 3000, 123.45);
    // The office's assets: two desks; a third stands outside.
    const AcDbObjectId desk = definition("DESK");
    rectangle(0, 0, 800, 600, desk);
    for (double x : {1000.0, 3000.0, 9000.0})
        reference(desk, AcGePoint3d(x, 1000, 0));
    openEditor();
    CPresBlock* dialog = open("Office");
    ASSERT_TRUE(dialog);
    EXPECT_FALSE(editor->IsWindowVisible());
    CTabData* data = dialog->tabs().dataPage();
    EXPECT_EQ(edit(data, IDC_NAME_TEXT)->text(), "Office");
    EXPECT_EQ(label(data, IDC_HANDLE), QString::fromStdString(handleOf(office)));
    EXPECT_EQ(label(data, IDC_ASSET_COUNT), "2");
    EXPECT_EQ(label(data, IDC_AREA_UNIT), "m²");
    EXPECT_EQ(label(data, IDC_LENGTH_UNIT), "m");
    EXPECT_EQ(edit(data, IDC_AREA)->text(), "123.45");
    EXPECT_EQ(edit(data, IDC_PERIMETER)->text(), "14.00");
    EXPECT_EQ(edit(data, IDC_AUX_TEXT)->text(), " ");

    retype(data, IDC_NAME_TEXT, "Boardroom");
    retype(data, IDC_PERIMETER, "14.5");
    // "^" copies the area with its unit into the AREA text, the perimeter into AUX.
    click(data, IDC_CMD_AREA_COPY);
    EXPECT_EQ(edit(data, IDC_AREA_TEXT)->text(), "123.45sq.m.");
    click(data, IDC_CMD_PERIMETER_COPY);
    EXPECT_EQ(edit(data, IDC_AUX_TEXT)->text(), "14.5m.");

    // The "Format" tab clicked shows its page.
    auto* tabs = static_cast<QTabBar*>(dialog->GetDlgItem(IDC_BLOCK_TABS)->widget());
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(1).center());
    CTabFormat* format = dialog->tabs().formatPage();
    EXPECT_TRUE(format->IsWindowVisible());
    EXPECT_FALSE(data->IsWindowVisible());
    EXPECT_EQ(edit(format, IDC_TEXT_HEIGHT)->text(), "250");
    retype(format, IDC_TEXT_HEIGHT, "300");
    retype(format, IDC_ROTATION, "359");
    click(dialog, IDC_CMD_APPLY);
    EXPECT_TRUE(boxes.empty());
    EXPECT_TRUE(dialog->IsWindowVisible());
    EXPECT_EQ(nameAttribute(office), "Boardroom");
    EXPECT_EQ(nameAttribute(office, 1), "123.45sq.m.");
    EXPECT_EQ(lines(), (std::vector<std::string>{line("Boardroom", office)}));
    auto block = readBlock(office);
    EXPECT_DOUBLE_EQ(block->getAttributes()->getTextHeight(), 300.0);
    EXPECT_DOUBLE_EQ(block->getAttributes()->getRotation(), 359.0);
    EXPECT_NEAR(block->getArea(), 123.45, 1e-9);
    EXPECT_DOUBLE_EQ(block->getPerimeter(), 14.5);

    // OK writes once more and returns to the editor; the dialog deletes itself.
    click(dialog, IDOK);
    settle();
    EXPECT_FALSE(shownBlockDialog());
    EXPECT_TRUE(editor->IsWindowVisible());

    const QJsonObject dump = saveAndDump();
    EXPECT_TRUE(dump["audit"].toArray().isEmpty());
    std::map<std::string, std::string> texts;
    for (const auto& entity : dump["dump"].toObject()["modelspace"].toArray())
        for (const auto& attrib : entity.toObject()["attribs"].toArray()) {
            const QJsonObject dxf = attrib.toObject()["dxf"].toObject();
            texts[dxf["tag"].toString().toStdString()] = dxf["text"].toString().toStdString();
        }
    EXPECT_EQ(texts["NAME"], "Boardroom");
    EXPECT_EQ(texts["AREA"], "123.45sq.m.");
    EXPECT_EQ(texts["AUX"], "14.5m.");
}

TEST_F(BlockDialogsTest, ARefusedValueWritesNothingAndKeepsTheDialogOpenOnItsField)
{
    const AcDbObjectId office = room("Office", "A", 0);
    openEditor();
    CPresBlock* dialog = open("Office");
    ASSERT_TRUE(dialog);
    CTabData* data = dialog->tabs().dataPage();
    CTabFormat* format = dialog->tabs().formatPage();
    retype(data, IDC_NAME_TEXT, "Changed");
    // Each number field not wholly a number, and the rotation out of range.
    const std::string notANumber = "Please enter a number.";
    const struct
    {
        CDialog* page;
        int id;
        QString text;
        std::string message;
    } cases[] = {{data, IDC_AREA, "25x", notANumber},
                 {data, IDC_PERIMETER, "25x", notANumber},
                 {format, IDC_TEXT_HEIGHT, "25x", notANumber},
                 {format, IDC_WIDTH_FACTOR, "25x", notANumber},
                 {format, IDC_ROTATION, "25x", notANumber},
                 {format, IDC_ROTATION, "1,5", notANumber},
                 {format, IDC_ROTATION, "359.5", "Please enter a number between 0 and 359."}};
    for (const auto& c : cases) {
        boxes.clear();
        dialog->tabs().showPage(c.page == data ? 0 : 1);
        const QString before = edit(c.page, c.id)->text();
        retype(c.page, c.id, c.text);
        dialog->tabs().showPage(c.page == data ? 1 : 0);
        click(dialog, IDOK);
        EXPECT_EQ(boxes, std::vector<std::string>{c.message}) << c.text.toStdString();
        settle();
        // The page of the failing field is shown with the focus on it; nothing reached the drawing.
        ASSERT_EQ(shownBlockDialog(), dialog);
        EXPECT_TRUE(c.page->IsWindowVisible());
        EXPECT_EQ(dialog->widget()->focusWidget(), edit(c.page, c.id));
        EXPECT_EQ(nameAttribute(office), "Office");
        EXPECT_EQ(dialog->getBlock()->getName(), "Office");
        retype(c.page, c.id, before);
    }

    // Esc cancels, and nothing is written either.
    QTest::keyClick(edit(format, IDC_ROTATION), Qt::Key_Escape);
    settle();
    EXPECT_FALSE(shownBlockDialog());
    EXPECT_TRUE(editor->IsWindowVisible());
    EXPECT_EQ(nameAttribute(office), "Office");
}

TEST_F(BlockDialogsTest, AWriteRefusedByALockedLayerKeepsTheDialogOpenWithItsEdits)
{
    const AcDbObjectId office = room("Office", "A", 0);
    const AcDbObjectId layer = addLayer("LOCKED", true);
    openObject<AcDbEntity>(office, AcDb::kForWrite)->setLayer(layer);
    openEditor();
    CPresBlock* dialog = open("Office");
    ASSERT_TRUE(dialog);
    retype(dialog->tabs().dataPage(), IDC_NAME_TEXT, "Changed");
    click(dialog, IDOK);
    settle();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].find("not written: its layer \"LOCKED\" is locked."), std::string::npos) << boxes[0];
    ASSERT_EQ(shownBlockDialog(), dialog);
    EXPECT_EQ(nameAttribute(office), "Office");
    // Unlocked, the same OK writes the edits and closes.
    openObject<AcDbLayerTableRecord>(layer, AcDb::kForWrite)->setIsLocked(false);
    click(dialog, IDOK);
    settle();
    EXPECT_FALSE(shownBlockDialog());
    EXPECT_EQ(nameAttribute(office), "Changed");
}

TEST_F(BlockDialogsTest, ArrowKeysOnTheTabsSwitchThePages)
{
    room("Office", "A", 0);
    openEditor();
    CPresBlock* dialog = open("Office");
    ASSERT_TRUE(dialog);
    auto* tabs = static_cast<QTabBar*>(dialog->GetDlgItem(IDC_BLOCK_TABS)->widget());
    tabs->setFocus();
    QTest::keyClick(tabs, Qt::Key_Right);
    EXPECT_EQ(dialog->tabs().getCurrentPage(), 1);
    EXPECT_TRUE(dialog->tabs().formatPage()->IsWindowVisible());
    EXPECT_FALSE(dialog->tabs().dataPage()->IsWindowVisible());
    QTest::keyClick(tabs, Qt::Key_Left);
    EXPECT_TRUE(dialog->tabs().dataPage()->IsWindowVisible());
    // The close box returns to the editor as Cancel does.
    dialog->widget()->close();
    settle();
    EXPECT_FALSE(shownBlockDialog());
    EXPECT_TRUE(editor->IsWindowVisible());
}

TEST_F(BlockDialogsTest, SubtractedAreasPickedCancelledAndDeleted)
{
    const AcDbObjectId office = room("Office", "A", 0);
    const AcDbObjectId pillar = rectangle(1000, 1000, 1000, 1000);
    openEditor();
    CPresBlock* dialog = open("Office");
    ASSERT_TRUE(dialog);
    CTabData* data = dialog->tabs().dataPage();

    // While the pick waits, the dialog is minimised and refuses Cancel and the close box.
    bool minimised = false;
    answer({byHandle(pillar), ""}, [&] {
        minimised = dialog->IsIconic();
        click(dialog, IDC_CMD_CANCEL);
        dialog->widget()->close();
    });
    retype(data, IDC_NAME_TEXT, "typed");
    click(data, IDC_CMD_SUB_AREA);
    settle();
    EXPECT_TRUE(minimised);
    ASSERT_EQ(shownBlockDialog(), dialog);
    EXPECT_FALSE(dialog->IsIconic());
    EXPECT_EQ(dialog->getBlock()->getHandlesToMinusCount(), 1);
    EXPECT_EQ(edit(data, IDC_AREA)->text(), "11.00");
    EXPECT_EQ(edit(data, IDC_PERIMETER)->text(), "18.00");
    // The refresh shows the texts as last taken from the controls.
    EXPECT_EQ(edit(data, IDC_NAME_TEXT)->text(), "Office");

    // Esc at the selection keeps the list and the measures.
    answer({"^C"});
    click(data, IDC_CMD_SUB_AREA);
    EXPECT_FALSE(dialog->IsIconic());
    EXPECT_EQ(dialog->getBlock()->getHandlesToMinusCount(), 1);
    EXPECT_EQ(edit(data, IDC_AREA)->text(), "11.00");

    // The highlight twice: on with the count printed, then off.
    const std::string on = captured([&] { click(data, IDC_CMD_SUB_HIGHLIGHT); });
    EXPECT_NE(on.find("There are 1 area(s) subtracted from this block"), std::string::npos) << on;
    EXPECT_EQ(data->getSubtractedHighlight(), 1);
    EXPECT_EQ(captured([&] { click(data, IDC_CMD_SUB_HIGHLIGHT); }), "");
    EXPECT_EQ(data->getSubtractedHighlight(), 0);

    click(dialog, IDC_CMD_APPLY);
    auto written = readBlock(office);
    EXPECT_EQ(written->getHandlesToMinusCount(), 1);
    EXPECT_NEAR(written->getArea(), 11.0, 1e-9);

    // An empty selection confirmed with Enter empties the list.
    answer({""});
    click(data, IDC_CMD_SUB_AREA);
    EXPECT_EQ(dialog->getBlock()->getHandlesToMinusCount(), 0);
    EXPECT_EQ(edit(data, IDC_AREA)->text(), "12.00");
    click(dialog, IDOK);
    settle();
    EXPECT_EQ(readBlock(office)->getHandlesToMinusCount(), 0);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(BlockDialogsTest, AddedAreasAndTheirHighlightEndWithTheDialog)
{
    const AcDbObjectId office = room("Office", "A", 0);
    const AcDbObjectId annex = rectangle(4000, 0, 2000, 3000);
    openEditor();
    CPresBlock* dialog = open("Office");
    ASSERT_TRUE(dialog);
    CTabData* data = dialog->tabs().dataPage();
    answer({byHandle(annex), ""});
    click(data, IDC_CMD_ADD_AREA);
    EXPECT_EQ(edit(data, IDC_AREA)->text(), "18.00");
    const auto colour = [&] {
        auto entity = openObject<AcDbEntity>(annex, AcDb::kForRead);
        return entity->colorIndex();
    };
    const auto before = colour();
    click(data, IDC_CMD_ADD_HIGHLIGHT);
    EXPECT_EQ(colour(), 3);
    // Cancel writes nothing of the block, and switches the added highlight off too.
    click(dialog, IDC_CMD_CANCEL);
    settle();
    EXPECT_EQ(colour(), before);
    EXPECT_EQ(readBlock(office)->getHandlesToAddCount(), 0);
    EXPECT_TRUE(editor->IsWindowVisible());
}

// Recalc and Delete measure in the dialog's drawing and say where an outline meets itself
// in the current UCS: they make that drawing current first, as a pick does.
TEST_F(BlockDialogsTest, RecalcAndDeleteMakeTheDialogsDrawingCurrent)
{
    room("Office", "A", 0);
    openEditor();
    CPresBlock* dialog = open("Office");
    ASSERT_TRUE(dialog);
    ASSERT_EQ(acDocManager->appContextNewDocument(), Acad::eOk);
    AcApDocument* other = acDocManager->curDocument();
    const std::string madeCurrent =
        "\nThis dialog works on \"" + std::string(document->fileName()) + "\": it is now the current drawing.\n";
    for (int id : {IDC_CMD_AREA_RECALC, IDC_CMD_PERIMETER_RECALC, IDC_CMD_DELETE_SUB_AREAS, IDC_CMD_DELETE_ADD_AREAS}) {
        acDocManager->setCurDocument(other);
        EXPECT_EQ(captured([&] { click(dialog->tabs().dataPage(), id); }), madeCurrent) << id;
        EXPECT_EQ(acDocManager->curDocument(), document);
    }
}

TEST_F(BlockDialogsTest, MoveAttributesTakesThePickedPointAndACancelChangesNothing)
{
    const AcDbObjectId office = room("Office", "A", 0);
    openEditor();
    CPresBlock* dialog = open("Office");
    ASSERT_TRUE(dialog);
    CTabFormat* format = dialog->tabs().formatPage();
    const auto areaPosition = [&] {
        AcGePoint3d position;
        auto reference = openObject<AcDbBlockReference>(office, AcDb::kForRead);
        CAttributes::forEachAttribute(reference.get(), AcDb::kForRead, [&](AcDbAttribute* attribute) {
            if (CString(attribute->tag()) == "AREA")
                position = attribute->position();
        });
        return position;
    };
    const AcGePoint3d start = areaPosition();
    answer({"^C"});
    click(format, IDC_CMD_MOVE_ATTRIBUTES);
    EXPECT_EQ(areaPosition(), start);
    EXPECT_FALSE(dialog->IsIconic());

    answer({"1500,1200"});
    click(format, IDC_CMD_MOVE_ATTRIBUTES);
    const AcGePoint3d moved = areaPosition();
    EXPECT_NE(moved, start);
    EXPECT_NEAR(moved.x, 1500.0, 1000.0);
    EXPECT_NEAR(moved.y, 1200.0, 1000.0);
    EXPECT_FALSE(drawing.isLocked());
    EXPECT_FALSE(dialog->IsIconic());
    click(dialog, IDC_CMD_CANCEL);
    settle();
}

TEST_F(BlockDialogsTest, SelectSpaceOpensPickedSpacesOnlyAndACancelRestoresTheEditor)
{
    const AcDbObjectId gross = room("GROSS AREA", "GROSS_AREA", -5000, 40000, 5000);
    room("Office", "A", 0);
    const AcDbObjectId door = reference(definition("DOOR"), AcGePoint3d(30000, 1000, 0));
    openEditor();

    // While the pick waits the editor is minimised and its Close does nothing.
    bool minimised = false;
    answer({"^C"}, [&] {
        minimised = editor->IsIconic();
        click(editor, IDC_CMD_CLOSE);
    });
    click(editor, IDC_CMD_SELECT);
    EXPECT_TRUE(minimised);
    EXPECT_TRUE(editor->IsWindowVisible());
    EXPECT_FALSE(editor->IsIconic());
    EXPECT_EQ(list()->count(), 1);

    answer({byHandle(door)});
    const std::string out = captured([&] { click(editor, IDC_CMD_SELECT); });
    EXPECT_NE(out.find("The specified AcDbBlockReference cannot be found in the list of Kavro blocks.  The selected "
                       "object may not be a Kavro block."),
              std::string::npos)
        << out;
    EXPECT_TRUE(editor->IsWindowVisible());

    // A space of the other filter's kind opens all the same.
    answer({byHandle(gross)});
    click(editor, IDC_CMD_SELECT);
    CPresBlock* dialog = shownBlockDialog();
    ASSERT_TRUE(dialog);
    EXPECT_EQ(label(dialog->tabs().dataPage(), IDC_HANDLE), QString::fromStdString(handleOf(gross)));
    EXPECT_FALSE(editor->IsWindowVisible());
    click(dialog, IDC_CMD_CANCEL);
    settle();
    // The editor, minimised for the pick, comes back in its normal state.
    EXPECT_TRUE(editor->IsWindowVisible());
    EXPECT_FALSE(editor->IsIconic());
    EXPECT_TRUE(boxes.empty());
}

TEST_F(BlockDialogsTest, ABlockStoredInFeetOpensConvertedToThePreferenceUnits)
{
    const AcDbObjectId office = room("Office", "A", 0);
    {
        auto block = readBlock(office);
        block->convertUnits(CMeasureUnits::kImperial);
        CKavroExceptions errors;
        block->applyToDWG(&drawing, &errors);
    }
    openEditor();
    CPresBlock* dialog = open("Office");
    ASSERT_TRUE(dialog);
    CTabData* data = dialog->tabs().dataPage();
    EXPECT_EQ(edit(data, IDC_AREA)->text(), "12.00");
    EXPECT_EQ(label(data, IDC_AREA_UNIT), "m²");
    click(dialog, IDOK);
    settle();
    auto written = readBlock(office);
    EXPECT_EQ(written->getUnits(), CMeasureUnits::kMetric);
    EXPECT_NEAR(written->getArea(), 12.0, 1e-6);
}

TEST_F(BlockDialogsTest, ABlockWhoseRecordNamesNoUnitOpensWithItsNumbersUnlabelledAndNamed)
{
    const AcDbObjectId office = room("Office", "A", 0);
    setXData(office, {{1001, "ADE"}, {1000, "AREA=20.00"}, {1000, "NAME=Office"}});
    openEditor();
    std::string printed;
    qv::setOutputSink([&](const std::string& text) { printed += text; });
    CPresBlock* dialog = open("Office");
    qv::setOutputSink(nullptr);
    ASSERT_TRUE(dialog);
    EXPECT_EQ(edit(dialog->tabs().dataPage(), IDC_AREA)->text(), "20.00");
    EXPECT_EQ(label(dialog->tabs().dataPage(), IDC_AREA_UNIT), "");
    EXPECT_EQ(printed, "\nSpace Office (handle " + handleOf(office) + "): its record names no unit it knows: run kus\n");
}

TEST_F(BlockDialogsTest, OptionsConvertsEveryBlockAndCloseSavesOnlyWhatOptionsChanged)
{
    const AcDbObjectId office = room("Office", "A", 0);
    const AcDbObjectId lab = room("Lab", "L", 10000);
    openEditor();
    // Options with feet chosen: every block is converted and written.
    qv::setModalDriver([](CDialog& dialog) {
        if (dialog.templateId() != IDD_PREFERENCES)
            return;
        QTest::mouseClick(dialog.GetDlgItem(IDC_UNITS_FEET)->widget(), Qt::LeftButton);
        QTest::mouseClick(dialog.GetDlgItem(IDOK)->widget(), Qt::LeftButton);
    });
    QAction* options = nullptr;
    for (QAction* action : editor->widget()->findChildren<QAction*>())
        if (action->text() == "&Options")
            options = action;
    ASSERT_TRUE(options);
    options->trigger();
    EXPECT_EQ(readBlock(office)->getUnits(), CMeasureUnits::kImperial);
    EXPECT_NEAR(readBlock(lab)->getArea(), 12.0 * 10.7639104, 0.005); // stored at two decimals
    EXPECT_EQ(prefsValue("units"), "1");

    // Another dialog saves meanwhile: Close keeps its change and writes the Options' units.
    writePrefs("units\n0\nprecison\n2\ninc\n7\n");
    click(editor, IDC_CMD_CLOSE);
    settle();
    editor = nullptr;
    EXPECT_EQ(prefsValue("units"), "1");
    EXPECT_EQ(prefsValue("inc"), "7");
    EXPECT_FALSE(visibleWindow("Kavro Block Editor"));
}

TEST_F(BlockDialogsTest, CloseWithoutOptionsLeavesPrefsAlone)
{
    openEditor();
    writePrefs("units\n1\nprecison\n3\n");
    click(editor, IDC_CMD_CLOSE);
    settle();
    editor = nullptr;
    EXPECT_EQ(prefsValue("units"), "1");
    EXPECT_EQ(prefsValue("precison"), "3");
}

// A value the preferences dialog refused at OK, the dialog then cancelled, is taken nowhere:
// Close saves the precision as it was.
TEST_F(BlockDialogsTest, AValueRefusedInOptionsIsNeverSaved)
{
    openEditor();
    qv::setModalDriver([](CDialog& dialog) {
        static_cast<QLineEdit*>(dialog.GetDlgItem(IDC_PRECISION)->widget())->setText("12");
        QTest::mouseClick(dialog.GetDlgItem(IDOK)->widget(), Qt::LeftButton);
    });
    for (QAction* action : editor->widget()->findChildren<QAction*>())
        if (action->text() == "&Options")
            action->trigger();
    EXPECT_EQ(boxes, std::vector<std::string>{"Please enter an integer between 0 and 9."});
    click(editor, IDC_CMD_CLOSE);
    settle();
    editor = nullptr;
    EXPECT_EQ(prefsValue("precison"), "2");
}

// The editor's drawing is closed while a page of the tabbed dialog waits for a pick that is
// then answered: the answer is not used, both windows close, and the waiting pick was told to end.
TEST_F(BlockDialogsTest, ClosingTheDrawingClosesTheEditorAndItsDialogEvenDuringAPick)
{
    room("Office", "A", 0);
    openEditor();
    CPresBlock* dialog = open("Office");
    ASSERT_TRUE(dialog);
    ASSERT_EQ(acDocManager->appContextNewDocument(), Acad::eOk);
    AcApDocument* left = acDocManager->curDocument();
    // The pick is made in the dialog's drawing; closing it cancels the pick, as the host's
    // interrupted wait does.
    answer({"^C"}, [&] {
        if (document != left)
            acDocManager->closeDocument(std::exchange(document, left));
    });
    click(dialog->tabs().dataPage(), IDC_CMD_SUB_AREA);
    EXPECT_EQ(qv::waitReadable(nullptr, 0, 0), -2);
    settle();
    EXPECT_FALSE(shownBlockDialog());
    EXPECT_FALSE(visibleWindow("Kavro Block Editor"));
    EXPECT_TRUE(boxes.empty());
    editor = nullptr;
    // The fixture ends with the drawing that is left.
    db = left->database();
    drawing.setDocument(left);
}

TEST_F(BlockDialogsTest, KsmWithoutADisplayChangesNothing)
{
    qv::setNoGui(true);
    const std::string out = captured([] { acedRegCmds->lookupCmd("ksm")->function(); });
    qv::setNoGui(false);
    EXPECT_EQ(out, "Kavro Block Edit 64.04.03.00\n\nThe block editor needs a display; nothing was changed.\n");
    EXPECT_FALSE(visibleWindow("Kavro Block Editor"));
}

TEST_F(BlockDialogsTest, TheExtendedDataPageRoundTripsTheNineFields)
{
    auto block = newRoom("Office", "A");
    block->setAreaType("Office");
    block->setCostCentre("CC1");
    block->setDate("2026-01-02");
    block->setDateLastMove("2025-12-01");
    block->setDeptCharge("12");
    block->setSpecialReq("none");
    block->setTagType("T");
    block->setTotStaff("4");
    block->setTotWkStns("5");
    CTabXData page;
    ASSERT_TRUE(page.Create(IDD_TAB_XDATA, nullptr));
    page.initialiseData(block.get());
    EXPECT_EQ(edit(&page, IDC_XD_DATE_L_MOVE)->text(), "2025-12-01");
    EXPECT_EQ(label(&page, 269), "TAGTYPE");
    CBlockDWG copy;
    block->copyInto(&copy);
    page.applyChanges(&copy);
    EXPECT_EQ(copy.getTotWkStns(), "5");
    EXPECT_EQ(copy.getSpecialReq(), "none");
    EXPECT_EQ(copy.getDateLastMove(), "2025-12-01");
    retype(&page, IDC_XD_TOT_STAFF, "9");
    retype(&page, IDC_XD_COST_CENTRE, "CC2");
    page.applyChanges(&copy);
    EXPECT_EQ(copy.getTotStaff(), "9");
    EXPECT_EQ(copy.getCostCentre(), "CC2");
    EXPECT_EQ(copy.getAreaType(), "Office");
}

// Pictures of the block editor and of both pages of the tabbed dialog; with
// QV_DIALOG_PICTURES naming a folder they are kept there for the README.
TEST_F(BlockDialogsTest, PicturesOfTheBlockDialogs)
{
    room("Office", "A", 0);
    room("Lab", "L", 10000);
    const char* folder = std::getenv("QV_DIALOG_PICTURES");
    TempDir scratch;
    const std::string out = folder && *folder ? std::string(folder) + "/" : scratch.folder();
    const auto save = [&](CWnd* window, const char* name) {
        QApplication::processEvents();
        const QPixmap picture = window->widget()->grab();
        ASSERT_TRUE(picture.save(QString::fromStdString(out + name)));
        EXPECT_EQ(QImage(QString::fromStdString(out + name)).size(), window->widget()->size()) << name;
    };
    openEditor();
    list()->setCurrentRow(0);
    save(editor, "dialog-block-editor.png");
    CPresBlock* dialog = open("Office");
    ASSERT_TRUE(dialog);
    save(dialog, "dialog-block-space-data.png");
    dialog->tabs().showPage(1);
    save(dialog, "dialog-block-format.png");
    // The tabbed dialog is drawn 312 by 202 units, wider than the editor's 205.
    EXPECT_GT(dialog->widget()->width(), editor->widget()->width());
    click(dialog, IDC_CMD_CANCEL);
    settle();
}

TEST_F(BlockDialogsTest, AFailingHandlerShowsTheErrorAndLeavesTheEditorUsable)
{
    room("Office", "A", 0);
    openEditor();
    // A line whose block the list does not hold (as after the drawing changed under it).
    static_cast<CListBox*>(CWnd::FromHandle(list()))->AddString(CString("Ghost") + CString(' ', 200) + "FFFF");
    CPresBlock* dialog = open("Ghost");
    EXPECT_FALSE(dialog);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].find("CPresSlabMend::OnDblclkBlockList"), std::string::npos) << boxes[0];
    EXPECT_NE(boxes[0].find("FFFF"), std::string::npos) << boxes[0];
    EXPECT_TRUE(editor->IsWindowVisible());
    EXPECT_TRUE(open("Office"));
}
