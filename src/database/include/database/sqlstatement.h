// Plain SQL text run on a connection of the object's own, under the connection's default
// command time-out. An unconnected object runs nothing; a connection whose link to the
// server was lost is made again before the next statement.
#pragma once

#include "database/dataservices.h"

class CSQLStatement : public CDataServices
{
public:
    CSQLStatement(CString server, CString database, CString user, CString password, int timeout);

    // The statement's rows; null when not connected.
    _RecordsetPtr execSQLReturn(_bstr_t sql);
    // 1 when the statement ran, 0 when not connected.
    int execSQLNoReturn(_bstr_t sql);

private:
    _RecordsetPtr execute(const _bstr_t& sql, const char* procSig);
};
