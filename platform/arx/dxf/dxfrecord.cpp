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

void Record::grow()
{
    m_pairs.resize(std::max<size_t>(64, m_pairs.size() * 2));
    m_capacity = m_pairs.size();
}

} // namespace qv::dxf
