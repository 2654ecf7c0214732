// Stored procedures, plain statements, module details and layer records against the real
// PostgreSQL server of tests/database/pgcluster.sh (procedures in tests/database/sql).
#include "arx/acutprintf.h"
#include "common/chain.h"
#include "common/pgserver.h"
#include "common/privateserver.h"
#include "common/stoppedprocess.h"
#include "common/tempdir.h"
#include "database/debuglogpath.h"
#include "database/exstoredprocedure.h"
#include "database/moduledetails.h"
#include "database/parameterboolean.h"
#include "database/parameterchar.h"
#include "database/parameterdatetime.h"
#include "database/parameterdecimal.h"
#include "database/parameterfloat.h"
#include "database/parameterint.h"
#include "database/parametertinyint.h"
#include "database/parametervarchar.h"
#include "database/rowset.h"
#include "database/sqlstatement.h"
#include "database/storedprocedure.h"
#include "host/layer.h"
#include "support/exconnection.h"
#include "support/exsqlstatement.h"
#include "support/kavroguard.h"

#include <chrono>
#include <gtest/gtest.h>
#include <memory>
#include <pugixml.hpp>
#include <thread>

namespace {

// A procedure object that shows its connection, as a caller building an error record from
// the connection's errors has it.
class Procedure : public CStoredProcedure
{
public:
    explicit Procedure(int timeout = 10, CString password = qvtest::pgPassword())
        : CStoredProcedure(qvtest::pgServer(), qvtest::pgDatabase(), qvtest::pgUser(), password, timeout)
    {
    }
    _ConnectionPtr connection() const { return m_connection; }
};

std::unique_ptr<CSQLStatement> statement()
{
    return std::make_unique<CSQLStatement>(qvtest::pgServer(), qvtest::pgDatabase(), qvtest::pgUser(),
                                           qvtest::pgPassword(), 10);
}

// The first column of the first row of a query.
_variant_t scalar(const char* sql)
{
    _RecordsetPtr rows = statement()->execSQLReturn(sql);
    return rows->GetCollect(_variant_t(0L));
}

template <class P, class V>
P* addParameter(CParameters& list, const char* name, int direction, V value)
{
    P* parameter = addInputParameter<P>(list, name, std::move(value));
    parameter->setDirection(direction);
    return parameter;
}

template <class P>
P* addOutput(CParameters& list, const char* name)
{
    auto parameter = std::make_unique<P>();
    parameter->setName(name);
    parameter->setDirection(ADODB::adParamOutput);
    list.add(parameter.get());
    return parameter.release();
}

_variant_t valueOf(CParameters& list, const char* name)
{
    CParameter* parameter = list.getParameter(name);
    if (!parameter)
        throw std::runtime_error(std::string("no parameter ") + name);
    return parameter->getValue();
}

const COleDateTime when(2018, 5, 31, 14, 5, 9);

// Sets debugLogPath for one test.
struct DebugLog
{
    explicit DebugLog(const std::string& path) { debugLogPath = path.c_str(); }
    ~DebugLog() { debugLogPath.Empty(); }
};

// The server process that serves the procedure's connection.
long backendOf(const Procedure& procedure)
{
    _RecordsetPtr row = procedure.connection()->Execute("SELECT pg_backend_pid()", nullptr, ADODB::adCmdText);
    return static_cast<long>(row->GetCollect(_variant_t(0L)));
}

bool backendAlive(long pid)
{
    CString query;
    query.Format("SELECT count(*) FROM pg_stat_activity WHERE pid = %ld", pid);
    return static_cast<long>(scalar(query)) > 0;
}

TEST(DatabaseConnection, OpensClosesAndBalancesComInitialisation)
{
    const int comBefore = coInitializeCount();
    long pids[2];
    {
        Procedure first;
        Procedure second;
        EXPECT_EQ(coInitializeCount(), comBefore + 2);
        EXPECT_DOUBLE_EQ(first.getADOVersion(), 6.1);
        pids[0] = backendOf(first);
        pids[1] = backendOf(second);
        EXPECT_NE(pids[0], pids[1]) << "each object has a connection of its own";
        EXPECT_TRUE(backendAlive(pids[0]) && backendAlive(pids[1]));
    }
    EXPECT_EQ(coInitializeCount(), comBefore);
    // The server ends a backend shortly after its client has gone.
    for (int i = 0; i < 50 && (backendAlive(pids[0]) || backendAlive(pids[1])); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(backendAlive(pids[0]) || backendAlive(pids[1])) << "the connections were closed";
}

TEST(DatabaseConnection, WrongPasswordRaisesTheServersMessage)
{
    const int comBefore = coInitializeCount();
    try {
        Procedure refused(10, "not the password");
        FAIL() << "connected with a wrong password";
    } catch (CEXConnection* e) {
        std::unique_ptr<CEXConnection> owned(e);
        EXPECT_NE(std::string(e->getDescription()).find("password authentication failed"), std::string::npos)
            << e->getDescription();
        EXPECT_EQ(e->getProcSig(), "CDataServices::CDataServices");
        EXPECT_EQ(e->getClass(), "dataservices");
    }
    EXPECT_EQ(coInitializeCount(), comBefore);
}

TEST(DatabaseConnection, KeysInsideAValueAreNotObeyed)
{
    // Unquoted, this password would log in as the server's trusted superuser.
    for (const char* password : {"x;User Id=postgres", "x}; User Id=postgres;{", " quorvane"}) {
        Chain e = caught([&] { Procedure refused(10, password); });
        ASSERT_NE(e, nullptr) << password;
        EXPECT_NE(std::string(e->getDescription()).find("password authentication failed"), std::string::npos)
            << e->getDescription();
    }
}

TEST(DatabaseConnection, ErrorsOfTheConnectionBecomeTheChain)
{
    Procedure procedure;
    procedure.setName("__dbt_raise");
    CParameters parameters;
    addInputParameter<CParameterVarChar>(parameters, "@message", _bstr_t("the server says no"));
    procedure.setParameters(&parameters);
    Chain failed = caught([&] { procedure.execSPNoReturnParas(); });
    ASSERT_NE(failed, nullptr);

    CEXConnection record(procedure.connection(), KAVRO_PRODUCT_CAPTION, "/src/x/caller.cpp", "CCaller::run");
    EXPECT_EQ(record.getDescription(), "An error occurred whilst connecting to vaultEye");
    ASSERT_NE(record.getInnerException(), nullptr);
    EXPECT_NE(std::string(record.getInnerException()->getDescription()).find("the server says no"),
              std::string::npos);
    EXPECT_EQ(record.getInnerException()->getProcSig(), "CCaller::run");
    CEXKavro::deleteChain(record.getInnerException());
}

TEST(StoredProcedure, EveryParameterClassReachesTheServerAndComesBackExact)
{
    const std::string longText(300, 'x');
    Procedure procedure;
    CParameters list;
    addInputParameter<CParameterInt>(list, "@a", -123456789);
    addInputParameter<CParameterBoolean>(list, "@b", 1);
    addInputParameter<CParameterTinyInt>(list, "@c", static_cast<unsigned char>(255));
    CParameterDecimal* decimal = addInputParameter<CParameterDecimal>(list, "@d", 12345678.0123456789);
    decimal->setPrecision(18);
    decimal->setScale(10);
    addInputParameter<CParameterFloat>(list, "@e", 0.1);
    addInputParameter<CParameterChar>(list, "@f", _bstr_t("Grüße; it's \"{x}\""))->setSize(8);
    addInputParameter<CParameterVarChar>(list, "@g", _bstr_t(longText));
    addInputParameter<CParameterDateTime>(list, "@h", when);
    addOutput<CParameterInt>(list, "@oa");
    addOutput<CParameterBoolean>(list, "@ob");
    addOutput<CParameterTinyInt>(list, "@oc");
    CParameterDecimal* outDecimal = addOutput<CParameterDecimal>(list, "@od");
    outDecimal->setPrecision(18);
    outDecimal->setScale(10);
    addOutput<CParameterFloat>(list, "@oe");
    addOutput<CParameterChar>(list, "@of");
    addOutput<CParameterVarChar>(list, "@og");
    addOutput<CParameterDateTime>(list, "@oh");
    procedure.setName("__dbt_echo");
    procedure.setParameters(&list);
    procedure.execSPNoReturnParasReturn();

    EXPECT_EQ(static_cast<long>(valueOf(list, "@oa")), -123456789);
    const _variant_t truth = valueOf(list, "@ob");
    EXPECT_EQ(truth.vt, VT_BOOL);
    EXPECT_EQ(truth.boolVal, -1) << "a true read back is kept as -1";
    EXPECT_EQ(static_cast<long>(valueOf(list, "@oc")), 255);
    EXPECT_EQ(static_cast<double>(valueOf(list, "@od")), 12345678.0123456789);
    EXPECT_EQ(static_cast<double>(valueOf(list, "@oe")), 0.1) << "the fraction of a float is kept";
    EXPECT_STREQ(static_cast<_bstr_t>(valueOf(list, "@of")).c_str(), "Grüße; it's \"{x}\"");
    EXPECT_EQ(static_cast<_bstr_t>(valueOf(list, "@og")).str(), longText) << "text is never cut to its size";
    const _variant_t date = valueOf(list, "@oh");
    EXPECT_EQ(date.vt, VT_DATE);
    EXPECT_EQ(COleDateTime(date.date).Format("%Y%m%d%Hh%M%S_"), "2018053114h0509_");
}

TEST(StoredProcedure, InputOutputValuesComeBackAsTheServerChangedThem)
{
    Procedure procedure;
    CParameters list;
    addParameter<CParameterInt>(list, "@a", ADODB::adParamInputOutput, 41);
    addParameter<CParameterBoolean>(list, "@b", ADODB::adParamInputOutput, 1);
    addParameter<CParameterTinyInt>(list, "@c", ADODB::adParamInputOutput, static_cast<unsigned char>(254));
    addParameter<CParameterDecimal>(list, "@d", ADODB::adParamInputOutput, 1.25);
    addParameter<CParameterFloat>(list, "@e", ADODB::adParamInputOutput, 0.75);
    addParameter<CParameterChar>(list, "@f", ADODB::adParamInputOutput, _bstr_t("x"));
    addParameter<CParameterVarChar>(list, "@g", ADODB::adParamInputOutput, _bstr_t("y"));
    addParameter<CParameterDateTime>(list, "@h", ADODB::adParamInputOutput, when);
    procedure.setName("__dbt_inout");
    procedure.setParameters(&list);
    procedure.execSPNoReturnParasReturn();

    EXPECT_EQ(static_cast<long>(valueOf(list, "@a")), 42);
    EXPECT_EQ(valueOf(list, "@b").boolVal, 0);
    EXPECT_EQ(static_cast<long>(valueOf(list, "@c")), 255);
    EXPECT_EQ(static_cast<double>(valueOf(list, "@d")), 2.5);
    EXPECT_EQ(static_cast<double>(valueOf(list, "@e")), 1.5);
    EXPECT_STREQ(static_cast<_bstr_t>(valueOf(list, "@f")).c_str(), "x!");
    EXPECT_STREQ(static_cast<_bstr_t>(valueOf(list, "@g")).c_str(), "y?");
    EXPECT_EQ(COleDateTime(valueOf(list, "@h").date).Format("%Y%m%d%Hh%M%S_"), "2018060114h0510_");
    // The debug and error records describe the values read back.
    const CString text = list.outToString();
    EXPECT_NE(text.Find("Name: @g\t\tValue: y?\n"), -1) << text;
    EXPECT_NE(text.Find("Name: @d\t\tValue: 2.50000\n"), -1) << text;
}

TEST(StoredProcedure, NullOutputsKeepTheValuesSent)
{
    Procedure procedure;
    CParameters list;
    addParameter<CParameterInt>(list, "@a", ADODB::adParamInputOutput, 7);
    addParameter<CParameterBoolean>(list, "@b", ADODB::adParamInputOutput, 1);
    addParameter<CParameterVarChar>(list, "@f", ADODB::adParamInputOutput, _bstr_t("kept"));
    procedure.setName("__dbt_nulls");
    procedure.setParameters(&list);
    procedure.execSPNoReturnParasReturn();
    EXPECT_EQ(static_cast<long>(valueOf(list, "@a")), 7);
    EXPECT_EQ(valueOf(list, "@b").boolVal, 1);
    EXPECT_STREQ(static_cast<_bstr_t>(valueOf(list, "@f")).c_str(), "kept");
}

TEST(StoredProcedure, VariantsWithoutParametersPassNoneOfTheAttachedList)
{
    Procedure procedure;
    procedure.setName("__dbt_count");
    EXPECT_NO_THROW(procedure.execSPNoReturnParasReturn()) << "no list to read back into";
    CParameters list;
    addInputParameter<CParameterInt>(list, "@n", 1);
    procedure.setParameters(&list);
    _RecordsetPtr count = procedure.execSPReturnNoParas();
    EXPECT_EQ(static_cast<long>(count->GetCollect(_variant_t(0L))), static_cast<long>(scalar("SELECT count(*) FROM dbt_values")));
    EXPECT_NO_THROW(procedure.execSPNoReturnNoParas());
    // The parameter-passing variants do pass it, which this procedure refuses.
    Chain e = caught([&] { procedure.execSPReturnParas(); });
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->getProcSig(), "CStoredProcedure::execSPReturnParas");
}

TEST(StoredProcedure, RowsAreWalkedWhileOtherCallsRunOnTheSameObject)
{
    Procedure procedure;
    const long before = static_cast<long>(scalar("SELECT count(*) FROM dbt_values"));
    CParameters rowsList;
    addInputParameter<CParameterInt>(rowsList, "@n", 50);
    procedure.setName("__dbt_rows");
    procedure.setParameters(&rowsList);
    _RecordsetPtr rows = procedure.execSPReturnParas();
    ASSERT_FALSE(rows->GetBOF());

    long count = 0;
    double amounts = 0.0;
    for (; !rows->GetadoEOF(); rows->MoveNext()) {
        ++count;
        EXPECT_EQ(static_cast<long>(rows->GetCollect("ID")), count) << "columns are found by any case";
        amounts += static_cast<double>(rows->GetCollect("amount"));
        CParameters keep;
        addInputParameter<CParameterVarChar>(keep, "@v", static_cast<_bstr_t>(rows->GetCollect("label")));
        procedure.setName("__dbt_keep");
        procedure.setParameters(&keep);
        procedure.execSPNoReturnParas();
        procedure.setParameters(nullptr);
    }
    EXPECT_EQ(count, 50);
    EXPECT_DOUBLE_EQ(amounts, 50 * 51 / 2 / 4.0);
    EXPECT_EQ(static_cast<long>(scalar("SELECT count(*) FROM dbt_values")), before + 50);
    EXPECT_STREQ(static_cast<_bstr_t>(scalar("SELECT \"value\" FROM dbt_values ORDER BY id DESC LIMIT 1")).c_str(),
                 "row 50");
}

TEST(StoredProcedure, QuotesSemicolonsAndSqlInAValueAreData)
{
    const char* hostile = "x'); DROP TABLE dbt_values; --\";{}=\\";
    Procedure procedure;
    CParameters list;
    addInputParameter<CParameterVarChar>(list, "@v", _bstr_t(hostile));
    procedure.setName("__dbt_keep");
    procedure.setParameters(&list);
    _RecordsetPtr id = procedure.execSPReturnParas();
    const long kept = static_cast<long>(id->GetCollect(_variant_t(0L)));
    CString query;
    query.Format("SELECT \"value\" FROM dbt_values WHERE id = %ld", kept);
    EXPECT_STREQ(static_cast<_bstr_t>(scalar(query)).c_str(), hostile);
}

// A method that runs a procedure, as the register's callers are written: the data-access
// layer's errors become a CEXStoredProcedure describing the call.
long callerThatReadsAMissingColumn(CStoredProcedure* procedure)
{
    const char* procSig = "CRegister::readRooms";
    CParameters list;
    CStoredProcedure::Attachment attached;
    auto failedCall = [&](const _com_error& e) {
        throw new CEXStoredProcedure(e, procedure, KAVRO_PRODUCT_CAPTION, "/src/blocks/register.cpp", procSig, high);
    };
    return kavroComGuard(procSig, "/src/blocks/register.cpp", failedCall, [&] {
        addInputParameter<CParameterInt>(list, "@n", 3);
        procedure->setName("__dbt_rows");
        attached.attach(procedure, &list);
        _RecordsetPtr rows = procedure->execSPReturnParas();
        return static_cast<long>(rows->GetCollect("roomID"));
    });
}

TEST(StoredProcedure, FailuresAreRecordedWithTheCallAndTheServersText)
{
    Procedure procedure;
    CParameters list;
    addInputParameter<CParameterVarChar>(list, "@message", _bstr_t("the server says no"));
    procedure.setName("__dbt_raise");
    procedure.setParameters(&list);
    Chain e = caught([&] { procedure.execSPNoReturnParas(); });
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->getProcSig(), "CStoredProcedure::execSPNoReturnParas");
    EXPECT_NE(std::string(e->getDescription()).find("the server says no"), std::string::npos) << e->getDescription();

    // Built from the connection's errors, as a caller may.
    CEXStoredProcedure record(procedure.connection(), &procedure, KAVRO_PRODUCT_CAPTION, "/src/x/caller.cpp",
                              "CCaller::run", high);
    EXPECT_EQ(record.getDescription(), "An error occurred whilst executing [vaultEye]..[__dbt_raise]");
    const CString xml = record.serialize()->get_xml();
    pugi::xml_document document;
    ASSERT_TRUE(document.load_string(xml.GetString()));
    const pugi::xml_node error = document.first_child();
    const pugi::xml_node call = error.child("storedProcedure");
    EXPECT_STREQ(call.child_value("name"), "__dbt_raise");
    EXPECT_STREQ(call.child("parameters").child("parameter").child_value("parameterValue"), "the server says no");
    EXPECT_NE(std::string(error.child("error").child_value("description")).find("the server says no"),
              std::string::npos)
        << "the connection's error sits directly under the record";
    CEXKavro::deleteChain(record.getInnerException());

    // The object stays usable, and a caller's own COM error names the call.
    Chain callers = caught([&] { callerThatReadsAMissingColumn(&procedure); });
    auto* failed = dynamic_cast<CEXStoredProcedure*>(callers.get());
    ASSERT_NE(failed, nullptr);
    EXPECT_EQ(failed->getProcSig(), "CRegister::readRooms");
    EXPECT_EQ(failed->getClass(), "register");
    pugi::xml_document node;
    ASSERT_TRUE(node.load_string(failed->getNode()->get_xml().GetString()));
    EXPECT_STREQ(node.child("storedProcedure").child_value("name"), "__dbt_rows");
    EXPECT_STREQ(node.child("storedProcedure").child("parameters").child("parameter").child_value("parameterValue"),
                 "3");
}

TEST(StoredProcedure, ATimeOutEndsTheCallAndLeavesTheObjectUsable)
{
    Procedure procedure;
    CParameters list;
    addInputParameter<CParameterFloat>(list, "@seconds", 5.0);
    procedure.setName("__dbt_sleep");
    procedure.setParameters(&list);
    procedure.setTimeout(1);
    // The sleep would end the call without an error: the time-out's error shows that it
    // ended the call first, however slow the machine.
    Chain e = caught([&] { procedure.execSPNoReturnParas(); });
    ASSERT_NE(e, nullptr);
    EXPECT_NE(std::string(e->getDescription()).find("timeout"), std::string::npos) << e->getDescription();

    // 0 is no limit, not an instant time-out.
    CParameters shortList;
    addInputParameter<CParameterFloat>(shortList, "@seconds", 0.2);
    procedure.setParameters(&shortList);
    procedure.setTimeout(0);
    EXPECT_NO_THROW(procedure.execSPNoReturnParas());
}

// A call to a server process that stops answering ends as timed out, and the next call makes
// the connection again; a server restarted between two calls is seen before the next call,
// which makes the connection again and runs. Each time the line says so.
TEST(StoredProcedure, ALostConnectionIsMadeAgainBeforeTheNextCall)
{
    qvtest::PrivateServer server;
    std::string printed;
    qv::setOutputSink([&](const std::string& text) { printed += text; });
    Procedure procedure;
    CParameters list;
    addInputParameter<CParameterFloat>(list, "@seconds", 0.0);
    procedure.setName("__dbt_sleep");
    procedure.setParameters(&list);
    procedure.setTimeout(1);
    {
        const qvtest::StoppedProcess frozen(backendOf(procedure));
        const Chain e = caught([&] { procedure.execSPNoReturnParas(); });
        ASSERT_NE(e, nullptr);
        EXPECT_NE(std::string(e->getDescription()).find("did not answer within the time-out of 1 s"), std::string::npos)
            << e->getDescription();
    }
    EXPECT_NO_THROW(procedure.execSPNoReturnParas());
    server.restart();
    EXPECT_EQ(caught([&] { procedure.execSPNoReturnParas(); }), nullptr);
    const std::string line = "The connection to the server database was lost and has been made again\n";
    EXPECT_EQ(printed, line + line);

    // A connection time-out of 0 tries a server that is down again for as long as a login with
    // 0 waits; here the server is started again once the first try has failed.
    Procedure patient(0);
    patient.setName("__dbt_sleep");
    patient.setParameters(&list);
    server.halt();
    printed.clear();
    qv::setOutputSink([&](const std::string& text) {
        if ((printed += text).ends_with("tried again for up to 60 s\n"))
            server.restart();
    });
    EXPECT_EQ(caught([&] { patient.execSPNoReturnParas(); }), nullptr);
    qv::setOutputSink({});
    EXPECT_TRUE(printed.ends_with(line)) << printed;
}

TEST(StoredProcedure, TheDebugLogHoldsOneRecordPerExecution)
{
    TempDir dir;
    const std::string path = dir.file("debug.xml");
    {
        DebugLog log(path);
        Procedure procedure;
        CParameters list;
        addInputParameter<CParameterVarChar>(list, "@message", _bstr_t("logged first"));
        procedure.setName("__dbt_raise");
        procedure.setParameters(&list);
        EXPECT_NE(caught([&] { procedure.execSPNoReturnParas(); }), nullptr);
        procedure.setName("__dbt_rows");
        CParameters rowsList;
        addInputParameter<CParameterInt>(rowsList, "@n", 2);
        procedure.setParameters(&rowsList);
        procedure.execSPReturnParas();
        procedure.execSPNoReturnParasReturn();
    }
    const std::string written = readFile(path);
    {
        Procedure quiet;
        quiet.setName("__dbt_rows");
        CParameters rowsList;
        addInputParameter<CParameterInt>(rowsList, "@n", 2);
        quiet.setParameters(&rowsList);
        quiet.execSPReturnParas();
    }
    EXPECT_EQ(readFile(path), written) << "no record while the path is empty";

    pugi::xml_document document;
    ASSERT_TRUE(document.load_file(path.c_str()));
    std::vector<std::string> descriptions;
    for (const pugi::xml_node record : document.child("debugging").children("error"))
        descriptions.push_back(record.child_value("description"));
    EXPECT_EQ(descriptions,
              (std::vector<std::string>{"execSPNoReturnParas", "execSPReturnParas", "execSPNoReturnParasReturn"}));
    const pugi::xml_node failed = document.child("debugging").child("error").child("storedProcedure");
    EXPECT_STREQ(failed.child_value("name"), "__dbt_raise") << "the failed call was recorded before it ran";
    EXPECT_STREQ(failed.child("parameters").child("parameter").child_value("parameterValue"), "logged first");
}

TEST(SQLStatement, RunsTextAndReportsItsFailures)
{
    auto sql = statement();
    EXPECT_EQ(sql->execSQLNoReturn("UPDATE dbt_values SET \"value\" = 'x' WHERE id < 0"), 1);
    _RecordsetPtr rows = sql->execSQLReturn("SELECT 6 * 7 AS answer");
    EXPECT_EQ(static_cast<long>(rows->GetCollect("answer")), 42);

    try {
        sql->execSQLReturn("SELECT * FROM no_such_table");
        FAIL() << "bad SQL ran";
    } catch (CEXSQLStatement* e) {
        std::unique_ptr<CEXSQLStatement> owned(e);
        EXPECT_NE(std::string(e->getDescription()).find("no_such_table"), std::string::npos) << e->getDescription();
        EXPECT_EQ(e->getStatement(), "SELECT * FROM no_such_table");
        EXPECT_EQ(e->getProcSig(), "CSQLStatement::execSQLReturn");
    }
    EXPECT_EQ(sql->execSQLNoReturn("SELECT 1"), 1) << "usable after a failure";
}

// A whole number read from a row is one, or is refused naming the column and the value: never
// a text read as 0, a number wrapped, or a fraction rounded.
TEST(RowSet, WholeNumbersAreRefusedNamingTheColumnAndTheValue)
{
    const struct
    {
        const char* value;
        const char* refusal;   // null when read
    } cases[] = {
        {"9821", nullptr},
        {"'9821'::text", nullptr},
        {"9821.0::float8", nullptr},
        {"'abc'::text", "column \"grID\": the value \"abc\" is not a whole number"},
        {"99999999999", "column \"grID\": the value 99999999999 is outside -2147483648 to 2147483647"},
        {"9821.7", "column \"grID\": the value 9821.7 is not a whole number"},
    };
    for (const auto& c : cases) {
        RowSet row(statement()->execSQLReturn((std::string("SELECT ") + c.value + " AS \"grID\"").c_str()));
        try {
            EXPECT_EQ(row.integer("grID"), 9821) << c.value;
            EXPECT_EQ(c.refusal, nullptr) << c.value;
        } catch (const _com_error& e) {
            EXPECT_STREQ(e.Description(), c.refusal ? c.refusal : "") << c.value;
        }
    }
}

TEST(ModuleDetails, CallsLandInTheirTables)
{
    CModuleDetails details;
    details.setModDetails(qvtest::pgServer(), qvtest::pgUser(), qvtest::pgPassword(), 10);
    details.setModuleRunning(qvtest::pgServer(), qvtest::pgUser(), qvtest::pgPassword(), 10);

    auto sql = statement();
    _RecordsetPtr row = sql->execSQLReturn("SELECT * FROM module_details ORDER BY id DESC LIMIT 1");
    EXPECT_STREQ(static_cast<_bstr_t>(row->GetCollect("moduleName")).c_str(), "QRV");
    EXPECT_STREQ(static_cast<_bstr_t>(row->GetCollect("moduleDescription")).c_str(), KAVRO_PRODUCT_CAPTION);
    EXPECT_STREQ(static_cast<_bstr_t>(row->GetCollect("moduleVersion")).c_str(), "64.04.03.00")
        << "the version is not cut to eight characters";
    // The module's build date, which an incremental build may have set a day before this test's.
    const COleDateTime compiled = details.getBuildDate();
    ASSERT_EQ(compiled.GetStatus(), COleDateTime::valid);
    EXPECT_EQ(COleDateTime(row->GetCollect("moduleDate").date).Format("%Y-%m-%d %H:%M:%S"),
              compiled.Format("%Y-%m-%d 00:00:00"));
    EXPECT_STREQ(static_cast<_bstr_t>(scalar("SELECT \"moduleName\" FROM module_running ORDER BY id DESC LIMIT 1"))
                     .c_str(),
                 "QRV");

    Chain refused = caught([&] { details.setModuleRunning(qvtest::pgServer(), qvtest::pgUser(), "wrong", 10); });
    ASSERT_NE(refused, nullptr);
    EXPECT_EQ(refused->getProcSig(), "CModuleDetails::setModuleRunning");
    EXPECT_NE(dynamic_cast<CEXConnection*>(refused->getInnerException()), nullptr);
}

TEST(Layer, AddLayerToQPXRecordsTheLayer)
{
    Procedure procedure;
    CLayer layer;
    layer.setName("A-WALL<1>");
    layer.setDescription("not sent");
    layer.setColourIndex(7);
    layer.addLayerToQPX(&procedure, 10, 42);
    EXPECT_EQ(procedure.getParameters(), nullptr) << "the procedure keeps no list that has gone";

    _RecordsetPtr row = statement()->execSQLReturn("SELECT * FROM drawing_layers ORDER BY id DESC LIMIT 1");
    EXPECT_STREQ(static_cast<_bstr_t>(row->GetCollect("layerName")).c_str(), "A-WALL1");
    EXPECT_STREQ(static_cast<_bstr_t>(row->GetCollect("layerDescription")).c_str(), "");
    EXPECT_EQ(static_cast<long>(row->GetCollect("layerColour")), 7);
    EXPECT_EQ(static_cast<long>(row->GetCollect("attachID")), 42);
}

} // namespace
