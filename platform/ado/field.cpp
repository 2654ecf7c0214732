#include "fieldsimpl.h"

namespace ADODB {

Field::Field() : m_impl(std::make_unique<Impl>()) {}
Field::~Field() = default;
Field::Impl& Field::impl() const { return *m_impl; }

_bstr_t Field::GetName() const
{
    m_impl->cursor->requireOpen();
    return m_impl->cursor->rows->columnName(m_impl->column);
}

_variant_t Field::GetValue() const { return m_impl->cursor->value(m_impl->column); }

} // namespace ADODB
