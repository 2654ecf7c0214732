// A zlib stream of a long buffer at zlib's fastest level, its parts of a megabyte or more
// compressed on threads of their own and joined (zlibstream.h).
#pragma once

#include <cstddef>
#include <string>

namespace qv {

// Appends the zlib stream of data to out; false when zlib fails.
bool deflateParallel(const char* data, size_t size, std::string& out);

} // namespace qv
