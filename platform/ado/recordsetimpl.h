// The state of a recordset: its cursor and, once asked for, its fields.
#pragma once

#include "ado/ado.h"
#include "cursor.h"

namespace ADODB {

struct Recordset::Impl
{
    std::shared_ptr<Cursor> cursor = std::make_shared<Cursor>();
    FieldsPtr fields;
};

// An open recordset over the rows, or a closed one when there are none (no result set).
_RecordsetPtr makeRecordset(std::shared_ptr<const RowStore> rows);

} // namespace ADODB
