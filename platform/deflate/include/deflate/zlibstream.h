// A zlib stream compressed in parts on threads of their own and joined: each part but the
// last ends on a byte boundary (as a sync flush ends), so that the parts' raw deflate data
// follow each other as one stream, and the parts' Adler-32 checksums combine into the whole's.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace qv {

// A part's raw deflate data, the Adler-32 of the bytes it holds and their count.
struct DeflatePart {
    std::vector<unsigned char> data;
    std::uint32_t adler = 1;
    std::uint64_t length = 0;
};

// Compresses units first to end of the input into part, with the stream's end when last;
// false when it cannot.
using PartCompressor = std::function<bool(size_t first, size_t end, bool last, DeflatePart& part)>;

// Appends to out the zlib stream of units units of input (bytes, rows: whatever compress
// takes), cut into parts of at least minPart units, as many as there are threads for, up
// to four; false when a part cannot be compressed.
bool zlibStreamInParts(size_t units, size_t minPart, const PartCompressor& compress, std::vector<unsigned char>& out);

} // namespace qv
