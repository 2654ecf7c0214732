// The slots of a database by handle: open addressing over the slots themselves (each
// knows its handle), linear probing, at most half full.
#pragma once

#include "arx/dbid.h"

#include <vector>

namespace qv {

class HandleMap
{
public:
    AcDbStub* find(unsigned long long handle) const;
    // Adds a slot whose handle is not in the map yet.
    void insert(AcDbStub* stub);
    void erase(unsigned long long handle);
    // Makes room for count slots without growing again.
    void reserve(size_t count);
    size_t size() const { return m_count; }

private:
    size_t home(unsigned long long handle) const;
    void grow(size_t capacity);

    std::vector<AcDbStub*> m_slots;
    size_t m_count = 0;
};

} // namespace qv
