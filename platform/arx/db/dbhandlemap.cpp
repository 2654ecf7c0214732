#include "dbhandlemap.h"

#include <bit>

namespace qv {

namespace {

constexpr size_t kMinCapacity = 64;

} // namespace

size_t HandleMap::home(unsigned long long handle) const
{
    return static_cast<size_t>((handle * 0x9E3779B97F4A7C15ull) >> 32) & (m_slots.size() - 1);
}

AcDbStub* HandleMap::find(unsigned long long handle) const
{
    if (m_slots.empty())
        return nullptr;
    const size_t mask = m_slots.size() - 1;
    for (size_t i = home(handle);; i = (i + 1) & mask) {
        AcDbStub* s = m_slots[i];
        if (!s || s->handle.value() == handle)
            return s;
    }
}

void HandleMap::insert(AcDbStub* stub)
{
    if ((m_count + 1) * 2 > m_slots.size())
        grow(std::max(kMinCapacity, m_slots.size() * 2));
    const size_t mask = m_slots.size() - 1;
    size_t i = home(stub->handle.value());
    while (m_slots[i])
        i = (i + 1) & mask;
    m_slots[i] = stub;
    ++m_count;
}

void HandleMap::erase(unsigned long long handle)
{
    if (m_slots.empty())
        return;
    const size_t mask = m_slots.size() - 1;
    size_t i = home(handle);
    while (m_slots[i] && m_slots[i]->handle.value() != handle)
        i = (i + 1) & mask;
    if (!m_slots[i])
        return;
    // Shift back the slots after it whose home lies at or before the gap.
    for (size_t j = (i + 1) & mask; m_slots[j]; j = (j + 1) & mask) {
        const size_t h = home(m_slots[j]->handle.value());
        if (((j - h) & mask) >= ((j - i) & mask)) {
            m_slots[i] = m_slots[j];
            i = j;
        }
    }
    m_slots[i] = nullptr;
    --m_count;
}

void HandleMap::reserve(size_t count)
{
    const size_t capacity = std::bit_ceil(std::max(kMinCapacity, count * 2));
    if (capacity > m_slots.size())
        grow(capacity);
}

void HandleMap::grow(size_t capacity)
{
    std::vector<AcDbStub*> old(capacity, nullptr);
    old.swap(m_slots);
    m_count = 0;
    for (AcDbStub* s : old)
        if (s)
            insert(s);
}

} // namespace qv
