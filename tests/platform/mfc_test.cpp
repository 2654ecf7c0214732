#include "common/tempdir.h"
#include "mfc/carray.h"
#include "mfc/cstring.h"
#include "mfc/file.h"
#include "mfc/filedialog.h"
#include "mfc/oledatetime.h"
#include "win/headless.h"
#include "win/messagebox.h"

#include <QString>
#include <deque>
#include <gtest/gtest.h>

TEST(CString, SearchesAndSlicesStayInsideTheText)
{
    const CString s("Room 1/2 (East)");
    EXPECT_EQ(s.Find("1"), 5);
    EXPECT_EQ(s.Find('(', 20), -1);
    EXPECT_EQ(s.Find("", 3), 3);
    EXPECT_EQ(s.Find("x", -1), -1);
    EXPECT_EQ(s.ReverseFind(' '), 8);
    EXPECT_EQ(s.Left(4), "Room");
    EXPECT_EQ(s.Left(-3), "");
    EXPECT_EQ(s.Left(99), s);
    EXPECT_EQ(s.Mid(9), "(East)");
    EXPECT_EQ(s.Mid(40), "");
    EXPECT_EQ(s.Mid(-2, 4), "Room");
    EXPECT_EQ(s.Right(6), "(East)");
    EXPECT_EQ(s.Right(99), s);
}

TEST(CString, EditsReportWhatTheyChanged)
{
    CString s("a,b,,c");
    EXPECT_EQ(s.Replace(",", ";;"), 3);
    EXPECT_EQ(s, "a;;b;;;;c");
    EXPECT_EQ(s.Replace("", "x"), 0);
    EXPECT_EQ(s.Remove(';'), 6);
    EXPECT_EQ(s, "abc");
    s.Insert(1, "--");
    EXPECT_EQ(s, "a--bc");
    s.Delete(1, 10);
    EXPECT_EQ(s, "a");

    CString blanks("  \t text \r\n");
    EXPECT_EQ(CString(blanks).Trim(), "text");
    EXPECT_EQ(CString(blanks).TrimLeft(), "text \r\n");
    EXPECT_EQ(CString("xxaxx").Trim('x'), "a");
    EXPECT_EQ(CString("xyaz").TrimRight("yz"), "xya");
}

TEST(CString, TokenizeWalksEveryToken)
{
    const CString s(";a;;bc;");
    int pos = 0;
    std::vector<std::string> tokens;
    for (CString t = s.Tokenize(";", pos); pos != -1; t = s.Tokenize(";", pos))
        tokens.push_back(t.str());
    EXPECT_EQ(tokens, (std::vector<std::string>{"a", "bc"}));
}

TEST(CString, CaseMappingCoversUnicode)
{
    CString s("Straße été");
    s.MakeUpper();
    EXPECT_EQ(s, "STRASSE ÉTÉ");
    EXPECT_EQ(CString("ÉTÉ").CompareNoCase("été"), 0);
    EXPECT_LT(CString("abc").CompareNoCase("ABD"), 0);
    EXPECT_GT(CString("b").Compare("a"), 0);
}

TEST(CString, FormatPassesStringsAsText)
{
    CString name("Room 7"), out;
    const std::string where = "level 2";
    out.Format("%s on %s: %i sq.m. (%.2f)", name, where, 12, 12.345);
    EXPECT_EQ(out, "Room 7 on level 2: 12 sq.m. (12.35)");
    out.AppendFormat(" %X", 255u);
    EXPECT_EQ(out.Right(3), " FF");
    CString big;
    big.Format("%s", std::string(1000, 'x'));
    EXPECT_EQ(big.GetLength(), 1000);
}

TEST(CString, BufferWritesAreTakenBackUpToTheNull)
{
    CString s;
    char* buffer = s.GetBuffer(999);
    std::snprintf(buffer, 999, "%s", "written");
    s.ReleaseBuffer();
    EXPECT_EQ(s, "written");
    EXPECT_EQ(s.GetLength(), 7);
}

TEST(CString, GetAtOutsideThrowsTheFrameworkError)
{
    const CString s("ab");
    EXPECT_EQ(s[1], 'b');
    try {
        (void)s.GetAt(2);
        FAIL() << "no exception";
    } catch (CInvalidArgException* e) {
        e->Delete();
    }
}

TEST(COleDateTime, ComponentsRoundTripThroughDate)
{
    COleDateTime t(2026, 12, 6, 9, 5, 3);
    ASSERT_EQ(t.GetStatus(), COleDateTime::valid);
    EXPECT_EQ(t.GetYear(), 2026);
    EXPECT_EQ(t.GetMonth(), 12);
    EXPECT_EQ(t.GetDay(), 6);
    EXPECT_EQ(t.GetHour(), 9);
    EXPECT_EQ(t.GetMinute(), 5);
    EXPECT_EQ(t.GetSecond(), 3);
    EXPECT_EQ(t.GetDayOfWeek(), 1); // a Sunday
    EXPECT_EQ(t.Format("%Y%m%d%Hh%M%S_"), "20261206" "09h0503_");

    EXPECT_DOUBLE_EQ(COleDateTime(1900, 1, 1, 0, 0, 0).m_dt, 2.0);
    EXPECT_DOUBLE_EQ(COleDateTime(1899, 12, 30, 12, 0, 0).m_dt, 0.5);
    const COleDateTime before(1899, 12, 29, 6, 0, 0);
    EXPECT_DOUBLE_EQ(before.m_dt, -1.25);
    EXPECT_EQ(before.GetDay(), 29);
    EXPECT_EQ(before.GetHour(), 6);
    EXPECT_EQ(COleDateTime().GetYear(), 1899); // the zero value is valid
}

TEST(COleDateTime, OutOfRangeComponentsMakeAnInvalidValue)
{
    COleDateTime t;
    EXPECT_EQ(t.SetDateTime(2025, 2, 29, 0, 0, 0), 1);
    EXPECT_EQ(t.GetStatus(), COleDateTime::invalid);
    EXPECT_EQ(t.GetYear(), -1);
    EXPECT_EQ(t.GetSecond(), -1);
    EXPECT_EQ(t.Format("%Y"), "");
    EXPECT_EQ(t.SetDateTime(2024, 2, 29, 23, 59, 59), 0);
    EXPECT_EQ(t.SetDateTime(2024, 1, 1, 24, 0, 0), 1);
}

TEST(COleDateTime, ParsesTheCompilerDateAndIsoTexts)
{
    COleDateTime t;
    EXPECT_TRUE(t.ParseDateTime("Dec  7 2026"));
    EXPECT_EQ(t.GetDay(), 7);
    EXPECT_EQ(t.GetMonth(), 12);
    EXPECT_TRUE(t.ParseDateTime("2026-03-04 05:06:07"));
    EXPECT_EQ(t.GetMinute(), 6);
    EXPECT_FALSE(t.ParseDateTime("yesterday"));
    EXPECT_EQ(t.GetStatus(), COleDateTime::invalid);
}

TEST(CArray, OutOfRangeAccessThrowsAndNothingChanges)
{
    CArray<int> a;
    a.Add(1);
    a.Add(3);
    a.InsertAt(1, 2);
    EXPECT_EQ(a.GetSize(), 3);
    EXPECT_EQ(a[1], 2);
    a.RemoveAt(0);
    EXPECT_EQ(a.GetAt(0), 2);
    for (int bad : {-1, 2}) {
        try {
            (void)a.GetAt(bad);
            FAIL() << bad;
        } catch (CInvalidArgException* e) {
            e->Delete();
        }
    }
    try {
        a.RemoveAt(1, 2);
        FAIL();
    } catch (CInvalidArgException* e) {
        e->Delete();
    }
    EXPECT_EQ(a.GetSize(), 2);
}

TEST(CFile, TextFilesAppendAndReadLinesWithEitherEnding)
{
    TempDir dir;
    const std::string path = dir.file("log.txt");
    {
        CStdioFile f(path.c_str(), CFile::modeCreate | CFile::modeWrite | CFile::typeText);
        f.WriteString("first\n");
    }
    {
        CStdioFile f;
        ASSERT_TRUE(f.Open(path.c_str(), 28737)); // create, keep, share, write, text
        f.SeekToEnd();
        f.WriteString("second\r\nthird");
    }
    CStdioFile f(path.c_str(), CFile::modeRead);
    CString line;
    std::vector<std::string> lines;
    while (f.ReadString(line))
        lines.push_back(line.str());
    EXPECT_EQ(lines, (std::vector<std::string>{"first", "second", "third"}));
}

TEST(CFile, FailuresCarryTheirCause)
{
    TempDir dir;
    CFileException error;
    CFile f;
    EXPECT_FALSE(f.Open(dir.file("missing/x.txt").c_str(), CFile::modeRead, &error));
    EXPECT_EQ(error.m_cause, CFileException::fileNotFound);

    try {
        CFile::Remove(dir.file("nothing.txt").c_str());
        FAIL();
    } catch (CFileException* e) {
        EXPECT_EQ(e->m_cause, CFileException::fileNotFound);
        char text[255];
        e->GetErrorMessage(text, sizeof text);
        EXPECT_NE(std::string(text).find("nothing.txt was not found."), std::string::npos);
        e->Delete();
    }

    CFileStatus status;
    EXPECT_FALSE(CFile::GetStatus(dir.file("nothing.txt").c_str(), status));
    writeFile(dir.file("there.txt"), "12345");
    ASSERT_TRUE(CFile::GetStatus(dir.file("there.txt").c_str(), status));
    EXPECT_EQ(status.m_size, 5);
    EXPECT_EQ(status.m_mtime.GetYear(), COleDateTime::GetCurrentTime().GetYear());
}

TEST(CFile, BackslashesInPathsAreSeparators)
{
    TempDir dir;
    writeFile(dir.file("a.txt"), "x");
    std::string windowsStyle = dir.path().string() + "\\a.txt";
    CFileStatus status;
    EXPECT_TRUE(CFile::GetStatus(windowsStyle.c_str(), status));
}

namespace {

// Without a display the dialog asks the host's path prompt; here the prompt answers from a
// list as a user would, and records what it was asked. Everything global is put back.
class HeadlessFileDialog : public ::testing::Test
{
protected:
    void SetUp() override
    {
        qv::setNoGui(true);
        qv::setPathPrompt([this](const std::string& prompt) -> std::optional<std::string> {
            asked.push_back(prompt);
            if (answers.empty())
                return std::nullopt;
            std::optional<std::string> answer = answers.front();
            answers.pop_front();
            return answer;
        });
    }
    void TearDown() override
    {
        qv::setPathPrompt(nullptr);
        qv::setNoGui(false);
    }

    std::deque<std::optional<std::string>> answers;
    std::vector<std::string> asked;
};

} // namespace

TEST_F(HeadlessFileDialog, TheTitleIsTheQuestion)
{
    answers = {"/srv/a.xml", "/srv/b.xml", "/srv/c.xml"};
    CFileDialog open(TRUE);
    EXPECT_EQ(open.DoModal(), IDOK);
    CFileDialog save(FALSE);
    EXPECT_EQ(save.DoModal(), IDOK);
    CFileDialog titled(TRUE);
    titled.m_ofn.lpstrTitle = "Load Graphic Report";
    EXPECT_EQ(titled.DoModal(), IDOK);
    EXPECT_EQ(asked, (std::vector<std::string>{"Open", "Save As", "Load Graphic Report"}));
    EXPECT_EQ(titled.GetPathName(), "/srv/c.xml");
    EXPECT_EQ(titled.GetFileName(), "c.xml");
}

TEST_F(HeadlessFileDialog, TheDefaultExtensionIsAddedToANameWithoutOne)
{
    const struct { const char* typed; const char* path; const char* name; } cases[] = {
        {"/srv/reports/march", "/srv/reports/march.csv", "march.csv"},
        {"/srv/v1.2/march", "/srv/v1.2/march.csv", "march.csv"},
        {"/srv/reports/march.txt", "/srv/reports/march.txt", "march.txt"},
    };
    for (const auto& c : cases) {
        answers = {c.typed};
        CFileDialog dialog(FALSE, "csv");
        ASSERT_EQ(dialog.DoModal(), IDOK) << c.typed;
        EXPECT_EQ(dialog.GetPathName(), c.path) << c.typed;
        EXPECT_EQ(dialog.GetFileName(), c.name) << c.typed;
    }
}

TEST_F(HeadlessFileDialog, TheFileTitleBufferGetsTheNameCutToItsSize)
{
    answers = {"/srv/reports/quarterly.xml", "/srv/reports/quarterly.xml"};
    char title[64] = "unchanged";
    CFileDialog roomy(TRUE);
    roomy.m_ofn.lpstrFileTitle = title;
    roomy.m_ofn.nMaxFileTitle = sizeof title;
    ASSERT_EQ(roomy.DoModal(), IDOK);
    EXPECT_STREQ(title, "quarterly.xml");
    char small[6] = "-----";
    CFileDialog cramped(TRUE);
    cramped.m_ofn.lpstrFileTitle = small;
    cramped.m_ofn.nMaxFileTitle = sizeof small;
    ASSERT_EQ(cramped.DoModal(), IDOK);
    EXPECT_STREQ(small, "quart");
}

TEST_F(HeadlessFileDialog, NothingChosenIsACancel)
{
    answers = {std::nullopt, std::string()};
    char title[16] = "unchanged";
    for (int i = 0; i < 2; ++i) {
        CFileDialog dialog(TRUE, "xml");
        dialog.m_ofn.lpstrFileTitle = title;
        dialog.m_ofn.nMaxFileTitle = sizeof title;
        EXPECT_EQ(dialog.DoModal(), IDCANCEL);
        EXPECT_EQ(dialog.GetPathName(), "");
    }
    EXPECT_STREQ(title, "unchanged");
    qv::setPathPrompt(nullptr); // a host that installed no prompt
    EXPECT_EQ(CFileDialog(TRUE).DoModal(), IDCANCEL);
}

TEST(CFileDialog, FiltersTakeQtsForm)
{
    EXPECT_EQ(CFileDialog::qtFilter("XML Graphic Reports (*.xml)|*.xml||").toStdString(),
              "XML Graphic Reports (*.xml)");
    EXPECT_EQ(CFileDialog::qtFilter("Drawings|*.dxf;*.dwg|All files|*.*||").toStdString(),
              "Drawings (*.dxf *.dwg);;All files (*.*)");
    EXPECT_EQ(CFileDialog::qtFilter("").toStdString(), "");
}
