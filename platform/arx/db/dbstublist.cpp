#include "dbstublist.h"

namespace qv {

AcDbStub& StubList::add()
{
    if (m_size == m_chunks.size() * kChunkSize) {
        void* memory = m_resource->allocate(sizeof(AcDbStub) * kChunkSize, alignof(AcDbStub));
        m_chunks.push_back(static_cast<AcDbStub*>(memory));
    }
    AcDbStub* stub = new (&m_chunks[m_size >> kChunkBits][m_size & (kChunkSize - 1)]) AcDbStub();
    ++m_size;
    return *stub;
}

} // namespace qv
