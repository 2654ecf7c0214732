// The price list of a plot's work: every thing a plot charges to its bound on work
// (kPlotWorkLimit), with what it costs. The canvas, the painter and the text measurer charge
// from these entries, and the refusal of a plot past its bound names them all from kPlotPrices.
// On a raster, drawing costs what the rasterizer does: ink by the pixels a stroke's length
// times its width, a fill's box, a character's em square or a clip's box cover, and each row
// of the sheet an edge of an outline spans (both sides of a stroke, each edge of a fill or
// clip, a curve's by its control polygon), which the rasterizer scans at sub-pixel steps.
// Under a clip that cairo keeps as a path, each stroke, fill and text spends the clip's edges
// again, and more where many of them cross one row.
#pragma once

#include <array>
#include <cstddef>

namespace qv {

struct PlotPrice
{
    std::size_t units;   // charged for each `per` of what
    std::size_t per;
    const char* what;
};

inline constexpr PlotPrice kEntityPrice{1, 1, "entity drawn, counted through nested references"};
inline constexpr PlotPrice kCellPrice{1, 1, "cell of an array, drawn or not"};
inline constexpr PlotPrice kPointPrice{1, 1, "point of a line or outline"};
inline constexpr PlotPrice kBytePrice{1, 1, "byte of a text"};
inline constexpr PlotPrice kTextPrice{4, 1, "text, besides its bytes"};
// About what drawing a thousand points costs, as a match takes a quarter of a millisecond.
inline constexpr PlotPrice kFontMatchPrice{1000, 1, "font matched to an installed one"};
// A paragraph, run, word, line, piece or rule: a unit per 16 bytes it holds.
inline constexpr PlotPrice kLayoutPartPrice{16, 1, "part of a multiline text's layout"};
inline constexpr PlotPrice kInkPrice{1, 64, "pixels of ink on a PNG or JPG"};
inline constexpr PlotPrice kEdgeRowPrice{1, 1, "row of a PNG or JPG that an edge of an outline spans"};
// cairo's setting up of each fill, a few microseconds.
inline constexpr PlotPrice kRasterFillPrice{4, 1, "fill on a PNG or JPG"};
inline constexpr PlotPrice kClipSweepPrice{1, 1, "edge drawn under a clip kept as a path, and each edge of that clip"};
// The sweep walks past the clip's edges that cross one row to insert each edge it meets.
inline constexpr PlotPrice kClipRowPrice{1, 8, "edges of such a clip that cross one row, for each edge swept"};

inline constexpr PlotPrice kPatternLinePrice{
    1, 1, "line of a hatch pattern over the part of its boundary that may show, and each time it crosses the boundary"};
inline constexpr PlotPrice kDashPeriodPrice{1, 1, "period of such a line's dashes over that part"};

inline constexpr std::array kPlotPrices{kEntityPrice, kCellPrice, kPointPrice, kBytePrice,
                                        kTextPrice, kFontMatchPrice, kLayoutPartPrice, kInkPrice,
                                        kEdgeRowPrice, kRasterFillPrice, kClipSweepPrice, kClipRowPrice,
                                        kPatternLinePrice, kDashPeriodPrice};

} // namespace qv
