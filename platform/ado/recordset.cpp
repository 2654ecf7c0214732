#include "recordsetimpl.h"

#include "fieldsimpl.h"

namespace ADODB {

_RecordsetPtr makeRecordset(std::shared_ptr<const RowStore> rows)
{
    auto recordset = std::make_shared<Recordset>();
    recordset->impl().cursor->rows = std::move(rows);
    return recordset;
}

Recordset::Recordset() : m_impl(std::make_unique<Impl>()) {}
Recordset::~Recordset() = default;
Recordset::Impl& Recordset::impl() const { return *m_impl; }

long Recordset::GetState() const { return m_impl->cursor->isOpen() ? adStateOpen : adStateClosed; }

void Recordset::Close()
{
    m_impl->cursor->rows.reset();
    m_impl->cursor->row = 0;
}

bool Recordset::GetBOF() const
{
    m_impl->cursor->requireOpen();
    return m_impl->cursor->rows->rowCount() == 0;
}

bool Recordset::GetadoEOF() const
{
    m_impl->cursor->requireOpen();
    return m_impl->cursor->atEnd();
}

void Recordset::MoveNext()
{
    m_impl->cursor->requireRow();
    ++m_impl->cursor->row;
}

long Recordset::GetRecordCount() const
{
    m_impl->cursor->requireOpen();
    return static_cast<long>(m_impl->cursor->rows->rowCount());
}

FieldsPtr Recordset::GetFields() const
{
    m_impl->cursor->requireOpen();
    if (!m_impl->fields) {
        auto fields = std::shared_ptr<Fields>(new Fields);
        fields->impl().open(m_impl->cursor);
        m_impl->fields = fields;
    }
    return m_impl->fields;
}

_variant_t Recordset::GetCollect(const _variant_t& index) const
{
    return m_impl->cursor->value(m_impl->cursor->columnOf(index));
}

} // namespace ADODB
