#include "dbhandlemap.h"

#include <algorithm>
#include <bit>

namespace qv {

namespace {

constexpr size_t kMinCapacity = 64;
// The array may hold handles up to this many per object (and this many more).
constexpr unsigned long long kSpread = 4;
constexpr unsigned long long kSlack = 1 << 16;

} // namespace

bool HandleMap::fitsArray(unsigned long long handle) const { return handle < kSpread * m_count + kSlack; }

void HandleMap::insertBeyond(AcDbStub* stub)
{
    const unsigned long long handle = stub->handle.value();
    if (handle >= m_dense.size() && fitsArray(handle))
        growArray(std::max(static_cast<size_t>(handle) + 1, m_dense.size() * 2));
    if (handle < m_dense.size())
        m_dense[handle] = stub;
    else
        insertSparse(handle, stub);
    ++m_count;
}

void HandleMap::erase(unsigned long long handle)
{
    if (handle < m_dense.size()) {
        if (m_dense[handle]) {
            m_dense[handle] = nullptr;
            --m_count;
        }
        return;
    }
    const size_t before = m_sparseCount;
    eraseSparse(handle);
    m_count -= before - m_sparseCount;
}

void HandleMap::reserve(size_t count)
{
    if (count > m_dense.size())
        growArray(count);
}

// Handles the table held that the array now covers move to the array.
void HandleMap::growArray(size_t size)
{
    m_dense.resize(size, nullptr);
    if (m_sparseCount == 0)
        return;
    std::vector<Entry> sparse;
    sparse.swap(m_sparse);
    m_sparseCount = 0;
    for (const Entry& e : sparse)
        if (e.handle != 0 && e.handle < m_dense.size())
            m_dense[e.handle] = e.stub;
        else if (e.handle != 0)
            insertSparse(e.handle, e.stub);
}

size_t HandleMap::home(unsigned long long handle) const
{
    return static_cast<size_t>((handle * 0x9E3779B97F4A7C15ull) >> 32) & (m_sparse.size() - 1);
}

AcDbStub* HandleMap::findSparse(unsigned long long handle) const
{
    if (m_sparse.empty() || handle == 0)
        return nullptr;
    const size_t mask = m_sparse.size() - 1;
    for (size_t i = home(handle);; i = (i + 1) & mask) {
        const Entry& e = m_sparse[i];
        if (e.handle == handle)
            return e.stub;
        if (e.handle == 0)
            return nullptr;
    }
}

void HandleMap::insertSparse(unsigned long long handle, AcDbStub* stub)
{
    if ((m_sparseCount + 1) * 2 > m_sparse.size())
        growSparse(std::max(kMinCapacity, m_sparse.size() * 2));
    const size_t mask = m_sparse.size() - 1;
    size_t i = home(handle);
    while (m_sparse[i].handle != 0)
        i = (i + 1) & mask;
    m_sparse[i] = {handle, stub};
    ++m_sparseCount;
}

void HandleMap::eraseSparse(unsigned long long handle)
{
    if (m_sparse.empty() || handle == 0)
        return;
    const size_t mask = m_sparse.size() - 1;
    size_t i = home(handle);
    while (m_sparse[i].handle != 0 && m_sparse[i].handle != handle)
        i = (i + 1) & mask;
    if (m_sparse[i].handle == 0)
        return;
    // Shift back the entries after the gap whose home lies at or before it.
    for (size_t j = (i + 1) & mask; m_sparse[j].handle != 0; j = (j + 1) & mask) {
        const size_t h = home(m_sparse[j].handle);
        if (((j - h) & mask) >= ((j - i) & mask)) {
            m_sparse[i] = m_sparse[j];
            i = j;
        }
    }
    m_sparse[i] = Entry();
    --m_sparseCount;
}

void HandleMap::growSparse(size_t capacity)
{
    std::vector<Entry> old(std::bit_ceil(capacity));
    old.swap(m_sparse);
    m_sparseCount = 0;
    for (const Entry& e : old)
        if (e.handle != 0)
            insertSparse(e.handle, e.stub);
}

} // namespace qv
