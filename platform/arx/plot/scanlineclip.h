// The parts of a family of parallel lines that lie inside closed loops by the even-odd rule
// (so that islands stay empty), found line by line: the loops' edges are bucketed by the
// first line they cross, and each line is cut where it meets the edges active at it. The
// work grows with the edges, the lines and the crossings, not with their product.
// Points are given in the family's frame: line k lies where u is k, and s runs along it.
#pragma once

#include <cstddef>
#include <functional>
#include <span>
#include <vector>

namespace qv {

struct FramePoint {
    double u = 0, s = 0;
};

class ScanlineClip
{
public:
    // Lines first to last.
    ScanlineClip(long first, long last);

    // Adds the edges of a closed loop; those with a coordinate that is not finite are left out.
    void addLoop(std::span<const FramePoint> points);
    // How many times the lines cross the edges added so far.
    std::size_t crossings() const { return m_crossings; }
    // Calls inside(k, from, to) for each part of each line inside the loops, from < to, in
    // order of k and then of s.
    void scan(const std::function<void(long, double, double)>& inside) const;

private:
    // An edge from (u0, s0) to (u1, s1), crossing lines first to last.
    struct Edge {
        double u0, s0, u1, s1;
        long first, last;
    };

    long m_first, m_last;
    std::vector<Edge> m_edges;
    std::size_t m_crossings = 0;
};

} // namespace qv
