// The rows of an open recordset and the position in them, shared by the recordset and its
// fields.
#pragma once

#include "rowstore.h"

#include <memory>

namespace ADODB {

struct Cursor
{
    std::shared_ptr<const RowStore> rows;   // null once closed
    size_t row = 0;

    bool isOpen() const { return rows != nullptr; }
    bool atEnd() const { return row >= rows->rowCount(); }
    // Raise adErrObjectClosed on a closed recordset, adErrNoCurrentRecord past the end.
    void requireOpen() const;
    void requireRow() const;
    // The column an index from 0 or a column name gives; none raises adErrItemNotFound.
    size_t columnOf(const _variant_t& index) const;
    _variant_t value(size_t column) const;
};

} // namespace ADODB
