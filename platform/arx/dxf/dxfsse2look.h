// A look at sixteen bytes at once with SSE2 instructions (x86-64 only).
#pragma once

#include <cstdint>
#include <emmintrin.h>

namespace qv::dxf {

class Sse2Look
{
public:
    // The sixteen bytes at p must be there.
    explicit Sse2Look(const char* p) : m_bytes(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p))) {}

    // Bit i set when byte i is c.
    unsigned bytesOf(char c) const
    {
        return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(m_bytes, _mm_set1_epi8(c))));
    }
    // Bit i set when byte i is above ASCII.
    unsigned highBytes() const { return static_cast<unsigned>(_mm_movemask_epi8(m_bytes)); }
    // The first eight bytes, the first lowest (the machine is little-endian).
    uint64_t firstWord() const { return static_cast<uint64_t>(_mm_cvtsi128_si64(m_bytes)); }

private:
    __m128i m_bytes;
};

} // namespace qv::dxf
