// Canonical Huffman codes of limited length, as deflate's dynamic blocks carry them.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qv {

// The code lengths (0 for a symbol never used) for the symbols' counts, none longer than
// limit bits, and each symbol's code bit-reversed, as deflate writes it first bit lowest.
// At least two symbols get codes, so that the code is complete even for one used symbol.
void huffmanCode(const std::uint32_t* counts, size_t symbols, unsigned limit, std::uint8_t* lengths,
                 std::uint16_t* codes);

} // namespace qv
