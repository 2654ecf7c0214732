// The places where a closed path's pieces meet, each judged: whether the path's net signed area
// is still what it encloses there.
#pragma once

#include "outlinepiece.h"

#include <optional>
#include <vector>

namespace outline {

struct Meeting
{
    Vec at;
    bool wrongsArea; // the area is not what the path encloses there
};

// Of all the places where two pieces not in a row come within tol of each other, or two in a row
// meet away from their joint, the first (in the order of the pieces' left sides) where they cross,
// overlap running the same way or meet so that a region about the place counts other than once
// (wrongsAreaAt, for a path turning as orientation says); else the first place of all (they only
// touch or overlap running opposite ways, as a hole joined by a slit); none when they do not
// meet. Costs n log n and the pairs of pieces whose boxes meet, and the length of the path for
// each place where pieces touch.
std::optional<Meeting> worstMeeting(const std::vector<Piece>& pieces, double tol, int orientation);

} // namespace outline
