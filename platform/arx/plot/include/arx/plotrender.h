// Draws a layout of a drawing to a file, as the host's plot engine does: model space or a
// paper layout with its viewports, on the sheet, at the scale, rotation and centring that
// the plot settings give. The device configuration names the format (PlotDevice): PDF,
// vector, texts kept as text; PNG and JPG, raster, their resolution recorded in the file.
// The sheet is the canonical media name's paper size (PlotMedia); raster devices draw it at
// PlotRequest::dotsPerInch, or lower where the image would have more than maxPixels. The
// work of one plot is bounded: past maxWork it fails and writes nothing. The file is written
// through a temporary file renamed into place. A plot window that holds nothing is named on
// standard error.
#pragma once

#include "arx/dbid.h"
#include "arx/dblayout.h"

#include <cstddef>
#include <string>

class AcDbDatabase;

namespace qv {

// The most work one plot does, in units of the plot's price list (plotprice.h: an entity
// drawn, a point of a path, a byte of a text, a font matched, on a raster 64 pixels of ink,
// and more). Real drawings take under a million, a generated plan of 100,000 rooms six and
// a half; at a few dozen bytes a unit at most, a PDF page stays within a few hundred
// megabytes, and a plot of the most ends within seconds, a raster's within about ten.
constexpr std::size_t kPlotWorkLimit = 20000000;
// The limit a plot request starts with: kPlotWorkLimit, or the smaller positive count that
// the environment variable QUORVANE_PLOT_WORK_LIMIT gives (a larger one, or anything but a
// whole number, leaves it as it is), to see the limit at work without twenty million units.
std::size_t plotWorkLimit();
// The most pixels of a PNG or JPG plot: 400 MB of image, with the encoders' buffers (a
// plot is mostly paper and compresses far) well under 1.5 GB; it holds an A1 sheet at 300
// dots per inch and an A0 at 254.
constexpr double kPlotPixelLimit = 100e6;

struct PlotRequest
{
    AcDbDatabase* database = nullptr;
    AcDbObjectId layoutId;              // the layout to draw
    const AcDbPlotSettings* settings = nullptr;   // the settings to draw it with (the layout's own or overrides)
    std::string path;                   // the file to write
    double dotsPerInch = 100.0;         // raster devices only
    double maxPixels = kPlotPixelLimit;    // of a raster image
    std::size_t maxWork = plotWorkLimit();
    bool extentsForEmptyWindow = false;   // a plot window that holds nothing plots the extents
};

struct PlotResult
{
    Acad::ErrorStatus status = Acad::eOk;
    std::string message;   // why it failed, for the user; empty on success
    std::size_t work = 0;           // the units of work spent
    double dotsPerInch = 0;         // the resolution a raster was drawn at
    // Real length per paper length: 100 at 1:100. Model space's lengths are in the drawing's
    // unit (acdbLengthUnits); a paper layout's in its paper's unit.
    double scale = 0;
    bool fitted = false;            // the scale was fitted to the sheet
    std::string assumedUnit = {};   // the unit taken for model space's when the drawing names none ("mm", "in")
};

PlotResult plotLayout(const PlotRequest& request);

} // namespace qv
