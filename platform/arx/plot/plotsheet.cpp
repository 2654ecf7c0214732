#include "plotsheet.h"

#include "arx/dblayout.h"

#include <algorithm>
#include <cmath>

namespace qv {

namespace {

constexpr double kMmPerInch = 25.4;

} // namespace

bool standardScaleRatio(int type, double& ratio, bool& inches)
{
    // Paper inches per foot of drawing for 1 to 15 and 33; paper to drawing units for the rest.
    static const double imperial[] = {0, 1.0 / 128, 1.0 / 64, 1.0 / 32, 1.0 / 16, 3.0 / 32, 1.0 / 8, 3.0 / 16,
                                      1.0 / 4, 3.0 / 8, 1.0 / 2, 3.0 / 4, 1, 3, 6, 12};
    static const double metric[] = {1, 1.0 / 2, 1.0 / 4, 1.0 / 8, 1.0 / 10, 1.0 / 16, 1.0 / 20, 1.0 / 30, 1.0 / 40,
                                    1.0 / 50, 1.0 / 100, 2, 4, 8, 10, 100, 1000};
    inches = (type >= 1 && type <= 15) || type == 33;
    if (type >= 1 && type <= 15)
        ratio = imperial[type] / 12;
    else if (type >= 16 && type <= 32)
        ratio = metric[type - 16];
    else if (type == 33)
        ratio = 1.5 / 12;
    else if (type == 34)
        ratio = 1.0 / 1000;
    else
        return false;
    return true;
}

PlotSheet::PlotSheet(const AcDbPlotSettings& settings, double widthMm, double heightMm, double unitsPerMm)
    : m_settings(settings), m_width(widthMm), m_height(heightMm), m_unitsPerMm(unitsPerMm)
{
    // Borderless media print to the edge; margins that leave no printable area are dropped.
    if (settings.canonicalMediaName().find("full_bleed") != std::string::npos)
        return;
    settings.getPlotPaperMargins(m_left, m_bottom, m_right, m_top);
    auto usable = [](double margin) { return std::isfinite(margin) && margin >= 0 ? margin : 0; };
    m_left = usable(m_left), m_bottom = usable(m_bottom), m_right = usable(m_right), m_top = usable(m_top);
    if (m_left + m_right >= m_width || m_bottom + m_top >= m_height)
        m_left = m_bottom = m_right = m_top = 0;
}

double PlotSheet::printableWidthMm() const
{
    const bool turned = m_settings.plotRotation() % 2 == 1;
    return turned ? m_height - m_bottom - m_top : m_width - m_left - m_right;
}

double PlotSheet::printableHeightMm() const
{
    const bool turned = m_settings.plotRotation() % 2 == 1;
    return turned ? m_width - m_left - m_right : m_height - m_bottom - m_top;
}

PlotSheet::Scale PlotSheet::scale(const Box2d& area) const
{
    const double toMm = m_settings.plotPaperUnits() == AcDbPlotSettings::kInches ? kMmPerInch : 1;
    double ratio = 0;
    bool inches = false;
    if (m_settings.useStandardScale()) {
        if (standardScaleRatio(m_settings.stdScaleType(), ratio, inches)) {
            const double unit = inches ? kMmPerInch : toMm;
            return {ratio * unit, unit, false};
        }
    } else {
        double numerator = 0, denominator = 0;
        m_settings.getCustomPrintScale(numerator, denominator);
        if (numerator > 0 && denominator > 0 && std::isfinite(numerator / denominator))
            return {numerator / denominator * toMm, toMm, false};
    }
    // Scaled to fit: the area fills the printable area in its tighter direction; an area
    // without size (nothing, or one point) stays at 1:1.
    if (area.isEmpty() || (!(area.width() > 0) && !(area.height() > 0)))
        return {toMm, toMm, true};
    const double w = std::max(area.width(), 1e-9), h = std::max(area.height(), 1e-9);
    return {std::min(printableWidthMm() / w, printableHeightMm() / h), toMm, true};
}

AcGeMatrix3d PlotSheet::place(const Box2d& area) const
{
    const double s = scale(area).mmPerDrawingUnit;
    double originX = 0, originY = 0;
    m_settings.getPlotOrigin(originX, originY);
    const double toMm = m_settings.plotPaperUnits() == AcDbPlotSettings::kInches ? kMmPerInch : 1;
    // In the frame of the printable area turned by the rotation: the area's lower-left corner
    // at the origin offset, or its centre at the area's centre.
    double x = originX * toMm, y = originY * toMm;
    if (m_settings.plotCentered()) {
        x = (printableWidthMm() - area.width() * s) / 2;
        y = (printableHeightMm() - area.height() * s) / 2;
    }
    const AcGeMatrix3d toFrame = AcGeMatrix3d::translation(AcGeVector3d(x, y, 0)) * AcGeMatrix3d::scaling(s)
        * AcGeMatrix3d::translation(AcGeVector3d(-area.minX, -area.minY, 0));
    // The frame turned counter-clockwise onto the paper, then to device units with y down.
    const int quarter = static_cast<int>(m_settings.plotRotation());
    const double pw = printableWidthMm(), ph = printableHeightMm();
    const AcGeVector3d corner[] = {{0, 0, 0}, {ph, 0, 0}, {pw, ph, 0}, {0, pw, 0}};
    const AcGeMatrix3d turn = AcGeMatrix3d::translation(corner[quarter] + AcGeVector3d(m_left, m_bottom, 0))
        * AcGeMatrix3d::rotation(quarter * M_PI / 2, AcGeVector3d::kZAxis);
    AcGeMatrix3d toDevice;
    toDevice(0, 0) = m_unitsPerMm;
    toDevice(1, 1) = -m_unitsPerMm;
    toDevice(1, 3) = m_height * m_unitsPerMm;
    return toDevice * turn * toFrame;
}

} // namespace qv
