// The slots of a database by handle. Files give handles densely from 1 up: those are
// found by index in an array; handles far beyond the count of objects (which would make
// the array wasteful) go to an open-addressed table (linear probing, at most half full).
#pragma once

#include "arx/dbid.h"

#include <vector>

namespace qv {

class HandleMap
{
public:
    AcDbStub* find(unsigned long long handle) const
    {
        return handle < m_dense.size() ? m_dense[handle] : findSparse(handle);
    }
    // Adds a slot whose handle is not in the map yet.
    void insert(AcDbStub* stub)
    {
        if (const unsigned long long handle = stub->handle.value(); handle < m_dense.size()) {
            m_dense[handle] = stub;
            ++m_count;
        } else {
            insertBeyond(stub);
        }
    }
    void erase(unsigned long long handle);
    // Makes room for handles up to count without growing again.
    void reserve(size_t count);

private:
    struct Entry {
        unsigned long long handle = 0;   // 0: free
        AcDbStub* stub = nullptr;
    };

    // insert of a handle beyond the array.
    void insertBeyond(AcDbStub* stub);
    // Whether the array may grow to hold handle.
    bool fitsArray(unsigned long long handle) const;
    void growArray(size_t size);
    size_t home(unsigned long long handle) const;
    AcDbStub* findSparse(unsigned long long handle) const;
    void insertSparse(unsigned long long handle, AcDbStub* stub);
    void eraseSparse(unsigned long long handle);
    void growSparse(size_t capacity);

    std::vector<AcDbStub*> m_dense;
    std::vector<Entry> m_sparse;
    size_t m_sparseCount = 0;
    size_t m_count = 0;
};

} // namespace qv
