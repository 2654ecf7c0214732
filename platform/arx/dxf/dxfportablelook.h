// A look at sixteen bytes at once in plain C++, from two words: the same masks as the SIMD
// look gives, on any machine.
#pragma once

#include "dxfscanword.h"

namespace qv::dxf {

class PortableLook
{
public:
    // The sixteen bytes at p must be there.
    explicit PortableLook(const char* p) : m_first(wordAt(p)), m_second(wordAt(p + 8)) {}

    // Bit i set when byte i is c.
    unsigned bytesOf(char c) const
    {
        const uint64_t pattern = kOnes * static_cast<unsigned char>(c);
        return maskOf(exactZeroBytes(m_first ^ pattern), exactZeroBytes(m_second ^ pattern));
    }
    // Bit i set when byte i is above ASCII.
    unsigned highBytes() const { return maskOf(m_first, m_second); }
    // The first eight bytes, the first lowest.
    uint64_t firstWord() const { return m_first; }

private:
    static unsigned maskOf(uint64_t first, uint64_t second) { return highBitsOf(first) | highBitsOf(second) << 8; }

    uint64_t m_first;
    uint64_t m_second;
};

} // namespace qv::dxf
