// How a closed path winds about a point where its pieces meet: the winding numbers of the
// regions around the point, between the passages of the path through it.
#pragma once

#include "outlinepiece.h"

#include <vector>

namespace outline {

// Whether the path's net signed area counts a region beside x other than as what it encloses: a
// region that it winds about twice or more, or the other way than its orientation (+1
// counter-clockwise, -1 clockwise), which then counts twice or against the rest. Regions no wider
// than tol between two pieces that run along each other do not count; false when the winding
// cannot be told. Costs the length of the path.
bool wrongsAreaAt(const std::vector<Piece>& pieces, Vec x, double tol, int orientation);

} // namespace outline
