#include "plotpng.h"

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <vector>

namespace qv {

namespace {

constexpr size_t kChunk = 1 << 18;     // bytes of compressed data per IDAT chunk
constexpr size_t kMinBandRows = 256;   // rows a band is worth a thread for

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

// Whether the eight pixels at row equal those at above.
bool sameEight(const std::uint32_t* row, const std::uint32_t* above)
{
    std::uint64_t a[4], b[4];
    std::memcpy(a, row, sizeof a);
    std::memcpy(b, above, sizeof b);
    return ((a[0] ^ b[0]) | (a[1] ^ b[1]) | (a[2] ^ b[2]) | (a[3] ^ b[3])) == 0;
}

// How many of the first count pixels of row equal those of above, compared eight at a time.
int samePixels(const std::uint32_t* row, const std::uint32_t* above, int count)
{
    int same = 0;
    while (same + 8 <= count && sameEight(row + same, above + same))
        same += 8;
    while (same < count && row[same] == above[same])
        ++same;
    return same;
}

void filterPixel(std::uint32_t p, std::uint32_t q, unsigned char* out)
{
    out[0] = static_cast<unsigned char>((p >> 16) - (q >> 16));
    out[1] = static_cast<unsigned char>((p >> 8) - (q >> 8));
    out[2] = static_cast<unsigned char>(p - q);
}

// How many pixels from the first of row differ from those of above, at most count.
int differentPixels(const std::uint32_t* row, const std::uint32_t* above, int count)
{
    int differ = 0;
    while (differ < count && row[differ] != above[differ])
        ++differ;
    return differ;
}

// The row as RGB bytes behind the "up" filter (each byte less the one above it), deflated.
// Stretches of pixels like those above (most of a sheet) are found a word at a time and
// handed over as zeros, a row like the one above whole; only other pixels are filtered,
// into scratch (a row's bytes).
void deflateRow(const std::uint32_t* row, const std::uint32_t* above, int width, unsigned char* scratch,
                DeflateInput& deflater)
{
    static const unsigned char upFilter = 2;
    deflater.write(&upFilter, 1);
    if (!above) {
        for (int x = 0; x < width; ++x)
            filterPixel(row[x], 0, scratch + 3 * static_cast<size_t>(x));
        deflater.write(scratch, 3 * static_cast<size_t>(width));
        return;
    }
    if (std::memcmp(row, above, 4 * static_cast<size_t>(width)) == 0) {
        deflater.writeZeros(3 * static_cast<size_t>(width));
        return;
    }
    for (int x = 0; x < width;) {
        const int same = samePixels(row + x, above + x, width - x);
        deflater.writeZeros(3 * static_cast<size_t>(same));
        x += same;
        const int differ = differentPixels(row + x, above + x, width - x);
        for (int i = 0; i < differ; ++i)
            filterPixel(row[x + i], above[x + i], scratch + 3 * static_cast<size_t>(i));
        deflater.write(scratch, 3 * static_cast<size_t>(differ));
        x += differ;
    }
}

// Rows first to end, filtered, written into deflater.
void deflateRows(const unsigned char* pixels, int width, int stride, int first, int end, DeflateInput& deflater)
{
    std::vector<unsigned char> scratch(static_cast<size_t>(width) * 3);
    auto rowAt = [&](int y) { return reinterpret_cast<const std::uint32_t*>(pixels + static_cast<size_t>(y) * stride); };
    for (int y = first; y < end; ++y)
        deflateRow(rowAt(y), y > 0 ? rowAt(y - 1) : nullptr, width, scratch.data(), deflater);
}

// The zlib stream of the image's filtered rows, its bands compressed side by side; false
// when compressor fails.
bool compressImage(const unsigned char* pixels, int width, int height, int stride, Compressor compressor,
                   std::vector<unsigned char>& out)
{
    auto compressBand = [&](size_t first, size_t end, bool last, DeflatePart& band) {
        auto rows = [&](DeflateInput& deflater) {
            deflateRows(pixels, width, stride, static_cast<int>(first), static_cast<int>(end), deflater);
        };
        return compressor(rows, last, band);
    };
    return zlibStreamInParts(static_cast<size_t>(height), kMinBandRows, compressBand, out);
}

} // namespace

bool writePng(const unsigned char* pixels, int width, int height, int stride, double dotsPerInch,
              const std::function<bool(const unsigned char*, size_t)>& sink, Compressor compressor)
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
    if (!compressImage(pixels, width, height, stride, compressor, stream) || !sink(signature, sizeof signature)
        || !writeChunk("IHDR", header, sizeof header, sink) || !writeChunk("pHYs", density, sizeof density, sink))
        return false;
    for (size_t at = 0; at < stream.size(); at += kChunk)
        if (!writeChunk("IDAT", stream.data() + at, std::min(kChunk, stream.size() - at), sink))
            return false;
    return writeChunk("IEND", nullptr, 0, sink);
}

} // namespace qv
