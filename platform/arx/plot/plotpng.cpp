#include "plotpng.h"

#include <zlib.h>

#include <cstring>
#include <vector>

namespace qv {

namespace {

constexpr size_t kChunk = 1 << 18;   // bytes of compressed data per IDAT chunk

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

} // namespace

bool writePng(const unsigned char* pixels, int width, int height, int stride,
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
    if (!sink(signature, sizeof signature) || !writeChunk("IHDR", header, sizeof header, sink))
        return false;

    z_stream z{};
    if (deflateInit2(&z, 1, Z_DEFLATED, 15, 9, Z_RLE) != Z_OK)
        return false;
    std::vector<unsigned char> row(1 + static_cast<size_t>(width) * 3), out(kChunk);
    bool ok = true;
    auto drain = [&](int flush) {
        int status = Z_OK;
        do {
            z.next_out = out.data();
            z.avail_out = static_cast<uInt>(out.size());
            status = deflate(&z, flush);
            const size_t produced = out.size() - z.avail_out;
            if (produced > 0 && !writeChunk("IDAT", out.data(), produced, sink))
                return false;
        } while (z.avail_out == 0 || (flush == Z_FINISH && status != Z_STREAM_END));
        return status != Z_STREAM_ERROR;
    };
    for (int y = 0; y < height && ok; ++y) {
        const auto* line = reinterpret_cast<const std::uint32_t*>(pixels + static_cast<size_t>(y) * stride);
        const auto* above = y > 0 ? reinterpret_cast<const std::uint32_t*>(pixels + static_cast<size_t>(y - 1) * stride)
                                  : nullptr;
        filterRow(line, above, width, row.data());
        z.next_in = row.data();
        z.avail_in = static_cast<uInt>(row.size());
        ok = drain(Z_NO_FLUSH);
    }
    ok = ok && drain(Z_FINISH);
    deflateEnd(&z);
    return ok && writeChunk("IEND", nullptr, 0, sink);
}

} // namespace qv
