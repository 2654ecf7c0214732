// The dialog framework over Qt: real widgets on the offscreen platform, driven with QTest
// key and mouse events.
#include "mfc/button.h"
#include "mfc/combobox.h"
#include "mfc/dataexchange.h"
#include "mfc/dialog.h"
#include "mfc/edit.h"
#include "mfc/exceptions.h"
#include "mfc/listbox.h"
#include "mfc/tabctrl.h"
#include "win/headless.h"
#include "win/pump.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QComboBox>
#include <QRadioButton>
#include <QTabBar>
#include <QTest>
#include <gtest/gtest.h>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

char testInstanceTag;
HINSTANCE testInstance() { return &testInstanceTag; }

enum : int { kName = 100, kSize = 101, kPrecision = 102, kMetric = 103, kFeet = 104, kDigits = 105,
             kApply = 106, kList = 107, kCombo = 108, kCheck = 109, kTabs = 110 };
constexpr UINT kTemplate = 900, kMenu = 901, kPlainTemplate = 902;
constexpr UINT kMenuAbout = 32770;

DialogItemTemplate item(ControlKind kind, int id, std::string text, int x, int y, int cx, int cy, DWORD style = 0)
{
    DialogItemTemplate t;
    t.kind = kind;
    t.id = id;
    t.text = std::move(text);
    t.x = x;
    t.y = y;
    t.cx = cx;
    t.cy = cy;
    t.style = style;
    return t;
}

void registerTemplates()
{
    DialogTemplate dialog;
    dialog.caption = "Test Dialog";
    dialog.cx = 200;
    dialog.cy = 150;
    dialog.menuId = kMenu;
    dialog.items = {
        item(ControlKind::Edit, kName, "", 10, 10, 80, 12),
        item(ControlKind::Edit, kSize, "", 10, 26, 40, 12),
        item(ControlKind::Edit, kPrecision, "", 60, 26, 20, 12),
        item(ControlKind::Button, kMetric, "m", 10, 42, 20, 10, BS_AUTORADIOBUTTON | WS_GROUP),
        item(ControlKind::Button, kFeet, "ft", 40, 42, 20, 10, BS_AUTORADIOBUTTON),
        item(ControlKind::Edit, kDigits, "", 70, 42, 30, 12, ES_NUMBER | WS_GROUP),
        item(ControlKind::Button, kApply, "Apply", 110, 42, 40, 14),
        item(ControlKind::ListBox, kList, "", 10, 60, 80, 40, LBS_SORT | LBS_NOTIFY),
        item(ControlKind::ComboBox, kCombo, "", 100, 60, 60, 40, CBS_DROPDOWNLIST),
        item(ControlKind::Button, kCheck, "Check", 100, 80, 60, 10, BS_AUTOCHECKBOX),
        item(ControlKind::Button, IDOK, "OK", 90, 130, 50, 14, BS_DEFPUSHBUTTON),
        item(ControlKind::Button, IDCANCEL, "Cancel", 145, 130, 50, 14),
    };
    dialog.items[8].items = {"Rooms/Spaces", "Gross Area"};
    registerDialogTemplate(testInstance(), kTemplate, dialog);
    registerMenuTemplate(testInstance(), kMenu, MenuTemplate{{{"&Help", {{"&About", kMenuAbout}}}}});

    DialogTemplate plain;
    plain.caption = "Plain";
    plain.cx = 200;
    plain.cy = 60;
    plain.items = {item(ControlKind::Edit, kName, "", 5, 5, 60, 12), item(ControlKind::Button, kApply, "Apply", 5, 30, 40, 14),
                   item(ControlKind::TabControl, kTabs, "", 50, 20, 140, 30)};
    registerDialogTemplate(testInstance(), kPlainTemplate, plain);
}

// A dialog of each kind of control, recording what reached its handlers.
class TestDialog : public CDialog
{
public:
    explicit TestDialog(UINT id = kTemplate) : CDialog(id) {}

    CString name = "start";
    double size = 250.0;
    int precision = 2;
    int units = 0;
    int checked = 0;
    CListBox list;
    CComboBox combo;
    std::vector<std::string> events;
    bool validate = true;

    void DoDataExchange(CDataExchange* dx) override
    {
        DDX_Control(dx, kList, list);
        DDX_Control(dx, kCombo, combo);
        DDX_Text(dx, kName, name);
        DDX_Text(dx, kSize, size);
        DDX_Radio(dx, kMetric, units);
        DDX_Text(dx, kPrecision, precision);
        if (validate)
            DDV_MinMaxInt(dx, precision, 0, 9);
        DDX_Check(dx, kCheck, checked);
    }
    void OnOK() override
    {
        events.push_back("OnOK");
        CDialog::OnOK();
    }
    void OnCancel() override
    {
        events.push_back("OnCancel");
        CDialog::OnCancel();
    }
    void OnNameChange() { events.push_back("EN_CHANGE"); }
    void OnApply() { events.push_back("Apply"); }
    void OnAbout() { events.push_back("About"); }
    void OnFilter() { events.push_back("CBN_SELCHANGE"); }
    void OnDblclk() { events.push_back("LBN_DBLCLK"); }
    void OnShowWindow(BOOL show, UINT) { events.push_back(show ? "show" : "hide"); }
    void OnClose()
    {
        events.push_back("WM_CLOSE");
        CDialog::OnClose();
    }

    QWidget* control(int id) const { return GetDlgItem(id)->widget(); }

    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(TestDialog, CDialog)
ON_EN_CHANGE(kName, &TestDialog::OnNameChange)
ON_BN_CLICKED(kApply, &TestDialog::OnApply)
ON_COMMAND(kMenuAbout, &TestDialog::OnAbout)
ON_CBN_SELCHANGE(kCombo, &TestDialog::OnFilter)
ON_LBN_DBLCLK(kList, &TestDialog::OnDblclk)
ON_WM_SHOWWINDOW()
ON_WM_CLOSE()
END_MESSAGE_MAP()

struct Box
{
    std::string text;
    std::string caption;
    UINT type;
};

class DialogTest : public testing::Test
{
protected:
    void SetUp() override
    {
        static bool registered = false;
        if (!registered)
            registerTemplates();
        registered = true;
        qv::setMessageBoxSink([this](const qv::MessageBoxCall& call) {
            boxes.push_back({call.text, call.caption, call.type});
            return IDOK;
        });
    }
    void TearDown() override
    {
        qv::setMessageBoxSink(nullptr);
        qv::setModalDriver([](CDialog&) {});
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // A modeless dialog, created and shown.
    void open(TestDialog& dialog)
    {
        ASSERT_TRUE(dialog.Create(dialog.templateId()));
        dialog.ShowWindow(SW_SHOW);
        dialog.events.clear();
    }

    static void type(QWidget* widget, const QString& text)
    {
        widget->setFocus();
        QTest::keyClicks(widget, text);
    }

    std::vector<Box> boxes;
};

TEST_F(DialogTest, BuildsTheTemplateWithIdsCaptionAndDialogUnitSizes)
{
    TestDialog dialog;
    open(dialog);
    CString caption;
    dialog.GetWindowText(caption);
    EXPECT_EQ(caption, "Test Dialog");
    EXPECT_NE(dynamic_cast<QLineEdit*>(dialog.control(kName)), nullptr);
    EXPECT_NE(dynamic_cast<QRadioButton*>(dialog.control(kFeet)), nullptr);
    EXPECT_EQ(dialog.GetDlgItem(4242), nullptr);
    // Sizes follow the dialog units: 80 units are twice as wide as 40, 12 as tall as 12.
    EXPECT_EQ(dialog.control(kName)->width(), 2 * dialog.control(kSize)->width());
    EXPECT_EQ(dialog.control(kName)->height(), dialog.control(kSize)->height());
    EXPECT_LT(dialog.control(kName)->y(), dialog.control(kSize)->y());
    CRect client;
    dialog.GetClientRect(client);
    EXPECT_GT(client.Width(), dialog.control(kApply)->x() + dialog.control(kApply)->width());
    EXPECT_EQ(dialog.GetDlgItem(kName)->GetDlgCtrlID(), kName);
}

TEST_F(DialogTest, WritesNumbersAsTheFrameworkShowsThem)
{
    TestDialog dialog;
    open(dialog);
    for (const auto& [value, text] : std::vector<std::pair<double, QString>>{{250.0, "250"}, {0.1, "0.1"}, {1000.0, "1000"}, {-90.5, "-90.5"}}) {
        dialog.size = value;
        dialog.UpdateData(FALSE);
        EXPECT_EQ(static_cast<QLineEdit*>(dialog.control(kSize))->text(), text);
    }
}

TEST_F(DialogTest, ReadsOnlyTextsThatAreWhollyANumber)
{
    TestDialog dialog;
    open(dialog);
    auto* size = static_cast<QLineEdit*>(dialog.control(kSize));
    auto* precision = static_cast<QLineEdit*>(dialog.control(kPrecision));
    for (const auto& [text, expected] : std::vector<std::pair<QString, double>>{
             {" 12 ", 12.0}, {"1e3", 1000.0}, {"-4.5e1", -45.0}, {"+.5", 0.5}}) {
        size->setText(text);
        EXPECT_TRUE(dialog.UpdateData(TRUE)) << text.toStdString();
        EXPECT_EQ(dialog.size, expected);
    }
    precision->setText(" 7 ");
    EXPECT_TRUE(dialog.UpdateData(TRUE));
    EXPECT_EQ(dialog.precision, 7);
    EXPECT_TRUE(boxes.empty());

    // A refused text stops the exchange at its control, keeps the member and shows the framework's message.
    const auto refuses = [&](QLineEdit* edit, const QString& bad, const char* message) {
        boxes.clear();
        dialog.size = 1.5;
        dialog.precision = 2;
        edit->setText(bad);
        EXPECT_FALSE(dialog.UpdateData(TRUE)) << bad.toStdString();
        ASSERT_EQ(boxes.size(), 1u) << bad.toStdString();
        EXPECT_EQ(boxes[0].text, message);
        EXPECT_EQ(boxes[0].caption, AfxGetAppName());
        EXPECT_EQ(boxes[0].type, MB_ICONEXCLAMATION);
        EXPECT_EQ(edit == size ? dialog.size : dialog.precision, edit == size ? 1.5 : 2.0);
        edit->setText("3");
    };
    for (const QString bad : {"", " ", "-", ".", "abc", "inf", "nan", "1,5", "45x", "12a.5.3", "1e999", "+-1", "0x10"})
        refuses(size, bad, "Please enter a number.");
    for (const QString bad : {"", "1,5", "45x", "1e3", "1.0", "99999999999"})
        refuses(precision, bad, "Please enter an integer.");

    // A number kept as the text it is shown with is read the same way.
    CString text;
    double value = 7.0;
    for (const QString bad : {"25x", "1,5"}) {
        size->setText(bad);
        CDataExchange refused(&dialog, TRUE);
        EXPECT_THROW(DDX_Text(&refused, kSize, text, value), CDataExchange::Failed);
        EXPECT_EQ(value, 7.0);
    }
    size->setText(" 2.50 ");
    CDataExchange read(&dialog, TRUE);
    DDX_Text(&read, kSize, text, value);
    EXPECT_EQ(text, " 2.50 ");
    EXPECT_EQ(value, 2.5);
}

TEST_F(DialogTest, ARangeFailureStopsTheExchangeAtItsControlAndStoresNothing)
{
    TestDialog dialog;
    open(dialog);
    dialog.checked = 0;
    dialog.precision = 2;
    const CString before = dialog.name;
    static_cast<QLineEdit*>(dialog.control(kName))->setText("typed");
    static_cast<QLineEdit*>(dialog.control(kPrecision))->setText("12");
    static_cast<QAbstractButton*>(dialog.control(kCheck))->setChecked(true);
    QApplication::setActiveWindow(dialog.widget());
    EXPECT_FALSE(dialog.UpdateData(TRUE));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Please enter an integer between 0 and 9.");
    EXPECT_EQ(dialog.name, before);    // read before the failing control, not stored
    EXPECT_EQ(dialog.precision, 2);    // the failing value is never stored
    EXPECT_EQ(dialog.checked, 0);      // after it: not exchanged
    auto* precision = static_cast<QLineEdit*>(dialog.control(kPrecision));
    EXPECT_TRUE(precision->hasFocus());
    EXPECT_EQ(precision->selectedText(), "12");
    precision->setText("7");
    EXPECT_TRUE(dialog.UpdateData(TRUE));
    EXPECT_EQ(dialog.name, "typed");
    EXPECT_EQ(dialog.precision, 7);
    EXPECT_EQ(dialog.checked, 1);

    CDataExchange dx(&dialog, TRUE);
    boxes.clear();
    EXPECT_THROW(DDV_MinMaxDouble(&dx, 359.5, 0.0, 359.0), CDataExchange::Failed);
    EXPECT_NO_THROW(DDV_MinMaxDouble(&dx, 359.0, 0.0, 359.0));
    EXPECT_THROW(DDV_MinMaxDouble(&dx, 20000.0, 0.0, 10000.0), CDataExchange::Failed);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, "Please enter a number between 0 and 359.");
    EXPECT_EQ(boxes[1].text, "Please enter a number between 0 and 10000.");
}

TEST_F(DialogTest, NotificationsAreDroppedWhileDataIsExchanged)
{
    TestDialog dialog;
    open(dialog);
    dialog.name = "from the member";
    dialog.UpdateData(FALSE);
    EXPECT_TRUE(dialog.events.empty());
    // Writing the same text again leaves the caret where it is.
    auto* name = static_cast<QLineEdit*>(dialog.control(kName));
    name->setCursorPosition(3);
    dialog.UpdateData(FALSE);
    EXPECT_EQ(name->cursorPosition(), 3);
    type(name, "x");
    EXPECT_EQ(dialog.events, std::vector<std::string>{"EN_CHANGE"});
    dialog.events.clear();
    dialog.SetDlgItemText(kName, "set by the program");
    EXPECT_EQ(dialog.events, std::vector<std::string>{"EN_CHANGE"});
}

TEST_F(DialogTest, EnterEscAndTheCloseBoxRouteToTheDialogsCommands)
{
    TestDialog dialog;
    open(dialog);
    dialog.precision = 3;
    dialog.UpdateData(FALSE);
    // Enter in an edit presses the default button: OK, which ends the dialog (hidden).
    QTest::keyClick(dialog.control(kName), Qt::Key_Return);
    EXPECT_EQ(dialog.events, std::vector<std::string>{"OnOK"});
    EXPECT_EQ(dialog.modalResult(), IDOK);
    EXPECT_FALSE(dialog.IsWindowVisible());

    dialog.ShowWindow(SW_SHOW);
    dialog.events.clear();
    // Enter on a push button presses that button.
    dialog.control(kApply)->setFocus();
    QTest::keyClick(dialog.control(kApply), Qt::Key_Return);
    // Esc cancels; the close box sends WM_CLOSE, whose default handling cancels.
    QTest::keyClick(dialog.control(kSize), Qt::Key_Escape);
    dialog.ShowWindow(SW_SHOW);
    dialog.widget()->close();
    EXPECT_EQ(dialog.events, (std::vector<std::string>{"Apply", "OnCancel", "show", "WM_CLOSE", "OnCancel"}));
    EXPECT_EQ(dialog.modalResult(), IDCANCEL);

    // A disabled default button: Enter does nothing.
    dialog.ShowWindow(SW_SHOW);
    dialog.events.clear();
    dialog.GetDlgItem(IDOK)->EnableWindow(FALSE);
    QTest::keyClick(dialog.control(kName), Qt::Key_Return);
    EXPECT_TRUE(dialog.events.empty());
}

TEST_F(DialogTest, TabFollowsTheTemplateAndArrowsMoveThroughTheRadioGroup)
{
    TestDialog dialog;
    open(dialog);
    dialog.units = 0;
    dialog.UpdateData(FALSE);
    QApplication::setActiveWindow(dialog.widget());
    dialog.control(kName)->setFocus();
    QTest::keyClick(dialog.control(kName), Qt::Key_Tab);
    EXPECT_TRUE(dialog.control(kSize)->hasFocus());
    QTest::keyClick(dialog.control(kSize), Qt::Key_Tab);
    QTest::keyClick(dialog.control(kPrecision), Qt::Key_Tab);
    // The group is entered at its checked button only.
    EXPECT_TRUE(dialog.control(kMetric)->hasFocus());
    QTest::keyClick(dialog.control(kMetric), Qt::Key_Tab);
    EXPECT_TRUE(dialog.control(kDigits)->hasFocus());

    dialog.control(kMetric)->setFocus();
    QTest::keyClick(dialog.control(kMetric), Qt::Key_Right);
    EXPECT_TRUE(dialog.control(kFeet)->hasFocus());
    EXPECT_TRUE(static_cast<QAbstractButton*>(dialog.control(kFeet))->isChecked());
    EXPECT_FALSE(static_cast<QAbstractButton*>(dialog.control(kMetric))->isChecked());
    dialog.UpdateData(TRUE);
    EXPECT_EQ(dialog.units, 1);
    QTest::keyClick(dialog.control(kFeet), Qt::Key_Down); // wraps round
    dialog.UpdateData(TRUE);
    EXPECT_EQ(dialog.units, 0);
    // A click on a checked radio button leaves it checked; a value outside unchecks all.
    QTest::mouseClick(dialog.control(kMetric), Qt::LeftButton);
    EXPECT_TRUE(static_cast<QAbstractButton*>(dialog.control(kMetric))->isChecked());
    dialog.units = 5;
    dialog.UpdateData(FALSE);
    dialog.UpdateData(TRUE);
    EXPECT_EQ(dialog.units, -1);
}

TEST_F(DialogTest, DigitsOnlyEditsRefuseTypedNonDigitsButNotProgramText)
{
    TestDialog dialog;
    open(dialog);
    auto* digits = static_cast<QLineEdit*>(dialog.control(kDigits));
    digits->setText("123.45");
    EXPECT_EQ(digits->text(), "123.45");
    digits->clear();
    type(digits, "7x.8-");
    EXPECT_EQ(digits->text(), "78");
}

TEST_F(DialogTest, SortedListBoxOrdersWithoutLetterCaseThenByExactText)
{
    TestDialog dialog;
    open(dialog);
    for (const char* line : {"Room 2", "room 1", "Lab", "Room 10", "lab b", "Room 1", "Room 1 2F", "Room 1 1A0"})
        dialog.list.AddString(line);
    std::vector<std::string> order;
    for (int i = 0; i < dialog.list.GetCount(); ++i) {
        CString text;
        dialog.list.GetText(i, text);
        order.push_back(text.str());
    }
    EXPECT_EQ(order, (std::vector<std::string>{"Lab", "lab b", "Room 1", "room 1", "Room 1 1A0", "Room 1 2F", "Room 10",
                                               "Room 2"}));
    EXPECT_EQ(dialog.list.GetCurSel(), LB_ERR);
    CString none;
    EXPECT_EQ(dialog.list.GetText(99, none), LB_ERR);

    auto* widget = static_cast<QListWidget*>(dialog.control(kList));
    const QRect third = widget->visualItemRect(widget->item(2));
    QTest::mouseClick(widget->viewport(), Qt::LeftButton, {}, third.center());
    QTest::mouseDClick(widget->viewport(), Qt::LeftButton, {}, third.center());
    EXPECT_EQ(dialog.events, std::vector<std::string>{"LBN_DBLCLK"});
    EXPECT_EQ(dialog.list.GetCurSel(), 2);
}

TEST_F(DialogTest, ComboNotifiesOnlyTheUsersChoice)
{
    TestDialog dialog;
    open(dialog);
    EXPECT_EQ(dialog.combo.GetCount(), 2);
    dialog.combo.SetCurSel(0);
    EXPECT_TRUE(dialog.events.empty());
    auto* combo = static_cast<QComboBox*>(dialog.control(kCombo));
    combo->setFocus();
    QTest::keyClick(combo, Qt::Key_Down);
    EXPECT_EQ(dialog.combo.GetCurSel(), 1);
    EXPECT_EQ(dialog.events, std::vector<std::string>{"CBN_SELCHANGE"});
    // Closed, the combo is one line high: its template height is that of the dropped list,
    // which must not cover the controls below it.
    EXPECT_EQ(combo->height(), combo->sizeHint().height());
    EXPECT_LT(combo->height(), 40 * 13 / 8);
}

TEST_F(DialogTest, ListBoxesWithoutTheStyleHaveNoHorizontalBar)
{
    TestDialog dialog;
    open(dialog);
    auto* list = static_cast<QListWidget*>(dialog.control(kList));
    dialog.list.AddString(CString('x', 300));
    EXPECT_EQ(list->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
}

TEST_F(DialogTest, MenuCommandsReachTheMessageMap)
{
    TestDialog dialog;
    open(dialog);
    auto actions = dialog.widget()->findChildren<QAction*>();
    const auto about = std::find_if(actions.begin(), actions.end(), [](QAction* a) { return a->text() == "&About"; });
    ASSERT_NE(about, actions.end());
    (*about)->trigger();
    EXPECT_EQ(dialog.events, std::vector<std::string>{"About"});
}

TEST_F(DialogTest, ShowWindowTellsVisibilityChangesOnlyAndModelessEndOnlyHides)
{
    TestDialog dialog;
    ASSERT_TRUE(dialog.Create(kTemplate));
    EXPECT_FALSE(dialog.IsWindowVisible());
    dialog.ShowWindow(SW_SHOW);
    dialog.ShowWindow(SW_SHOW);
    dialog.ShowWindow(SW_SHOWMINIMIZED);
    EXPECT_TRUE(dialog.IsIconic());
    dialog.ShowWindow(SW_RESTORE);
    EXPECT_FALSE(dialog.IsIconic());
    dialog.ShowWindow(SW_HIDE);
    dialog.ShowWindow(SW_SHOW);
    dialog.EndDialog(IDCANCEL);
    EXPECT_FALSE(dialog.IsWindowVisible());
    EXPECT_NE(dialog.GetSafeHwnd(), nullptr);
    EXPECT_EQ(dialog.events, (std::vector<std::string>{"show", "hide", "show"}));
}

// A dialog that deletes itself once its window is gone.
class SelfDeleting : public TestDialog
{
public:
    explicit SelfDeleting(bool* deleted) : m_deleted(deleted) {}
    ~SelfDeleting() override { *m_deleted = true; }
    void OnCancel() override
    {
        CDialog::OnCancel();
        DestroyWindow();
        name = "still usable after DestroyWindow";
    }

protected:
    void PostNcDestroy() override { delete this; }

private:
    bool* m_deleted;
};

TEST_F(DialogTest, SelfDeletionWaitsUntilTheHandlerHasReturned)
{
    bool deleted = false;
    auto* dialog = new SelfDeleting(&deleted);
    ASSERT_TRUE(dialog->Create(kTemplate));
    dialog->ShowWindow(SW_SHOW);
    QTest::mouseClick(dialog->control(IDCANCEL), Qt::LeftButton);
    EXPECT_FALSE(deleted);
    QTest::qWait(1);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(deleted);
}

// So does a modeless dialog while the host waits for the answer to a question (the CLOSE
// question, another dialog's pick), which its commands would read as their own.
TEST_F(DialogTest, ADialogWaitingForAPickOrAQuestionRefusesToCloseButKeepsItsEdits)
{
    for (const bool question : {false, true}) {
        TestDialog dialog;
        open(dialog);
        {
            std::optional<CDialog::PickScope> picking;
            std::optional<qv::AnswerAwaited> asking;
            if (question)
                asking.emplace();
            else
                picking.emplace(&dialog);
            dialog.widget()->close();
            QTest::keyClick(dialog.control(kName), Qt::Key_Escape);
            QTest::mouseClick(dialog.control(kApply), Qt::LeftButton);
            for (QAction* action : dialog.widget()->findChildren<QAction*>())
                action->trigger();
            type(dialog.control(kName), "a");
            EXPECT_TRUE(dialog.IsWindowVisible());
            EXPECT_EQ(dialog.events, std::vector<std::string>{"EN_CHANGE"}) << question;
        }
        QTest::mouseClick(dialog.control(kApply), Qt::LeftButton);
        EXPECT_EQ(dialog.events, (std::vector<std::string>{"EN_CHANGE", "Apply"}));
    }
    // A modal dialog is the one the user answers: it takes its commands.
    const qv::AnswerAwaited asking;
    qv::setModalDriver([](CDialog& running) { QTest::mouseClick(running.GetDlgItem(IDOK)->widget(), Qt::LeftButton); });
    TestDialog modal;
    EXPECT_EQ(modal.DoModal(), IDOK);
    // The framework's own close goes through.
    TestDialog closing;
    open(closing);
    closing.closeAfterPick();
    EXPECT_FALSE(closing.IsWindowVisible());
}

// A dialog whose Apply fails with what the test gives it.
class FailingDialog : public TestDialog
{
public:
    std::function<void()> failure;
    void OnFail()
    {
        events.push_back("Apply");
        failure();
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(FailingDialog, TestDialog)
ON_BN_CLICKED(kApply, &FailingDialog::OnFail)
END_MESSAGE_MAP()

TEST_F(DialogTest, AHandlersFailureIsCaughtWhereItsMessageIsDispatchedAndReported)
{
    FailingDialog dialog;
    open(dialog);
    const auto failing = [&](std::function<void()> failure, bool posted = false) {
        boxes.clear();
        dialog.failure = std::move(failure);
        if (posted)
            dialog.PostMessage(WM_COMMAND, MAKEWPARAM(kApply, BN_CLICKED), 0);
        else
            QTest::mouseClick(dialog.control(kApply), Qt::LeftButton);
        QTest::qWait(1);
        const bool one = boxes.size() == 1 && boxes[0].type == MB_ICONSTOP;
        return one ? boxes[0].text : "(" + std::to_string(boxes.size()) + " boxes)";
    };
    const std::string where = "FailingDialog::WindowProc";
    EXPECT_EQ(failing([] { AfxThrowFileException(CFileException::diskFull, -1, "prefs.cfg"); }),
              "Disk full while accessing prefs.cfg.");
    EXPECT_NE(failing([] { throw std::out_of_range("at"); }).find(where + " failed: at"), std::string::npos);
    EXPECT_NE(failing([] { throw 42; }, true).find(where + " failed."), std::string::npos);

    // The application's report sees what was caught, or leaves it to the framework.
    int seen = 0;
    qv::setHandlerFailureReport([&](const std::string& signature) {
        EXPECT_NE(signature.find(where), std::string::npos);
        try {
            throw;
        } catch (int value) {
            seen = value;
            return true;
        } catch (...) {
            return false;
        }
    });
    EXPECT_EQ(failing([] { throw 7; }), "(0 boxes)");
    EXPECT_EQ(seen, 7);
    EXPECT_NE(failing([] { throw std::runtime_error("x"); }).find("failed: x"), std::string::npos);
    qv::setHandlerFailureReport(nullptr);

    // The dialog goes on.
    dialog.failure = [] {};
    dialog.events.clear();
    QTest::mouseClick(dialog.control(kApply), Qt::LeftButton);
    EXPECT_EQ(dialog.events, std::vector<std::string>{"Apply"});
    EXPECT_TRUE(dialog.IsWindowVisible());
}

TEST_F(DialogTest, CloseAfterPickCancelsAWaitingPickAndClosesWhenItIsOver)
{
    TestDialog dialog;
    open(dialog);
    {
        CDialog::PickScope picking(&dialog);
        dialog.closeAfterPick();
        EXPECT_EQ(qv::waitReadable(nullptr, 0, 0), -2); // the wait for the pick ends
        EXPECT_TRUE(dialog.IsWindowVisible());
    }
    EXPECT_TRUE(dialog.IsWindowVisible()); // the handler that waited returns first
    QTest::qWait(1);
    EXPECT_FALSE(dialog.IsWindowVisible());
    EXPECT_EQ(dialog.events, (std::vector<std::string>{"WM_CLOSE", "OnCancel"}));
    // Without a pick the dialog closes at once.
    TestDialog idle;
    open(idle);
    idle.closeAfterPick();
    EXPECT_FALSE(idle.IsWindowVisible());
}

TEST_F(DialogTest, ModalDialogsRunTheirLoopUntilEndDialog)
{
    TestDialog dialog;
    dialog.precision = 4;
    qv::setModalDriver([](CDialog& running) {
        auto& test = static_cast<TestDialog&>(running);
        EXPECT_TRUE(test.IsWindowVisible());
        EXPECT_TRUE(test.isModal());
        EXPECT_EQ(static_cast<QLineEdit*>(test.control(kPrecision))->text(), "4");
        QTest::keyClicks(test.control(kName), " more");
        QTest::mouseClick(test.control(IDOK), Qt::LeftButton);
    });
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(dialog.name, "start more");
    EXPECT_EQ(dialog.GetSafeHwnd(), nullptr);

    // A dialog the driver leaves open is cancelled.
    qv::setModalDriver([](CDialog&) {});
    TestDialog left;
    EXPECT_EQ(left.DoModal(), IDCANCEL);
}

TEST_F(DialogTest, WithoutADisplayModalDialogsAreCancelledUnshown)
{
    qv::setNoGui(true);
    bool driven = false;
    qv::setModalDriver([&](CDialog&) { driven = true; });
    TestDialog dialog;
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    qv::setNoGui(false);
    EXPECT_FALSE(driven);
    EXPECT_EQ(CDialog(4711).DoModal(), -1); // no such template
}

// A tab control that looks at the focused tab after the press's default handling.
class PressedTabs : public CTabCtrl
{
public:
    std::vector<int> focusAfterPress;
    void OnLButtonDown(UINT flags, CPoint point)
    {
        CTabCtrl::OnLButtonDown(flags, point);
        focusAfterPress.push_back(GetCurFocus());
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(PressedTabs, CTabCtrl)
ON_WM_LBUTTONDOWN()
END_MESSAGE_MAP()

class TabbedDialog : public TestDialog
{
public:
    TabbedDialog() : TestDialog(kPlainTemplate) {}
    PressedTabs tabs;
    std::vector<int> changes;
    void DoDataExchange(CDataExchange* dx) override { DDX_Control(dx, kTabs, tabs); }
    void OnSelChange(NMHDR* header, LRESULT*) { changes.push_back(static_cast<int>(header->idFrom)); }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(TabbedDialog, TestDialog)
ON_NOTIFY(TCN_SELCHANGE, kTabs, &TabbedDialog::OnSelChange)
END_MESSAGE_MAP()

TEST_F(DialogTest, TabControlNotifiesEveryUserChangeOfItsSelection)
{
    TabbedDialog dialog;
    ASSERT_TRUE(dialog.Create(kPlainTemplate));
    dialog.ShowWindow(SW_SHOW);
    dialog.tabs.InsertItem(0, "Space Data");
    dialog.tabs.InsertItem(1, "Format");
    dialog.tabs.SetCurSel(0);
    EXPECT_TRUE(dialog.changes.empty());
    CRect first, second;
    ASSERT_TRUE(dialog.tabs.GetItemRect(0, first));
    ASSERT_TRUE(dialog.tabs.GetItemRect(1, second));
    EXPECT_LT(first.left, second.left);
    dialog.tabs.widget()->setFocus();
    QTest::keyClick(dialog.tabs.widget(), Qt::Key_Right);
    EXPECT_EQ(dialog.tabs.GetCurSel(), 1);
    EXPECT_EQ(dialog.changes, std::vector<int>{kTabs});
    // A mouse press reaches the control's own map; its default handling selects the tab.
    QTest::mouseClick(dialog.tabs.widget(), Qt::LeftButton, {}, QPoint((first.left + first.right) / 2, (first.top + first.bottom) / 2));
    EXPECT_EQ(dialog.tabs.focusAfterPress, std::vector<int>{0});
    EXPECT_EQ(dialog.changes, (std::vector<int>{kTabs, kTabs}));
}

} // namespace
