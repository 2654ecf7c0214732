#include "deflate/paralleldeflate.h"

#include <zlib.h>

#include <algorithm>
#include <functional>
#include <thread>
#include <vector>

namespace qv {

namespace {

constexpr unsigned kMaxThreads = 4;        // parts compressed at once
constexpr size_t kMinPart = size_t{1} << 20;   // bytes a part is worth a thread for
constexpr size_t kStep = size_t{1} << 24;      // bytes given to deflate at a time (fits a uInt)

struct Part {
    const char* data = nullptr;
    size_t size = 0;
    bool last = false;
    std::string out;
    uLong adler = 1;
    bool ok = false;
};

void compressPart(Part& part)
{
    z_stream z{};
    if (deflateInit2(&z, Z_BEST_SPEED, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        return;
    part.out.resize(deflateBound(&z, static_cast<uLong>(std::min(part.size, kStep))) + 16);
    size_t used = 0, at = 0;
    int status = Z_OK;
    do {
        const size_t step = std::min(kStep, part.size - at);
        const bool end = at + step == part.size;
        part.adler = adler32(part.adler, reinterpret_cast<const Bytef*>(part.data + at), static_cast<uInt>(step));
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(part.data + at));
        z.avail_in = static_cast<uInt>(step);
        at += step;
        const int flush = !end ? Z_NO_FLUSH : part.last ? Z_FINISH : Z_SYNC_FLUSH;
        do {
            if (part.out.size() - used < 65536)
                part.out.resize(part.out.size() * 2);
            z.next_out = reinterpret_cast<Bytef*>(part.out.data() + used);
            z.avail_out = static_cast<uInt>(std::min<size_t>(part.out.size() - used, kStep));
            const uInt before = z.avail_out;
            status = deflate(&z, flush);
            if (status == Z_BUF_ERROR)   // nothing was left to do
                status = Z_OK;
            used += before - z.avail_out;
        } while (status == Z_OK && (z.avail_in > 0 || z.avail_out == 0 || flush == Z_FINISH));
    } while (at < part.size && status == Z_OK);
    part.out.resize(used);
    part.ok = part.last ? status == Z_STREAM_END : status == Z_OK;
    deflateEnd(&z);
}

} // namespace

bool deflateParallel(const char* data, size_t size, std::string& out)
{
    const size_t threads = std::clamp<size_t>(std::thread::hardware_concurrency(), 1, kMaxThreads);
    const size_t count = std::clamp<size_t>(size / kMinPart, 1, threads);
    std::vector<Part> parts(count);
    for (size_t i = 0; i < count; ++i) {
        const size_t first = size * i / count, end = size * (i + 1) / count;
        parts[i].data = data + first, parts[i].size = end - first, parts[i].last = i + 1 == count;
    }
    std::vector<std::thread> workers;
    for (size_t i = 1; i < count; ++i)
        workers.emplace_back(compressPart, std::ref(parts[i]));
    compressPart(parts[0]);
    for (std::thread& worker : workers)
        worker.join();
    out += "\x78\x01";   // deflate, 32K window, fastest
    uLong adler = adler32(0, nullptr, 0);
    for (const Part& part : parts) {
        if (!part.ok)
            return false;
        out += part.out;
        adler = adler32_combine(adler, part.adler, static_cast<z_off_t>(part.size));
    }
    for (const int shift : {24, 16, 8, 0})
        out += static_cast<char>((adler >> shift) & 0xFF);
    return true;
}

} // namespace qv
