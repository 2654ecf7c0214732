// Draws a layout of a drawing to a file, as the host's plot engine does: model space or a
// paper layout with its viewports, on the sheet, at the scale, rotation and centring that
// the plot settings give. The device configuration names the format:
//   "DWG To PDF.pc3"        PDF, vector, texts kept as text;
//   "PublishToWeb PNG.pc3"  PNG, raster;
//   "PublishToWeb JPG.pc3"  JPG, raster;
//   "DWF6 ePlot.pc3"        refused: no writer of that format is available here.
// The sheet is the canonical media name's paper size; raster devices draw it at
// PlotRequest::dotsPerInch. The file is written through a temporary file renamed into place.
#pragma once

#include "arx/dbid.h"
#include "arx/dblayout.h"

#include <string>

class AcDbDatabase;

namespace qv {

struct PlotRequest
{
    AcDbDatabase* database = nullptr;
    AcDbObjectId layoutId;              // the layout to draw
    const AcDbPlotSettings* settings = nullptr;   // the settings to draw it with (the layout's own or overrides)
    std::string path;                   // the file to write
    double dotsPerInch = 100.0;         // raster devices only
};

struct PlotResult
{
    Acad::ErrorStatus status = Acad::eOk;
    std::string message;   // why it failed, for the user; empty on success
};

// The device's output format by its configuration name: "pdf", "png", "jpg", "dwf", or ""
// for a device this host does not know.
std::string plotDeviceFormat(const std::string& plotCfgName);

// The paper size of a canonical media name in millimetres (width, height as the name gives
// them); false for a name that is not one of the host's media.
bool plotMediaSize(const std::string& canonicalMediaName, double& widthMm, double& heightMm);

PlotResult plotLayout(const PlotRequest& request);

} // namespace qv
