// A path on the sheet of straight and cubic Bézier segments, in device units: arcs and
// ellipses stay curves to the file (a PDF's "c" operators, cairo's curves), and are cut into
// chords only where points are needed (dashes, the clipping of hatch lines).
#pragma once

#include "devicepath.h"

#include <cstddef>
#include <vector>

namespace qv {

class CurvedPath
{
public:
    // A straight segment to p; the path's first point when it is empty.
    void lineTo(DevicePoint p);
    // A cubic segment to end, bent by two control points.
    void curveTo(DevicePoint c1, DevicePoint c2, DevicePoint end);

    // The path's points, control points included; a segment to point i is curved when
    // isControl(i - 2) (its first control point).
    const DevicePath& points() const { return m_points; }
    bool isControl(std::size_t i) const { return m_control[i]; }
    std::size_t size() const { return m_points.size(); }
    bool empty() const { return m_points.empty(); }
    void clear()
    {
        m_points.clear();
        m_control.clear();
    }

    // The path as chords that stray at most tolerance from its curves, appended to out until
    // it holds more than maxPoints.
    void flatten(DevicePath& out, double tolerance, std::size_t maxPoints) const;

private:
    DevicePath m_points;
    std::vector<bool> m_control;
};

} // namespace qv
