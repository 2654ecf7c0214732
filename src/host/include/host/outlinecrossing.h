// Where a closed outline crosses or touches itself, where the net signed area the commands
// measure for a space may not be that of what its outline encloses.
#pragma once

#include "arx/dbcurves.h"
#include "arx/geometry.h"

#include <cstddef>
#include <optional>

struct OutlineMeeting
{
    AcGePoint2d at;
    // Whether two of its segments cross there, so that its net signed area is not that of what it
    // encloses; else they touch or overlap, where it may be (a hole joined by a slit, two rooms
    // meeting at a corner) or may not (a square traced twice).
    bool crosses;
};

// A point where the outline, taken as closed (as its area is), crosses, overlaps or touches
// itself, in its own plane coordinates (those of its vertices); none when it does not. Segments
// (lines and arcs) that are not neighbours may not meet at all, not even at a vertex, so a hole
// joined to the outline by a slit counts; neighbours may meet only at the vertex they share. What
// encloses nothing and leaves the area as it is does not count: repeated vertices, and zero-width
// spikes that fold straight back along a line or an arc, however far and however often (the
// segments either side become neighbours). Points within 1e-9 of the outline's size count as one,
// measured from its first vertex, so that the answer does not depend on where the outline lies.
// Outlines of up to pairwiseUpTo pieces (segments, arcs cut at their leftmost and rightmost
// points) are searched pair by pair, their boxes first, which costs less for a room's few
// segments; larger ones by a sweep whose cost grows as n log n (tests pass 0 to take it always).
// The search stops at the first meeting.
constexpr std::size_t kPairwiseOutline = 48;
std::optional<OutlineMeeting> findSelfCrossing(const AcDbPolyline& outline,
                                               std::size_t pairwiseUpTo = kPairwiseOutline);
