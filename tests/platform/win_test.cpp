#include "common/tempdir.h"
#include "posix/homefolder.h"
#include "win/codepage.h"
#include "win/com.h"
#include "win/headless.h"
#include "win/messagebox.h"
#include "win/shlobj.h"
#include "win/stringtable.h"
#include "win/winbase.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <gtest/gtest.h>
#include <sys/stat.h>

TEST(WinFiles, AttributesTellFoldersFromFilesAndMissingPaths)
{
    TempDir dir;
    writeFile(dir.file("f.txt"), "x");
    EXPECT_EQ(GetFileAttributes(dir.path().c_str()), FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_NE(GetFileAttributes(dir.file("f.txt").c_str()) & (FILE_ATTRIBUTE_NORMAL | FILE_ATTRIBUTE_READONLY), 0u);
    EXPECT_EQ(GetFileAttributes(dir.file("none").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(GetFileAttributes(""), INVALID_FILE_ATTRIBUTES);
}

TEST(WinFiles, CreateCopyAndDeleteReportWindowsCodes)
{
    TempDir dir;
    const std::string sub = dir.file("sub");
    EXPECT_TRUE(CreateDirectory(sub.c_str(), nullptr));
    EXPECT_FALSE(CreateDirectory(sub.c_str(), nullptr));
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    EXPECT_FALSE(CreateDirectory(dir.file("a/b").c_str(), nullptr));
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);

    writeFile(dir.file("src.txt"), "content");
    EXPECT_TRUE(CopyFile(dir.file("src.txt").c_str(), dir.file("dst.txt").c_str(), TRUE));
    EXPECT_EQ(readFile(dir.file("dst.txt")), "content");
    writeFile(dir.file("src.txt"), "newer");
    EXPECT_FALSE(CopyFile(dir.file("src.txt").c_str(), dir.file("dst.txt").c_str(), TRUE));
    EXPECT_EQ(GetLastError(), ERROR_FILE_EXISTS);
    EXPECT_EQ(readFile(dir.file("dst.txt")), "content");
    EXPECT_TRUE(CopyFile(dir.file("src.txt").c_str(), dir.file("dst.txt").c_str(), FALSE));
    EXPECT_EQ(readFile(dir.file("dst.txt")), "newer");
    EXPECT_FALSE(CopyFile(dir.file("none").c_str(), dir.file("x").c_str(), FALSE));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(CopyFile(dir.file("src.txt").c_str(), dir.file("no/x").c_str(), FALSE));
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);

    EXPECT_TRUE(DeleteFile(dir.file("dst.txt").c_str()));
    EXPECT_FALSE(DeleteFile(dir.file("dst.txt").c_str()));
    EXPECT_FALSE(DeleteFile(sub.c_str()));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    // Only the copy itself is left: no temporary files beside it.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);
}

TEST(WinFiles, AccessDeniedIsCodeFive)
{
    TempDir dir;
    const std::string locked = dir.file("locked");
    ASSERT_EQ(::mkdir(locked.c_str(), 0555), 0);
    ::chmod(dir.path().c_str(), 0755);
    const int code = runUnprivileged([&] {
        return CreateDirectory((locked + "/inner").c_str(), nullptr) ? 0 : static_cast<int>(GetLastError());
    });
    EXPECT_EQ(code, static_cast<int>(ERROR_ACCESS_DENIED));
}

TEST(WinFiles, BackslashesAreSeparators)
{
    TempDir dir;
    EXPECT_EQ(nativePath("a\\b\\c.dxf"), "a/b/c.dxf");
    const std::string mixed = dir.path().string() + "\\made";
    EXPECT_TRUE(CreateDirectory(mixed.c_str(), nullptr));
    EXPECT_TRUE(std::filesystem::is_directory(dir.path() / "made"));
}

TEST(WinErrors, SystemTextsForTheCodesFilesReport)
{
    char* text = nullptr;
    ASSERT_GT(FormatMessage(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM, nullptr, 5, 1024,
                            reinterpret_cast<LPTSTR>(&text), 0, nullptr),
              0u);
    EXPECT_STREQ(text, "Access is denied.\r\n");
    LocalFree(text);
    for (DWORD code : {2u, 3u, 32u, 80u, 112u}) {
        char buffer[256];
        EXPECT_GT(FormatMessage(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, code, 0, buffer, sizeof buffer, nullptr), 0u)
            << code;
    }
    char small[4];
    EXPECT_EQ(FormatMessage(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, 2, 0, small, sizeof small, nullptr), 0u);
    EXPECT_EQ(FormatMessage(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, 99999, 0, small, sizeof small, nullptr), 0u);
}

TEST(WinFolders, ApplicationDataHomeAndTemporaryFolders)
{
    char path[MAX_PATH];
    setenv("XDG_DATA_HOME", "/srv/data/", 1);
    ASSERT_EQ(SHGetFolderPath(nullptr, CSIDL_COMMON_APPDATA, nullptr, 0, path), S_OK);
    EXPECT_STREQ(path, "/srv/data");
    unsetenv("XDG_DATA_HOME");
    setenv("HOME", "/home/someone", 1);
    ASSERT_EQ(SHGetFolderPath(nullptr, CSIDL_COMMON_APPDATA, nullptr, 0, path), S_OK);
    EXPECT_STREQ(path, "/home/someone/.local/share");
    EXPECT_EQ(SHGetFolderPath(nullptr, 0x7777, nullptr, 0, path), E_INVALIDARG);
    // A leading "~", alone or before a separator, is the home folder; "~user" is left as it is.
    EXPECT_EQ(qv::withHomeExpanded("~"), "/home/someone");
    EXPECT_EQ(qv::withHomeExpanded("~/plan.dxf"), "/home/someone/plan.dxf");
    EXPECT_EQ(qv::withHomeExpanded("~\\plan.dxf"), "/home/someone\\plan.dxf");
    EXPECT_EQ(qv::withHomeExpanded("~someone/plan.dxf"), "~someone/plan.dxf");
    EXPECT_EQ(qv::withHomeExpanded("plans/~/plan.dxf"), "plans/~/plan.dxf");
    EXPECT_EQ(qv::withHomeExpanded(""), "");

    setenv("TMPDIR", "/var/tmp", 1);
    EXPECT_EQ(GetTempPath(MAX_PATH, path), 9u);
    EXPECT_STREQ(path, "/var/tmp/");
    unsetenv("TMPDIR");
    GetTempPath(MAX_PATH, path);
    EXPECT_STREQ(path, "/tmp/");
}

TEST(WinMessageBox, HeadlessBoxesPrintAndTakeTheirDefault)
{
    qv::setNoGui(true);
    testing::internal::CaptureStderr();
    EXPECT_EQ(MessageBox(nullptr, "Something failed", "Error Detected.", MB_OK | MB_ICONERROR), IDOK);
    EXPECT_EQ(MessageBox(nullptr, "Replace?", "Duplicate Space Name", MB_YESNO), IDYES);
    EXPECT_EQ(MessageBox(nullptr, "Replace?", "Q", MB_YESNO | MB_DEFBUTTON2), IDNO);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "[Error Detected.] Something failed\n[Duplicate Space Name] Replace?\n[Q] Replace?\n");
    qv::setNoGui(false);
}

TEST(WinMessageBox, ASinkAnswersInsteadOfTheUser)
{
    std::vector<qv::MessageBoxCall> seen;
    qv::setMessageBoxSink([&](const qv::MessageBoxCall& call) {
        seen.push_back(call);
        return IDNO;
    });
    EXPECT_EQ(MessageBox(nullptr, "text", "caption", MB_YESNO | MB_ICONQUESTION), IDNO);
    qv::setMessageBoxSink(nullptr);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].caption, "caption");
    EXPECT_EQ(seen[0].type, MB_YESNO | MB_ICONQUESTION);
}

TEST(WinCom, ErrorsCarryTheirTextsAndInfo)
{
    const _com_error plain(E_POINTER);
    EXPECT_EQ(plain.ErrorMessage(), "Invalid pointer");
    EXPECT_FALSE(plain.hasErrorInfo());
    EXPECT_TRUE(plain.Description().isNull());
    const _com_error withInfo(E_FAIL, ErrorInfo{"Login failed", "Provider"});
    EXPECT_STREQ(withInfo.Description(), "Login failed");
    EXPECT_STREQ(withInfo.Source(), "Provider");
    EXPECT_EQ(_com_error(HRESULT_FROM_WIN32(5)).ErrorMessage(), "Access is denied.");
    EXPECT_EQ(_com_error(static_cast<HRESULT>(0x80041234u)).ErrorMessage(), "Unknown error 0x80041234");

    EXPECT_EQ(CoInitialize(nullptr), S_OK);
    EXPECT_EQ(CoInitialize(nullptr), S_FALSE);
    CoUninitialize();
    CoUninitialize();
    EXPECT_EQ(coInitializeCount(), 0);
}

TEST(WinMessageBox, WithADisplayARealBoxIsShown)
{
    // The offscreen platform stands in for a display: the box is a real modal widget.
    std::string title, text;
    bool critical = false;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_TRUE(box);
        title = box->windowTitle().toStdString();
        text = box->text().toStdString();
        critical = box->icon() == QMessageBox::Critical;
        box->button(QMessageBox::Ok)->click();
    });
    EXPECT_EQ(MessageBox(nullptr, "chain text", "Error Detected.", MB_OK | MB_ICONERROR), IDOK);
    EXPECT_EQ(title, "Error Detected.");
    EXPECT_EQ(text, "chain text");
    EXPECT_TRUE(critical);

    QTimer::singleShot(0, [] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_TRUE(box);
        box->button(QMessageBox::No)->click();
    });
    EXPECT_EQ(MessageBox(nullptr, "Replace?", "Duplicate Space Name", MB_YESNO), IDNO);
}

TEST(WinStrings, LoadStringCutsAtAWholeCharacterAndAnswersZeroWhenMissing)
{
    char tag = 0;
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(&tag);
    registerStringTable(instance, {{1, "abcdé"}, {2, "abc"}});
    char buffer[6] = "xxxxx";
    EXPECT_EQ(LoadStringA(instance, 1, buffer, 6), 4) << "é does not fit whole in 5 bytes";
    EXPECT_STREQ(buffer, "abcd");
    EXPECT_EQ(LoadStringA(instance, 2, buffer, 6), 3);
    EXPECT_STREQ(buffer, "abc");
    EXPECT_EQ(LoadStringA(instance, 3, buffer, 6), 0);
    EXPECT_STREQ(buffer, "");
    unregisterStringTable(instance);
    EXPECT_EQ(LoadStringA(instance, 2, buffer, 6), 0);
    EXPECT_EQ(LoadStringA(instance, 2, buffer, 0), 0);
}

TEST(WinCodePage, Utf8BecomesWindows1252WithQuestionMarksForTheRest)
{
    EXPECT_EQ(qv::utf8ToWindows1252("Code,Area"), "Code,Area");
    // Latin-1 characters keep their code; the row 0x80 to 0x9F holds its own characters.
    EXPECT_EQ(qv::utf8ToWindows1252("m\u00b2 B\u00fcro \u00ff"), "m\xb2 B\xfcro \xff");
    EXPECT_EQ(qv::utf8ToWindows1252("\u20ac \u201e\u2122 \u0178"), "\x80 \x84\x99 \x9f");
    // Characters outside the code page, one "?" each, also beyond the 16-bit plane; the
    // C1 controls that the row replaces are not in the code page either.
    EXPECT_EQ(qv::utf8ToWindows1252("\u65e5\u672c \U0001F600 \u0081"), "?? ? ?");
    // Ill-formed UTF-8.
    EXPECT_EQ(qv::utf8ToWindows1252("a\xff" "b"), "a?b");
}
