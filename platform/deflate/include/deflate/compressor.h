// The seam between a writer of zlib streams in parts (the PNG writer) and the deflate
// compressor it uses: a function that compresses what feed writes into the input it is given
// as a part of a stream (zlibstream.h), which ends on a byte boundary or, when last, ends the
// stream; false when it cannot. Another compressor is one more function of this type.
#pragma once

#include "deflate/deflateinput.h"
#include "deflate/zlibstream.h"

#include <functional>

namespace qv {

using Compressor = bool (*)(const std::function<void(DeflateInput&)>& feed, bool last, DeflatePart& part);

// The run-length encoder (RunDeflater), for data that is mostly runs of one byte.
bool runDeflate(const std::function<void(DeflateInput&)>& feed, bool last, DeflatePart& part);

} // namespace qv
