#include "deflate/paralleldeflate.h"

#include "deflate/zlibstream.h"

#include <zlib.h>

#include <algorithm>
#include <vector>

namespace qv {

namespace {

constexpr size_t kMinPart = size_t{1} << 20;   // bytes a part is worth a thread for
constexpr size_t kStep = size_t{1} << 24;      // bytes given to deflate at a time (fits a uInt)

// The raw deflate data of size bytes at data, with the stream's end when last.
bool compressPart(const char* data, size_t size, bool last, DeflatePart& part)
{
    z_stream z{};
    if (deflateInit2(&z, Z_BEST_SPEED, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        return false;
    part.data.resize(deflateBound(&z, static_cast<uLong>(std::min(size, kStep))) + 16);
    size_t used = 0, at = 0;
    int status = Z_OK;
    do {
        const size_t step = std::min(kStep, size - at);
        const bool end = at + step == size;
        part.adler = static_cast<std::uint32_t>(
            adler32(part.adler, reinterpret_cast<const Bytef*>(data + at), static_cast<uInt>(step)));
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data + at));
        z.avail_in = static_cast<uInt>(step);
        at += step;
        const int flush = !end ? Z_NO_FLUSH : last ? Z_FINISH : Z_SYNC_FLUSH;
        do {
            if (part.data.size() - used < 65536)
                part.data.resize(part.data.size() * 2);
            z.next_out = reinterpret_cast<Bytef*>(part.data.data() + used);
            z.avail_out = static_cast<uInt>(std::min<size_t>(part.data.size() - used, kStep));
            const uInt before = z.avail_out;
            status = deflate(&z, flush);
            if (status == Z_BUF_ERROR)   // nothing was left to do
                status = Z_OK;
            used += before - z.avail_out;
        } while (status == Z_OK && (z.avail_in > 0 || z.avail_out == 0 || flush == Z_FINISH));
    } while (at < size && status == Z_OK);
    part.data.resize(used);
    part.length = size;
    deflateEnd(&z);
    return last ? status == Z_STREAM_END : status == Z_OK;
}

} // namespace

bool deflateParallel(const char* data, size_t size, std::string& out)
{
    std::vector<unsigned char> stream;
    if (!zlibStreamInParts(size, kMinPart, [data](size_t first, size_t end, bool last, DeflatePart& part) {
            return compressPart(data + first, end - first, last, part);
        }, stream))
        return false;
    out.append(reinterpret_cast<const char*>(stream.data()), stream.size());
    return true;
}

} // namespace qv
