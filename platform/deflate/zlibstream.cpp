#include "deflate/zlibstream.h"

#include <zlib.h>

#include <algorithm>
#include <thread>

namespace qv {

namespace {

constexpr unsigned kMaxThreads = 4;   // parts compressed at once

} // namespace

bool zlibStreamInParts(size_t units, size_t minPart, const PartCompressor& compress, std::vector<unsigned char>& out)
{
    const size_t threads = std::clamp<size_t>(std::thread::hardware_concurrency(), 1, kMaxThreads);
    const size_t count = std::clamp<size_t>(units / minPart, 1, threads);
    std::vector<DeflatePart> parts(count);
    std::vector<char> compressed(count, 0);   // not vector<bool>: the threads set theirs at once
    auto compressPart = [&](size_t i) {
        compressed[i] = compress(units * i / count, units * (i + 1) / count, i + 1 == count, parts[i]);
    };
    std::vector<std::thread> workers;
    for (size_t i = 1; i < count; ++i)
        workers.emplace_back(compressPart, i);
    compressPart(0);
    for (std::thread& worker : workers)
        worker.join();
    out.insert(out.end(), {0x78, 0x01});   // deflate, 32K window, fastest
    uLong adler = adler32(0, nullptr, 0);
    for (size_t i = 0; i < count; ++i) {
        if (!compressed[i])
            return false;
        out.insert(out.end(), parts[i].data.begin(), parts[i].data.end());
        adler = adler32_combine(adler, parts[i].adler, static_cast<z_off_t>(parts[i].length));
    }
    for (const int shift : {24, 16, 8, 0})
        out.push_back(static_cast<unsigned char>(adler >> shift));
    return true;
}

} // namespace qv
