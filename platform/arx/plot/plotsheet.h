// Where a plot lies on its sheet: the media's paper size, the printable area inside the
// margins, and the transform from drawing coordinates to device units (points for PDF,
// pixels for rasters; y down) that the plot area, scale, rotation and centring give.
#pragma once

#include "arx/dbboxtree.h"
#include "arx/geometry.h"

#include <string>

class AcDbPlotSettings;

namespace qv {

// A canonical media name's paper size in millimetres: "<group>_(<w>_x_<h>_<MM|Inches>)".
bool parseMediaSize(const std::string& name, double& widthMm, double& heightMm);
// A standard scale type's ratio of paper to drawing units (1 to 34); the imperial ones
// ("1/8\" = 1'-0\"") count paper in inches, the others in the settings' paper units.
bool standardScaleRatio(int type, double& ratio, bool& inches);

class PlotSheet
{
public:
    PlotSheet(const AcDbPlotSettings& settings, double widthMm, double heightMm, double unitsPerMm);

    double widthMm() const { return m_width; }
    double heightMm() const { return m_height; }
    // The printable area's size in millimetres, the plot rotation applied (the drawing's
    // width runs along the first value).
    double printableWidthMm() const;
    double printableHeightMm() const;
    // Places the area of the drawing on the sheet: the transform from drawing coordinates
    // to device units.
    AcGeMatrix3d place(const Box2d& area) const;

private:
    double millimetresPerDrawingUnit(const Box2d& area) const;

    const AcDbPlotSettings& m_settings;
    double m_width, m_height, m_unitsPerMm;
    double m_left = 0, m_bottom = 0, m_right = 0, m_top = 0;   // margins (mm)
};

} // namespace qv
