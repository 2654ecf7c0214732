#include "rowstore.h"

#include "itemindex.h"

namespace ADODB {

void RowStore::addColumn(const std::string& name)
{
    m_index.emplace(foldedName(name), m_names.size());
    m_names.push_back(name);
}

std::optional<size_t> RowStore::columnIndex(const std::string& name) const
{
    const auto found = m_index.find(foldedName(name));
    if (found == m_index.end())
        return std::nullopt;
    return found->second;
}

void RowStore::appendNull()
{
    Cell cell{VT_NULL, {}};
    cell.integer = 0;
    m_cells.push_back(cell);
}

void RowStore::appendInteger(std::int64_t value, VARTYPE type)
{
    Cell cell{type, {}};
    cell.integer = value;
    m_cells.push_back(cell);
}

void RowStore::appendDouble(double value, VARTYPE type)
{
    Cell cell{type, {}};
    cell.real = value;
    m_cells.push_back(cell);
}

void RowStore::appendBool(bool value) { appendInteger(value ? VARIANT_TRUE : VARIANT_FALSE, VT_BOOL); }

void RowStore::appendText(const std::string& value)
{
    Cell cell{VT_BSTR, {}};
    cell.textOffset = m_texts.size();
    m_texts.append(value.c_str(), value.size() + 1);
    m_cells.push_back(cell);
}

void RowStore::finish()
{
    m_cells.shrink_to_fit();
    m_texts.shrink_to_fit();
}

_variant_t RowStore::value(size_t row, size_t column) const
{
    const Cell& cell = m_cells[row * m_names.size() + column];
    switch (cell.type) {
    case VT_NULL: return _variant_t::null();
    case VT_BSTR: return _variant_t(m_texts.c_str() + cell.textOffset);
    case VT_BOOL: return _variant_t(cell.integer != 0);
    case VT_I2: return _variant_t(static_cast<short>(cell.integer));
    case VT_I4: return _variant_t(static_cast<long>(cell.integer));
    case VT_R8: return _variant_t(cell.real);
    case VT_DATE: return _variant_t(cell.real, VT_DATE);
    default: {
        _variant_t v;
        v.vt = VT_I8;
        v.llVal = cell.integer;
        return v;
    }
    }
}

} // namespace ADODB
