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
    // Whether its net signed area is not that of what it encloses there: it crosses itself (at a
    // vertex too), runs along itself the same way (a square traced twice) or touches itself so
    // that what lies beside is counted twice or against the rest (two rooms meeting at a corner,
    // one running the other way round). Else it touches itself where that changes no area (a hole
    // joined by a slit, two rooms meeting at a corner running the same way).
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
// An outline that turns one way only and once round in all (a rectangle, a round room) meets
// itself nowhere and is not searched. Outlines of up to pairwiseUpTo pieces (segments, arcs cut at
// their leftmost and rightmost points) are searched pair by pair, their boxes first, which costs
// less for a room's few segments; larger ones by a sweep whose cost grows as n log n (tests pass 0
// to take it always); both find a meeting where the other does. One that meets itself then has
// every meeting judged, and the first that wrongs the area is named, else the first of all.
constexpr std::size_t kPairwiseOutline = 48;
std::optional<OutlineMeeting> findSelfCrossing(const AcDbPolyline& outline,
                                               std::size_t pairwiseUpTo = kPairwiseOutline);
