// What needs no server: connection strings, the XML forms of calls and parameters, the
// parameter list, and objects left unconnected when the data-access objects cannot be made.
#include "common/chain.h"
#include "common/tempdir.h"
#include "database/debuglogpath.h"
#include "database/parameterboolean.h"
#include "database/parameterchar.h"
#include "database/parameterdatetime.h"
#include "database/parameterdecimal.h"
#include "database/parameterfloat.h"
#include "database/parameterint.h"
#include "database/parametertinyint.h"
#include "database/parametervarchar.h"
#include "database/sqlstatement.h"
#include "database/storedprocedure.h"
#include "support/exconnection.h"
#include "support/kavroguard.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <pugixml.hpp>

namespace {

// The data-access objects cannot be made while one lives.
struct NoDataAccess
{
    NoDataAccess() { ADODB::setObjectsAvailable(false); }
    ~NoDataAccess() { ADODB::setObjectsAvailable(true); }
};

pugi::xml_document parsed(const MSXML2::IXMLDOMNodePtr& node)
{
    pugi::xml_document document;
    EXPECT_TRUE(document.load_string(node->get_xml().GetString()));
    return document;
}

TEST(ConnectionString, BracesOnlyValuesThatCouldEndOrAddAKey)
{
    EXPECT_EQ(CDataServices::connectionString("db1.example,1433", "vaultEye", "quorvane", ""),
              "Provider=SQLOLEDB;Data Source=db1.example,1433;Initial Catalog=vaultEye;User Id=quorvane;Password=;");
    EXPECT_EQ(CDataServices::connectionString("host", "my db", "Ünï", "p@ss word!"),
              "Provider=SQLOLEDB;Data Source=host;Initial Catalog=my db;User Id=Ünï;Password=p@ss word!;");
    EXPECT_EQ(CDataServices::connectionString("a;b", "c=d", "{e}", "f}g;"),
              "Provider=SQLOLEDB;Data Source={a;b};Initial Catalog={c=d};User Id={{e}}};Password={f}}g;};");
    EXPECT_EQ(CDataServices::connectionString(" lead", "trail ", "it's", "say \"x\""),
              "Provider=SQLOLEDB;Data Source={ lead};Initial Catalog={trail };User Id={it's};Password={say \"x\"};");
}

TEST(Parameters, EachClassDescribesItselfForTheLogs)
{
    struct Expected
    {
        CParameter* parameter;
        const char* type;
        const char* size;
        const char* value;
        int adoType;
    };
    CParameters list;
    list.add(new CParameterInt);
    addInputParameter<CParameterBoolean>(list, "@b", 1);
    addInputParameter<CParameterTinyInt>(list, "@t", static_cast<unsigned char>(255));
    addInputParameter<CParameterDecimal>(list, "@d", 12.5);
    addInputParameter<CParameterFloat>(list, "@f", -0.125);
    addInputParameter<CParameterChar>(list, "@c", _bstr_t("64.04.03.00"))->setSize(11);
    addInputParameter<CParameterVarChar>(list, "@v", _bstr_t(""));
    addInputParameter<CParameterDateTime>(list, "@w", COleDateTime(2018, 5, 31, 14, 5, 9));
    const Expected expected[] = {
        {list.getAt(0), "int", "4", "0", ADODB::adInteger},
        {list.getAt(1), "boolean", "1", "1", ADODB::adBoolean},
        {list.getAt(2), "tinyInt", "1", "255", ADODB::adTinyInt},
        {list.getAt(3), "decimal", "9", "12.50000", ADODB::adNumeric},
        {list.getAt(4), "float", "8", "-0.12500", ADODB::adNumeric},
        {list.getAt(5), "char", "11", "64.04.03.00", ADODB::adChar},
        {list.getAt(6), "varchar", "255", "", ADODB::adVarChar},
        {list.getAt(7), "dateTime", "0", "2018053114h0509_", ADODB::adDBTimeStamp},
    };
    for (const Expected& e : expected) {
        const pugi::xml_document document = parsed(e.parameter->serialize("urn:test"));
        const pugi::xml_node parameter = document.child("parameter");
        EXPECT_STREQ(parameter.child_value("parameterName"), e.parameter->getName().c_str());
        EXPECT_STREQ(parameter.child_value("parameterType"), e.type);
        EXPECT_STREQ(parameter.child_value("parameterSize"), e.size) << e.type;
        EXPECT_STREQ(parameter.child_value("parameterValue"), e.value) << e.type;
        EXPECT_EQ(e.parameter->getType(), e.adoType) << e.type;
    }
    // The values handed to the command, in the types the data-access layer binds.
    EXPECT_EQ(list.getAt(0)->getValue().vt, VT_INT) << "no value set yet";
    EXPECT_EQ(list.getAt(1)->getValue().vt, VT_BOOL);
    EXPECT_EQ(list.getAt(1)->getValue().boolVal, 1) << "1 is handed over as 1";
    EXPECT_EQ(list.getAt(2)->getValue().vt, VT_UI1);
    EXPECT_EQ(list.getAt(7)->getValue().vt, VT_DATE);
}

TEST(Parameters, ValuesOutliveTheirParameters)
{
    auto* text = new CParameterVarChar;
    text->setValue("first");
    text->setValue("second");
    const _variant_t copy = text->getValue();
    delete text;
    EXPECT_STREQ(static_cast<_bstr_t>(copy).c_str(), "second");
}

TEST(Parameters, FoundByExactNameListedAndRefilled)
{
    CParameters list;
    EXPECT_EQ(list.getParameter("@a"), nullptr);
    CParameter* first = addInputParameter<CParameterVarChar>(list, "@name", _bstr_t("one"));
    addInputParameter<CParameterVarChar>(list, "@name", _bstr_t("two"));
    addInputParameter<CParameterInt>(list, "@n", 3);
    EXPECT_EQ(list.getParameter("@name"), first);
    EXPECT_EQ(list.getParameter("@NAME"), nullptr);
    EXPECT_EQ(list.getParameter("@nam"), nullptr);
    EXPECT_EQ(list.outToString(), "\tParameters\n\t\tName: @name\t\tValue: one\n"
                                  "\tParameters\n\t\tName: @name\t\tValue: two\n"
                                  "\tParameters\n\t\tName: @n\t\tValue: 3\n");
    try {
        list.getAt(3);
        ADD_FAILURE() << "read past the end";
    } catch (CException* e) {
        e->Delete();
    }
    list.deleteObjects();
    EXPECT_EQ(list.getCount(), 0);
    EXPECT_EQ(list.outToString(), "");
    addInputParameter<CParameterInt>(list, "@again", 1);
    EXPECT_EQ(list.getCount(), 1);
}

TEST(Unconnected, ObjectsDoNothingAndBalanceCom)
{
    TempDir dir;
    debugLogPath = dir.file("debug.xml").c_str();
    const int comBefore = coInitializeCount();
    {
        NoDataAccess unavailable;
        CStoredProcedure procedure("127.0.0.1,1", "vaultEye", "quorvane", "quorvane", 5);
        CParameters list;
        addInputParameter<CParameterInt>(list, "@n", 1);
        procedure.setName("__dbt_rows");
        procedure.setParameters(&list);
        EXPECT_EQ(procedure.getADOVersion(), 0.0);
        EXPECT_EQ(procedure.execSPReturnParas(), nullptr);
        EXPECT_EQ(procedure.execSPReturnNoParas(), nullptr);
        procedure.execSPNoReturnParas();
        procedure.execSPNoReturnParasReturn();
        procedure.execSPNoReturnNoParas();

        CSQLStatement statement("127.0.0.1,1", "vaultEye", "quorvane", "quorvane", 5);
        EXPECT_EQ(statement.execSQLReturn("SELECT 1"), nullptr);
        EXPECT_EQ(statement.execSQLNoReturn("SELECT 1"), 0);
        EXPECT_EQ(coInitializeCount(), comBefore + 2);
    }
    EXPECT_EQ(coInitializeCount(), comBefore);
    EXPECT_FALSE(std::filesystem::exists(dir.file("debug.xml"))) << "no debug record without a connection";
    debugLogPath.Empty();
}

TEST(StoredProcedureRecord, DescribesTheCallWithAndWithoutAList)
{
    NoDataAccess unavailable;
    CStoredProcedure procedure("host", "vaultEye", "quorvane", "quorvane", 5);
    procedure.setName("[vlx]..[getLocationAssets]");
    pugi::xml_document bare = parsed(procedure.serialize("urn:debug"));
    const pugi::xml_node call = bare.child("storedProcedure");
    EXPECT_STREQ(call.child_value("name"), "[vlx]..[getLocationAssets]");
    EXPECT_STREQ(call.child("date").attribute("xmlns").value(), ERROR_LOG_NAMESPACE)
        << "the date is always in the error-log namespace";
    EXPECT_EQ(std::distance(call.begin(), call.end()), 2);

    CParameters empty;
    procedure.setParameters(&empty);
    pugi::xml_document listed = parsed(procedure.serialize("urn:debug"));
    EXPECT_TRUE(listed.child("storedProcedure").child("parameters"));
    EXPECT_FALSE(listed.child("storedProcedure").child("parameters").first_child());
}

TEST(ConnectionRecord, WithoutErrorsHasNoChain)
{
    _ConnectionPtr connection;
    ASSERT_EQ(connection.CreateInstance("ADODB.Connection"), S_OK);
    CEXConnection record(connection, KAVRO_PRODUCT_CAPTION, "/src/database/dataservices.cpp", "CDataServices::x");
    EXPECT_EQ(record.getInnerException(), nullptr);
    EXPECT_EQ(record.getDescription(), "An error occurred whilst connecting to ");
}

} // namespace
