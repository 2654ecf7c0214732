#include "deflate/compressor.h"

#include "deflate/rundeflater.h"

namespace qv {

bool runDeflate(const std::function<void(DeflateInput&)>& feed, bool last, DeflatePart& part)
{
    RunDeflater deflater;
    feed(deflater);
    deflater.finish(last);
    part.data = deflater.takeOutput();
    part.adler = deflater.adler();
    part.length = deflater.length();
    return true;
}

} // namespace qv
