#include "parameterimpl.h"

namespace ADODB {

Parameter::Parameter() : m_impl(std::make_unique<Impl>()) {}
Parameter::~Parameter() = default;
Parameter::Impl& Parameter::impl() const { return *m_impl; }

_bstr_t Parameter::GetName() const { return m_impl->name; }
long Parameter::GetType() const { return m_impl->type; }
long Parameter::GetDirection() const { return m_impl->direction; }
long Parameter::GetSize() const { return m_impl->size; }
unsigned char Parameter::GetPrecision() const { return m_impl->precision; }
void Parameter::PutPrecision(unsigned char precision) { m_impl->precision = precision; }
unsigned char Parameter::GetNumericScale() const { return m_impl->scale; }
void Parameter::PutNumericScale(unsigned char scale) { m_impl->scale = scale; }
_variant_t Parameter::GetValue() const { return m_impl->value; }
void Parameter::PutValue(const _variant_t& value) { m_impl->value = value; }

} // namespace ADODB
