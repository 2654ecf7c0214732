// A linetype's dashes laid along device paths: the pattern (dashes, gaps and dots in device
// units) starts afresh at each path's first point and runs on across its corners. A path
// shorter than one pattern, or one that would take too many dashes, is drawn solid, as CAD
// programs draw it; so is a pattern too fine to tell from a solid line.
#pragma once

#include "devicepath.h"

#include <cstddef>
#include <vector>

namespace qv {

class LinePattern
{
public:
    // Lengths in drawing units times scale: positive dashes, negative gaps, zero dots. An
    // empty pattern, one without gaps, or one whose repeat is shorter than finest is solid.
    void set(const std::vector<double>& lengths, double scale, double finest);
    bool isSolid() const { return m_lengths.empty(); }

    // The dashes of the path as runs of points, run i from points[starts[i]]; false when
    // the path is drawn solid.
    bool split(const DevicePath& path, bool closed, DevicePath& points, std::vector<std::size_t>& starts) const;

private:
    std::vector<double> m_lengths;
    double m_period = 0;
};

} // namespace qv
