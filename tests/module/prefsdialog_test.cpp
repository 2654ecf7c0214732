// The preferences and about dialogs, run modally on the offscreen platform and driven with
// clicks and keys; what they save is read back from prefs.cfg.
#include "arx/acedcmd.h"
#include "common/chain.h"
#include "common/tempdir.h"
#include "module/moduleentry.h"
#include "module/presabout.h"
#include "module/prespreferences.h"
#include "module/quorvane.h"
#include "module/resource.h"

#include <QAction>
#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// The module's folders under a fresh application-data folder; prefs.cfg absent at first.
class PrefsDialogTest : public testing::Test
{
protected:
    void SetUp() override
    {
        setenv("XDG_DATA_HOME", dir.path().c_str(), 1);
        acrxEntryPoint(AcRx::kInitAppMsg, this); // makes the folders; the first dialog is cancelled
        qv::setMessageBoxSink([this](const qv::MessageBoxCall& call) {
            boxes.push_back(call.text);
            return IDOK;
        });
    }
    void TearDown() override
    {
        acrxEntryPoint(AcRx::kUnloadAppMsg, this);
        qv::setMessageBoxSink(nullptr);
        qv::setModalDriver([](CDialog&) {});
        unsetenv("XDG_DATA_HOME");
    }

    std::string prefsPath() const { return dir.file("KavroSystems/Quorvane/prefs/prefs.cfg"); }
    bool prefsExist() const { return std::filesystem::exists(prefsPath()); }
    // The value lines of prefs.cfg by key.
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
    void writePrefs(const std::string& body)
    {
        writeFile(prefsPath(), "//\tQuorvane\n//\n//\tConfiguration file for Quorvane\n//\n" + body);
    }

    // Runs the preferences dialog with driver acting on it (and on any modal dialog it opens).
    INT_PTR run(std::function<void(CDialog&)> driver)
    {
        qv::setModalDriver(std::move(driver));
        CPresPreferences dialog;
        const INT_PTR result = dialog.DoModal();
        dialog.getValues(units, precision, textSize, scale, rotation, csvOpener, zoomBorder);
        return result;
    }

    static QLineEdit* edit(CDialog& dialog, int id) { return static_cast<QLineEdit*>(dialog.GetDlgItem(id)->widget()); }
    static void retype(CDialog& dialog, int id, const QString& text)
    {
        QLineEdit* field = edit(dialog, id);
        field->setFocus();
        field->selectAll();
        QTest::keyClick(field, Qt::Key_Delete);
        QTest::keyClicks(field, text);
    }
    static void clickOk(CDialog& dialog) { QTest::mouseClick(dialog.GetDlgItem(IDOK)->widget(), Qt::LeftButton); }

    TempDir dir;
    std::vector<std::string> boxes;
    int units = -9, precision = -9;
    double textSize = 0, scale = 0, rotation = 0, zoomBorder = 0;
    CString csvOpener;
};

TEST_F(PrefsDialogTest, ShowsTheDefaultsWithoutAFileAndOkWritesThem)
{
    ASSERT_FALSE(prefsExist());
    std::map<int, QString> shown;
    bool metric = false;
    EXPECT_EQ(run([&](CDialog& dialog) {
                  for (int id : {IDC_TEXT_SIZE, IDC_TEXT_SCALE, IDC_TEXT_ROTATION, IDC_PRECISION, IDC_ZOOM_BORDER, IDC_CSV_OPENER})
                      shown[id] = edit(dialog, id)->text();
                  metric = static_cast<QRadioButton*>(dialog.GetDlgItem(IDC_UNITS_METRIC)->widget())->isChecked();
                  // Enter presses the default button, OK.
                  QTest::keyClick(edit(dialog, IDC_CSV_OPENER), Qt::Key_Return);
              }),
              IDOK);
    EXPECT_EQ(shown, (std::map<int, QString>{{IDC_TEXT_SIZE, "250"}, {IDC_TEXT_SCALE, "1"}, {IDC_TEXT_ROTATION, "0"},
                                             {IDC_PRECISION, "2"}, {IDC_ZOOM_BORDER, "1000"}, {IDC_CSV_OPENER, "NONE"}}));
    EXPECT_TRUE(metric);
    EXPECT_EQ(readFile(prefsPath()), "//\tUser preferences of Quorvane, written by the preferences dialog\r\n"
                                     "//\r\n//\tConfiguration file for Quorvane\r\n//\r\n"
                                     "units\r\n0\r\nprecison\r\n2\r\ntextSize\r\n250.00\r\ntextScale\r\n1.00\r\n"
                                     "textRotation\r\n0.00\r\ncsvOpener\r\nNONE\r\nzoomBorder\r\n1000\r\ninc\r\n1\r\n");
    EXPECT_TRUE(boxes.empty());
}

TEST_F(PrefsDialogTest, EditsAreSavedWithTheUnitsChosenByKeyboard)
{
    writePrefs("units\n0\nprecison\n2\ntextSize\n0.5\ninc\n5\n");
    EXPECT_EQ(run([&](CDialog& dialog) {
                  EXPECT_EQ(edit(dialog, IDC_TEXT_SIZE)->text(), "250"); // below 1.0 shows as 250
                  QWidget* metric = dialog.GetDlgItem(IDC_UNITS_METRIC)->widget();
                  metric->setFocus();
                  QTest::keyClick(metric, Qt::Key_Right); // checks "ft"
                  retype(dialog, IDC_PRECISION, " 3 ");
                  retype(dialog, IDC_TEXT_SCALE, "0.75");
                  retype(dialog, IDC_TEXT_ROTATION, "-90");
                  retype(dialog, IDC_CSV_OPENER, "/usr/bin/libreoffice --calc");
                  retype(dialog, IDC_ZOOM_BORDER, "500");
                  clickOk(dialog);
              }),
              IDOK);
    const auto values = saved();
    EXPECT_EQ(values.at("units"), "1");
    EXPECT_EQ(values.at("precison"), "3");
    EXPECT_EQ(values.at("textSize"), "250.00");
    EXPECT_EQ(values.at("textScale"), "0.75");
    EXPECT_EQ(values.at("textRotation"), "-90.00");
    EXPECT_EQ(values.at("csvOpener"), "/usr/bin/libreoffice --calc");
    EXPECT_EQ(values.at("zoomBorder"), "500");
    EXPECT_EQ(values.at("inc"), "5"); // kept as read
    EXPECT_EQ(units, 1);
    EXPECT_EQ(precision, 3);
}

TEST_F(PrefsDialogTest, ValuesOutOfRangeAreReportedOnceAndNeverSaved)
{
    writePrefs("precison\n4\nzoomBorder\n100\n");
    const std::string before = readFile(prefsPath());
    EXPECT_EQ(run([&](CDialog& dialog) {
                  retype(dialog, IDC_PRECISION, "12");
                  clickOk(dialog);
                  EXPECT_TRUE(dialog.IsWindowVisible());
                  EXPECT_EQ(dialog.widget()->focusWidget(), edit(dialog, IDC_PRECISION));
                  EXPECT_EQ(readFile(prefsPath()), before);
                  // The close box does not save a bad value either, and stays open.
                  retype(dialog, IDC_PRECISION, "5");
                  retype(dialog, IDC_CSV_OPENER, "edited");
                  retype(dialog, IDC_ZOOM_BORDER, "20000");
                  dialog.widget()->close();
                  EXPECT_TRUE(dialog.IsWindowVisible());
                  EXPECT_EQ(readFile(prefsPath()), before);
                  QTest::keyClick(edit(dialog, IDC_ZOOM_BORDER), Qt::Key_Escape);
              }),
              IDCANCEL);
    EXPECT_EQ(boxes, (std::vector<std::string>{"Please enter an integer between 0 and 9.",
                                               "Please enter a number between 0 and 10000."}));
    EXPECT_EQ(readFile(prefsPath()), before);
}

TEST_F(PrefsDialogTest, ANumberFieldWithMoreThanANumberIsRefusedAndNothingSaved)
{
    writePrefs("precison\n4\ntextSize\n300\n");
    const std::string before = readFile(prefsPath());
    for (const auto& [id, message] : std::vector<std::pair<int, std::string>>{
             {IDC_PRECISION, "Please enter an integer."},
             {IDC_TEXT_SIZE, "Please enter a number."},
             {IDC_TEXT_SCALE, "Please enter a number."},
             {IDC_TEXT_ROTATION, "Please enter a number."},
             {IDC_ZOOM_BORDER, "Please enter a number."}}) {
        boxes.clear();
        EXPECT_EQ(run([&, id = id](CDialog& dialog) {
                      retype(dialog, id, "25x");
                      clickOk(dialog);
                      EXPECT_TRUE(dialog.IsWindowVisible());
                      EXPECT_EQ(dialog.widget()->focusWidget(), edit(dialog, id));
                      QTest::keyClick(edit(dialog, id), Qt::Key_Escape);
                  }),
                  IDCANCEL);
        EXPECT_EQ(boxes, std::vector<std::string>{message}) << id;
        EXPECT_EQ(readFile(prefsPath()), before);
    }
}

TEST_F(PrefsDialogTest, TheCloseBoxSavesAndEscDoesNot)
{
    EXPECT_EQ(run([&](CDialog& dialog) {
                  retype(dialog, IDC_PRECISION, "0");
                  QTest::keyClick(edit(dialog, IDC_PRECISION), Qt::Key_Escape);
              }),
              IDCANCEL);
    EXPECT_FALSE(prefsExist());
    EXPECT_EQ(run([&](CDialog& dialog) {
                  retype(dialog, IDC_PRECISION, "0");
                  retype(dialog, IDC_TEXT_SIZE, "0"); // raised to 1 when saved
                  dialog.widget()->close();
              }),
              IDCANCEL);
    EXPECT_EQ(saved().at("precison"), "0");
    EXPECT_EQ(saved().at("textSize"), "1.00");
}

TEST_F(PrefsDialogTest, SetValuesKeepsSizesPositiveAndTheRotationWithinHalfATurn)
{
    CPresPreferences dialog;
    int u = 1, p = 3;
    CString opener = "x";
    const struct { double size, scale, rotation, size2, scale2, rotation2; } cases[] = {
        {0.0, -1.0, 270.0, 0.1, 0.1, 180.0}, {5.0, 2.0, -200.0, 5.0, 2.0, -180.0}, {5.0, 2.0, 45.0, 5.0, 2.0, 45.0}};
    for (auto c : cases) {
        double zoom = 7.0;
        dialog.setValues(u, p, c.size, c.scale, c.rotation, opener, zoom);
        EXPECT_EQ(c.size, c.size2);
        EXPECT_EQ(c.scale, c.scale2);
        EXPECT_EQ(c.rotation, c.rotation2);
        double size, scale, rotation;
        dialog.getValues(units, precision, size, scale, rotation, csvOpener, zoomBorder);
        EXPECT_EQ(rotation, c.rotation2);
        EXPECT_EQ(units, 1);
        EXPECT_EQ(zoomBorder, 7.0);
    }
}

TEST_F(PrefsDialogTest, TheAboutBoxFromTheHelpMenuShowsVersionDateAndHost)
{
    std::vector<QString> texts;
    std::vector<UINT> opened;
    run([&](CDialog& dialog) {
        opened.push_back(dialog.templateId());
        if (dialog.templateId() == IDD_ABOUT) {
            CString caption;
            dialog.GetWindowText(caption);
            EXPECT_EQ(caption, "About - Quorvane");
            for (int id : {IDC_ABOUT_CAD_VERSION, IDC_ABOUT_MODULE_VERSION, IDC_ABOUT_COMPILE_DATE})
                texts.push_back(static_cast<QLabel*>(dialog.GetDlgItem(id)->widget())->text());
            QTest::keyClick(dialog.widget(), Qt::Key_Return);
            return;
        }
        for (QAction* action : dialog.widget()->findChildren<QAction*>())
            if (action->text() == "&About")
                action->trigger();
        EXPECT_TRUE(dialog.IsWindowVisible()); // back in the preferences after the box
        QTest::keyClick(dialog.widget(), Qt::Key_Escape);
    });
    EXPECT_EQ(opened, (std::vector<UINT>{IDD_PREFERENCES, IDD_ABOUT}));
    EXPECT_EQ(texts, (std::vector<QString>{"AutoCAD 2019 64bit", "64.04.03.00", "May 31 2018"}));
}

TEST_F(PrefsDialogTest, KprefsAndTheLoadWithoutPrefsOpenTheDialog)
{
    std::vector<UINT> opened;
    qv::setModalDriver([&](CDialog& dialog) {
        opened.push_back(dialog.templateId());
        clickOk(dialog);
    });
    const std::string out = captured([] { acedRegCmds->lookupCmd("kprefs")->function(); });
    EXPECT_EQ(out, "Kavro Edit Preferences 64.04.03.00\n");
    ASSERT_TRUE(prefsExist());
    // With prefs.cfg there the load asks nothing; without it, the dialog comes.
    checkPreferencesExist();
    std::filesystem::remove(prefsPath());
    checkPreferencesExist();
    EXPECT_EQ(opened, (std::vector<UINT>{IDD_PREFERENCES, IDD_PREFERENCES}));
    EXPECT_TRUE(prefsExist());
}

// Pictures of the dialogs as the offscreen platform draws them; with QV_DIALOG_PICTURES
// naming a folder they are kept there (scripts/make-dialog-pictures.sh does so for the README).
TEST_F(PrefsDialogTest, PicturesOfTheDialogs)
{
    const char* folder = std::getenv("QV_DIALOG_PICTURES");
    const std::string out = folder && *folder ? std::string(folder) + "/" : dir.folder();
    std::map<std::string, QSize> sizes;
    run([&](CDialog& dialog) {
        const bool about = dialog.templateId() == IDD_ABOUT;
        const std::string name = about ? "dialog-about.png" : "dialog-preferences.png";
        QApplication::processEvents();
        ASSERT_TRUE(dialog.widget()->grab().save(QString::fromStdString(out + name)));
        sizes[name] = dialog.widget()->size();
        if (!about)
            for (QAction* action : dialog.widget()->findChildren<QAction*>())
                if (action->text() == "&About")
                    action->trigger();
        QTest::keyClick(dialog.widget(), Qt::Key_Escape);
    });
    ASSERT_EQ(sizes.size(), 2u);
    for (const auto& [name, size] : sizes) {
        const QImage picture(QString::fromStdString(out + name));
        EXPECT_EQ(picture.size(), size) << name;
    }
    // Both are drawn in their dialog units: the preferences 235 by 314, the about box 186 by 96.
    EXPECT_GT(sizes["dialog-preferences.png"].height(), 3 * sizes["dialog-about.png"].height());
}

} // namespace
