// Reads the current result set of a statement in full into a RowStore, converting each
// column's values to the variant type of its SQL type.
#pragma once

#include "odbcapi.h"

#include "ado/ado.h"
#include "rowstore.h"
#include "utf16.h"


#include <memory>

namespace ADODB {

class ResultReader
{
public:
    ResultReader(SQLHSTMT statement, const char* source, Errors* errors);
    // The rows, or null when the result set is a function's void result (a single column
    // of type "void"), which is no result set.
    std::shared_ptr<RowStore> read();

private:
    enum class Kind { Int16, Int32, Int64, Bool, Real, Timestamp, Date, Time, Text };

    Kind kindOf(SQLUSMALLINT column, SQLSMALLINT sqlType) const;
    std::string typeName(SQLUSMALLINT column) const;
    void readValue(SQLUSMALLINT column, Kind kind, RowStore& rows);
    // Returns false for a database null.
    bool getData(SQLUSMALLINT column, SQLSMALLINT cType, void* buffer, SQLLEN size);
    void readText(SQLUSMALLINT column, RowStore& rows);
    void check(SQLRETURN rc) const;

    SQLHSTMT m_statement;
    const char* m_source;
    Errors* m_errors;
    odbcstring m_chunk;
};

} // namespace ADODB
