#include "ado/ado.h"

#include "itemindex.h"

#include <vector>

namespace ADODB {

struct Errors::Impl
{
    std::vector<ErrorPtr> records;
};

Errors::Errors() : m_impl(std::make_unique<Impl>()) {}
Errors::~Errors() = default;

long Errors::GetCount() const { return static_cast<long>(m_impl->records.size()); }

ErrorPtr Errors::GetItem(const _variant_t& index) const
{
    const std::optional<long> i = numericIndex(index);
    if (!i || *i < 0 || *i >= GetCount())
        raiseItemNotFound("ADODB.Errors");
    return m_impl->records[static_cast<size_t>(*i)];
}

void Errors::Clear() { m_impl->records.clear(); }

void Errors::Add(ErrorPtr error) { m_impl->records.push_back(std::move(error)); }

} // namespace ADODB
