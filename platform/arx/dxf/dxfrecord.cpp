#include "arx/dxfrecord.h"

#include <algorithm>

namespace qv::dxf {

const Pair* Record::find(int code) const
{
    for (size_t i = 1; i < m_size; ++i)
        if (m_pairs[i].code == code)
            return &m_pairs[i];
    return nullptr;
}

Pair& Record::add()
{
    if (m_size == m_pairs.size())
        m_pairs.resize(std::max<size_t>(64, m_pairs.size() * 2));
    return m_pairs[m_size++];
}

} // namespace qv::dxf
