#include "linepattern.h"

#include <cmath>

namespace qv {

namespace {

constexpr double kMaxDashes = 100000;   // pattern elements along one path before it is drawn solid

DevicePoint along(DevicePoint a, DevicePoint b, double span, double at)
{
    const double t = span > 0 ? at / span : 0;
    return {a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t};
}

} // namespace

void LinePattern::set(const std::vector<double>& lengths, double scale, double finest)
{
    m_lengths.clear();
    m_period = 0;
    bool gap = false;
    for (double length : lengths) {
        m_period += std::abs(length * scale);
        gap = gap || length < 0;
    }
    if (!gap || !std::isfinite(m_period) || !(m_period > 0) || m_period < finest)
        return;
    for (double length : lengths)
        m_lengths.push_back(length * scale);
}

bool LinePattern::split(const DevicePath& path, bool closed, DevicePath& points, std::vector<size_t>& starts) const
{
    points.clear();
    starts.clear();
    const size_t n = path.size();
    if (m_lengths.empty() || n < 2)
        return false;
    const size_t segments = closed ? n : n - 1;
    double length = 0;
    for (size_t i = 0; i < segments; ++i)
        length += std::hypot(path[(i + 1) % n].x - path[i].x, path[(i + 1) % n].y - path[i].y);
    if (!(length >= m_period) || length / m_period * static_cast<double>(m_lengths.size()) > kMaxDashes)
        return false;
    size_t k = m_lengths.size() - 1;   // the element being laid, the last one before the path starts
    double left = 0;                   // what remains of it
    for (size_t i = 0; i < segments; ++i) {
        const DevicePoint a = path[i], b = path[(i + 1) % n];
        const double span = std::hypot(b.x - a.x, b.y - a.y);
        double done = 0;
        for (;;) {
            if (left <= 0) {
                // The next element begins here; a dot is a run of one point twice, and
                // takes no length.
                do {
                    k = (k + 1) % m_lengths.size();
                    if (m_lengths[k] >= 0) {
                        starts.push_back(points.size());
                        points.push_back(along(a, b, span, done));
                    }
                    if (m_lengths[k] == 0)
                        points.push_back(points.back());
                } while (m_lengths[k] == 0);
                left = std::abs(m_lengths[k]);
            }
            const double rest = span - done;
            const bool ends = left < rest;   // the element ends within this segment
            done = ends ? done + left : span;
            left = ends ? 0 : left - rest;
            if (m_lengths[k] > 0)
                points.push_back(along(a, b, span, done));
            if (!ends)
                break;
        }
    }
    return true;
}

} // namespace qv
