#include "ado/ado.h"
#include "ado/connectionstring.h"
#include "ado/procedurecall.h"
#include "common/pgserver.h"
#include "common/stoppedprocess.h"
#include "mfc/oledatetime.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <cstdlib>
#include <string>
#include <thread>

using namespace ADODB;

namespace {

// A connection string value braced as a connection string quotes it.
std::string braced(const std::string& value)
{
    std::string out = "{";
    for (char c : value)
        out += c == '}' ? std::string("}}") : std::string(1, c);
    return out + "}";
}

std::string connectionString(const std::string& user = qvtest::pgUser(),
                             const std::string& password = qvtest::pgPassword(),
                             const std::string& server = qvtest::pgServer())
{
    return "Provider=SQLOLEDB;Data Source=" + server + ";Initial Catalog=" + qvtest::pgDatabase()
           + ";User Id=" + braced(user) + ";Password=" + braced(password) + ";";
}

_ConnectionPtr openConnection(const std::string& text = connectionString(), long timeout = 5)
{
    _ConnectionPtr connection;
    EXPECT_EQ(connection.CreateInstance("ADODB.Connection"), S_OK);
    connection->PutConnectionTimeout(timeout);
    try {
        connection->Open(text.c_str(), "", "", 0);
    } catch (const _com_error& e) {
        ADD_FAILURE() << "open failed: " << e.Description().c_str();
        throw;
    }
    return connection;
}

_CommandPtr procedure(const _ConnectionPtr& connection, const char* name, long timeout = 30)
{
    _CommandPtr command;
    EXPECT_EQ(command.CreateInstance("ADODB.Command"), S_OK);
    command->PutRefActiveConnection(connection);
    command->PutCommandType(adCmdStoredProc);
    command->PutCommandTimeout(timeout);
    command->PutCommandText(name);
    return command;
}

void append(const _CommandPtr& command, const char* name, long type, long direction, long size,
            const _variant_t& value = _variant_t::missing())
{
    command->GetParameters()->Append(command->CreateParameter(name, type, direction, size, value));
}

_variant_t output(const _CommandPtr& command, const char* name)
{
    return command->GetParameters()->GetItem(name)->GetValue();
}

std::string text(const _variant_t& value) { return static_cast<_bstr_t>(value).str(); }

// A DATE with milliseconds, built by the framework's own date type.
DATE dateOf(int y, int mo, int d, int h, int mi, int s, int ms)
{
    return COleDateTime(y, mo, d, h, mi, s).m_dt + ms / 86400000.0;
}

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The error a call raises; fails the test when it raises none.
template <class Body>
_com_error raised(Body body)
{
    try {
        body();
    } catch (const _com_error& e) {
        return e;
    }
    ADD_FAILURE() << "no _com_error raised";
    return _com_error(S_OK);
}

// The server process behind a connection.
pid_t backendOf(const _ConnectionPtr& connection)
{
    return static_cast<long>(connection->Execute("SELECT pg_backend_pid()", nullptr, adCmdUnspecified)->GetCollect(0L));
}

class AdoTest : public ::testing::Test
{
protected:
    void SetUp() override { connection = openConnection(); }

    // Runs "__ado_echo" with the values given (VT_NULL for each when `nulls`).
    _CommandPtr echo(const _variant_t& integer, const _variant_t& flag, const _variant_t& tiny,
                     const _variant_t& decimal, const _variant_t& real, const _variant_t& textValue,
                     const _variant_t& stamp, long textSize = 255)
    {
        _CommandPtr command = procedure(connection, "__ado_echo");
        append(command, "@int", adInteger, adParamInputOutput, 4, integer);
        append(command, "@flag", adBoolean, adParamInputOutput, 1, flag);
        append(command, "@tiny", adTinyInt, adParamInputOutput, 1, tiny);
        append(command, "@decimal", adNumeric, adParamInputOutput, 9, decimal);
        command->GetParameters()->GetItem("@decimal")->PutPrecision(18);
        command->GetParameters()->GetItem("@decimal")->PutNumericScale(10);
        append(command, "@float", adNumeric, adParamInputOutput, 8, real);
        append(command, "@text", adVarChar, adParamInputOutput, textSize, textValue);
        append(command, "@stamp", adDBTimeStamp, adParamInputOutput, 0, stamp);
        append(command, "@numericText", adVarChar, adParamOutput, 50);
        append(command, "@textLength", adInteger, adParamOutput, 4);
        command->Execute(nullptr, nullptr, adCmdStoredProc);
        return command;
    }

    _ConnectionPtr connection;
};

TEST(AdoConnectionString, TranslatesKeysAndQuotesOnlyTheValuesThatNeedIt)
{
    EXPECT_EQ(odbcConnectionString("Provider=SQLOLEDB;Data Source=db.example;Initial Catalog=vaultEye;"
                                   "User Id=kavro;Password=s3cret-_.!;",
                                   "PostgreSQL Unicode"),
              "Driver={PostgreSQL Unicode};Server=db.example;Database=vaultEye;UID=kavro;PWD=s3cret-_.!;");
    // Keys in any case, blanks around them, a port, and a user and password given apart.
    EXPECT_EQ(odbcConnectionString(" data source = 10.0.0.5,6543 ;INITIAL CATALOG=x;user id=a;password=b",
                                   "D", "other", "p;w"),
              "Driver={D};Server=10.0.0.5;Port=6543;Database=x;UID=other;PWD={p;w};");
    // A user and a database go as written, braces and all; the password is braced.
    EXPECT_EQ(odbcConnectionString("Data Source=h;Initial Catalog={d=\"x\"};User Id={o'{b}}};Password={p'}", "D"),
              "Driver={D};Server=h;Database=d=\"x\";UID=o'{b};PWD={p'};");
    for (const char* refused : {"User Id={a;b}", "User Id={ a}", "Initial Catalog={{d}}}", "Data Source={h;x}"})
        EXPECT_NE(raised([&] { odbcConnectionString(refused, "D"); }).Description().str().find("as written"),
                  std::string::npos) << refused;
    EXPECT_EQ(odbcValue("a=b"), "{a=b}");
    EXPECT_EQ(odbcValue("x}y{"), "{x}}y{}");
    EXPECT_EQ(odbcValue(" lead"), "{ lead}");
    EXPECT_EQ(odbcValue("it's \"q\""), "{it's \"q\"}");
    EXPECT_EQ(odbcValue("é€"), "é€");
}

TEST(AdoConnectionString, ReadsBracedValuesAndRefusesMalformedOnes)
{
    auto values = parseConnectionString("Password={ a;b}}=c };User Id={u};;Provider=SQLOLEDB");
    EXPECT_EQ(values["password"], " a;b}=c ");
    EXPECT_EQ(values["user id"], "u");
    // A password that tries to add a key stays one value.
    EXPECT_EQ(odbcConnectionString("Password={pw;Database=other}", "D").find("Database=other;"), std::string::npos);
    for (const char* bad : {"Password={open", "Password={a}b;", "=value", "Data Source=h,port", "justakey"})
        EXPECT_EQ(raised([&] { odbcConnectionString(bad, "D"); }).Error(), E_INVALIDARG) << bad;
    // The rest of a password that holds an unbraced ";" is not repeated in the error.
    EXPECT_EQ(raised([&] { odbcConnectionString("Password=pw;s3cret", "D"); }).Description().str().find("s3cret"),
              std::string::npos);
}

TEST(AdoProcedureCall, QuotesEachPartAndKeepsTheParentheses)
{
    EXPECT_EQ(procedureCallText("[vlx]..[getLocationAssets]", 1), "{call \"vlx\".\"getLocationAssets\"(?)}");
    EXPECT_EQ(procedureCallText("__to_addDrawingLayer", 3), "{call \"__to_addDrawingLayer\"(?, ?, ?)}");
    EXPECT_EQ(procedureCallText("db.schema.name", 0), "{call \"db\".\"name\"()}");
    EXPECT_EQ(procedureCallText("s.[a]]b\"c]", 0), "{call \"s\".\"a]b\"\"c\"()}");
    for (const char* bad : {"", "[open", "a..", ".a", "a.b.c.d", "[a]b"})
        EXPECT_EQ(raised([&] { procedureCallText(bad, 0); }).Error(), E_INVALIDARG) << bad;
}

TEST_F(AdoTest, OpensAndClosesAConnection)
{
    EXPECT_EQ(connection->GetState(), adStateOpen);
    EXPECT_STREQ(connection->GetVersion(), "6.1");
    EXPECT_STREQ(connection->GetDefaultDatabase(), "vaultEye");
    EXPECT_EQ(raised([&] { connection->Open(connectionString().c_str(), "", "", 0); }).Error(), adErrObjectOpen);
    connection->Close();
    EXPECT_EQ(connection->GetState(), adStateClosed);
    EXPECT_STREQ(connection->GetDefaultDatabase(), "vaultEye");
}

TEST(AdoConnection, RefusesToOpenWithoutADriver)
{
    const std::string driver = std::getenv("QUORVANE_ODBC_DRIVER");
    unsetenv("QUORVANE_ODBC_DRIVER");
    _ConnectionPtr connection;
    connection.CreateInstance("ADODB.Connection");
    const _com_error e = raised([&] { connection->Open(connectionString().c_str(), "", "", 0); });
    setenv("QUORVANE_ODBC_DRIVER", driver.c_str(), 1);
    EXPECT_STREQ(e.Description(), "no ODBC driver configured: set QUORVANE_ODBC_DRIVER");
    EXPECT_EQ(connection->GetState(), adStateClosed);
}

// Each failed login ends within its time-out with the server's or driver's text, and leaves
// the records in the connection's Errors.
TEST(AdoConnection, FailedLoginsEndWithinTheTimeOutWithTheirReason)
{
    // A port nothing listens on, and a server that takes the connection and never answers.
    const int closed = socket(AF_INET, SOCK_STREAM, 0);
    const int silent = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(bind(closed, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(getsockname(closed, reinterpret_cast<sockaddr*>(&address), &length), 0);
    const std::string closedPort = std::to_string(ntohs(address.sin_port));
    address.sin_port = 0;
    ASSERT_EQ(bind(silent, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(listen(silent, 4), 0);
    ASSERT_EQ(getsockname(silent, reinterpret_cast<sockaddr*>(&address), &length), 0);
    const std::string silentPort = std::to_string(ntohs(address.sin_port));

    const struct
    {
        std::string text;
        const char* reason;
    } cases[] = {
        {connectionString(qvtest::pgUser(), "wrong"), "password authentication failed"},
        {connectionString(qvtest::pgUser(), qvtest::pgPassword(), "127.0.0.1," + closedPort), "refused"},
        {connectionString(qvtest::pgUser(), qvtest::pgPassword(), "127.0.0.1," + silentPort), "timeout"},
        {connectionString(qvtest::pgUser(), qvtest::pgPassword(), "10.255.255.1,5432"), ""},
    };
    for (const auto& c : cases) {
        _ConnectionPtr connection;
        connection.CreateInstance("ADODB.Connection");
        connection->PutConnectionTimeout(2);
        const auto start = std::chrono::steady_clock::now();
        const _com_error e = raised([&] { connection->Open(c.text.c_str(), "", "", 0); });
        // Ended by the time-out, not by the system's own wait for an unanswered connection
        // (over two minutes), however slow the machine.
        EXPECT_LT(secondsSince(start), 60.0) << c.text;
        EXPECT_NE(e.Description().str().find(c.reason), std::string::npos) << e.Description().c_str();
        EXPECT_STREQ(e.Source(), "ADODB.Connection");
        ASSERT_GE(connection->GetErrors()->GetCount(), 1);
        const ErrorPtr first = connection->GetErrors()->GetItem(0L);
        EXPECT_STREQ(first->GetDescription(), e.Description());
        EXPECT_EQ(first->GetNumber(), e.Error());
        EXPECT_EQ(first->GetSQLState().length(), 5u);
        EXPECT_EQ(connection->GetState(), adStateClosed);
    }
    close(closed);
    close(silent);
}

// Logins whose passwords hold ";Database=other", braces, quotes and outer blanks: the
// password stays one value and the connection uses the database it names. A user name
// holding the characters that need no braces reaches the server as written.
TEST(AdoConnection, APasswordCannotChangeTheConnectionsKeys)
{
    _ConnectionPtr semicolon = openConnection(connectionString("ado_semicolon", "pw;Database=other"));
    EXPECT_STREQ(semicolon->GetDefaultDatabase(), "vaultEye");
    _ConnectionPtr braces;
    braces.CreateInstance("ADODB.Connection");
    braces->Open(connectionString("nobody", "none").c_str(), "ado_braces", " {p}}w\"='x; ", 0);
    EXPECT_EQ(braces->GetState(), adStateOpen);
    // A user whose name holds "=", quotes and braces logs in as named.
    _ConnectionPtr odd = openConnection(connectionString("ado=\"o'dd}{", "odd"));
    EXPECT_EQ(text(odd->Execute("SELECT current_user", nullptr, adCmdUnspecified)->GetCollect(0L)), "ado=\"o'dd}{");
}

TEST_F(AdoTest, EveryTypeRoundTripsExactly)
{
    const DATE stamp = dateOf(2018, 5, 31, 14, 5, 9, 123);
    const std::string unicode = "é€😀 'quoted' {braced};";
    _CommandPtr command = echo(_variant_t(static_cast<long>(INT_MIN)), _variant_t(true), _variant_t(BYTE(255)),
                               _variant_t("12345678.0123456789"), _variant_t(0.1 + 0.2),
                               _variant_t(unicode.c_str()), _variant_t(stamp, VT_DATE));
    EXPECT_EQ(output(command, "@int").vt, VT_I4);
    EXPECT_EQ(static_cast<long>(output(command, "@int")), INT_MIN);
    EXPECT_EQ(output(command, "@flag").vt, VT_BOOL);
    EXPECT_EQ(output(command, "@flag").boolVal, VARIANT_TRUE);
    EXPECT_EQ(static_cast<long>(output(command, "@tiny")), 255);
    EXPECT_EQ(text(output(command, "@numericText")), "12345678.0123456789");
    EXPECT_EQ(output(command, "@decimal").vt, VT_R8);
    EXPECT_DOUBLE_EQ(static_cast<double>(output(command, "@decimal")), 12345678.0123456789);
    EXPECT_EQ(static_cast<double>(output(command, "@float")), 0.1 + 0.2);
    EXPECT_EQ(text(output(command, "@text")), unicode);
    EXPECT_EQ(static_cast<long>(output(command, "@textLength")), 22);
    EXPECT_EQ(output(command, "@stamp").vt, VT_DATE);
    EXPECT_NEAR(output(command, "@stamp").date, stamp, 0.5 / 86400000.0);

    // Falsehood, a decimal from a double written to its scale, a date before 1900.
    const DATE old = dateOf(1850, 2, 3, 6, 7, 8, 9);
    command = echo(_variant_t(INT_MAX), _variant_t(false), _variant_t(BYTE(0)), _variant_t(-12.5),
                   _variant_t(-1.0e-7), _variant_t(""), _variant_t(old, VT_DATE));
    EXPECT_EQ(static_cast<long>(output(command, "@int")), INT_MAX);
    EXPECT_EQ(output(command, "@flag").boolVal, VARIANT_FALSE);
    EXPECT_EQ(text(output(command, "@numericText")), "-12.5000000000");
    EXPECT_EQ(static_cast<double>(output(command, "@float")), -1.0e-7);
    EXPECT_EQ(text(output(command, "@text")), "");
    EXPECT_NEAR(output(command, "@stamp").date, old, 0.5 / 86400000.0);

    // A time that rounds up to midnight moves to the next day away from 30 December 1899,
    // on either side of it.
    for (const DATE almost : {1.0 - 1.0e-10, -1.0 + 1.0e-10}) {
        command = echo(_variant_t(1L), _variant_t(true), _variant_t(BYTE(1)), _variant_t(1.0), _variant_t(1.0),
                       _variant_t(""), _variant_t(almost, VT_DATE));
        EXPECT_EQ(output(command, "@stamp").date, almost > 0 ? 1.0 : -1.0);
    }
}

TEST_F(AdoTest, NullsGoBothWays)
{
    const _variant_t null = _variant_t::null();
    _CommandPtr command = echo(null, null, null, null, null, null, null);
    for (const char* name : {"@int", "@flag", "@tiny", "@decimal", "@float", "@text", "@stamp", "@numericText"})
        EXPECT_EQ(output(command, name).vt, VT_NULL) << name;
}

TEST_F(AdoTest, TextIsNeverCutToItsDeclaredSize)
{
    const std::string atLimit(10, 'x');
    const std::string longer = std::string(300, 'y') + "€";
    _CommandPtr command = echo(_variant_t(1L), _variant_t(true), _variant_t(BYTE(1)), _variant_t(1.0),
                               _variant_t(1.0), _variant_t(atLimit.c_str()), _variant_t(0.0, VT_DATE), 10);
    EXPECT_EQ(text(output(command, "@text")), atLimit);
    command = echo(_variant_t(1L), _variant_t(true), _variant_t(BYTE(1)), _variant_t(1.0), _variant_t(1.0),
                   _variant_t(longer.c_str()), _variant_t(0.0, VT_DATE), 10);
    EXPECT_EQ(static_cast<long>(output(command, "@textLength")), 301);
    EXPECT_EQ(text(output(command, "@text")), longer);
}

TEST_F(AdoTest, DecimalsKeepTheirScaleAndRefuseWhatDoesNotFit)
{
    const struct
    {
        const char* sent;
        const char* stored;
    } cases[] = {{"1.23456789016", "1.2345678902"}, {"-0.00000000004", "0.0000000000"},
                 {" 9999999.99999999995", "10000000.0000000000"}, {".5", "0.5000000000"}};
    for (const auto& c : cases) {
        _CommandPtr command = echo(_variant_t(1L), _variant_t(true), _variant_t(BYTE(1)), _variant_t(c.sent),
                                   _variant_t(1.0), _variant_t(""), _variant_t(0.0, VT_DATE));
        EXPECT_EQ(text(output(command, "@numericText")), c.stored) << c.sent;
    }
    for (const char* bad : {"123456789.5", "99999999.99999999995", "1e5", "12,5", "", "-"}) {
        const _com_error e = raised([&] {
            echo(_variant_t(1L), _variant_t(true), _variant_t(BYTE(1)), _variant_t(bad), _variant_t(1.0),
                 _variant_t(""), _variant_t(0.0, VT_DATE));
        });
        EXPECT_NE(e.Description().str().find("@decimal"), std::string::npos) << bad;
    }
}

TEST_F(AdoTest, ValuesATypeCannotTakeAreRefusedNamingTheParameter)
{
    const _variant_t ok(1L);
    const struct
    {
        _variant_t integer, tiny, stamp;
    } cases[] = {{_variant_t("abc"), ok, _variant_t(0.0, VT_DATE)},
                 {ok, _variant_t(256L), _variant_t(0.0, VT_DATE)},
                 {ok, ok, _variant_t(1.0e9, VT_DATE)}};
    for (const auto& c : cases) {
        const _com_error e = raised([&] {
            echo(c.integer, _variant_t(true), c.tiny, _variant_t(1.0), _variant_t(1.0), _variant_t(""), c.stamp);
        });
        EXPECT_TRUE(e.hasErrorInfo());
        EXPECT_NE(e.Description().str().find("parameter \"@"), std::string::npos) << e.Description().c_str();
    }
}

TEST_F(AdoTest, CallsAProcedureWithOutputsAndReadsThemBackByName)
{
    _CommandPtr command = procedure(connection, "__ado_out");
    append(command, "@a", adInteger, adParamInput, 4, _variant_t(41L));
    append(command, "@b", adInteger, adParamOutput, 4);
    append(command, "@c", adVarChar, adParamInputOutput, 20, _variant_t("hello"));
    command->Execute(nullptr, nullptr, adCmdStoredProc);
    EXPECT_EQ(static_cast<long>(output(command, "@B")), 42);
    EXPECT_EQ(text(output(command, "@c")), "hello!");
    EXPECT_EQ(raised([&] { output(command, "@missing"); }).Error(), adErrItemNotFound);
    EXPECT_EQ(raised([&] { command->GetParameters()->GetItem(3L); }).Error(), adErrItemNotFound);
}

// An output its parameter cannot hold is refused as an overflow, never wrapped.
TEST_F(AdoTest, OutputsTooWideForTheirParametersAreRefused)
{
    const struct
    {
        long type;
        long value, by;
        const char* overflowing;   // null when the result fits
    } widened[] = {
        {adInteger, 99999, 1000000, "99999000000"},
        {adInteger, INT_MIN, 1, nullptr},
        {adTinyInt, 200, 2, "400"},
        {adTinyInt, 255, 1, nullptr},
    };
    for (const auto& c : widened) {
        _CommandPtr command = procedure(connection, "__ado_widen");
        append(command, "@value", c.type, adParamInputOutput, 4, _variant_t(c.value));
        append(command, "@by", adInteger, adParamInput, 4, _variant_t(c.by));
        if (!c.overflowing) {
            command->Execute(nullptr, nullptr, adCmdStoredProc);
            EXPECT_EQ(static_cast<long>(output(command, "@value")), c.value * c.by);
            continue;
        }
        const _com_error e = raised([&] { command->Execute(nullptr, nullptr, adCmdStoredProc); });
        EXPECT_EQ(e.Error(), adErrDataOverflow);
        EXPECT_NE(e.Description().str().find(c.overflowing), std::string::npos) << e.Description().c_str();
        EXPECT_STREQ(connection->GetErrors()->GetItem(0L)->GetSQLState(), "22003");
    }
    // A numeric with a fraction is no whole number, refused as a wide one; without, it is taken.
    const struct
    {
        long type;
        const char* numeric;
        bool refused;
        long taken;
    } fractions[] = {{adInteger, "7.9", true, 0}, {adInteger, "-0.5", true, 0}, {adTinyInt, "254.99", true, 0},
                     {adInteger, "-7.000", false, -7}, {adTinyInt, "255.0", false, 255}};
    for (const auto& c : fractions) {
        _CommandPtr command = procedure(connection, "__ado_numeric");
        append(command, "@text", adVarChar, adParamInput, 20, _variant_t(c.numeric));
        append(command, "@value", c.type, adParamOutput, 4);
        if (!c.refused) {
            command->Execute(nullptr, nullptr, adCmdStoredProc);
            EXPECT_EQ(static_cast<long>(output(command, "@value")), c.taken) << c.numeric;
            continue;
        }
        const _com_error e = raised([&] { command->Execute(nullptr, nullptr, adCmdStoredProc); });
        EXPECT_EQ(e.Error(), adErrDataOverflow) << c.numeric;
        EXPECT_NE(e.Description().str().find(c.numeric), std::string::npos) << e.Description().c_str();
    }
    for (const char* infinite : {"Infinity", "NaN"}) {
        _CommandPtr command = procedure(connection, "__ado_output");
        append(command, "@text", adVarChar, adParamInput, 20, _variant_t(infinite));
        append(command, "@value", adDouble, adParamOutput, 8);
        EXPECT_EQ(raised([&] { command->Execute(nullptr, nullptr, adCmdStoredProc); }).Error(), adErrDataOverflow);
    }
}

TEST_F(AdoTest, RecordsetValuesTakeTheirColumnsTypes)
{
    _CommandPtr command = procedure(connection, "__ado_rows");
    append(command, "@count", adInteger, adParamInput, 4, _variant_t(2L));
    _RecordsetPtr rows = command->Execute(nullptr, nullptr, adCmdStoredProc);
    ASSERT_EQ(rows->GetRecordCount(), 2);
    FieldsPtr fields = rows->GetFields();
    ASSERT_EQ(fields->GetCount(), 9);
    EXPECT_STREQ(fields->GetItem(4L)->GetName(), "at");
    for (const char* name : {"amount", "at", "note"})
        EXPECT_EQ(rows->GetCollect(name).vt, VT_NULL) << name;
    EXPECT_EQ(rows->GetCollect("flag").vt, VT_BOOL);
    EXPECT_EQ(rows->GetCollect("BIG").vt, VT_I8);
    EXPECT_EQ(rows->GetCollect("BIG").llVal, 10000000000LL);
    EXPECT_EQ(rows->GetCollect("small").vt, VT_I2);
    EXPECT_EQ(static_cast<double>(rows->GetCollect("ratio")), 0.125);
    rows->MoveNext();
    EXPECT_EQ(rows->GetCollect("flag").boolVal, VARIANT_TRUE);
    EXPECT_EQ(rows->GetCollect("amount").vt, VT_R8);
    EXPECT_EQ(static_cast<double>(rows->GetCollect("amount")), 0.5);
    EXPECT_NEAR(rows->GetCollect("at").date, dateOf(2018, 6, 2, 14, 5, 9, 123), 0.5 / 86400000.0);
    EXPECT_EQ(text(rows->GetCollect("note")), "note 2");
    EXPECT_EQ(raised([&] { rows->GetCollect("nothing"); }).Error(), adErrItemNotFound);

    const FieldPtr id = fields->GetItem("id");
    rows->MoveNext();
    EXPECT_TRUE(rows->GetadoEOF());
    EXPECT_EQ(raised([&] { id->GetValue(); }).Error(), adErrNoCurrentRecord);
    EXPECT_EQ(raised([&] { rows->MoveNext(); }).Error(), adErrNoCurrentRecord);
    rows->Close();
    EXPECT_EQ(rows->GetState(), adStateClosed);
    EXPECT_EQ(raised([&] { rows->GetadoEOF(); }).Error(), adErrObjectClosed);
    EXPECT_EQ(raised([&] { id->GetName(); }).Error(), adErrObjectClosed);
    rows->Close();
}

TEST_F(AdoTest, EmptyResultsAndVoidCalls)
{
    _CommandPtr command = procedure(connection, "__ado_rows");
    append(command, "@count", adInteger, adParamInput, 4, _variant_t(0L));
    _RecordsetPtr rows = command->Execute(nullptr, nullptr, adCmdStoredProc);
    EXPECT_EQ(rows->GetState(), adStateOpen);
    EXPECT_TRUE(rows->GetBOF() && rows->GetadoEOF());

    command = procedure(connection, "__ado_void");
    append(command, "@a", adInteger, adParamInput, 4, _variant_t(1L));
    EXPECT_EQ(command->Execute(nullptr, nullptr, adCmdStoredProc)->GetState(), adStateClosed);
}

// Every row is read before Execute returns, so each row can start another call on the same
// connection while the first recordset is walked.
TEST_F(AdoTest, ASecondCallRunsWhileARecordsetIsWalked)
{
    _CommandPtr outer = procedure(connection, "__ado_rows");
    append(outer, "@count", adInteger, adParamInput, 4, _variant_t(3L));
    _RecordsetPtr rows = outer->Execute(nullptr, nullptr, adCmdStoredProc);
    long walked = 0;
    for (; !rows->GetadoEOF(); rows->MoveNext()) {
        _CommandPtr inner = procedure(connection, "[adotest]..[getLocationAssets]");
        append(inner, "@locationID", adInteger, adParamInput, 4, rows->GetCollect("id"));
        _RecordsetPtr assets = inner->Execute(nullptr, nullptr, adCmdStoredProc);
        EXPECT_EQ(assets->GetRecordCount(), 3);
        EXPECT_EQ(static_cast<long>(assets->GetCollect("LOCATIONID")), static_cast<long>(rows->GetCollect("id")));
        EXPECT_EQ(text(assets->GetCollect("assetName")), "asset 1");
        ++walked;
    }
    EXPECT_EQ(walked, 3);
}

TEST_F(AdoTest, AServerErrorCarriesItsTextAndFillsErrors)
{
    _CommandPtr command = procedure(connection, "__ado_fail");
    append(command, "@message", adVarChar, adParamInput, 50, _variant_t("the floor is lava"));
    const _com_error e = raised([&] { command->Execute(nullptr, nullptr, adCmdStoredProc); });
    EXPECT_EQ(e.Error(), E_FAIL);
    EXPECT_NE(e.Description().str().find("the floor is lava"), std::string::npos) << e.Description().c_str();
    EXPECT_STREQ(e.Source(), "ADODB.Command");
    ErrorsPtr errors = connection->GetErrors();
    ASSERT_GE(errors->GetCount(), 1);
    EXPECT_STREQ(errors->GetItem(0L)->GetSQLState(), "P0001");
    EXPECT_EQ(raised([&] { errors->GetItem(errors->GetCount()); }).Error(), adErrItemNotFound);

    // The connection goes on, and its next operation clears the records.
    connection->Execute("SELECT 1", nullptr, adCmdUnspecified);
    EXPECT_EQ(errors->GetCount(), 0);
}

TEST_F(AdoTest, AStatementPastItsTimeOutIsStopped)
{
    _CommandPtr command = procedure(connection, "__ado_sleep", 1);
    append(command, "@seconds", adDouble, adParamInput, 8, _variant_t(10.0));
    // The sleep would end the statement without an error: the time-out's error shows that
    // it ended the statement first, however slow the machine.
    const _com_error e = raised([&] { command->Execute(nullptr, nullptr, adCmdStoredProc); });
    EXPECT_EQ(e.Error(), adErrOperationTimedOut);
    EXPECT_FALSE(e.Description().str().empty());
    EXPECT_EQ(static_cast<long>(connection->Execute("SELECT 7", nullptr, adCmdUnspecified)->GetCollect(0L)), 7);
}

// A server that stops answering ends the call as timed out soon after its time-out, on this
// side, and leaves the connection closed, to be opened again.
TEST_F(AdoTest, AServerThatStopsAnsweringEndsTheCallAsTimedOut)
{
    {
        const qvtest::StoppedProcess frozen(backendOf(connection));
        connection->PutCommandTimeout(1);
        const _com_error e = raised([&] { connection->Execute("SELECT 1", nullptr, adCmdUnspecified); });
        EXPECT_EQ(e.Error(), adErrOperationTimedOut);
        EXPECT_NE(e.Description().str().find("did not answer within the time-out of 1 s"), std::string::npos)
            << e.Description().c_str();
        EXPECT_EQ(connection->GetState(), adStateClosed);
    }
    connection->Open(connectionString().c_str(), "", "", 0);
    EXPECT_EQ(static_cast<long>(connection->Execute("SELECT 7", nullptr, adCmdUnspecified)->GetCollect(0L)), 7);
}

// The time-out bounds the wait for the server, not the reading of a result that has come in:
// work of the client longer than the time-out and its 2 s of grace leaves the session open.
TEST_F(AdoTest, ReadingAResultThatHasComeInIsNotBoundedByTheTimeOut)
{
    const pid_t backend = backendOf(connection);
    connection->PutCommandTimeout(1);
    setResultArrivalHook([] { std::this_thread::sleep_for(std::chrono::seconds(4)); });
    _RecordsetPtr rows;
    const auto run = [&] { rows = connection->Execute("SELECT 7", nullptr, adCmdUnspecified); };
    EXPECT_NO_THROW(run());
    setResultArrivalHook({});
    ASSERT_EQ(connection->GetState(), adStateOpen);
    EXPECT_EQ(static_cast<long>(rows->GetCollect(0L)), 7);
    EXPECT_EQ(backendOf(connection), backend);
}

TEST_F(AdoTest, ValuesReachTheServerAsData)
{
    const char* values[] = {"O'Brien", "a;b", "{x}}", "\"quoted\"", "'); DROP TABLE \"__ado_values\"; --",
                            "?", "$1"};
    for (const char* value : values) {
        _CommandPtr command = procedure(connection, "__ado_store");
        append(command, "@value", adVarChar, adParamInput, 255, _variant_t(value));
        append(command, "@stored", adVarChar, adParamOutput, 255);
        command->Execute(nullptr, nullptr, adCmdStoredProc);
        EXPECT_EQ(text(output(command, "@stored")), value);
    }
    _variant_t affected;
    connection->Execute("UPDATE \"__ado_values\" SET \"value\" = \"value\"", &affected, adCmdUnspecified);
    EXPECT_EQ(affected.vt, VT_I4);
    EXPECT_GE(static_cast<long>(affected), 7);
}

TEST_F(AdoTest, CommandsNeedAnOpenConnection)
{
    _CommandPtr unconnected = procedure(nullptr, "__ado_void");
    EXPECT_EQ(raised([&] { unconnected->Execute(nullptr, nullptr, adCmdStoredProc); }).Error(), adErrInvalidConnection);
    _CommandPtr command = procedure(connection, "__ado_void");
    connection->Close();
    const _com_error e = raised([&] { command->Execute(nullptr, nullptr, adCmdStoredProc); });
    EXPECT_EQ(e.Error(), adErrInvalidConnection);
    EXPECT_TRUE(e.hasErrorInfo());
    EXPECT_EQ(raised([&] { connection->Execute("SELECT 1", nullptr, 0); }).Error(), adErrObjectClosed);
}

TEST(AdoObjects, AreMadeOnlyForTheirClassNamesAndWhileAvailable)
{
    _ConnectionPtr connection;
    EXPECT_EQ(connection.CreateInstance("ADODB.Command"), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(raised([&] { connection->GetState(); }).Error(), E_POINTER);
    setObjectsAvailable(false);
    _CommandPtr command;
    EXPECT_EQ(command.CreateInstance("ADODB.Command"), REGDB_E_CLASSNOTREG);
    setObjectsAvailable(true);
    EXPECT_EQ(command.CreateInstance("ADODB.Command"), S_OK);
}

} // namespace
