#include "arx/acedinput.h"
#include "arx/acutprintf.h"
#include "common/chain.h"
#include "common/tempdir.h"
#include "support/exunhandled.h"
#include "support/fileutilities.h"
#include "support/tempfiles.h"
#include "support/xmlutilities.h"
#include "win/headless.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

TEST(CFileUtilities, PathTypes)
{
    CFileUtilities files;
    // On disk: a folder whose name holds a dot, and a file whose name holds none.
    TempDir dir;
    std::filesystem::create_directory(dir.file("plans.v2"));
    writeFile(dir.file("README"), "");
    const std::string folder = dir.file("plans.v2"), file = dir.file("README");
    const struct { std::string in; int type; std::string after; } cases[] = {
        {"plan.dxf", 0, "plan.dxf"},
        {"/srv/reports", 1, "/srv/reports/"},
        {"\\srv\\reports", 1, "/srv/reports/"},
        {"/srv/reports/", 1, "/srv/reports/"},
        {"/srv/reports/plan.dxf", 2, "/srv/reports/plan.dxf"},
        {"//server/share/plan.dxf", 2, "//server/share/plan.dxf"},
        {"/srv/v1.2/", 1, "/srv/v1.2/"},
        {"/srv/plans.v2/copies", 1, "/srv/plans.v2/copies/"},
        {"/home/j.smith/plan.dxf", 2, "/home/j.smith/plan.dxf"},
        {folder, 1, folder + "/"},
        {file, 2, file},
        {"reports/plan.dxf", 3, "reports/plan.dxf"},
        {"reports\\plan.dxf", 3, "reports\\plan.dxf"},
        {"plan", 3, "plan"},
        {"pl?an.dxf", 3, "pl?an.dxf"},
        {"", 3, ""},
    };
    for (const auto& c : cases) {
        CString path(c.in.c_str());
        EXPECT_EQ(files.getPathType(path), c.type) << c.in;
        EXPECT_EQ(path, c.after.c_str()) << c.in;
    }
}

TEST(CFileUtilities, FileNameSyntax)
{
    CFileUtilities files;
    CString name("plan.dxf");
    EXPECT_TRUE(files.checkFilenameSyntax(name, FALSE));
    for (const char* bad : {"pl?n.dxf", "a|b.dxf", "\\plan.dxf", "/plan.dxf"}) {
        CString n(bad);
        EXPECT_FALSE(files.checkFilenameSyntax(n, FALSE)) << bad;
        EXPECT_EQ(n, bad);
    }
    CString repaired("<pl>an*.dxf");
    EXPECT_TRUE(files.checkFilenameSyntax(repaired, TRUE));
    EXPECT_EQ(repaired, "plan.dxf");
    // Only the first fault is mended.
    CString two("/a?.dxf");
    EXPECT_TRUE(files.checkFilenameSyntax(two, TRUE));
    EXPECT_EQ(two, "/a.dxf");
    // A colon means nothing special in a file name here.
    CString colons("a:b:c.dxf");
    EXPECT_TRUE(files.checkFilenameSyntax(colons, FALSE));
}

TEST(CFileUtilities, PathSyntaxRepairs)
{
    CFileUtilities files;
    const struct { const char* in; const char* out; } cases[] = {
        {"/a?b", "/ab/"}, {"/dir\"x/", "/dirx/"}, {"/already/", "/already/"}, {"\\w\\x", "/w/x/"},
        {"", ""}, {"?", "/"}};
    for (const auto& c : cases) {
        CString path(c.in);
        files.checkPathSyntax(path);
        EXPECT_EQ(path, c.out) << c.in;
    }
}

TEST(CFileUtilities, ExtensionsAndFolders)
{
    CFileUtilities files;
    EXPECT_EQ(files.swapFileExtension(" plan.dxf ", ".dxf", ".qrv"), "plan.qrv");
    EXPECT_EQ(files.swapFileExtension("plan.DXF", ".dxf", ".qrv"), "plan.DXF.qrv");
    EXPECT_EQ(files.swapFileExtension("plan", ".dxf", ".pdf"), "plan.pdf");
    EXPECT_EQ(files.getDirectoryString("/srv/reports/plan.dxf"), "/srv/reports/");
    EXPECT_EQ(files.getDirectoryString("/srv/reports/"), "/srv/");
    EXPECT_EQ(files.getDirectoryString("plan.dxf"), "");
}

TEST(CFileUtilities, FilesAndFoldersOnDisk)
{
    TempDir dir;
    CFileUtilities files;
    writeFile(dir.file("f.dxf"), "x");
    EXPECT_TRUE(files.fileExists(dir.file("f.dxf").c_str()));
    EXPECT_FALSE(files.fileExists(dir.file("g.dxf").c_str()));
    EXPECT_TRUE(files.directoryExists(dir.folder().c_str()));
    EXPECT_TRUE(files.directoryExists(dir.file("f.dxf").c_str()));
    EXPECT_TRUE(files.directoryExists("/"));
    EXPECT_FALSE(files.directoryExists(dir.file("none/").c_str()));

    EXPECT_EQ(files.getFileModifiedTime(dir.file("f.dxf").c_str()).GetYear(), COleDateTime::GetCurrentTime().GetYear());
    const COleDateTime missing = files.getFileModifiedTime(dir.file("g.dxf").c_str());
    EXPECT_EQ(missing.m_dt, 0.0);
    EXPECT_EQ(missing.GetStatus(), COleDateTime::valid);

    // One file under other spellings; a file not there yet by its resolved path.
    std::filesystem::create_directory(dir.file("sub"));
    std::filesystem::create_directory_symlink(dir.folder(), dir.file("link"));
    for (const std::string& other : {dir.file("./f.dxf"), dir.file("sub/../f.dxf"), dir.file("link/f.dxf")})
        EXPECT_TRUE(files.isSameFile(other.c_str(), dir.file("f.dxf").c_str())) << other;
    EXPECT_TRUE(files.isSameFile(dir.file("sub/../link/g.dxf").c_str(), dir.file("g.dxf").c_str()));
    EXPECT_FALSE(files.isSameFile(dir.file("sub/f.dxf").c_str(), dir.file("f.dxf").c_str()));
    EXPECT_FALSE(files.isSameFile(dir.file("g.dxf").c_str(), dir.file("f.dxf").c_str()));

    EXPECT_TRUE(files.deleteFile(dir.file("f.dxf").c_str()));
    EXPECT_FALSE(files.deleteFile(dir.file("f.dxf").c_str()));
}

TEST(CFileUtilities, FolderChainsAreMadeOutermostFirst)
{
    TempDir dir;
    CFileUtilities files;
    const std::string chain = dir.folder() + "a/b/c/";
    std::string out = captured([&] { EXPECT_TRUE(files.ensureDirectoryExists(chain.c_str())); });
    EXPECT_EQ(out, "");
    EXPECT_TRUE(std::filesystem::is_directory(chain));
    EXPECT_TRUE(files.ensureDirectoryExists(chain.c_str()));
    EXPECT_FALSE(files.ensureDirectoryExists("relative/folder"));
}

TEST(CFileUtilities, AFolderThatCannotBeMadeSaysWhy)
{
    TempDir dir;
    ::chmod(dir.path().c_str(), 0755);
    const std::string locked = dir.file("locked");
    ASSERT_EQ(::mkdir(locked.c_str(), 0555), 0);
    const std::string expected = "Cannot create " + locked + "/x - Access denied\n";
    const int result = runUnprivileged([&] {
        CFileUtilities files;
        const std::string out = captured([&] {
            if (files.ensureDirectoryExists((locked + "/x/y/z").c_str()))
                std::_Exit(3);
        });
        return out == expected ? 0 : 4;
    });
    EXPECT_EQ(result, 0);
}

namespace {

// Without a display, as under the host's --no-gui: the choosers ask through the path
// prompt, which the host makes as below, on its command line: the question printed, the
// answer read from the host's input as the user typed it. Everything global is put back
// at the end.
class HeadlessChoosers : public ::testing::Test
{
protected:
    void SetUp() override
    {
        qv::setNoGui(true);
        qv::setOutputSink([this](const std::string& text) { commandLine += text; });
        qv::setPathPrompt([](const std::string& prompt) -> std::optional<std::string> {
            qv::writeOutput("\n" + prompt + ": ");
            const qv::InputLine line = qv::readInput();
            if (line.status != qv::InputStatus::line)
                return std::nullopt;
            return line.text;
        });
    }
    void TearDown() override
    {
        qv::setPathPrompt(nullptr);
        qv::setInputSource(nullptr);
        qv::setOutputSink(nullptr);
        qv::setNoGui(false);
    }

    void typed(std::vector<std::string> lines) { qv::setInputSource(qv::makeLineInput(std::move(lines))); }

    std::string commandLine;
};

} // namespace

TEST_F(HeadlessChoosers, FilesAreAskedForUnderTheDialogsTitle)
{
    typed({"/srv/reports/march.xml", "/srv/reports/april.xml"});
    CFileUtilities files;
    EXPECT_EQ(files.browseForFile("XML Graphic Reports (*.xml)|*.xml"), "/srv/reports/march.xml");
    EXPECT_EQ(files.browseForFile("Pick a report", "/srv", "report.xml", "XML (*.xml)|*.xml||"),
              "/srv/reports/april.xml");
    EXPECT_EQ(commandLine, "\nOpen: \nPick a report: ");
}

TEST_F(HeadlessChoosers, FoldersAreAskedForUnderTheChoosersTitle)
{
    typed({"/srv/out"});
    EXPECT_EQ(CFileUtilities().browseForFolder("Output folder"), "/srv/out");
    EXPECT_EQ(commandLine, "\nOutput folder: ");
}

TEST_F(HeadlessChoosers, EnterCancelOrTheEndOfInputChooseNothing)
{
    typed({"", "^C", "", "\x1b"});
    CFileUtilities files;
    EXPECT_EQ(files.browseForFile("XML (*.xml)|*.xml"), "");
    EXPECT_EQ(files.browseForFile("XML (*.xml)|*.xml"), "");
    EXPECT_EQ(files.browseForFolder("Output folder"), "");
    EXPECT_EQ(files.browseForFolder("Output folder"), "");
    // The input has ended: every later chooser gives nothing at once.
    EXPECT_EQ(files.browseForFile("Pick a report", "", "", "XML (*.xml)|*.xml"), "");
    EXPECT_EQ(files.browseForFolder("Output folder"), "");
    EXPECT_EQ(commandLine, "\nOpen: \nOpen: \nOutput folder: \nOutput folder: \nPick a report: \nOutput folder: ");
}

TEST_F(HeadlessChoosers, WithoutAHostPromptNothingIsAsked)
{
    qv::setPathPrompt(nullptr);
    typed({"/srv/never.xml"});
    CFileUtilities files;
    EXPECT_EQ(files.browseForFile("XML (*.xml)|*.xml"), "");
    EXPECT_EQ(files.browseForFolder("Output folder"), "");
    EXPECT_EQ(commandLine, "");
}

TEST(CTempFiles, OwnedFilesGoWithTheirOwner)
{
    TempDir dir;
    for (const char* name : {"a.qrv", "b.qrv", "c.qrv"})
        writeFile(dir.file(name), "x");
    {
        CTempFiles temp;
        temp.deleteTempFiles(); // an empty list does nothing
        temp.add(dir.file("a.qrv").c_str());
        temp.add(dir.file("missing.qrv").c_str());
        temp.add(dir.file("a.qrv").c_str());
        temp.add(dir.file("b.qrv").c_str());
        EXPECT_EQ(temp.getCount(), 4);
        temp.deleteTempFiles();
        EXPECT_EQ(temp.getCount(), 0);
        EXPECT_FALSE(std::filesystem::exists(dir.file("a.qrv")));
        EXPECT_FALSE(std::filesystem::exists(dir.file("b.qrv")));
        temp.add(dir.file("c.qrv").c_str());
    }
    EXPECT_FALSE(std::filesystem::exists(dir.file("c.qrv")));
}

TEST(CXMLUtilities, NewFilesHoldTheDeclarationStyleSheetAndRoot)
{
    TempDir dir;
    CXMLUtilities xml;
    xml.createXMLDoc(dir.file("errors.xml").c_str(), "errorLog.xsl", "errors", "urn:e");
    EXPECT_EQ(readFile(dir.file("errors.xml")),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
              "<?xml-stylesheet type=\"text/xsl\" href=\"errorLog.xsl\"?>\n"
              "<errors xmlns=\"urn:e\" />\n");
    xml.createXMLDoc(dir.file("plain.xml").c_str(), "", "root", "");
    EXPECT_EQ(readFile(dir.file("plain.xml")), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<root />\n");

    try {
        xml.createXMLDoc(dir.file("none/x.xml").c_str(), "", "root", "");
        FAIL();
    } catch (CEXKavro* e) {
        EXPECT_EQ(e->getProcSig(), "CXMLUtilities::createXMLDoc");
        EXPECT_EQ(e->getClass(), "xmlutilities");
        EXPECT_EQ(e->getInnerException(), nullptr);
        CEXKavro::deleteChain(e);
    }
}

TEST(CXMLUtilities, NodesAndDates)
{
    CXMLUtilities one, two;
    MSXML2::IXMLDOMNodePtr empty = one.createNode("name", "", "urn:x");
    EXPECT_FALSE(empty->hasChildNodes());
    MSXML2::IXMLDOMNodePtr parent = two.createNode("parent", "urn:x");
    parent->appendChild(empty);
    parent->appendChild(one.createNode("text", "Room 1", ""));
    EXPECT_EQ(parent->get_xml(), "<parent xmlns=\"urn:x\"><name/><text xmlns=\"\">Room 1</text></parent>");

    COleDateTime when(2026, 12, 6, 9, 5, 3);
    EXPECT_EQ(one.createUniversalTimeNode("", when)->get_xml(),
              "<date><year>2026</year><month>12</month><day>6</day><hour>9</hour><minute>5</minute>"
              "<second>3</second></date>");
    COleDateTime invalid;
    invalid.SetStatus(COleDateTime::invalid);
    EXPECT_EQ(one.createUniversalTimeNode("", invalid)->get_text(), "-1-1-1-1-1-1");
}

TEST(CXMLUtilities, AMissingXmlComponentFailsAtFirstUse)
{
    MSXML2::setDocumentsAvailable(false);
    CXMLUtilities xml;
    MSXML2::setDocumentsAvailable(true);
    try {
        COleDateTime now = COleDateTime::GetCurrentTime();
        xml.createUniversalTimeNode("", now);
        FAIL();
    } catch (CEXKavro* e) {
        EXPECT_EQ(e->getProcSig(), "CXMLUtilities::createUniversalTimeNode");
        ASSERT_TRUE(e->getInnerException());
        EXPECT_EQ(e->getInnerException()->getProcSig(), "CXMLUtilities::createNode");
        EXPECT_EQ(e->getInnerException()->getInnerException(), nullptr);
        CEXKavro::deleteChain(e);
    }
}
