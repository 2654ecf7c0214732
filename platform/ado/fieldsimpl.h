// The fields of a recordset, one per column, sharing its cursor.
#pragma once

#include "ado/ado.h"
#include "cursor.h"

#include <vector>

namespace ADODB {

struct Fields::Impl
{
    std::shared_ptr<Cursor> cursor;
    std::vector<FieldPtr> items;

    // Makes a field for every column of the cursor's rows.
    void open(std::shared_ptr<Cursor> rowsCursor);
};

struct Field::Impl
{
    std::shared_ptr<Cursor> cursor;
    size_t column = 0;
};

} // namespace ADODB
