#include "blocks/attribute.h"

#include "support/kavroguard.h"

CAttribute::CAttribute(CString tag, CString value, int exists)
    : m_tag(std::move(tag)), m_value(std::move(value)), m_exists(exists)
{
}

CAttribute* CAttribute::clone() const
{
    return kavroGuard("CAttribute::clone", __FILE__, [&] { return new CAttribute(m_tag, m_value, m_exists); });
}
