#include "ado/ado.h"
#include "ado/connectionstring.h"
#include "ado/procedurecall.h"
#include "common/pgserver.h"

#include <gtest/gtest.h>

#include <string>

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
    connection->Open(text.c_str(), "", "", 0);
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

class AdoTest : public ::testing::Test
{
protected:
    void SetUp() override { connection = openConnection(); }
    _ConnectionPtr connection;
};

TEST_F(AdoTest, OpensAndClosesAConnection)
{
    EXPECT_EQ(connection->GetState(), adStateOpen);
    EXPECT_STREQ(connection->GetVersion(), "6.1");
    EXPECT_STREQ(connection->GetDefaultDatabase(), "vaultEye");
    connection->Close();
    EXPECT_EQ(connection->GetState(), adStateClosed);
}

TEST_F(AdoTest, CallsAProcedureWithOutputsAndReadsThemBackByName)
{
    _CommandPtr command = procedure(connection, "__ado_out");
    append(command, "@a", adInteger, adParamInput, 4, _variant_t(41L));
    append(command, "@b", adInteger, adParamOutput, 4);
    append(command, "@c", adVarChar, adParamInputOutput, 20, _variant_t("hello"));
    command->Execute(nullptr, nullptr, adCmdStoredProc);
    EXPECT_EQ(static_cast<long>(command->GetParameters()->GetItem("@B")->GetValue()), 42);
    EXPECT_STREQ(static_cast<_bstr_t>(command->GetParameters()->GetItem("@c")->GetValue()), "hello!");
}

TEST_F(AdoTest, ReadsTheRowsOfAProcedure)
{
    _CommandPtr command = procedure(connection, "__ado_rows");
    append(command, "@count", adInteger, adParamInput, 4, _variant_t(4L));
    _RecordsetPtr rows = command->Execute(nullptr, nullptr, adCmdStoredProc);
    ASSERT_EQ(rows->GetState(), adStateOpen);
    EXPECT_FALSE(rows->GetBOF());
    long count = 0;
    for (; !rows->GetadoEOF(); rows->MoveNext()) {
        ++count;
        EXPECT_EQ(static_cast<long>(rows->GetFields()->GetItem("ID")->GetValue()), count);
        EXPECT_STREQ(static_cast<_bstr_t>(rows->GetCollect("name")), ("row " + std::to_string(count)).c_str());
    }
    EXPECT_EQ(count, 4);
}

} // namespace
