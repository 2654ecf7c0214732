#include "plotcanvas.h"

#include "plotpng.h"

#include "win/atomicfile.h"

#include <cairo-pdf.h>
#include <jpeglib.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace qv {

namespace {

constexpr double kPointsPerMm = 72.0 / 25.4;
constexpr int kMaxPixels = 30000;          // per side; cairo's images stop at 32767
constexpr size_t kMaxPendingPaths = 4096;  // sub-paths per stroke

} // namespace

PlotCanvas::PlotCanvas(const std::string& format, double widthMm, double heightMm, double dotsPerInch,
                       AtomicFile& file)
    : m_format(format), m_file(file)
{
    if (format == "pdf") {
        m_unitsPerMm = kPointsPerMm;
        m_surface = cairo_pdf_surface_create_for_stream(&PlotCanvas::writeTo, this, widthMm * kPointsPerMm,
                                                        heightMm * kPointsPerMm);
    } else {
        m_unitsPerMm = dotsPerInch / 25.4;
        const double w = std::ceil(widthMm * m_unitsPerMm - 1e-6), h = std::ceil(heightMm * m_unitsPerMm - 1e-6);
        if (!(dotsPerInch > 0) || w < 1 || h < 1 || w > kMaxPixels || h > kMaxPixels) {
            char text[160];
            std::snprintf(text, sizeof text, "the sheet at %g dots per inch would be %.0f x %.0f pixels (at most %d a side)",
                          dotsPerInch, w, h, kMaxPixels);
            m_error = text;
            m_surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 1, 1);
        } else {
            m_surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, static_cast<int>(w), static_cast<int>(h));
        }
    }
    m_cr = cairo_create(m_surface);
    if (m_error.empty() && cairo_status(m_cr) != CAIRO_STATUS_SUCCESS)
        m_error = std::string("the sheet cannot be made: ") + cairo_status_to_string(cairo_status(m_cr));
    cairo_set_source_rgb(m_cr, 1, 1, 1);
    cairo_paint(m_cr);
    cairo_set_line_cap(m_cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(m_cr, CAIRO_LINE_JOIN_ROUND);
    cairo_set_fill_rule(m_cr, CAIRO_FILL_RULE_EVEN_ODD);
    m_font = cairo_toy_font_face_create("DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
}

PlotCanvas::~PlotCanvas()
{
    cairo_font_face_destroy(m_font);
    cairo_destroy(m_cr);
    cairo_surface_destroy(m_surface);
}

cairo_status_t PlotCanvas::writeTo(void* closure, const unsigned char* data, unsigned int length)
{
    auto* canvas = static_cast<PlotCanvas*>(closure);
    if (!canvas->m_file.write(data, length)) {
        if (canvas->m_error.empty())
            canvas->m_error = canvas->m_file.error();
        return CAIRO_STATUS_WRITE_ERROR;
    }
    return CAIRO_STATUS_SUCCESS;
}

void PlotCanvas::setColour(std::uint32_t rgb)
{
    cairo_set_source_rgb(m_cr, ((rgb >> 16) & 0xFF) / 255.0, ((rgb >> 8) & 0xFF) / 255.0, (rgb & 0xFF) / 255.0);
}

void PlotCanvas::flush()
{
    if (m_pending == 0)
        return;
    setColour(m_penColour);
    cairo_set_line_width(m_cr, m_penWidth);
    cairo_stroke(m_cr);
    m_pending = 0;
}

void PlotCanvas::setPen(std::uint32_t rgb, double width)
{
    if (rgb == m_penColour && width == m_penWidth)
        return;
    flush();
    m_penColour = rgb;
    m_penWidth = width;
}

void PlotCanvas::stroke(const DevicePath& path, bool closed)
{
    if (path.size() < 2)
        return;
    cairo_move_to(m_cr, path[0].x, path[0].y);
    for (size_t i = 1; i < path.size(); ++i)
        cairo_line_to(m_cr, path[i].x, path[i].y);
    if (closed)
        cairo_close_path(m_cr);
    if (++m_pending >= kMaxPendingPaths)
        flush();
}

void PlotCanvas::addLoops(const std::vector<DevicePath>& loops)
{
    for (const DevicePath& loop : loops) {
        if (loop.size() < 3)
            continue;
        cairo_move_to(m_cr, loop[0].x, loop[0].y);
        for (size_t i = 1; i < loop.size(); ++i)
            cairo_line_to(m_cr, loop[i].x, loop[i].y);
        cairo_close_path(m_cr);
    }
}

void PlotCanvas::fill(const std::vector<DevicePath>& loops, std::uint32_t rgb)
{
    flush();
    addLoops(loops);
    setColour(rgb);
    cairo_fill(m_cr);
}

void PlotCanvas::pushClip(const std::vector<DevicePath>& loops)
{
    flush();
    cairo_save(m_cr);
    addLoops(loops);
    cairo_clip(m_cr);
}

void PlotCanvas::popClip()
{
    flush();
    cairo_restore(m_cr);
}

void PlotCanvas::text(const std::string& utf8, DevicePoint origin, double angle, double size, double widthFactor,
                      std::uint32_t rgb)
{
    if (utf8.empty() || !(size > 0) || !std::isfinite(size) || !(widthFactor > 0))
        return;
    flush();
    cairo_save(m_cr);
    cairo_translate(m_cr, origin.x, origin.y);
    cairo_rotate(m_cr, -angle);
    cairo_scale(m_cr, widthFactor, 1);
    cairo_set_font_face(m_cr, m_font);
    cairo_set_font_size(m_cr, size);
    setColour(rgb);
    cairo_move_to(m_cr, 0, 0);
    cairo_show_text(m_cr, utf8.c_str());
    cairo_restore(m_cr);
}

double PlotCanvas::textWidth(const std::string& utf8, double size)
{
    if (utf8.empty() || !(size > 0) || !std::isfinite(size))
        return 0;
    cairo_save(m_cr);
    cairo_set_font_face(m_cr, m_font);
    cairo_set_font_size(m_cr, size);
    cairo_text_extents_t extents;
    cairo_text_extents(m_cr, utf8.c_str(), &extents);
    cairo_restore(m_cr);
    return extents.x_advance;
}

bool PlotCanvas::finish()
{
    flush();
    if (!m_error.empty())
        return false;
    if (m_format == "pdf") {
        cairo_show_page(m_cr);
        cairo_surface_finish(m_surface);
    } else if (!writeRaster()) {
        return false;
    }
    if (m_error.empty() && cairo_surface_status(m_surface) != CAIRO_STATUS_SUCCESS)
        m_error = std::string("the plot cannot be written: ") + cairo_status_to_string(cairo_surface_status(m_surface));
    return m_error.empty();
}

bool PlotCanvas::writeRaster()
{
    cairo_surface_flush(m_surface);
    if (m_format == "jpg")
        return writeJpeg();
    const bool written = writePng(cairo_image_surface_get_data(m_surface), cairo_image_surface_get_width(m_surface),
                                  cairo_image_surface_get_height(m_surface), cairo_image_surface_get_stride(m_surface),
                                  [this](const unsigned char* data, size_t size) { return m_file.write(data, size); });
    if (!written && m_error.empty())
        m_error = "the plot cannot be written: " + (m_file.error().empty() ? std::string("PNG encoding failed") : m_file.error());
    return m_error.empty();
}

// The image's rows (native-endian 0x00RRGGBB pixels) as RGB scanlines for libjpeg.
bool PlotCanvas::writeJpeg()
{
    const int width = cairo_image_surface_get_width(m_surface), height = cairo_image_surface_get_height(m_surface);
    const int stride = cairo_image_surface_get_stride(m_surface);
    const unsigned char* data = cairo_image_surface_get_data(m_surface);
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, m_quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    std::vector<unsigned char> row(static_cast<size_t>(width) * 3);
    for (int y = 0; y < height; ++y) {
        const auto* pixels = reinterpret_cast<const std::uint32_t*>(data + static_cast<size_t>(y) * stride);
        for (int x = 0; x < width; ++x) {
            row[3 * x] = static_cast<unsigned char>(pixels[x] >> 16);
            row[3 * x + 1] = static_cast<unsigned char>(pixels[x] >> 8);
            row[3 * x + 2] = static_cast<unsigned char>(pixels[x]);
        }
        JSAMPROW rows[] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    const bool written = m_file.write(buffer, size);
    std::free(buffer);
    if (!written)
        m_error = m_file.error();
    return written;
}

} // namespace qv
