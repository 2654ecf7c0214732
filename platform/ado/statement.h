// One statement run on an open connection: its handle lives for the run only, so that the
// rows it gives are read in full before it is freed.
#pragma once

#include "connectionimpl.h"
#include "parameterbinding.h"
#include "rowstore.h"

#include <memory>

namespace ADODB {

class Statement
{
public:
    Statement(Connection::Impl& connection, const char* source);
    // Seconds the statement may run; 0 for no limit.
    void setTimeout(long seconds);
    void bind(ParameterBinding& binding);
    // Runs the text; returns the rows of its first result set (null when it gives none),
    // having read past every later one.
    std::shared_ptr<RowStore> execute(const std::string& text);
    // Gives recordsAffected (when not null) the count of rows the statement affected, VT_I4.
    void reportRowsAffected(VARIANT* recordsAffected) const;

private:
    void check(SQLRETURN rc) const;
    // Notes the rows affected and keeps the first result set's rows.
    void takeResult(std::shared_ptr<RowStore>& rows);

    Errors* m_errors;
    const char* m_source;
    OdbcHandle m_statement;
    long m_rowsAffected = -1;
};

} // namespace ADODB
