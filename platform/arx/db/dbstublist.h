// Every slot of a database, in the order made: chunks that never move, so that ids stay
// valid while slots are added (also while the list is walked by index).
#pragma once

#include "arx/dbid.h"

#include <memory_resource>
#include <new>
#include <vector>

namespace qv {

class StubList
{
public:
    explicit StubList(std::pmr::memory_resource* resource) : m_resource(resource) {}
    StubList(const StubList&) = delete;
    StubList& operator=(const StubList&) = delete;

    AcDbStub& add()
    {
        if (m_size == m_chunks.size() * kChunkSize)
            addChunk();
        AcDbStub* stub = new (&(*this)[m_size]) AcDbStub();
        ++m_size;
        return *stub;
    }
    size_t size() const { return m_size; }
    AcDbStub& operator[](size_t i) const { return m_chunks[i >> kChunkBits][i & (kChunkSize - 1)]; }

private:
    void addChunk();

    static constexpr size_t kChunkBits = 10;
    static constexpr size_t kChunkSize = size_t(1) << kChunkBits;

    std::pmr::memory_resource* m_resource;
    std::vector<AcDbStub*> m_chunks;
    size_t m_size = 0;
};

} // namespace qv
