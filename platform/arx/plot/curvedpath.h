// A path on the sheet of straight and cubic Bézier segments, in device units: arcs and
// ellipses stay curves to the file (a PDF's "c" operators, cairo's curves), and are cut into
// chords only where points are needed (dashes, the clipping of hatch lines).
#pragma once

#include "devicepath.h"

#include "arx/dbboxtree.h"

#include <cstddef>
#include <span>
#include <vector>

namespace qv {

// Whether every point lies within the box (a point that is not a number does not).
bool liesWithin(const Box2d& box, std::span<const DevicePoint> points);

class CurvedPath
{
public:
    CurvedPath() = default;
    // The straight path through the points.
    explicit CurvedPath(std::span<const DevicePoint> points);

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

    // The parts of the path (closed by a straight segment when asked) that may show in the
    // box near, each run of them appended to out as an open path: a segment whose points lie
    // within the larger box whole is kept as it is, one wholly outside near (or not finite)
    // is left out, and the others are clipped (straight ones) or halved (curves) until they
    // are one or the other.
    void cut(const Box2d& near, const Box2d& whole, bool closed, std::vector<CurvedPath>& out) const;
    // The region the path bounds (closed by a straight segment), the same within the box near,
    // with every point within the larger box whole: curves within whole are kept, those
    // wholly outside near become their chords and the others are halved until they are one
    // or the other; the straight edges are then clipped to whole. Points that are not finite
    // are left out.
    CurvedPath cutRegion(const Box2d& near, const Box2d& whole) const;
    // A point of the path (its ends and what lies between them, not a control point) at most
    // slack further from c than the path's nearest: curves are halved only where their control
    // points' box may hold a point nearer by more than slack. c itself when none is finite.
    DevicePoint nearestTo(DevicePoint c, double slack) const;

private:
    DevicePath m_points;
    std::vector<bool> m_control;
};

} // namespace qv
