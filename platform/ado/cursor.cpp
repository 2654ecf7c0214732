#include "cursor.h"

#include "ado/ado.h"
#include "diagnostics.h"
#include "itemindex.h"

namespace ADODB {

void Cursor::requireOpen() const
{
    if (!isOpen())
        raiseError(adErrObjectClosed, "ADODB.Recordset", "Operation is not allowed when the object is closed.");
}

void Cursor::requireRow() const
{
    requireOpen();
    if (atEnd())
        raiseError(adErrNoCurrentRecord, "ADODB.Recordset",
                   "Either BOF or EOF is True, or the current record has been deleted. Requested operation requires a current record.");
}

size_t Cursor::columnOf(const _variant_t& index) const
{
    requireOpen();
    if (const std::optional<long> i = numericIndex(index)) {
        if (*i < 0 || static_cast<size_t>(*i) >= rows->columnCount())
            raiseItemNotFound("ADODB.Fields");
        return static_cast<size_t>(*i);
    }
    const std::optional<size_t> column = rows->columnIndex(nameIndex(index, "ADODB.Fields"));
    if (!column)
        raiseItemNotFound("ADODB.Fields");
    return *column;
}

_variant_t Cursor::value(size_t column) const
{
    requireRow();
    return rows->value(row, column);
}

} // namespace ADODB
