// The rows of a result set, read in full: one small cell per value, the texts in one shared
// buffer, and the column names hashed once for lookups by name.
#pragma once

#include "win/variant.h"

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace ADODB {

class RowStore
{
public:
    void addColumn(const std::string& name);
    size_t columnCount() const { return m_names.size(); }
    size_t rowCount() const { return m_names.empty() ? 0 : m_cells.size() / m_names.size(); }
    const std::string& columnName(size_t column) const { return m_names[column]; }
    // The first column of that name, letter case aside.
    std::optional<size_t> columnIndex(const std::string& name) const;

    // The values of the rows, row after row, each row's in column order.
    void appendNull();
    void appendInteger(std::int64_t value, VARTYPE type);
    void appendDouble(double value, VARTYPE type);
    void appendBool(bool value);
    void appendText(const std::string& value);
    // Gives back the room reserved for growth once every row is in.
    void finish();

    _variant_t value(size_t row, size_t column) const;

private:
    struct Cell
    {
        VARTYPE type;
        union {
            std::int64_t integer;
            double real;
            std::uint64_t textOffset;   // into m_texts, where the text ends with a NUL
        };
    };

    std::vector<std::string> m_names;
    std::unordered_map<std::string, size_t> m_index;
    std::vector<Cell> m_cells;
    std::string m_texts;
};

} // namespace ADODB
