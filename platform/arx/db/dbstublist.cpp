#include "dbstublist.h"

namespace qv {

void StubList::addChunk()
{
    void* memory = m_resource->allocate(sizeof(AcDbStub) * kChunkSize, alignof(AcDbStub));
    m_chunks.push_back(static_cast<AcDbStub*>(memory));
}

} // namespace qv
