// The pieces a closed path is cut into for the crossing query: straight segments and parts of
// arcs, the arcs cut at their leftmost and rightmost points so that an upright line meets each
// piece at most once, as a sweep from left to right takes them.
#pragma once

#include "outlinepath.h"

#include <cstddef>
#include <optional>
#include <vector>

namespace outline {

struct Piece
{
    Vec left, right;         // its ends, ordered by x and then by y
    bool forward = true;     // whether the path runs along it from left to right
    bool arc = false;
    Vec centre;              // of an arc
    double radius = 0;
    bool upper = false;      // whether an arc's piece lies above its centre (else below)
    std::size_t segment = 0; // the path segment it is part of

    Vec start() const { return forward ? left : right; }
    Vec end() const { return forward ? right : left; }
    // Whether the path turns counter-clockwise along an arc's piece.
    bool counterClockwise() const { return upper != forward; }
};

// The box around a piece, widened by tol: an arc's piece reaches its circle's top or bottom
// between its ends.
struct Box
{
    double left, bottom, right, top;
};
Box boxOf(const Piece& piece, double tol);
bool overlap(const Box& a, const Box& b);

// The pieces of the closed path in its order, each one's end the next one's start. An arc of a
// radius beyond maxRadius is taken as chords within a quarter of tol of it.
std::vector<Piece> cutIntoPieces(const std::vector<PathVertex>& path, double tol, double maxRadius);

// The point of the piece nearest to x.
Vec nearest(const Piece& piece, Vec x);
double distance(const Piece& piece, Vec x);
// The direction the path runs along the piece at x on it, and the piece's curvature there,
// positive where the path turns counter-clockwise.
Vec heading(const Piece& piece, Vec x);
double curvature(const Piece& piece);
// The angle the piece subtends at x, which it does not pass through, counter-clockwise
// positive: how far a ray from x turns as it follows the piece from its start to its end.
double subtendedAngle(const Piece& piece, Vec x);
// Whether x lies above the piece where an upright line through x meets it; right of the piece,
// the piece is taken to run on level from its right end.
bool above(const Piece& piece, Vec x);
// A point where two pieces come within tol of each other.
std::optional<Vec> meeting(const Piece& p, const Piece& q, double tol);
// Every such point of theirs found: their ends within tol of the other, and the crossings of
// the lines and circles that carry them within tol of both (an overlap gives its ends).
void meetings(const Piece& p, const Piece& q, double tol, std::vector<Vec>& out);
// Whether two pieces that meet at x cross there: x lies inside both, further than tol from their
// ends, and they are not parallel there. Where they only touch, overlap or meet at an end, what
// the outline encloses may still be its area (a hole joined by a slit, two rooms meeting at a
// corner).
bool crossAt(const Piece& p, const Piece& q, Vec x, double tol);
// A point away from their joint where two pieces in a row, of different segments, cross, or where
// the far end of one comes within tol of the other (but for a sliver narrower than tol along the
// joint, which encloses nothing).
std::optional<Vec> meetingBeyondJoint(const Piece& before, const Piece& after, double tol);

} // namespace outline
