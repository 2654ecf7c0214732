#include "common/chain.h"
#include "common/tempdir.h"
#include "mfc/oledatetime.h"
#include "support/exconnection.h"
#include "support/excustom.h"
#include "support/exrecords.h"
#include "support/exsqlstatement.h"
#include "support/kavroguard.h"

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <stdexcept>

namespace {

// Three methods calling one another, the innermost failing with a specific record.
void innermost() { throw new CEXInvalidXMLFile("src", "/x/log.cpp", "CLog::load", "a.xml"); }
void middle() { kavroGuard("CMiddle::run", "/src/module/middle.cpp", [] { innermost(); }); }
void outer() { kavroGuard("COuter::run", "C:\\work\\outer.cpp", [] { middle(); }); }

std::vector<std::string> childNames(const MSXML2::IXMLDOMNodePtr& node)
{
    std::vector<std::string> names;
    for (long i = 0; i < node->get_childNodes()->get_length(); ++i)
        names.push_back(node->get_childNodes()->get_item(i)->get_nodeName().str());
    return names;
}

const std::vector<std::string> kRecordFields = {"date", "class", "procSig", "source", "description", "severity"};

// The texts of the five fields after the date, in document order.
std::vector<std::string> fieldTexts(const MSXML2::IXMLDOMNodePtr& error)
{
    std::vector<std::string> texts;
    for (long i = 1; i < 6 && i < error->get_childNodes()->get_length(); ++i)
        texts.push_back(error->get_childNodes()->get_item(i)->get_text().str());
    return texts;
}

using Moment = std::array<int, 6>;

Moment now()
{
    const COleDateTime t = COleDateTime::GetCurrentTime();
    return {t.GetYear(), t.GetMonth(), t.GetDay(), t.GetHour(), t.GetMinute(), t.GetSecond()};
}

// The "date" element's year, month, day, hour, minute and second.
Moment dateOf(const MSXML2::IXMLDOMNodePtr& date)
{
    Moment m {};
    for (long i = 0; i < 6; ++i)
        m[static_cast<size_t>(i)] = std::stoi(date->get_childNodes()->get_item(i)->get_text().str());
    return m;
}

// A connection record that carries a statement node and an inner record, as the database
// layer makes them.
class LinkedConnection : public CEXConnection
{
public:
    LinkedConnection(MSXML2::IXMLDOMNodePtr node, CEXKavro* inner)
        : CEXConnection(_com_error(E_FAIL, ErrorInfo{"Timeout expired", "Provider"}), "db", "/src/db/connection.cpp",
                        "CConnection::open")
    {
        m_node = std::move(node);
        m_inner = inner;
    }
};

} // namespace

TEST(ErrorRecords, SourcePathsKeepTheirStem)
{
    const struct { const char* in; const char* out; } cases[] = {
        {"C:\\src\\support\\log.cpp", "log"}, {"/src/support/utilities.cpp", "utilities"},
        {"kavroexceptions.cpp", "kavroexceptions"}, {"LOG.CPP", "LOG.CPP"}, {"cpp", "cpp"},
        {".cpp", ""}, {"dir\\", ""}, {"a.cpp.bak", "a.cpp.bak"}};
    for (const auto& c : cases) {
        CString path(c.in);
        CEXKavro::stripSourcePath(path);
        EXPECT_EQ(path, c.out) << c.in;
    }
}

TEST(ErrorRecords, ChainsGrowOnTheWayUp)
{
    Chain e = caught(outer);
    ASSERT_TRUE(e);
    EXPECT_EQ(e->getProcSig(), "COuter::run");
    EXPECT_EQ(e->getClass(), "outer");
    EXPECT_EQ(e->getSource(), KAVRO_PRODUCT_CAPTION);
    EXPECT_EQ(e->getDescription(), "unhandled error");
    EXPECT_EQ(e->getCode(), 0);
    EXPECT_EQ(e->getSeverity(), 2);
    CEXKavro* m = e->getInnerException();
    ASSERT_TRUE(m);
    EXPECT_EQ(m->getProcSig(), "CMiddle::run");
    EXPECT_EQ(m->getClass(), "middle");
    CEXKavro* i = m->getInnerException();
    ASSERT_TRUE(i);
    EXPECT_EQ(i->getDescription(), "Invalid XML file - a.xml");
    EXPECT_EQ(i->getClass(), "log");
    EXPECT_EQ(i->getInnerException(), nullptr);
}

TEST(ErrorRecords, TheGuardsHandlersTellErrorKindsApart)
{
    Chain framework = caught([] {
        kavroGuard("C::f", "c.cpp", [] { AfxThrowFileException(CFileException::fileNotFound, 2, "x.txt"); });
    });
    EXPECT_EQ(framework->getDescription(), "x.txt was not found.");
    EXPECT_EQ(framework->getInnerException(), nullptr);

    Chain noHandlerOne = caught([] {
        kavroGuard("C::f", "c.cpp", [] { AfxThrowInvalidArgException(); }, 0);
    });
    EXPECT_EQ(noHandlerOne->getDescription(), "unhandled error");

    Chain standardPlain = caught([] {
        kavroGuard("C::f", "c.cpp", [] { throw std::runtime_error("broken"); });
    });
    EXPECT_EQ(standardPlain->getDescription(), "unhandled error");
    Chain standardDescribed = caught([] {
        kavroGuard("C::f", "c.cpp", [] { throw std::runtime_error("broken"); }, kStandardHandler);
    });
    EXPECT_EQ(standardDescribed->getDescription(), "broken");

    Chain com = caught([] { kavroGuard("C::f", "c.cpp", [] { _com_issue_error(E_FAIL); }); });
    EXPECT_EQ(com->getDescription(), "unhandled error");

    Chain passed = caught([] {
        kavroGuard<CEXNoHatchAreas>("C::f", "c.cpp", [] { throw new CEXNoHatchAreas("R1", "s", "f", "p"); });
    });
    EXPECT_TRUE(dynamic_cast<CEXNoHatchAreas*>(passed.get()));

    EXPECT_EQ(kavroGuard("C::f", "c.cpp", [] { return 42; }), 42);
}

TEST(ErrorRecords, HostStatusRecordsNameTheLineAndDrawing)
{
    CEXUnhandled withDrawing(Acad::eOnLockedLayer, "s", "acaddrawing.cpp", "CAcadDrawing::lock", 120,
                             "plan.dxf", nullptr);
    EXPECT_EQ(withDrawing.getDescription(),
              "The following AutoCAD error occurred on line#120: eOnLockedLayer, whilst processing drawing plan.dxf.");
    EXPECT_EQ(withDrawing.getCode(), 87);
    CEXUnhandled without(Acad::eUnknownHandle, "s", "f", "p", 7, "", nullptr);
    EXPECT_EQ(without.getDescription(), "The following AutoCAD error occurred on line#7: eUnknownHandle.");
}

TEST(ErrorRecords, FrameworkMessagesAreCutAt254Characters)
{
    class LongMessage : public CException
    {
    protected:
        std::string message() const override { return std::string(300, 'm'); }
    };
    LongMessage e;
    CEXUnhandled record(&e, "s", "f", "p", 0, nullptr);
    EXPECT_EQ(record.getDescription().GetLength(), 254);
}

TEST(ErrorRecords, FamilyTextsAndSeverities)
{
    const struct { std::unique_ptr<CEXKavro> record; const char* description; int severity; } cases[] = {
        {std::make_unique<CEXInvalidHandle>("2F", "s", "f", "p"), "Invalid Handle - 2F", 1},
        {std::make_unique<CEXInvalidHexColour>("s", "f", "p", "#12G"), "Invalid Hex Colour - #12G", 2},
        {std::make_unique<CEXInvalidPlotFilename>("s", "f", "p", "a?.pdf"), "Invalid Plot Filename - 'a?.pdf'", 2},
        {std::make_unique<CEXSegmentAreaOverTotal>("s", "f", "p", 120.456, 100.0),
         "Unable to calculate pie chart percentages the total segment area (120.46) is greater than the specified "
         "total area (100.00).", 1},
        {std::make_unique<CEXAdditionalHatchAreas>("R1", "s", "f", "p"),
         "Unable to apply additional hatch areas to Kavro Block: R1.", 1},
        {std::make_unique<CEXNoHatchAreas>("R1", "s", "f", "p"), "Unable to apply no hatch areas to Kavro Block: R1.", 1},
        {std::make_unique<CEXHatchAroundAttributes>("R1", "2F", "s", "f", "p"),
         "Unable to hatch around attributes: R1. Handle: 2F. Please check the Kavro block.", 1},
        {std::make_unique<CEXHatchNotDenseEnough>("block R1", "ANSI31", 0.125, "s", "f", "p"),
         "Unable to hatch block R1. ANSI31 set at scale 0.13 is not dense enough to be displayed.", 1},
        {std::make_unique<CEXHatchPolylineNotClosed>("R1", "2F", "s", "f", "p"),
         "Unable to hatch Kavro Block: R1. Handle: 2F. Please check the polyline is closed.", 2},
        {std::make_unique<CEXHatchTooDense>("block R1", "ANSI31", 2.0, "s", "f", "p"),
         "Unable to hatch block R1. ANSI31 set at scale 2.00 is too dense to be displayed.", 1},
        {std::make_unique<CEXXMLNotAvailable>("s", "f", "p"),
         "Msxml2.DOMDocument is not available - please check msxml is installed.", 2},
        {std::make_unique<CEXXMLMissingField>("r.xml", "name", "s", "f", "p"),
         "The XML file r.xml does not contain the required field name", 1},
        {std::make_unique<CEXCustom>("custom", "s", "f", "p", 9, nullptr), "custom", 2},
        {std::make_unique<CEXUnhandled>("test error", "s", "f", "kd1", 0), "test error", 2},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.record->getDescription(), c.description);
        EXPECT_EQ(c.record->getSeverity(), c.severity) << c.description;
    }
    CEXCustom low("x", "s", "f", "p", 0, nullptr);
    EXPECT_EQ(low.getSeverityText(), "high");
}

TEST(ErrorRecords, SeverityTexts)
{
    class Graded : public CEXKavro
    {
    public:
        explicit Graded(int s) : CEXKavro("s", "f", "p", 0, nullptr) { m_severity = s; }
    };
    EXPECT_EQ(Graded(0).getSeverityText(), "low");
    EXPECT_EQ(Graded(1).getSeverityText(), "medium");
    EXPECT_EQ(Graded(2).getSeverityText(), "high");
    EXPECT_EQ(Graded(7).getSeverityText(), "high");
    EXPECT_EQ(Graded(-1).getSeverityText(), "high");
}

TEST(ErrorRecords, ComRecordsTakeTheErrorsTexts)
{
    const _com_error e(E_FAIL, ErrorInfo{"Login failed for user", "Database provider"});
    CEXUnhandled com(e, "caption", "storedprocedure.cpp", "CStoredProcedure::execute", 1);
    EXPECT_EQ(com.getSource(), "Database provider");
    EXPECT_EQ(com.getDescription(), "Login failed for user");
    EXPECT_EQ(com.getSeverity(), 1);
    CEXConnection connection(e, "s", "f", "p");
    EXPECT_EQ(connection.getDescription(), "Login failed for user");
    CEXSQLStatement sql(e, "select 1", "s", "f", "p");
    EXPECT_EQ(sql.getStatement(), "select 1");

    EXPECT_EQ(CEXUnhandled::getComErrorText(e),
              "COM Error HRESULT 0x80004005\n_com_error::ErrorMessage() = Unspecified error\n"
              "_com_error::Description() = Login failed for user\n\n_com_error::Source() = Database provider");
    EXPECT_EQ(CEXUnhandled::getComErrorText(_com_error(E_POINTER)),
              "COM Error HRESULT 0x80004003\n_com_error::ErrorMessage() = Invalid pointer\n"
              "No IErrorInfo Interface present\n");
    EXPECT_EQ(CEXKavro::getWindowsErrorText(2), "The system cannot find the file specified.\r\n");
}

TEST(ErrorRecords, SerializedChainsNestOneLevelEach)
{
    Chain e = caught(outer);
    const Moment before = now();
    MSXML2::IXMLDOMNodePtr error = e->serialize();
    const Moment after = now();
    EXPECT_EQ(error->get_namespaceURI(), ERROR_LOG_NAMESPACE);
    std::vector<std::string> withInner = kRecordFields;
    withInner.push_back("innerException");
    EXPECT_EQ(childNames(error), withInner);
    EXPECT_EQ(childNames(error->get_firstChild()),
              (std::vector<std::string>{"year", "month", "day", "hour", "minute", "second"}));
    // The date is the local time of writing.
    const Moment written = dateOf(error->get_firstChild());
    EXPECT_LE(before, written);
    EXPECT_LE(written, after);
    EXPECT_EQ(fieldTexts(error),
              (std::vector<std::string>{"outer", "COuter::run", KAVRO_PRODUCT_CAPTION, "unhandled error", "high"}));

    MSXML2::IXMLDOMNodePtr level2 = error->selectSingleNode("innerException/error");
    ASSERT_TRUE(level2);
    EXPECT_EQ(childNames(level2), withInner);
    EXPECT_EQ(fieldTexts(level2),
              (std::vector<std::string>{"middle", "CMiddle::run", KAVRO_PRODUCT_CAPTION, "unhandled error", "high"}));
    MSXML2::IXMLDOMNodePtr level3 = level2->selectSingleNode("innerException/error");
    ASSERT_TRUE(level3);
    EXPECT_EQ(childNames(level3), kRecordFields) << "the innermost record has no innerException";
    EXPECT_EQ(fieldTexts(level3),
              (std::vector<std::string>{"log", "CLog::load", "src", "Invalid XML file - a.xml", "high"}));

    // Appended into a document of its own, the chain is well formed XML in one namespace.
    TempDir dir;
    MSXML2::IXMLDOMDocumentPtr doc = MSXML2::IXMLDOMDocument::create();
    ASSERT_TRUE(doc->loadXML("<errors xmlns=\"urn:kavrosystems:quorvane:errorlog\"/>"));
    doc->get_documentElement()->appendChild(error);
    doc->save(dir.file("log.xml").c_str());
    const std::string check = "/usr/bin/python3 -c \"import sys,xml.etree.ElementTree as E; "
                              "t=E.parse(sys.argv[1]); ns='{urn:kavrosystems:quorvane:errorlog}'; "
                              "assert all(x.tag.startswith(ns) for x in t.iter()); "
                              "assert len(t.findall('.//'+ns+'innerException'))==2\" " + dir.file("log.xml");
    EXPECT_EQ(std::system(check.c_str()), 0) << readFile(dir.file("log.xml"));
}

TEST(ErrorRecords, ConnectionRecordsPutTheirNodeAndInnerRecordDirectlyUnderTheError)
{
    CEXConnection plain(_com_error(E_FAIL, ErrorInfo{"down", "x"}), "s", "f", "p");
    MSXML2::IXMLDOMNodePtr error = plain.serialize();
    EXPECT_EQ(childNames(error), kRecordFields);
    EXPECT_EQ(fieldTexts(error), (std::vector<std::string>{"f", "p", "s", "down", "high"}));

    MSXML2::IXMLDOMDocumentPtr maker = MSXML2::IXMLDOMDocument::create();
    MSXML2::IXMLDOMNodePtr statement = maker->createNode(MSXML2::NODE_ELEMENT, "storedProcedure", "urn:sp");
    statement->put_text("__to_getBlocksFromQPX");
    LinkedConnection linked(statement, new CEXInvalidHandle("2F4", "s", "/src/blocks/blockdwg.cpp", "CBlockDWG::load"));
    error = linked.serialize();
    std::vector<std::string> expected = kRecordFields;
    expected.insert(expected.end(), {"storedProcedure", "error"});
    EXPECT_EQ(childNames(error), expected);
    EXPECT_EQ(fieldTexts(error),
              (std::vector<std::string>{"connection", "CConnection::open", "db", "Timeout expired", "high"}));
    EXPECT_EQ(error->get_childNodes()->get_item(6)->get_text(), "__to_getBlocksFromQPX");
    MSXML2::IXMLDOMNodePtr inner = error->get_lastChild();
    EXPECT_EQ(childNames(inner), kRecordFields);
    EXPECT_EQ(fieldTexts(inner),
              (std::vector<std::string>{"blockdwg", "CBlockDWG::load", "s", "Invalid Handle - 2F4", "medium"}));
    CEXKavro::deleteChain(linked.getInnerException());
}
