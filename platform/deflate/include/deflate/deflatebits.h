// The bit stream of deflate data: bits are packed from each byte's lowest up, and whole
// 32-bit words of them are written out at once. Defined here so that the encoder's
// per-token calls are inlined.
#pragma once

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

namespace qv {

class DeflateBits {
public:
    // Appends the count (at most 24) lowest bits of bits.
    void put(std::uint32_t bits, unsigned count)
    {
        m_bits |= static_cast<std::uint64_t>(bits) << m_count;
        m_count += count;
        if (m_count < 32)
            return;
        for (int i = 0; i < 4; ++i, m_bits >>= 8)
            m_out.push_back(static_cast<unsigned char>(m_bits));
        m_count -= 32;
    }

    // Fills the last byte up with zero bits.
    void alignToByte()
    {
        for (; m_count > 0; m_bits >>= 8)
            m_out.push_back(static_cast<unsigned char>(m_bits)), m_count -= std::min(m_count, 8u);
    }

    // Hands over the whole bytes written so far, keeping none.
    std::vector<unsigned char> takeBytes() { return std::move(m_out); }

private:
    std::uint64_t m_bits = 0;   // bits not yet written, first bit lowest
    unsigned m_count = 0;
    std::vector<unsigned char> m_out;
};

} // namespace qv
