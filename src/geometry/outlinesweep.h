// The search for a place where a closed path's pieces meet other than at their joints.
#pragma once

#include "outlinepiece.h"

#include <algorithm>
#include <cstddef>
#include <numeric>
#include <vector>

namespace outline {

// Whether two pieces not in a row come within tol of each other, or two in a row meet away
// from their joint. Up to pairwiseUpTo pieces are tried pair by pair, more by a sweep that
// costs n log n, and then each piece no larger than a few times tol against those near it,
// and the pieces either side of a run of such pieces against each other; either stops at the
// first meeting found, and both find one where the other does.
bool piecesMeet(const std::vector<Piece>& pieces, double tol, std::size_t pairwiseUpTo);

// The points away from their joint where two pieces in a row, of different segments, meet.
std::vector<Vec> meetingsInRow(const std::vector<Piece>& pieces, double tol);

bool inRowOf(const std::vector<Piece>& pieces, std::size_t p, std::size_t q);

// Offers each pair of pieces not in a row whose boxes meet to found, in the order of the later
// one's left side, until it says stop: each pair tried, but those far apart across the whole
// outline passed over by the boxes' order.
template <class Found>
void forEachNearPair(const std::vector<Piece>& pieces, double tol, Found found)
{
    std::vector<Box> boxes;
    boxes.reserve(pieces.size());
    for (const Piece& piece : pieces)
        boxes.push_back(boxOf(piece, tol));
    std::vector<std::size_t> order(pieces.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return boxes[a].left < boxes[b].left; });
    std::vector<std::size_t> open;
    for (const std::size_t p : order) {
        std::erase_if(open, [&](std::size_t q) { return boxes[q].right < boxes[p].left; });
        for (const std::size_t q : open)
            if (!inRowOf(pieces, p, q) && overlap(boxes[p], boxes[q]) && found(pieces[q], pieces[p]))
                return;
        open.push_back(p);
    }
}

} // namespace outline
