#include "curvedpath.h"

#include <algorithm>
#include <cmath>

namespace qv {

namespace {

constexpr int kMaxCurveChords = 1000;   // per cubic segment

} // namespace

void CurvedPath::lineTo(DevicePoint p)
{
    m_points.push_back(p);
    m_control.push_back(false);
}

void CurvedPath::curveTo(DevicePoint c1, DevicePoint c2, DevicePoint end)
{
    m_points.insert(m_points.end(), {c1, c2, end});
    m_control.insert(m_control.end(), {true, true, false});
}

void CurvedPath::flatten(DevicePath& out, double tolerance, size_t maxPoints) const
{
    for (size_t i = 0; i < m_points.size() && out.size() <= maxPoints; ++i) {
        if (!m_control[i] || i == 0) {
            out.push_back(m_points[i]);
            continue;
        }
        // Chords enough for the bend: a cubic strays at most 3/4 of its control polygon's
        // largest second difference over the square of the chords it is cut into.
        const DevicePoint p0 = m_points[i - 1], p1 = m_points[i], p2 = m_points[i + 1], p3 = m_points[i + 2];
        const double bend = std::max(std::hypot(p0.x - 2 * p1.x + p2.x, p0.y - 2 * p1.y + p2.y),
                                     std::hypot(p1.x - 2 * p2.x + p3.x, p1.y - 2 * p2.y + p3.y));
        const double chords = std::ceil(std::sqrt(0.75 * bend / tolerance));
        const int n = std::isfinite(chords) ? static_cast<int>(std::clamp(chords, 1.0, double(kMaxCurveChords))) : 1;
        for (int k = 1; k <= n; ++k) {
            const double t = double(k) / n, s = 1 - t;
            const double a = s * s * s, b = 3 * s * s * t, c = 3 * s * t * t, d = t * t * t;
            out.push_back({a * p0.x + b * p1.x + c * p2.x + d * p3.x, a * p0.y + b * p1.y + c * p2.y + d * p3.y});
        }
        i += 2;
    }
}

} // namespace qv
