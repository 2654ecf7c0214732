#include "rowstore.h"

#include "diagnostics.h"
#include "itemindex.h"

#include <algorithm>
#include <cstring>

namespace ADODB {

namespace {

// Blocks grow from small (for the many small result sets) to this size.
constexpr size_t firstBlockBytes = 4096;
constexpr size_t largestBlockBytes = size_t(1) << 20;
constexpr int offsetBits = 40;

template <class T>
std::uint64_t bitsOf(T value)
{
    std::uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof value);
    return bits;
}

template <class T>
T valueOf(std::uint64_t bits)
{
    T value{};
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

} // namespace

void RowStore::addColumn(const std::string& name)
{
    m_index.emplace(foldedName(name), m_names.size());
    m_names.push_back(name);
    m_columns.emplace_back();
}

std::optional<size_t> RowStore::columnIndex(const std::string& name) const
{
    const auto found = m_index.find(foldedName(name));
    if (found == m_index.end())
        return std::nullopt;
    return found->second;
}

void RowStore::append(std::uint64_t bits, VARTYPE type, bool isNull)
{
    Column& column = m_columns[m_nextColumn];
    m_nextColumn = (m_nextColumn + 1) % m_columns.size();
    if (!isNull)
        column.type = type;
    column.values.push_back(bits);
    column.nulls.push_back(isNull);
}

void RowStore::appendNull() { append(0, VT_NULL, true); }

void RowStore::appendInteger(std::int64_t value, VARTYPE type) { append(bitsOf(value), type, false); }

void RowStore::appendDouble(double value, VARTYPE type) { append(bitsOf(value), type, false); }

void RowStore::appendBool(bool value) { append(value ? 1 : 0, VT_BOOL, false); }

void RowStore::appendText(const std::string& value) { append(storeText(value), VT_BSTR, false); }

std::uint64_t RowStore::storeText(const std::string& value)
{
    const size_t need = value.size() + 1;
    m_textBytes += need;
    if (m_textBytes > textLimit)
        raiseError(E_OUTOFMEMORY, "ADODB.Recordset",
                   "the result set holds more than " + std::to_string(textLimit >> 30)
                       + " GiB of text, the most a recordset keeps");
    if (m_blocks.empty() || m_blockSize - m_blockUsed < need) {
        m_blockSize = std::max(need, std::min(largestBlockBytes, m_blocks.empty() ? firstBlockBytes : m_blockSize * 2));
        m_blocks.emplace_back(new char[m_blockSize]);
        m_blockUsed = 0;
    }
    std::memcpy(m_blocks.back().get() + m_blockUsed, value.c_str(), need);
    const std::uint64_t place = (std::uint64_t(m_blocks.size() - 1) << offsetBits) | m_blockUsed;
    m_blockUsed += need;
    return place;
}

const char* RowStore::textAt(std::uint64_t place) const
{
    return m_blocks[place >> offsetBits].get() + (place & ((std::uint64_t(1) << offsetBits) - 1));
}

void RowStore::finish()
{
    for (Column& column : m_columns) {
        column.values.shrink_to_fit();
        column.nulls.shrink_to_fit();
    }
}

_variant_t RowStore::value(size_t row, size_t column) const
{
    const Column& values = m_columns[column];
    if (values.nulls[row])
        return _variant_t::null();
    const std::uint64_t bits = values.values[row];
    switch (values.type) {
    case VT_BSTR: return _variant_t(textAt(bits));
    case VT_BOOL: return _variant_t(bits != 0);
    case VT_I2: return _variant_t(static_cast<short>(valueOf<std::int64_t>(bits)));
    case VT_I4: return _variant_t(static_cast<long>(valueOf<std::int64_t>(bits)));
    case VT_R8: return _variant_t(valueOf<double>(bits));
    case VT_DATE: return _variant_t(valueOf<double>(bits), VT_DATE);
    default: {
        _variant_t v;
        v.vt = VT_I8;
        v.llVal = valueOf<std::int64_t>(bits);
        return v;
    }
    }
}

} // namespace ADODB
