#include "resultreader.h"

#include "datetime.h"
#include "diagnostics.h"


#include <vector>

namespace ADODB {

namespace {

constexpr size_t chunkUnits = 4096;

} // namespace

ResultReader::ResultReader(SQLHSTMT statement, const char* source, Errors* errors)
    : m_statement(statement), m_source(source), m_errors(errors), m_chunk(chunkUnits, 0)
{
}

void ResultReader::check(SQLRETURN rc) const
{
    checkDiagnostics(rc, SQL_HANDLE_STMT, m_statement, m_source, m_errors);
}

std::string ResultReader::typeName(SQLUSMALLINT column) const
{
    SQLWCHAR name[64] = {};
    SQLSMALLINT length = 0;
    const SQLRETURN rc = SQLColAttributeW(m_statement, column, SQL_DESC_TYPE_NAME, name,
                                          sizeof name, &length, nullptr);
    if (!SQL_SUCCEEDED(rc))
        return {};
    return toUtf8(name, std::min<size_t>(static_cast<size_t>(length) / sizeof(SQLWCHAR), 63));
}

ResultReader::Kind ResultReader::kindOf(SQLUSMALLINT column, SQLSMALLINT sqlType) const
{
    switch (sqlType) {
    case SQL_SMALLINT: case SQL_TINYINT: return Kind::Int16;
    case SQL_INTEGER: return Kind::Int32;
    case SQL_BIGINT: return Kind::Int64;
    case SQL_BIT: return Kind::Bool;
    case SQL_REAL: case SQL_FLOAT: case SQL_DOUBLE: case SQL_NUMERIC: case SQL_DECIMAL:
        return Kind::Real;
    case SQL_TYPE_TIMESTAMP: case SQL_DATETIME: return Kind::Timestamp;
    case SQL_TYPE_DATE: return Kind::Date;
    case SQL_TYPE_TIME: return Kind::Time;
    default: break;
    }
    // Drivers that hand booleans over as text still name their type.
    const std::string name = typeName(column);
    return name == "bool" || name == "boolean" ? Kind::Bool : Kind::Text;
}

std::shared_ptr<RowStore> ResultReader::read()
{
    SQLSMALLINT columnCount = 0;
    check(SQLNumResultCols(m_statement, &columnCount));
    auto rows = std::make_shared<RowStore>();
    std::vector<Kind> kinds;
    for (SQLUSMALLINT c = 1; c <= columnCount; ++c) {
        SQLWCHAR name[256] = {};
        SQLSMALLINT nameLength = 0, sqlType = 0, digits = 0, nullable = 0;
        SQLULEN size = 0;
        check(SQLDescribeColW(m_statement, c, name, 256, &nameLength, &sqlType, &size, &digits, &nullable));
        rows->addColumn(toUtf8(name, std::min<size_t>(static_cast<size_t>(nameLength), 255)));
        kinds.push_back(kindOf(c, sqlType));
    }
    if (columnCount == 1 && typeName(1) == "void")
        return nullptr;
    SQLRETURN rc;
    while (SQL_SUCCEEDED(rc = SQLFetch(m_statement)))
        for (SQLUSMALLINT c = 1; c <= columnCount; ++c)
            readValue(c, kinds[c - 1], *rows);
    if (rc != SQL_NO_DATA)
        check(rc);
    rows->finish();
    return rows;
}

bool ResultReader::getData(SQLUSMALLINT column, SQLSMALLINT cType, void* buffer, SQLLEN size)
{
    SQLLEN indicator = 0;
    check(SQLGetData(m_statement, column, cType, buffer, size, &indicator));
    return indicator != SQL_NULL_DATA;
}

void ResultReader::readValue(SQLUSMALLINT column, Kind kind, RowStore& rows)
{
    switch (kind) {
    case Kind::Int16: case Kind::Int32: case Kind::Int64: {
        SQLBIGINT value = 0;
        if (!getData(column, SQL_C_SBIGINT, &value, sizeof value))
            return rows.appendNull();
        const VARTYPE type = kind == Kind::Int16 ? VT_I2 : kind == Kind::Int32 ? VT_I4 : VT_I8;
        return rows.appendInteger(value, type);
    }
    case Kind::Bool: {
        unsigned char value = 0;
        if (!getData(column, SQL_C_BIT, &value, sizeof value))
            return rows.appendNull();
        return rows.appendBool(value != 0);
    }
    case Kind::Real: {
        double value = 0;
        if (!getData(column, SQL_C_DOUBLE, &value, sizeof value))
            return rows.appendNull();
        return rows.appendDouble(value, VT_R8);
    }
    case Kind::Timestamp: case Kind::Date: {
        SQL_TIMESTAMP_STRUCT value{};
        if (!getData(column, SQL_C_TYPE_TIMESTAMP, &value, sizeof value))
            return rows.appendNull();
        return rows.appendDouble(dateFromTimestamp(value), VT_DATE);
    }
    case Kind::Time: {
        SQL_TIME_STRUCT value{};
        if (!getData(column, SQL_C_TYPE_TIME, &value, sizeof value))
            return rows.appendNull();
        return rows.appendDouble((value.hour * 3600.0 + value.minute * 60.0 + value.second) / 86400.0, VT_DATE);
    }
    case Kind::Text:
        return readText(column, rows);
    }
}

// Text arrives in chunks until the driver has no more of it.
void ResultReader::readText(SQLUSMALLINT column, RowStore& rows)
{
    odbcstring text;
    for (;;) {
        SQLLEN indicator = 0;
        const SQLRETURN rc = SQLGetData(m_statement, column, SQL_C_WCHAR, m_chunk.data(),
                                        static_cast<SQLLEN>(m_chunk.size() * sizeof(SQLWCHAR)), &indicator);
        if (rc == SQL_NO_DATA)
            break;
        check(rc);
        if (indicator == SQL_NULL_DATA)
            return rows.appendNull();
        const size_t whole = m_chunk.size() - 1;
        const bool more = rc == SQL_SUCCESS_WITH_INFO
                          && (indicator == SQL_NO_TOTAL || static_cast<size_t>(indicator) / sizeof(SQLWCHAR) > whole);
        const size_t units = more ? whole : static_cast<size_t>(indicator) / sizeof(SQLWCHAR);
        text.append(m_chunk.data(), units);
        if (!more)
            break;
    }
    rows.appendText(toUtf8(text));
}

} // namespace ADODB
