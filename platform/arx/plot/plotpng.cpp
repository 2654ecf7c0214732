#include "plotpng.h"

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <thread>
#include <vector>

namespace qv {

namespace {

constexpr size_t kChunk = 1 << 18;     // bytes of compressed data per IDAT chunk
constexpr unsigned kMaxThreads = 4;    // bands compressed at once
constexpr int kMinBandRows = 256;      // rows a band is worth a thread for

void putBigEndian(unsigned char* out, std::uint32_t value)
{
    out[0] = static_cast<unsigned char>(value >> 24), out[1] = static_cast<unsigned char>(value >> 16);
    out[2] = static_cast<unsigned char>(value >> 8), out[3] = static_cast<unsigned char>(value);
}

// A chunk: length, type, data and the CRC of type and data.
bool writeChunk(const char* type, const unsigned char* data, size_t size,
                const std::function<bool(const unsigned char*, size_t)>& sink)
{
    unsigned char head[8], tail[4];
    putBigEndian(head, static_cast<std::uint32_t>(size));
    std::memcpy(head + 4, type, 4);
    uLong crc = crc32(0, head + 4, 4);
    if (size > 0)
        crc = crc32(crc, data, static_cast<uInt>(size));
    putBigEndian(tail, static_cast<std::uint32_t>(crc));
    return sink(head, 8) && (size == 0 || sink(data, size)) && sink(tail, 4);
}

// The row as RGB bytes behind the "up" filter: each byte less the one above it.
void filterRow(const std::uint32_t* row, const std::uint32_t* above, int width, unsigned char* out)
{
    *out++ = 2;
    for (int x = 0; x < width; ++x) {
        const std::uint32_t p = row[x], q = above ? above[x] : 0;
        *out++ = static_cast<unsigned char>((p >> 16) - (q >> 16));
        *out++ = static_cast<unsigned char>((p >> 8) - (q >> 8));
        *out++ = static_cast<unsigned char>(p - q);
    }
}

// A band of rows filtered and deflated on its own: raw deflate data that ends on a byte
// boundary (or the stream's end, for the last band), and the Adler-32 of what it holds.
struct Band {
    int first = 0, end = 0;
    bool last = false;
    std::vector<unsigned char> data;
    uLong adler = 1;
    size_t length = 0;
    bool ok = false;
};

void compressBand(const unsigned char* pixels, int width, int stride, Band& band)
{
    z_stream z{};
    if (deflateInit2(&z, 1, Z_DEFLATED, -15, 9, Z_RLE) != Z_OK)
        return;
    std::vector<unsigned char> row(1 + static_cast<size_t>(width) * 3);
    std::vector<unsigned char> chunk(kChunk);
    auto rowAt = [&](int y) { return reinterpret_cast<const std::uint32_t*>(pixels + static_cast<size_t>(y) * stride); };
    int status = Z_OK;
    for (int y = band.first; y < band.end && status != Z_STREAM_ERROR; ++y) {
        filterRow(rowAt(y), y > 0 ? rowAt(y - 1) : nullptr, width, row.data());
        band.adler = adler32(band.adler, row.data(), static_cast<uInt>(row.size()));
        band.length += row.size();
        z.next_in = row.data();
        z.avail_in = static_cast<uInt>(row.size());
        const int flush = y + 1 < band.end ? Z_NO_FLUSH : band.last ? Z_FINISH : Z_SYNC_FLUSH;
        // Deflate writes into a scratch chunk and only what it wrote is appended: growing the
        // band by a whole chunk per row would zero-fill far more than the rows compress to.
        do {
            z.next_out = chunk.data();
            z.avail_out = static_cast<uInt>(chunk.size());
            status = deflate(&z, flush);
            band.data.insert(band.data.end(), chunk.data(), z.next_out);
        } while (status != Z_STREAM_ERROR && (z.avail_out == 0 || (flush == Z_FINISH && status != Z_STREAM_END)));
    }
    band.ok = status != Z_STREAM_ERROR;
    deflateEnd(&z);
}

// The zlib stream of the image's filtered rows, its bands compressed side by side.
bool compressImage(const unsigned char* pixels, int width, int height, int stride, std::vector<unsigned char>& out)
{
    const int threads = static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, kMaxThreads));
    const int bands = std::clamp(height / kMinBandRows, 1, threads);
    std::vector<Band> parts(static_cast<size_t>(bands));
    for (int i = 0; i < bands; ++i) {
        parts[i].first = static_cast<int>(static_cast<long>(height) * i / bands);
        parts[i].end = static_cast<int>(static_cast<long>(height) * (i + 1) / bands);
        parts[i].last = i + 1 == bands;
    }
    std::vector<std::thread> workers;
    for (int i = 1; i < bands; ++i)
        workers.emplace_back(compressBand, pixels, width, stride, std::ref(parts[i]));
    compressBand(pixels, width, stride, parts[0]);
    for (std::thread& worker : workers)
        worker.join();
    out = {0x78, 0x01};   // deflate, 32K window, fastest
    uLong adler = adler32(0, nullptr, 0);
    for (const Band& band : parts) {
        if (!band.ok)
            return false;
        out.insert(out.end(), band.data.begin(), band.data.end());
        adler = adler32_combine(adler, band.adler, static_cast<z_off_t>(band.length));
    }
    const size_t at = out.size();
    out.resize(at + 4);
    putBigEndian(out.data() + at, static_cast<std::uint32_t>(adler));
    return true;
}

} // namespace

bool writePng(const unsigned char* pixels, int width, int height, int stride, double dotsPerInch,
              const std::function<bool(const unsigned char*, size_t)>& sink)
{
    if (width <= 0 || height <= 0)
        return false;
    static const unsigned char signature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    unsigned char header[13] = {};
    putBigEndian(header, static_cast<std::uint32_t>(width));
    putBigEndian(header + 4, static_cast<std::uint32_t>(height));
    header[8] = 8;   // bits per sample
    header[9] = 2;   // RGB
    // Pixels per metre, along x and y alike.
    unsigned char density[9] = {};
    const auto perMetre = static_cast<std::uint32_t>(std::lround(std::clamp(dotsPerInch / 0.0254, 1.0, 1e9)));
    putBigEndian(density, perMetre);
    putBigEndian(density + 4, perMetre);
    density[8] = 1;   // the unit is the metre
    std::vector<unsigned char> stream;
    if (!compressImage(pixels, width, height, stride, stream) || !sink(signature, sizeof signature)
        || !writeChunk("IHDR", header, sizeof header, sink) || !writeChunk("pHYs", density, sizeof density, sink))
        return false;
    for (size_t at = 0; at < stream.size(); at += kChunk)
        if (!writeChunk("IDAT", stream.data() + at, std::min(kChunk, stream.size() - at), sink))
            return false;
    return writeChunk("IEND", nullptr, 0, sink);
}

} // namespace qv
