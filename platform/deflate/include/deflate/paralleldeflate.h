// A zlib stream of a long buffer at the fastest level, its parts compressed on threads of
// their own and joined: each part but the last ends on a byte boundary (a sync flush), so
// that the parts' raw deflate data follow each other as one stream, and the parts'
// Adler-32 checksums combine into the whole's.
#pragma once

#include <cstddef>
#include <string>

namespace qv {

// Appends the zlib stream of data to out; false when zlib fails.
bool deflateParallel(const char* data, size_t size, std::string& out);

} // namespace qv
