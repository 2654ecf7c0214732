// Words of eight bytes for scanning text: the first byte is the lowest whatever the
// machine's byte order, so that a count of low zero bits counts bytes from the first.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

namespace qv::dxf {

constexpr uint64_t kOnes = 0x0101010101010101ull;
constexpr uint64_t kHighBits = 0x8080808080808080ull;

// The eight bytes at p, the first lowest.
inline uint64_t wordAt(const char* p)
{
    uint64_t w;
    std::memcpy(&w, p, sizeof w);
    if constexpr (std::endian::native == std::endian::big)
        w = __builtin_bswap64(w);
    return w;
}

// The high bit of every zero byte of w. A byte above a zero byte may be marked too, never
// one below the first: the lowest mark is exact, and any mark implies a zero byte at or
// below it.
inline uint64_t zeroBytes(uint64_t w) { return (w - kOnes) & ~w & kHighBits; }

// The high bit of every zero byte of w and of no other: no sum carries out of its byte.
inline uint64_t exactZeroBytes(uint64_t w)
{
    constexpr uint64_t kLowBits = ~kHighBits;
    return ~(((w & kLowBits) + kLowBits) | w) & kHighBits;
}

// The high bits of w's bytes as eight bits, the first byte's lowest.
inline unsigned highBitsOf(uint64_t w)
{
    return static_cast<unsigned>((((w & kHighBits) >> 7) * 0x0102040810204080ull) >> 56);
}

} // namespace qv::dxf
