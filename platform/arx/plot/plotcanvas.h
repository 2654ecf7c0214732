// The sheet a plot draws on, in device units (points for PDF, pixels for PNG and JPG, y down):
// strokes batched by pen (dashed by a linetype's pattern when one is set), even-odd fills,
// clips and texts, written to a file at the end. Consecutive strokes of one pen go out as
// one path, so that a drawing of many small entities costs one stroke per change of colour
// or width, not one per entity; a pen set for entities that draw no stroke (texts, fills)
// does not break the batch.
// Texts are laid out from glyphs measured once per character and go out together while
// their font, size, angle, stretch and colour stay the same: over the strokes drawn since,
// under the next fill or clip. They are drawn in the installed font that stands for the font
// each names (DejaVu Sans by default); characters it lacks take their glyphs from an installed
// font that has them (fontconfig's choice), and those no font has are named (see
// TextMeasurer). PDF sheets are written by our own writer (texts as text in embedded fonts),
// rasters are drawn by cairo.
#pragma once

#include "curvedpath.h"
#include "devicepath.h"
#include "linepattern.h"
#include "plotfont.h"
#include "plotwork.h"
#include "textmeasurer.h"

#include <cairo.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace qv {

class AtomicFile;
class PdfWriter;

class PlotCanvas
{
public:
    // A white sheet of the size for format "pdf", "png" or "jpg"; the file receives it.
    PlotCanvas(const std::string& format, double widthMm, double heightMm, double dotsPerInch, double maxPixels,
               AtomicFile& file);
    ~PlotCanvas();
    PlotCanvas(const PlotCanvas&) = delete;
    PlotCanvas& operator=(const PlotCanvas&) = delete;

    // False, with the reason, when the sheet could not be made (a media too large to draw).
    bool isValid() const { return m_error.empty(); }
    const std::string& error() const { return m_error; }
    double unitsPerMm() const { return m_unitsPerMm; }
    // The resolution of a raster sheet: the one asked for, lowered so that the image has at
    // most maxPixels (and cairo's size a side).
    double dotsPerInch() const { return m_dotsPerInch; }

    // The work of the plot, in units priced by plotprice.h: the canvas charges its points,
    // texts, font matches and, on a raster, what the rasterizer does (see pushClip for the
    // clips cairo keeps as paths); the painter charges its entities and layouts. Once more
    // than the limit is spent the canvas strokes, fills and writes nothing more, and spend()
    // is false. As a unit adds at most a few dozen bytes to a PDF page, the limit bounds the
    // page too.
    void limitWork(std::size_t units) { m_work.limit(units); }
    bool spend(std::size_t units) { return m_work.spend(units); }
    bool afford(std::size_t units) { return m_work.afford(units); }
    bool exhausted() const { return m_work.exhausted(); }
    std::size_t spent() const { return m_work.spent(); }
    std::size_t workLeft() const { return m_work.left(); }
    PlotWork& work() { return m_work; }
    // The sheet's size in device units.
    double width() const { return m_width; }
    double height() const { return m_height; }

    void setPen(std::uint32_t rgb, double width);
    // The dashes of the strokes that follow (see LinePattern): lengths in drawing units,
    // scale to device units; none for solid lines.
    void setLinePattern(const std::vector<double>& lengths, double scale);
    bool isDashed() const { return !m_pattern.isSolid(); }
    // A run of a path (a dash, or the path drawn solid) reaching far beyond the sheet is cut
    // to the part that may show on it (see strokeCut), and a pen far wider than the sheet is
    // narrowed first (see penFor).
    void stroke(const DevicePath& path, bool closed);
    // Curves go out as curves; dashed, they are cut into chords first.
    void stroke(const CurvedPath& path, bool closed);
    // Fills and clips reaching far beyond the sheet are cut to the region that may show on
    // it (see onSheet).
    void fill(const std::vector<DevicePath>& loops, std::uint32_t rgb);
    void fill(const std::vector<CurvedPath>& loops, std::uint32_t rgb);
    // Clips what follows to the loops (even-odd) until popClip. On a raster, a boundary
    // other than a rectangle along the sheet's sides costs its rows and its box's pixels once,
    // and what is drawn under it more when cairo keeps it as a path (the groups that clips
    // draw into already holding a sheet's pixels).
    void pushClip(const std::vector<DevicePath>& loops);
    void popClip();
    // Text whose baseline starts at origin, turned by angle (radians, counter-clockwise on
    // the sheet); size is the font's em, widthFactor stretches it across (a negative one
    // mirrors the letters and runs them back along the angle). A text whose matrix cannot be
    // made (not finite, flat, or on a raster larger than the font engine sizes) is skipped
    // and named among the warnings.
    void text(const std::string& utf8, DevicePoint origin, double angle, double size, double widthFactor,
              std::uint32_t rgb, const PlotFont& font = {});
    // The fonts and glyphs the texts are drawn with, to measure them as drawn.
    TextMeasurer& measurer() { return m_measurer; }
    // Writes the sheet to the file; false with the reason on failure.
    bool finish();
    // What the plot could not show, for the user: the texts whose place or size cannot be
    // drawn (a few named, the rest counted), the characters no font has.
    std::vector<std::string> glyphWarnings() const;

private:
    using Glyph = TextMeasurer::Glyph;
    // What a run of glyphs shares.
    struct TextStyle {
        double angle = 0, size = 0, widthFactor = 0;
        std::uint32_t rgb = 0;
        unsigned face = 0;
        // Texts of one height and angle placed apart differ in the last bits of their em and
        // angle, as the sheet's transform rounds them: they still share a run.
        bool sharesRun(const TextStyle& o) const
        {
            const auto near = [](double a, double b, double tolerance) { return std::abs(a - b) <= tolerance; };
            return near(angle, o.angle, 1e-12) && near(size, o.size, 1e-12 * size)
                && near(widthFactor, o.widthFactor, 1e-12 * std::abs(widthFactor)) && rgb == o.rgb && face == o.face;
        }
    };

    void makeRasterContext();
    // The PDF writer's font of a face of the measurer, added on first use.
    unsigned pdfFont(unsigned face);
    void flushGlyphs();
    void flush();
    void strokeRun(std::span<const DevicePoint> run, bool closed);
    // Strokes the path with a pen so wide (see penFor).
    void strokeSolid(const CurvedPath& path, bool closed, double pen);
    // The sheet with a pixel's margin, and so much more.
    Box2d sheetReach(double beyond) const;
    // The sheet with the margin of a pen so wide, and so much more.
    Box2d strokeReach(double pen, double beyond) const;
    // Where a stroke of a pen so wide whose points all lie is drawn whole: its reach and the
    // sheet's longer side.
    Box2d drawnWhole(double pen) const;
    // Strokes the parts of a path reaching further that may show on the sheet (within the
    // pen's margin), each on its own, its points spending the work of cutting it: cairo's
    // fixed-point coordinates and PDF readers stop far short of an arc of a thousand
    // kilometres at 1:1, and flattening one whole would cost far more than the little of it
    // the sheet shows.
    void strokeCut(const CurvedPath& path, bool closed, double pen);
    // The pen a stroke of the path takes, before its reach is known: the one set, no wider
    // than widestPen of the path's point nearest the sheet's centre, so that a pen that
    // inks the whole sheet from there has a reach, and the parts of the path cut to it, of a
    // few sheets, wherever the path's other points lie.
    double penFor(const CurvedPath& path) const;
    double penFor(std::span<const DevicePoint> path) const;
    // The loops as they are when they lie within the sheet and its longer side around it,
    // else in cut, each loop reaching further cut to the region that may show on the sheet,
    // its points spending the work, for the same reasons.
    template <class Loop>
    const std::vector<Loop>& onSheet(const std::vector<Loop>& loops, std::vector<Loop>& cut);
    // Takes a pen so wide for a stroke of the points, no wider than widestPen; false when the
    // plot may not draw them.
    bool beginStroke(std::span<const DevicePoint> path, double pen);
    double widestPen(DevicePoint p) const;
    void endStroke(bool closed);
    // Starts a fill; false once the work is spent.
    bool beginFill(std::uint32_t rgb);
    void endFill(std::uint32_t rgb, std::size_t points);
    // Spends what drawing on a raster costs: pixels of ink, and rows of the sheet crossed by
    // the edges of the outline scanned.
    void spendRaster(double pixels, double edgeRows);
    // A stroke's ink and rows: its sides', and those of its round ends and joins, which a
    // pen much wider than the path makes a disc however short the path.
    void spendInk(std::span<const DevicePoint> run, bool closed);
    void addTurn(DevicePoint p, double angle, double pen, double& pixels, double& rows) const;
    // Spends what cairo's sweep of an operation of so many points against the outlines of
    // the clips it keeps as paths costs; false when the plot may not draw it.
    bool spendClipped(std::size_t points);
    template <class Loop>
    void spendFill(const std::vector<Loop>& loops);
    void setColour(std::uint32_t rgb);
    void moveTo(DevicePoint p);
    void lineTo(DevicePoint p);
    void curveTo(DevicePoint c1, DevicePoint c2, DevicePoint end);
    void closePath();
    void addLoops(const std::vector<DevicePath>& loops);
    void addCurved(const CurvedPath& path);
    void pdfText(DevicePoint origin, const TextStyle& style);
    bool canPlace(DevicePoint origin, double angle, double size, double widthFactor) const;
    void skipText(const std::string& utf8);
    bool writePdf();
    bool writeRaster();
    bool writeJpeg();

    std::string m_format, m_error;
    AtomicFile& m_file;
    std::unique_ptr<PdfWriter> m_pdf;   // the PDF sheet; rasters have the cairo surface
    cairo_surface_t* m_surface = nullptr;
    cairo_t* m_cr = nullptr;
    TextMeasurer m_measurer;
    std::vector<unsigned> m_pdfFonts;   // the writer's font of each face; kNoFont before its first use
    std::vector<const Glyph*> m_line;
    std::vector<unsigned> m_glyphIds;
    std::vector<cairo_glyph_t> m_run;   // glyphs waiting to be shown in m_runStyle
    TextStyle m_runStyle;
    double m_unitsPerMm = 1, m_dotsPerInch = 0;
    PlotWork m_work;
    double m_width = 0, m_height = 0;
    std::uint32_t m_penColour = 0, m_nextColour = 0;   // the pending strokes' pen, the next one's
    double m_penWidth = -1, m_nextWidth = -1;
    size_t m_pending = 0;   // sub-paths waiting for the stroke
    LinePattern m_pattern;
    DevicePath m_dashPoints;   // the dashes of the path being stroked
    std::vector<size_t> m_dashStarts;
    DevicePath m_chords;       // a curved path cut into chords to be dashed
    int m_quality = 90;
    // Each clip of a raster, innermost last: the boundary its group is filled through at
    // popClip (none when cairo clips), the group's pixels, the boundary's points, and of a
    // boundary cairo keeps as a path the most edges that one row of it crosses.
    struct Mask {
        cairo_path_t* boundary = nullptr;
        double pixels = 0, points = 0, widest = 0;
    };
    std::vector<Mask> m_masks;
    double m_groupPixels = 0;   // of the groups open
    double m_pathEdges = 0, m_pathRow = 0;   // of the boundaries cairo keeps as paths, summed
    std::size_t m_pendingPoints = 0;   // of the sub-paths waiting for the stroke
    std::vector<std::string> m_skipped;   // the texts named that are not drawn
    std::size_t m_skippedTexts = 0;
};

} // namespace qv
