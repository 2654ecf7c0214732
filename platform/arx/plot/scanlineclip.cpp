#include "scanlineclip.h"

#include <algorithm>
#include <cmath>

namespace qv {

ScanlineClip::ScanlineClip(long first, long last) : m_first(first), m_last(last) {}

void ScanlineClip::addLoop(std::span<const FramePoint> points)
{
    for (std::size_t i = 0; i < points.size(); ++i) {
        const FramePoint a = points[i], b = points[(i + 1) % points.size()];
        if (!std::isfinite(a.u) || !std::isfinite(a.s) || !std::isfinite(b.u) || !std::isfinite(b.s))
            continue;
        // The lines from the edge's lower end up to, not at, its upper end: a vertex on a line
        // counts once between its two edges, or twice or not at all where the loop turns back
        // there, which keeps each line's crossings even. Edges along a line cross none.
        const double first = std::max(std::ceil(std::min(a.u, b.u)), static_cast<double>(m_first));
        const double last = std::min(std::ceil(std::max(a.u, b.u)) - 1, static_cast<double>(m_last));
        if (!(first <= last))
            continue;
        m_edges.push_back({a.u, a.s, b.u, b.s, static_cast<long>(first), static_cast<long>(last)});
        m_crossings += static_cast<std::size_t>(last - first) + 1;
    }
}

void ScanlineClip::scan(const std::function<void(long, double, double)>& inside) const
{
    std::vector<const Edge*> pending, active;
    for (const Edge& e : m_edges)
        pending.push_back(&e);
    std::sort(pending.begin(), pending.end(), [](const Edge* a, const Edge* b) { return a->first > b->first; });
    std::vector<double> cuts;
    for (long k = m_first; !pending.empty() || !active.empty(); ++k) {
        if (active.empty())
            k = std::max(k, pending.back()->first);   // lines that meet no edge
        for (; !pending.empty() && pending.back()->first <= k; pending.pop_back())
            active.push_back(pending.back());
        cuts.clear();
        for (const Edge* e : active)
            cuts.push_back(std::lerp(e->s0, e->s1, (static_cast<double>(k) - e->u0) / (e->u1 - e->u0)));
        std::sort(cuts.begin(), cuts.end());
        for (std::size_t i = 0; i + 1 < cuts.size(); i += 2)
            if (cuts[i] < cuts[i + 1])
                inside(k, cuts[i], cuts[i + 1]);
        std::erase_if(active, [k](const Edge* e) { return e->last <= k; });
    }
}

} // namespace qv
