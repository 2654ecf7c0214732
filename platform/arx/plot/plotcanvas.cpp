#include "plotcanvas.h"

#include "pdfwriter.h"
#include "plotpng.h"
#include "plotprice.h"

#include "arx/dbboxtree.h"
#include "posix/atomicfile.h"

#include <jpeglib.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace qv {

namespace {

constexpr double kMmPerInch = 25.4;
constexpr double kPointsPerMm = 72.0 / kMmPerInch;
constexpr double kMaxSide = 30000;         // pixels; cairo's images stop at 32767
constexpr size_t kMaxPendingPaths = 4096;  // sub-paths per stroke
// Of a raster: cairo fills a stroke's outline scanning rows across all its sub-paths, so
// where many overlap the time per sub-path grows with their number.
constexpr size_t kMaxPendingRasterPaths = 64;
constexpr double kFinestPatternMm = 0.2;   // a linetype repeating in less plots solid
constexpr double kChordTolerance = 0.2;    // device units between a dashed curve and its chords
constexpr size_t kMaxRunGlyphs = 65536;    // glyphs per call to show them
constexpr double kStrokeSides = 2;        // of a stroke's outline, each spanning its rows
constexpr unsigned kNoFont = ~0u;           // a face the PDF writer has no font of yet
// FreeType sizes a face at most 65535 pixels to the em; its rasterizer runs out of cells on
// glyphs stretched much more one way than the other, which are filled as outlines instead.
constexpr double kMaxRasterEm = 65535;
constexpr double kMaxGlyphStretch = 32;
constexpr size_t kNamedSkippedTexts = 5;   // the texts a plot names that it cannot draw
constexpr size_t kNamedTextBytes = 40;

// A text shown on one bounded line: control characters as blanks, cut between characters.
std::string textName(const std::string& utf8)
{
    std::string name;
    for (size_t i = 0; i < utf8.size(); ++i) {
        if (name.size() >= kNamedTextBytes && (utf8[i] & 0xC0) != 0x80)
            return "\"" + name + "...\"";
        name += static_cast<unsigned char>(utf8[i]) < 0x20 || utf8[i] == 0x7F ? ' ' : utf8[i];
    }
    return "\"" + name + "\"";
}

// How far a segment runs over a sheet of w x h pixels: its length where its box meets the
// sheet, at most the sheet's diagonal.
double runOver(DevicePoint a, DevicePoint b, double w, double h)
{
    if (std::max(a.x, b.x) < 0 || std::min(a.x, b.x) > w || std::max(a.y, b.y) < 0 || std::min(a.y, b.y) > h)
        return 0;
    const double length = std::hypot(b.x - a.x, b.y - a.y), diagonal = std::hypot(w, h);
    return length <= diagonal ? length : diagonal;
}

// How many rows of a sheet h pixels high the segment from a to b spans, wherever it lies
// across: edges beside the sheet are scanned too, at its side.
double rowsOver(DevicePoint a, DevicePoint b, double h)
{
    const double top = std::max(std::min(a.y, b.y), 0.0), bottom = std::min(std::max(a.y, b.y), h);
    return bottom > top ? bottom - top : 0;
}

// A bound on the angle a path turns by at b, coming from a and going on to c (0 where it
// runs straight on, pi where it turns back), cheaper than the angle: its tangent, up to pi.
double turnAt(DevicePoint a, DevicePoint b, DevicePoint c)
{
    const double ux = b.x - a.x, uy = b.y - a.y, vx = c.x - b.x, vy = c.y - b.y;
    const double along = ux * vx + uy * vy, across = std::abs(ux * vy - uy * vx);
    return along > 0 ? std::min(across / along, M_PI) : across > 0 || along < 0 ? M_PI : 0;
}

// The rows a closed loop's edges span on a sheet h pixels high.
double loopRows(std::span<const DevicePoint> loop, double h)
{
    double rows = loop.empty() ? 0 : rowsOver(loop.back(), loop.front(), h);
    for (size_t i = 1; i < loop.size(); ++i)
        rows += rowsOver(loop[i - 1], loop[i], h);
    return rows;
}

// Units of work counted in whole units, none for a count that is not a positive number.
std::size_t wholeUnits(double units)
{
    return !(units > 0) ? 0 : units < 1e18 ? static_cast<std::size_t>(units) : SIZE_MAX;
}

// The most edges of the loops that one row of the sheet crosses (edges with a coordinate
// that is not finite left out).
double widestRow(const std::vector<DevicePath>& loops)
{
    std::vector<std::pair<double, int>> ends;   // the edges' tops (+1) and bottoms (-1)
    for (const DevicePath& loop : loops)
        for (size_t i = 0; i < loop.size(); ++i) {
            const DevicePoint a = loop[i], b = loop[(i + 1) % loop.size()];
            if (std::isfinite(a.x + a.y + b.x + b.y) && a.y != b.y) {
                ends.emplace_back(std::min(a.y, b.y), 1);
                ends.emplace_back(std::max(a.y, b.y), -1);
            }
        }
    std::sort(ends.begin(), ends.end());   // at one height, bottoms before tops
    int crossing = 0, widest = 0;
    for (const auto& end : ends)
        widest = std::max(widest, crossing += end.second);
    return widest;
}

// Whether the loops are one rectangle along the sheet's sides, which cairo clips to
// cheaply.
bool isRectangle(const std::vector<DevicePath>& loops)
{
    if (loops.size() != 1 || loops[0].size() != 4)
        return false;
    const DevicePath& p = loops[0];
    const auto same = [](double a, double b) { return std::abs(a - b) < 1e-6; };
    return (same(p[0].x, p[1].x) && same(p[1].y, p[2].y) && same(p[2].x, p[3].x) && same(p[3].y, p[0].y))
        || (same(p[0].y, p[1].y) && same(p[1].x, p[2].x) && same(p[2].y, p[3].y) && same(p[3].x, p[0].x));
}

// A loop's points: a curved loop's with its control points, which hold its curves.
const DevicePath& pointsOf(const DevicePath& loop) { return loop; }
const DevicePath& pointsOf(const CurvedPath& loop) { return loop.points(); }

// The box of the points of loops.
template <class Loop>
Box2d boxOf(const std::vector<Loop>& loops)
{
    Box2d box;
    for (const Loop& loop : loops)
        for (const DevicePoint& p : pointsOf(loop))
            box.add(p.x, p.y);
    return box;
}

// The rows the edges of loops span on a sheet h pixels high.
template <class Loop>
double rowsOf(const std::vector<Loop>& loops, double h)
{
    double rows = 0;
    for (const Loop& loop : loops)
        rows += loopRows(pointsOf(loop), h);
    return rows;
}

// The pixels of the part of a sheet of w x h pixels that a box covers.
double coveredPixels(const Box2d& box, double w, double h)
{
    const double across = std::min(box.maxX, w) - std::max(box.minX, 0.0);
    const double down = std::min(box.maxY, h) - std::max(box.minY, 0.0);
    return across > 0 && down > 0 ? across * down : 0;
}

// The pixels of a side of the sheet at a resolution in dots per millimetre, at least one.
double sidePixels(double mm, double dotsPerMm)
{
    return std::max(1.0, std::ceil(mm * dotsPerMm - 1e-6));
}

// The resolution a raster sheet is drawn at: the one asked for, or the highest in whole dots
// (in fractions below one) under which the image has at most maxPixels and no side longer
// than kMaxSide; 0 for a sheet that no resolution fits.
double rasterResolution(double widthMm, double heightMm, double dotsPerInch, double maxPixels)
{
    if (!(dotsPerInch > 0) || !(maxPixels >= 1) || !std::isfinite(widthMm * heightMm * dotsPerInch))
        return 0;
    double dpi = dotsPerInch;
    for (int attempt = 0; attempt < 8; ++attempt) {
        const double w = sidePixels(widthMm, dpi / kMmPerInch), h = sidePixels(heightMm, dpi / kMmPerInch);
        if (w * h <= maxPixels && w <= kMaxSide && h <= kMaxSide)
            return dpi;
        // Lowered in proportion to the excess, with room for the sides' rounding up.
        dpi *= 0.99 * std::min({std::sqrt(maxPixels / (w * h)), kMaxSide / w, kMaxSide / h});
        dpi = dpi >= 1 ? std::floor(dpi) : dpi;
    }
    return 0;
}

} // namespace

PlotCanvas::PlotCanvas(const std::string& format, double widthMm, double heightMm, double dotsPerInch,
                       double maxPixels, AtomicFile& file)
    : m_format(format), m_file(file), m_measurer(format == "pdf")
{
    // Each font matched for a text spends the plot's work too.
    m_measurer.chargeLookups([this] { return spend(kFontMatchPrice.units); });
    if (format == "pdf") {
        m_unitsPerMm = kPointsPerMm;
        m_width = widthMm * kPointsPerMm, m_height = heightMm * kPointsPerMm;
        m_pdf = std::make_unique<PdfWriter>(widthMm * kPointsPerMm, heightMm * kPointsPerMm);
    } else {
        m_dotsPerInch = rasterResolution(widthMm, heightMm, dotsPerInch, maxPixels);
        m_unitsPerMm = m_dotsPerInch / kMmPerInch;
        m_width = sidePixels(widthMm, m_unitsPerMm), m_height = sidePixels(heightMm, m_unitsPerMm);
        if (!(m_dotsPerInch > 0)) {
            char text[160];
            std::snprintf(text, sizeof text, "the sheet of %g x %g mm cannot be drawn at %g dots per inch or less",
                          widthMm, heightMm, dotsPerInch);
            m_error = text;
            m_surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 1, 1);
        } else {
            m_surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, static_cast<int>(m_width),
                                                   static_cast<int>(m_height));
        }
    }
    if (!m_pdf)
        makeRasterContext();
}

void PlotCanvas::makeRasterContext()
{
    m_cr = cairo_create(m_surface);
    if (m_error.empty() && cairo_status(m_cr) != CAIRO_STATUS_SUCCESS)
        m_error = std::string("the sheet cannot be made: ") + cairo_status_to_string(cairo_status(m_cr));
    cairo_set_source_rgb(m_cr, 1, 1, 1);
    cairo_paint(m_cr);
    cairo_set_line_cap(m_cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(m_cr, CAIRO_LINE_JOIN_ROUND);
    cairo_set_fill_rule(m_cr, CAIRO_FILL_RULE_EVEN_ODD);
    cairo_set_font_options(m_cr, m_measurer.options());
}

PlotCanvas::~PlotCanvas()
{
    for (const Mask& mask : m_masks)
        cairo_path_destroy(mask.boundary);
    cairo_destroy(m_cr);
    cairo_surface_destroy(m_surface);
}

void PlotCanvas::setColour(std::uint32_t rgb)
{
    cairo_set_source_rgb(m_cr, ((rgb >> 16) & 0xFF) / 255.0, ((rgb >> 8) & 0xFF) / 255.0, (rgb & 0xFF) / 255.0);
}

void PlotCanvas::flush()
{
    if (m_pending == 0)
        return;
    if (m_pdf) {
        m_pdf->strokePath();
    } else if (spendClipped(m_pendingPoints)) {
        setColour(m_penColour);
        cairo_set_line_width(m_cr, m_penWidth);
        cairo_stroke(m_cr);
    } else {
        cairo_new_path(m_cr);
    }
    m_pending = m_pendingPoints = 0;
}

void PlotCanvas::setPen(std::uint32_t rgb, double width)
{
    m_nextColour = rgb;
    m_nextWidth = width;
}

void PlotCanvas::setLinePattern(const std::vector<double>& lengths, double scale)
{
    m_pattern.set(lengths, scale, kFinestPatternMm * m_unitsPerMm);
}

void PlotCanvas::spendRaster(double pixels, double edgeRows)
{
    spend(wholeUnits(pixels / static_cast<double>(kInkPrice.per)
                     + edgeRows * static_cast<double>(kEdgeRowPrice.units)));
}

bool PlotCanvas::spendClipped(std::size_t points)
{
    if (m_pathEdges == 0)
        return true;
    const double edges = (m_pathEdges + static_cast<double>(points)) * static_cast<double>(kClipSweepPrice.units);
    return spend(wholeUnits(edges * (1 + m_pathRow / static_cast<double>(kClipRowPrice.per))));
}

void PlotCanvas::spendInk(std::span<const DevicePoint> path, bool closed)
{
    const double pen = std::clamp(m_penWidth, 1.0, std::hypot(m_width, m_height));
    double length = closed ? runOver(path.back(), path.front(), m_width, m_height) : 0;
    double rows = closed ? rowsOver(path.back(), path.front(), m_height) : 0;
    for (size_t i = 1; i < path.size(); ++i) {
        length += runOver(path[i - 1], path[i], m_width, m_height);
        rows += rowsOver(path[i - 1], path[i], m_height);
    }
    rows *= kStrokeSides;
    double pixels = length * pen;
    const size_t n = path.size();
    if (!closed) {
        addTurn(path.front(), M_PI, pen, pixels, rows);
        addTurn(path.back(), M_PI, pen, pixels, rows);
    }
    for (size_t i = closed ? 0 : 1; i < (closed ? n : n - 1); ++i)
        addTurn(path[i], turnAt(path[(i + n - 1) % n], path[i], path[(i + 1) % n]), pen, pixels, rows);
    spendRaster(pixels, rows);
}

// Adds what a round end (a turn of pi) or join at p of a pen so wide draws on the sheet: an
// arc of the outline over as many rows as it turns through, and a sector of ink.
void PlotCanvas::addTurn(DevicePoint p, double angle, double pen, double& pixels, double& rows) const
{
    if (!(angle > 0))
        return;
    const double r = pen / 2;
    rows += std::min(r * angle, rowsOver({p.x, p.y - r}, {p.x, p.y + r}, m_height));
    pixels += std::min(r * r * angle / 2,
                       coveredPixels(Box2d::around(p.x - r, p.y - r, p.x + r, p.y + r), m_width, m_height));
}

void PlotCanvas::stroke(const DevicePath& path, bool closed)
{
    if (path.size() < 2 || exhausted())
        return;
    if (m_pattern.isSolid() || !m_pattern.split(path, closed, m_dashPoints, m_dashStarts)) {
        strokeRun(path, closed);
        return;
    }
    for (size_t i = 0; i < m_dashStarts.size(); ++i) {
        const size_t end = i + 1 < m_dashStarts.size() ? m_dashStarts[i + 1] : m_dashPoints.size();
        strokeRun(std::span(m_dashPoints).subspan(m_dashStarts[i], end - m_dashStarts[i]), false);
    }
}

void PlotCanvas::stroke(const CurvedPath& path, bool closed)
{
    if (path.size() < 2 || exhausted())
        return;
    if (!m_pattern.isSolid()) {
        m_chords.clear();
        path.flatten(m_chords, kChordTolerance, workLeft());
        if (afford(m_chords.size() * kPointPrice.units))
            stroke(m_chords, closed);
        return;
    }
    strokeSolid(path, closed, penFor(path));
}

void PlotCanvas::strokeSolid(const CurvedPath& path, bool closed, double pen)
{
    if (!liesWithin(drawnWhole(pen), path.points())) {
        strokeCut(path, closed, pen);
        return;
    }
    if (!beginStroke(path.points(), pen))
        return;
    if (!m_pdf)   // the control polygon, as long as the curve or longer
        spendInk(path.points(), closed);
    addCurved(path);
    endStroke(closed);
}

Box2d PlotCanvas::sheetReach(double beyond) const
{
    return Box2d::around(0, 0, m_width, m_height).expanded(1 + beyond);
}

Box2d PlotCanvas::strokeReach(double pen, double beyond) const
{
    return sheetReach(std::max(pen, 0.0) / 2 + beyond);
}

Box2d PlotCanvas::drawnWhole(double pen) const
{
    return strokeReach(pen, std::max(m_width, m_height));
}

void PlotCanvas::strokeCut(const CurvedPath& path, bool closed, double pen)
{
    if (!spend(path.size() * kPointPrice.units))
        return;
    std::vector<CurvedPath> pieces;
    path.cut(strokeReach(pen, 0), drawnWhole(pen), closed, pieces);
    for (const CurvedPath& piece : pieces)
        strokeSolid(piece, false, pen);
}

double PlotCanvas::penFor(const CurvedPath& path) const
{
    const double diagonal = std::hypot(m_width, m_height);
    if (!(m_nextWidth > 2 * diagonal))   // no point needs a narrower one
        return m_nextWidth;
    return std::min(m_nextWidth, widestPen(path.nearestTo({m_width / 2, m_height / 2}, diagonal / 2)));
}

double PlotCanvas::penFor(std::span<const DevicePoint> path) const
{
    return m_nextWidth > 2 * std::hypot(m_width, m_height) ? penFor(CurvedPath(path)) : m_nextWidth;
}

namespace {

DevicePath cutRegion(const DevicePath& loop, const Box2d& near, const Box2d& whole)
{
    return CurvedPath(loop).cutRegion(near, whole).points();
}

CurvedPath cutRegion(const CurvedPath& loop, const Box2d& near, const Box2d& whole)
{
    return loop.cutRegion(near, whole);
}

} // namespace

template <class Loop>
const std::vector<Loop>& PlotCanvas::onSheet(const std::vector<Loop>& loops, std::vector<Loop>& cut)
{
    const Box2d whole = sheetReach(std::max(m_width, m_height));
    const auto reached = [&](const Loop& loop) { return liesWithin(whole, pointsOf(loop)); };
    if (std::all_of(loops.begin(), loops.end(), reached))
        return loops;
    for (const Loop& loop : loops) {
        if (reached(loop))
            cut.push_back(loop);
        else if (spend(pointsOf(loop).size() * kPointPrice.units))
            cut.push_back(cutRegion(loop, sheetReach(0), whole));
    }
    return cut;
}

void PlotCanvas::strokeRun(std::span<const DevicePoint> path, bool closed)
{
    const double pen = penFor(path);
    if (!liesWithin(drawnWhole(pen), path)) {
        strokeCut(CurvedPath(path), closed, pen);
        return;
    }
    if (!beginStroke(path, pen))
        return;
    if (!m_pdf)
        spendInk(path, closed);
    moveTo(path[0]);
    for (size_t i = 1; i < path.size(); ++i)
        lineTo(path[i]);
    endStroke(closed);
}

bool PlotCanvas::beginStroke(std::span<const DevicePoint> path, double pen)
{
    if (!afford(path.size() * kPointPrice.units))   // none of its points are written
        return false;
    const double width = std::min(pen, widestPen(path[0]));
    if (m_nextColour != m_penColour || width != m_penWidth) {
        flush();
        m_penColour = m_nextColour;
        m_penWidth = width;
    }
    // A PDF pen is set before its path begins.
    if (m_pdf && m_pending == 0)
        m_pdf->setStroke(m_penColour, m_penWidth);
    m_pendingPoints += path.size();
    return true;
}

// The widest pen a stroke from p needs: every point of the sheet lies within half its width
// of p, so that a wider one inks the whole sheet as this one does. A pen much wider costs
// cairo a polygon of millions of sides at each end and join.
double PlotCanvas::widestPen(DevicePoint p) const
{
    const double dx = std::max({-p.x, 0.0, p.x - m_width}), dy = std::max({-p.y, 0.0, p.y - m_height});
    return 2 * (std::hypot(dx, dy) + std::hypot(m_width, m_height));
}

void PlotCanvas::endStroke(bool closed)
{
    if (closed)
        closePath();
    if (++m_pending >= (m_pdf ? kMaxPendingPaths : kMaxPendingRasterPaths))
        flush();
}

void PlotCanvas::moveTo(DevicePoint p)
{
    spend(kPointPrice.units);
    if (m_pdf)
        m_pdf->moveTo(p.x, p.y);
    else
        cairo_move_to(m_cr, p.x, p.y);
}

void PlotCanvas::lineTo(DevicePoint p)
{
    spend(kPointPrice.units);
    if (m_pdf)
        m_pdf->lineTo(p.x, p.y);
    else
        cairo_line_to(m_cr, p.x, p.y);
}

void PlotCanvas::curveTo(DevicePoint c1, DevicePoint c2, DevicePoint end)
{
    spend(3 * kPointPrice.units);   // its control points and end
    if (m_pdf)
        m_pdf->curveTo(c1.x, c1.y, c2.x, c2.y, end.x, end.y);
    else
        cairo_curve_to(m_cr, c1.x, c1.y, c2.x, c2.y, end.x, end.y);
}

void PlotCanvas::closePath()
{
    if (m_pdf)
        m_pdf->closePath();
    else
        cairo_close_path(m_cr);
}

void PlotCanvas::addLoops(const std::vector<DevicePath>& loops)
{
    for (const DevicePath& loop : loops) {
        if (loop.size() < 3)
            continue;
        moveTo(loop[0]);
        for (size_t i = 1; i < loop.size(); ++i)
            lineTo(loop[i]);
        closePath();
    }
}

void PlotCanvas::addCurved(const CurvedPath& path)
{
    const DevicePath& p = path.points();
    moveTo(p[0]);
    for (size_t i = 1; i < p.size(); ++i) {
        if (path.isControl(i)) {
            curveTo(p[i], p[i + 1], p[i + 2]);
            i += 2;
        } else {
            lineTo(p[i]);
        }
    }
}

bool PlotCanvas::beginFill(std::uint32_t rgb)
{
    if (exhausted())
        return false;
    flushGlyphs();
    flush();
    if (m_pdf)
        m_pdf->setFill(rgb);
    return true;
}

void PlotCanvas::endFill(std::uint32_t rgb, std::size_t points)
{
    if (m_pdf) {
        m_pdf->fillPath();
        return;
    }
    if (!spendClipped(points)) {
        cairo_new_path(m_cr);
        return;
    }
    setColour(rgb);
    cairo_fill(m_cr);
}

void PlotCanvas::fill(const std::vector<DevicePath>& given, std::uint32_t rgb)
{
    std::vector<DevicePath> cut;
    const std::vector<DevicePath>& loops = onSheet(given, cut);
    if (!beginFill(rgb))
        return;
    if (!m_pdf)
        spendFill(loops);
    const std::size_t before = spent();   // a unit for each point added
    addLoops(loops);
    endFill(rgb, spent() - before);
}

void PlotCanvas::fill(const std::vector<CurvedPath>& given, std::uint32_t rgb)
{
    std::vector<CurvedPath> cut;
    const std::vector<CurvedPath>& loops = onSheet(given, cut);
    if (!beginFill(rgb))
        return;
    if (!m_pdf)
        spendFill(loops);
    const std::size_t before = spent();
    for (const CurvedPath& loop : loops)
        if (loop.size() >= 3) {
            addCurved(loop);
            closePath();
        }
    endFill(rgb, spent() - before);
}

// What a raster fill costs: its setting up, the part of the sheet its loops' box takes, and
// the rows its edges span.
template <class Loop>
void PlotCanvas::spendFill(const std::vector<Loop>& loops)
{
    spend(kRasterFillPrice.units);
    spendRaster(coveredPixels(boxOf(loops), m_width, m_height), rowsOf(loops, m_height));
}

void PlotCanvas::pushClip(const std::vector<DevicePath>& given)
{
    std::vector<DevicePath> cut;
    const std::vector<DevicePath>& loops = onSheet(given, cut);
    flushGlyphs();
    flush();
    if (m_pdf) {
        m_pdf->save();
        addLoops(loops);
        m_pdf->clipPath();
        return;
    }
    cairo_save(m_cr);
    const Box2d box = boxOf(loops);
    const double pixels = coveredPixels(box, m_width, m_height);
    spendRaster(pixels, rowsOf(loops, m_height));
    const std::size_t before = spent();
    addLoops(loops);
    const double added = static_cast<double>(spent() - before);   // a unit for each point
    // cairo intersects every stroke and fill with a clip that is not a rectangle, at the
    // cost of sweeping the boundary each time: what follows is drawn into a group as large
    // as the boundary's box instead, which popClip fills through the boundary once. Groups
    // hold at most a sheet's pixels at a time; past that, cairo clips, and what is drawn
    // under the clip spends its sweeps.
    if (isRectangle(loops)) {
        cairo_clip(m_cr);
        m_masks.push_back({});
        return;
    }
    if (m_groupPixels + pixels > m_width * m_height) {
        cairo_clip(m_cr);
        m_masks.push_back({nullptr, 0, added, widestRow(loops)});
        m_pathEdges += added;
        m_pathRow += m_masks.back().widest;
        return;
    }
    m_masks.push_back({cairo_copy_path(m_cr), pixels, added});
    m_groupPixels += pixels;
    cairo_new_path(m_cr);
    const double left = std::floor(std::max(box.minX, 0.0)), top = std::floor(std::max(box.minY, 0.0));
    cairo_rectangle(m_cr, left, top, std::max(std::ceil(std::min(box.maxX, m_width)) - left, 0.0),
                    std::max(std::ceil(std::min(box.maxY, m_height)) - top, 0.0));
    cairo_clip(m_cr);
    cairo_push_group(m_cr);
}

void PlotCanvas::popClip()
{
    flushGlyphs();
    flush();
    if (m_pdf) {
        m_pdf->restore();
        return;
    }
    const Mask mask = m_masks.back();
    m_masks.pop_back();
    if (mask.boundary) {
        cairo_pop_group_to_source(m_cr);
        cairo_new_path(m_cr);
        cairo_append_path(m_cr, mask.boundary);
        if (spendClipped(static_cast<std::size_t>(mask.points)))
            cairo_fill(m_cr);
        else
            cairo_new_path(m_cr);
        cairo_path_destroy(mask.boundary);
        m_groupPixels -= mask.pixels;
    } else {   // a rectangle's are none
        m_pathEdges -= mask.points;
        m_pathRow -= mask.widest;
    }
    cairo_restore(m_cr);
}

unsigned PlotCanvas::pdfFont(unsigned face)
{
    if (face >= m_pdfFonts.size())
        m_pdfFonts.resize(m_measurer.faceCount(), kNoFont);
    const FontFile& file = m_measurer.file(face);
    if (file.file.empty() && m_error.empty())   // only cairo's own choice, which cannot be embedded
        m_error = "no font is found for DejaVu Sans";
    if (m_pdfFonts[face] == kNoFont)
        m_pdfFonts[face] = m_pdf->addFont(file.file, file.index);
    return m_pdfFonts[face];
}

std::vector<std::string> PlotCanvas::glyphWarnings() const
{
    std::vector<std::string> out = m_skipped;
    if (m_skippedTexts > kNamedSkippedTexts)
        out.push_back(std::to_string(m_skippedTexts - kNamedSkippedTexts) + " more texts are not drawn for the same reason");
    for (std::string& warning : m_measurer.warnings())
        out.push_back(std::move(warning));
    return out;
}

void PlotCanvas::flushGlyphs()
{
    if (m_pdf) {
        if (m_pdf->hasTexts()) {
            flush();
            m_pdf->flushTexts();
        }
        return;
    }
    if (m_run.empty())
        return;
    flush();
    if (!spendClipped(0)) {
        m_run.clear();
        return;
    }
    const TextStyle& s = m_runStyle;
    const double c = std::cos(-s.angle), n = std::sin(-s.angle);
    cairo_matrix_t font;
    cairo_matrix_init(&font, c * s.size * s.widthFactor, n * s.size * s.widthFactor, -n * s.size, c * s.size, 0, 0);
    cairo_set_font_face(m_cr, m_measurer.cairoFace(s.face));
    cairo_set_font_matrix(m_cr, &font);
    setColour(s.rgb);
    const double across = s.size * std::abs(s.widthFactor);
    if (std::max(across, s.size) > kMaxGlyphStretch * std::min(across, s.size)) {
        cairo_glyph_path(m_cr, m_run.data(), static_cast<int>(m_run.size()));
        cairo_set_fill_rule(m_cr, CAIRO_FILL_RULE_WINDING);
        cairo_fill(m_cr);
        cairo_set_fill_rule(m_cr, CAIRO_FILL_RULE_EVEN_ODD);
    } else {
        cairo_show_glyphs(m_cr, m_run.data(), static_cast<int>(m_run.size()));
    }
    m_run.clear();
}

// The text's matrix maps the em onto size across by size times the width factor: it must be
// finite and invertible, and on a raster within what FreeType sizes.
bool PlotCanvas::canPlace(DevicePoint origin, double angle, double size, double widthFactor) const
{
    const double across = size * std::abs(widthFactor), determinant = size * across;
    if (!std::isfinite(origin.x) || !std::isfinite(origin.y) || !std::isfinite(angle) || !std::isnormal(determinant))
        return false;
    return m_pdf || std::max(size, across) <= kMaxRasterEm;
}

void PlotCanvas::skipText(const std::string& utf8)
{
    if (m_skippedTexts++ < kNamedSkippedTexts)
        m_skipped.push_back("the text " + textName(utf8) +
                            " is not drawn: its place, size or width factor is beyond what the sheet can draw");
}

void PlotCanvas::text(const std::string& utf8, DevicePoint origin, double angle, double size, double widthFactor,
                      std::uint32_t rgb, const PlotFont& font)
{
    if (utf8.empty() || !(size > 0) || !std::isfinite(size) || !(std::abs(widthFactor) > 0)
        || !spend(kTextPrice.units + utf8.size() * kBytePrice.units))
        return;
    if (!canPlace(origin, angle, size, widthFactor)) {
        skipText(utf8);
        return;
    }
    const TextStyle style{angle, size, widthFactor, rgb};
    m_measurer.glyphs(utf8, m_measurer.face(font), m_line);
    if (m_pdf) {
        pdfText(origin, style);
        return;
    }
    spendRaster(static_cast<double>(utf8.size()) * std::min(size * size * std::abs(widthFactor), m_width * m_height), 0);
    // Along the baseline, turned by the angle (y down on the sheet).
    const double step = size * widthFactor, dx = std::cos(angle) * step, dy = -std::sin(angle) * step;
    double at = 0;
    TextStyle glyphStyle = style;
    for (const Glyph* g : m_line) {
        glyphStyle.face = g->face;
        if (!glyphStyle.sharesRun(m_runStyle) || m_run.size() >= kMaxRunGlyphs)
            flushGlyphs();
        m_runStyle = glyphStyle;
        m_run.push_back({g->index, origin.x + dx * at, origin.y + dy * at});
        at += g->advance;
    }
}

// The line's glyphs from the origin in a text matrix that maps the font's em (y up) onto the
// sheet (y down): the baseline turned by the angle, the em stretched across by the width factor.
// Each run of glyphs of one face starts where the previous one ends.
void PlotCanvas::pdfText(DevicePoint origin, const TextStyle& style)
{
    const double c = std::cos(-style.angle), n = std::sin(-style.angle);
    const double across = style.size * style.widthFactor;
    double at = 0;
    for (size_t first = 0; first < m_line.size();) {
        const unsigned face = m_line[first]->face, font = pdfFont(face);
        const double matrix[6] = {c * across, n * across, n * style.size, -c * style.size, origin.x + c * across * at,
                                  origin.y + n * across * at};
        m_glyphIds.clear();
        size_t end = first;
        for (; end < m_line.size() && m_line[end]->face == face; ++end) {
            const Glyph& g = *m_line[end];
            m_pdf->font(font).define(static_cast<unsigned>(g.index), g.character, g.advance);
            m_glyphIds.push_back(static_cast<unsigned>(g.index));
            at += g.advance;
        }
        m_pdf->text(font, matrix, style.rgb, m_glyphIds.data(), m_glyphIds.size());
        first = end;
    }
}

bool PlotCanvas::finish()
{
    flushGlyphs();
    flush();
    if (!m_error.empty())
        return false;
    if (m_pdf)
        return writePdf();
    if (cairo_status(m_cr) != CAIRO_STATUS_SUCCESS) {
        m_error = std::string("the plot cannot be drawn: ") + cairo_status_to_string(cairo_status(m_cr));
        return false;
    }
    if (!writeRaster())
        return false;
    if (m_error.empty() && cairo_surface_status(m_surface) != CAIRO_STATUS_SUCCESS)
        m_error = std::string("the plot cannot be written: ") + cairo_status_to_string(cairo_surface_status(m_surface));
    return m_error.empty();
}

bool PlotCanvas::writePdf()
{
    const bool written = m_pdf->finish([this](const char* data, size_t size) { return m_file.write(data, size); });
    if (!written)
        m_error = "the plot cannot be written: " + (m_pdf->error().empty() ? m_file.error() : m_pdf->error());
    return written;
}

bool PlotCanvas::writeRaster()
{
    cairo_surface_flush(m_surface);
    if (m_format == "jpg")
        return writeJpeg();
    const bool written = writePng(cairo_image_surface_get_data(m_surface), cairo_image_surface_get_width(m_surface),
                                  cairo_image_surface_get_height(m_surface), cairo_image_surface_get_stride(m_surface), m_dotsPerInch,
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
    info.density_unit = 1;   // dots per inch, in whole dots
    info.X_density = info.Y_density = static_cast<UINT16>(std::clamp(std::lround(m_dotsPerInch), 1L, 65535L));
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
