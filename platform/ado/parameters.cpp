#include "parametersimpl.h"

#include "diagnostics.h"
#include "itemindex.h"
#include "parameterimpl.h"

namespace ADODB {

Parameters::Parameters() : m_impl(std::make_unique<Impl>()) {}
Parameters::~Parameters() = default;
Parameters::Impl& Parameters::impl() const { return *m_impl; }

void Parameters::Append(const _ParameterPtr& parameter)
{
    if (!parameter)
        raiseError(E_POINTER, "ADODB.Parameters", "no parameter to append");
    m_impl->items.push_back(parameter);
}

long Parameters::GetCount() const { return static_cast<long>(m_impl->items.size()); }

_ParameterPtr Parameters::GetItem(const _variant_t& index) const
{
    if (const std::optional<long> i = numericIndex(index)) {
        if (*i < 0 || *i >= GetCount())
            raiseItemNotFound("ADODB.Parameters");
        return m_impl->items[static_cast<size_t>(*i)];
    }
    const std::string name = foldedName(nameIndex(index, "ADODB.Parameters"));
    for (const _ParameterPtr& item : m_impl->items)
        if (foldedName(item->impl().name) == name)
            return item;
    raiseItemNotFound("ADODB.Parameters");
}

} // namespace ADODB
