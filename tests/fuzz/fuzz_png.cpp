// Encodes an image made from arbitrary bytes as a PNG and decodes it with cairo: the pixels
// must come back as they were given. The first byte sets the width; each three bytes after
// it paint a run of pixels of one colour, or (a run byte of 255) repeat the row above, so
// that runs, rows like the last and bands of many rows all come up.
#include "plotpng.h"

#include <cairo.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr size_t kMaxPixels = 1 << 16;

struct Reading {
    const std::string& bytes;
    size_t at = 0;
};

cairo_status_t readFrom(void* closure, unsigned char* data, unsigned length)
{
    auto* reading = static_cast<Reading*>(closure);
    if (reading->bytes.size() - reading->at < length)
        return CAIRO_STATUS_READ_ERROR;
    std::memcpy(data, reading->bytes.data() + reading->at, length);
    reading->at += length;
    return CAIRO_STATUS_SUCCESS;
}

std::vector<std::uint32_t> imageOf(const std::uint8_t* data, size_t size, int width)
{
    std::vector<std::uint32_t> image;
    for (size_t i = 1; i + 3 <= size && image.size() < kMaxPixels; i += 3) {
        if (data[i] == 255 && image.size() >= static_cast<size_t>(width)) {
            image.insert(image.end(), image.end() - width, image.end());
            continue;
        }
        const std::uint32_t colour = std::uint32_t{data[i + 1]} << 16 | std::uint32_t{data[i + 2]} << 8 | (data[i + 1] ^ data[i + 2]);
        image.insert(image.end(), size_t{data[i]} + 1, colour);
    }
    image.resize(std::max<size_t>(width, (std::min(image.size(), kMaxPixels) + width - 1) / width * width), 0xFFFFFF);
    return image;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const int width = 1 + data[0] % 97;
    const std::vector<std::uint32_t> image = imageOf(data, size, width);
    const int height = static_cast<int>(image.size() / width);
    std::string png;
    if (!qv::writePng(reinterpret_cast<const unsigned char*>(image.data()), width, height, width * 4, 100,
                      [&png](const unsigned char* bytes, size_t count) { return png.append(reinterpret_cast<const char*>(bytes), count), true; }))
        std::abort();
    Reading reading{png};
    cairo_surface_t* surface = cairo_image_surface_create_from_png_stream(readFrom, &reading);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS || cairo_image_surface_get_width(surface) != width
        || cairo_image_surface_get_height(surface) != height)
        std::abort();
    const unsigned char* pixels = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            std::uint32_t pixel;
            std::memcpy(&pixel, pixels + static_cast<size_t>(y) * stride + x * 4, 4);
            if ((pixel & 0xFFFFFF) != image[static_cast<size_t>(y) * width + x]) {
                std::fprintf(stderr, "pixel %d,%d of %dx%d differs\n", x, y, width, height);
                std::abort();
            }
        }
    cairo_surface_destroy(surface);
    return 0;
}
