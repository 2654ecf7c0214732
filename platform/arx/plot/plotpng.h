// A PNG encoder for plotted sheets, tuned for speed over size: a plot is mostly paper, so
// rows filtered against the row above are mostly runs of zeros, and a deflate that looks for
// runs alone (runDeflate, the compressor unless another is given) shrinks them nearly as far
// as a full search would, at a few instructions per run. Bands of rows are compressed on
// threads of their own and joined into one stream.
#pragma once

#include "deflate/compressor.h"

#include <cstdint>
#include <functional>

namespace qv {

// Writes an image of native-endian 0x00RRGGBB pixels (rows stride bytes apart) as an
// 8-bit RGB PNG through sink, which returns false to stop; false when it stopped or the
// image cannot be encoded. Its resolution is recorded (pHYs) as dotsPerInch. The rows are
// deflated by compressor (deflate/compressor.h).
bool writePng(const unsigned char* pixels, int width, int height, int stride, double dotsPerInch,
              const std::function<bool(const unsigned char*, size_t)>& sink, Compressor compressor = runDeflate);

} // namespace qv
