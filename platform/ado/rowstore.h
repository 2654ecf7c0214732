// The rows of a result set, read in full and kept compactly: one buffer of values per column
// (8 bytes a value, and a bit for null), the texts in blocks that are filled in turn and never
// moved, and the column names hashed once for lookups by name. A result set of more than
// textLimit bytes of text is refused.
#pragma once

#include "win/variant.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace ADODB {

class RowStore
{
public:
    // Far above the text of any register's result set.
    static constexpr std::uint64_t textLimit = std::uint64_t(4) << 30;

    void addColumn(const std::string& name);
    size_t columnCount() const { return m_columns.size(); }
    size_t rowCount() const { return m_columns.empty() ? 0 : m_columns.back().values.size(); }
    const std::string& columnName(size_t column) const { return m_names[column]; }
    // The first column of that name, letter case aside.
    std::optional<size_t> columnIndex(const std::string& name) const;

    // The values of the rows, row after row, each row's in column order.
    void appendNull();
    void appendInteger(std::int64_t value, VARTYPE type);
    void appendDouble(double value, VARTYPE type);
    void appendBool(bool value);
    // Raises E_OUTOFMEMORY, naming the limit, past textLimit bytes of text.
    void appendText(const std::string& value);
    // Gives back the room reserved for growth once every row is in.
    void finish();

    _variant_t value(size_t row, size_t column) const;

private:
    struct Column
    {
        VARTYPE type = VT_NULL;   // of its values that are not null
        std::vector<std::uint64_t> values;   // integer or double bits, or a text's place
        std::vector<bool> nulls;
    };

    void append(std::uint64_t bits, VARTYPE type, bool isNull);
    // Copies the text, with its NUL, into the current block; gives its place (block, offset).
    std::uint64_t storeText(const std::string& value);
    const char* textAt(std::uint64_t place) const;

    std::vector<std::string> m_names;
    std::unordered_map<std::string, size_t> m_index;
    std::vector<Column> m_columns;
    size_t m_nextColumn = 0;
    std::vector<std::unique_ptr<char[]>> m_blocks;
    size_t m_blockSize = 0;
    size_t m_blockUsed = 0;
    std::uint64_t m_textBytes = 0;
};

} // namespace ADODB
