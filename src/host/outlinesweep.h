// The search for a place where a closed path's pieces meet other than at their joints.
#pragma once

#include "outlinepiece.h"

#include <optional>
#include <vector>

namespace outline {

struct Meeting
{
    Vec at;
    bool crosses; // the pieces cross there (crossAt), rather than touch
};

// A point where two pieces that are not in a row come within tol of each other, or where two in a
// row meet away from their joint; none when there is no such point. Up to pairwiseUpTo pieces
// are tried pair by pair, more by a sweep that costs n log n; either stops at the first point
// found.
std::optional<Meeting> findMeeting(const std::vector<Piece>& pieces, double tol, std::size_t pairwiseUpTo);

} // namespace outline
