#include "fieldsimpl.h"

namespace ADODB {

void Fields::Impl::open(std::shared_ptr<Cursor> rowsCursor)
{
    cursor = std::move(rowsCursor);
    for (size_t column = 0; column < cursor->rows->columnCount(); ++column) {
        auto field = std::shared_ptr<Field>(new Field);
        field->impl().cursor = cursor;
        field->impl().column = column;
        items.push_back(field);
    }
}

Fields::Fields() : m_impl(std::make_unique<Impl>()) {}
Fields::~Fields() = default;
Fields::Impl& Fields::impl() const { return *m_impl; }

long Fields::GetCount() const
{
    m_impl->cursor->requireOpen();
    return static_cast<long>(m_impl->items.size());
}

FieldPtr Fields::GetItem(const _variant_t& index) const
{
    return m_impl->items[m_impl->cursor->columnOf(index)];
}

} // namespace ADODB
