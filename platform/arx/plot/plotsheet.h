// Where a plot lies on its sheet: the media's paper size, the printable area inside the
// margins, and the transform from drawing coordinates to device units (points for PDF,
// pixels for rasters; y down) that the plot area, scale, rotation and centring give.
#pragma once

#include "arx/dbboxtree.h"
#include "arx/geometry.h"

class AcDbPlotSettings;

namespace qv {

// A standard scale type's ratio of paper to drawing units (1 to 34); the imperial ones
// ("1/8\" = 1'-0\"") count paper in inches, the others in the settings' paper units.
bool standardScaleRatio(int type, double& ratio, bool& inches);

class PlotSheet
{
public:
    // The scale an area is placed at.
    struct Scale
    {
        double mmPerDrawingUnit = 1;
        double paperUnitMm = 1;   // the inch for inch paper and the imperial standard scales
        bool fitted = false;      // to the printable area
        // The drawing units a paper unit stands for: 100 at 1:100.
        double drawingUnitsPerPaperUnit() const { return paperUnitMm / mmPerDrawingUnit; }
    };

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
    Scale scale(const Box2d& area) const;

private:
    const AcDbPlotSettings& m_settings;
    double m_width, m_height, m_unitsPerMm;
    double m_left = 0, m_bottom = 0, m_right = 0, m_top = 0;   // margins (mm)
};

} // namespace qv
