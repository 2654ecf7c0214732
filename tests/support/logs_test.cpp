#include "arx/acutprintf.h"
#include "common/chain.h"
#include "common/tempdir.h"
#include "database/preferencesvaulteye.h"
#include "mfc/oledatetime.h"
#include "support/exrecords.h"
#include "support/kavroexceptions.h"
#include "support/kavroguard.h"
#include "support/log.h"
#include "win/messagebox.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

namespace {

// A chain of three: a command wrapping a method wrapping an invalid handle.
CEXKavro* threeLevels()
{
    try {
        kavroGuard("kbe", "/src/module/commands.cpp", [] {
            kavroGuard("CBlockDWG::load", "/src/blocks/blockdwg.cpp", [] {
                throw new CEXInvalidHandle("2F4", KAVRO_PRODUCT_CAPTION, "/src/dialogs/presblockedit.cpp",
                                           "CPresBlockEdit::OnOK");
            });
        });
    } catch (CEXKavro* e) {
        return e;
    }
    return nullptr;
}

// Checks a file with Python's XML parser; gives the number of records under the root.
int pythonRecordCount(const std::string& path)
{
    const std::string command = "/usr/bin/python3 -c \"import sys,xml.etree.ElementTree as E; "
                                "sys.exit(len(list(E.parse(sys.argv[1]).getroot())))\" " + path;
    const int status = std::system(command.c_str());
    return WEXITSTATUS(status);
}

const char* const expectedDisplay = "commands::kbe\n\tblockdwg::CBlockDWG::load\n"
                                    "\t\tpresblockedit::CPresBlockEdit::OnOK\n\nInvalid Handle - 2F4";

// Settings of two servers whose error logs lie in the folder.
void writeTwoServerSettings(const TempDir& dir)
{
    writeFile(dir.file("settings.xml"),
              "<vaultEyeSettingsPreferences><s><acadErrorLogFilePath>" + dir.file("one.xml") +
                  "</acadErrorLogFilePath></s><s><acadErrorLogFilePath>" + dir.file("two.xml") +
                  "</acadErrorLogFilePath></s></vaultEyeSettingsPreferences>");
}

// The message-box and command-line sinks are global: each test starts without them and
// leaves none behind.
class ErrorReporting : public ::testing::Test
{
protected:
    void TearDown() override
    {
        qv::setMessageBoxSink(nullptr);
        qv::setOutputSink(nullptr);
    }
};

} // namespace

TEST_F(ErrorReporting, ChainsReachTheBoxTheCommandLineAndTheLogs)
{
    Chain chain(threeLevels());
    std::vector<qv::MessageBoxCall> boxes;
    qv::setMessageBoxSink([&](const qv::MessageBoxCall& call) {
        boxes.push_back(call);
        return IDOK;
    });
    chain->display();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "Error Detected.");
    EXPECT_EQ(boxes[0].type, MB_OK | MB_ICONERROR);
    EXPECT_EQ(boxes[0].text, expectedDisplay);

    EXPECT_EQ(captured([&] { chain->print(); }),
              "kbe\n\tCBlockDWG::load\n\t\tCPresBlockEdit::OnOK\n\nInvalid Handle - 2F4\n");

    TempDir dir;
    writeTwoServerSettings(dir);
    CPreferencesVaultEye preferences;
    preferences.deSerialize(dir.file("settings.xml").c_str());
    EXPECT_EQ(captured([&] { chain->writeToErrorLogs(&preferences); }),
              "An error has been detected please consult the error log\n"
              "An error has been detected in kbe. Please consult the error log\n"
              "An error has been detected in kbe. Please consult the error log\n");
    for (const char* log : {"one.xml", "two.xml"}) {
        EXPECT_EQ(pythonRecordCount(dir.file(log)), 1) << log;
        const std::string text = readFile(dir.file(log));
        EXPECT_NE(text.find("<?xml-stylesheet type=\"text/xsl\" href=\"errorLog.xsl\"?>"), std::string::npos);
        EXPECT_NE(text.find("<description>Invalid Handle - 2F4</description>"), std::string::npos);
    }
    // The log writer reaches the same files quietly.
    EXPECT_EQ(captured([&] { CLog().writeToXMLErrorLogs(&preferences, chain.get()); }), "");
    for (const char* log : {"one.xml", "two.xml"})
        EXPECT_EQ(pythonRecordCount(dir.file(log)), 2) << log;
}

TEST_F(ErrorReporting, NoSettingsMeansNoLogButTheNotice)
{
    Chain chain(threeLevels());
    CPreferencesVaultEye none;
    EXPECT_EQ(captured([&] { chain->writeToErrorLogs(&none); }),
              "An error has been detected please consult the error log\n");
}

TEST_F(ErrorReporting, EveryServerOfTheListGetsEveryRecordInOrder)
{
    TempDir dir;
    writeTwoServerSettings(dir);
    CPreferencesVaultEye servers;
    servers.deSerialize(dir.file("settings.xml").c_str());
    ASSERT_EQ(servers.getCount(), 2);
    Chain first(threeLevels());
    EXPECT_EQ(captured([&] { CLog().writeToXMLErrorLogs(&servers, first.get()); }), "");
    Chain second(new CEXNoHatchAreas("R7", "s", "f.cpp", "p"));
    CLog().writeToXMLErrorLogs(&servers, second.get());
    for (const char* log : {"one.xml", "two.xml"}) {
        EXPECT_EQ(pythonRecordCount(dir.file(log)), 2) << log;
        const std::string text = readFile(dir.file(log));
        const size_t handle = text.find("<description>Invalid Handle - 2F4</description>");
        const size_t hatch = text.find("<description>Unable to apply no hatch areas to Kavro Block: R7.</description>");
        ASSERT_NE(handle, std::string::npos) << log;
        ASSERT_NE(hatch, std::string::npos) << log;
        EXPECT_LT(handle, hatch) << "records in the order written";
    }

    // Without servers nothing is written anywhere.
    servers.deleteObjects();
    CLog().writeToXMLErrorLogs(&servers, first.get());
    EXPECT_EQ(pythonRecordCount(dir.file("one.xml")), 2);
    EXPECT_EQ(pythonRecordCount(dir.file("two.xml")), 2);
}

TEST_F(ErrorReporting, CollectionsReportInOrderAndOwnTheirRecords)
{
    CKavroExceptions errors;
    std::vector<std::string> texts;
    qv::setMessageBoxSink([&](const qv::MessageBoxCall& call) {
        texts.push_back(call.text);
        return IDOK;
    });
    errors.displayAll();
    EXPECT_TRUE(texts.empty());
    errors.add(new CEXNoHatchAreas("A", "s", "f.cpp", "p1"));
    errors.add(new CEXNoHatchAreas("B", "s", "f.cpp", "p2"));
    errors.add(threeLevels());
    errors.displayAll();
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(texts[0], "f::p1\n\nUnable to apply no hatch areas to Kavro Block: A.");
    EXPECT_EQ(texts[1], "f::p2\n\nUnable to apply no hatch areas to Kavro Block: B.");
    EXPECT_EQ(texts[2], expectedDisplay);
    EXPECT_EQ(captured([&] { errors.printAll(); }),
              "p1\n\nUnable to apply no hatch areas to Kavro Block: A.\n"
              "p2\n\nUnable to apply no hatch areas to Kavro Block: B.\n"
              "kbe\n\tCBlockDWG::load\n\t\tCPresBlockEdit::OnOK\n\nInvalid Handle - 2F4\n");
    errors.deleteObjects();
    EXPECT_EQ(errors.getCount(), 0);
    texts.clear();
    errors.displayAll();
    EXPECT_TRUE(texts.empty());
    errors.add(new CEXNoHatchAreas("C", "s", "f.cpp", "p3")); // freed by the destructor
}

TEST(XmlLogs, ErrorLogsKeepEveryRecordInOrder)
{
    TempDir dir;
    const std::string path = dir.file("errors.xml");
    for (int i = 0; i < 3; ++i) {
        Chain chain(threeLevels());
        CLog().writeToXMLErrorLog(path.c_str(), chain.get());
    }
    EXPECT_EQ(pythonRecordCount(path), 3);
    MSXML2::IXMLDOMDocumentPtr doc = MSXML2::IXMLDOMDocument::create();
    ASSERT_TRUE(doc->load(path.c_str()));
    MSXML2::IXMLDOMNodePtr root = doc->get_documentElement();
    EXPECT_EQ(root->get_nodeName(), "errors");
    EXPECT_EQ(root->get_namespaceURI(), ERROR_LOG_NAMESPACE);
    MSXML2::IXMLDOMNodePtr first = root->get_firstChild();
    EXPECT_EQ(first->get_namespaceURI(), ERROR_LOG_NAMESPACE);
    EXPECT_EQ(first->selectSingleNode("innerException/error/innerException/error/description")->get_text(),
              "Invalid Handle - 2F4");
}

TEST(XmlLogs, ALogWithAnotherRootIsLeftAloneAndTheCallerTold)
{
    TempDir dir;
    const std::string path = dir.file("other.xml");
    const std::string content = "<?xml version=\"1.0\"?>\n<records><r/></records>\n";
    writeFile(path, content);
    Chain chain(threeLevels());
    Chain error = caught([&] { CLog().writeToXMLErrorLog(path.c_str(), chain.get()); });
    ASSERT_TRUE(error);
    EXPECT_TRUE(dynamic_cast<CEXInvalidXMLFile*>(error.get()));
    EXPECT_EQ(error->getDescription(), "Invalid XML file - " + CString(path.c_str()));
    EXPECT_EQ(readFile(path), content);

    // The same when the end of the file makes the log go through a full load.
    const std::string commented = "<records/><!-- end -->";
    writeFile(path, commented);
    error = caught([&] { CLog().writeToXMLErrorLog(path.c_str(), chain.get()); });
    EXPECT_TRUE(dynamic_cast<CEXInvalidXMLFile*>(error.get()));
    EXPECT_EQ(readFile(path), commented);
}

TEST(XmlLogs, UnusualEndsAndPrefixesStillTakeRecords)
{
    TempDir dir;
    Chain chain(threeLevels());
    const std::string commented = dir.file("commented.xml");
    writeFile(commented, "<errors xmlns=\"urn:kavrosystems:quorvane:errorlog\"><error/></errors>\n<!-- x -->\n");
    CLog().writeToXMLErrorLog(commented.c_str(), chain.get());
    EXPECT_EQ(pythonRecordCount(commented), 2);

    const std::string prefixed = dir.file("prefixed.xml");
    writeFile(prefixed, "<e:errors xmlns:e=\"urn:kavrosystems:quorvane:errorlog\">\n</e:errors >  \n");
    CLog().writeToXMLErrorLog(prefixed.c_str(), chain.get());
    CLog().writeToXMLErrorLog(prefixed.c_str(), chain.get());
    EXPECT_EQ(pythonRecordCount(prefixed), 2);
}

TEST(XmlLogs, AFileThatCannotBeMadeGivesTheWholeChain)
{
    TempDir dir;
    Chain chain(threeLevels());
    Chain error = caught([&] { CLog().writeToXMLErrorLog(dir.file("no/such/log.xml").c_str(), chain.get()); });
    ASSERT_TRUE(error);
    EXPECT_EQ(error->getProcSig(), "CLog::writeToXMLErrorLog");
    CEXKavro* create = error->getInnerException();
    ASSERT_TRUE(create);
    EXPECT_EQ(create->getProcSig(), "CLog::createXMLDocument");
    ASSERT_TRUE(dynamic_cast<CEXInvalidXMLFile*>(create->getInnerException()));
    EXPECT_EQ(create->getInnerException()->getClass(), "log");
}

TEST(XmlLogs, DebugLogs)
{
    TempDir dir;
    const std::string path = dir.file("debug.xml");
    MSXML2::IXMLDOMDocumentPtr maker = MSXML2::IXMLDOMDocument::create();
    MSXML2::IXMLDOMNodePtr procedure = maker->createNode(MSXML2::NODE_ELEMENT, "storedProcedure", "urn:sp");
    procedure->put_text("__to_addDrawingLayer");
    CLog().writeToXMLDebugLog(path.c_str(), "first", procedure);
    CLog().writeToXMLDebugLog(path.c_str(), "second", nullptr);
    const std::string text = readFile(path);
    EXPECT_NE(text.find("href=\"debugLog.xsl\""), std::string::npos);
    MSXML2::IXMLDOMDocumentPtr doc = MSXML2::IXMLDOMDocument::create();
    ASSERT_TRUE(doc->load(path.c_str()));
    MSXML2::IXMLDOMNodePtr root = doc->get_documentElement();
    EXPECT_EQ(root->get_nodeName(), "debugging");
    EXPECT_EQ(root->get_namespaceURI(), DEBUG_LOG_NAMESPACE);
    ASSERT_EQ(root->get_childNodes()->get_length(), 2);
    MSXML2::IXMLDOMNodePtr first = root->get_firstChild();
    EXPECT_EQ(first->get_namespaceURI(), ERROR_LOG_NAMESPACE);
    EXPECT_EQ(first->get_lastChild()->get_namespaceURI(), "urn:sp");
    MSXML2::IXMLDOMNodePtr second = root->get_lastChild();
    ASSERT_EQ(second->get_childNodes()->get_length(), 2);
    EXPECT_EQ(second->get_firstChild()->get_nodeName(), "date");
    EXPECT_EQ(second->get_lastChild()->get_text(), "second");

    const std::string empty = dir.file("empty.xml");
    writeFile(empty, "");
    Chain error = caught([&] { CLog().writeToXMLDebugLog(empty.c_str(), "x", nullptr); });
    ASSERT_TRUE(dynamic_cast<CEXInvalidXMLFile*>(error.get()));
    EXPECT_EQ(error->getDescription(), "Invalid XML file - " + CString(empty.c_str()));
    EXPECT_EQ(error->getSeverity(), 2);
    EXPECT_EQ(error->getSource(), "");
}

TEST(XmlLogs, NewLogFilesWithAndWithoutStyleSheet)
{
    TempDir dir;
    CLog().createXMLDocument(dir.file("a.xml").c_str(), "errors", ERROR_LOG_NAMESPACE, "");
    EXPECT_EQ(readFile(dir.file("a.xml")).find("xml-stylesheet"), std::string::npos);
    EXPECT_EQ(pythonRecordCount(dir.file("a.xml")), 0);
}

TEST(TextLog, LinesAreAppended)
{
    TempDir dir;
    const std::string path = dir.file("log.txt");
    CLog().outputToFile(path.c_str(), "first");
    CLog().outputToFile(path.c_str(), "second");
    const std::string text = readFile(path);
    const std::string today = COleDateTime::GetCurrentTime().Format("%d %b %Y").str();
    EXPECT_EQ(text.rfind(today, 0), 0u);
    EXPECT_NE(text.find("\tfirst\n"), std::string::npos);
    EXPECT_EQ(text.substr(text.size() - 7), "second\n");
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2);

    Chain error = caught([&] { CLog().outputToFile(dir.file("no/such.txt").c_str(), "x"); });
    ASSERT_TRUE(error);
    EXPECT_EQ(error->getProcSig(), "CLog::outputToFile");
    EXPECT_EQ(error->getDescription(), "unhandled error");
}
