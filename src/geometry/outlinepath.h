// A closed outline as the crossing query walks it: plane points taken from the outline's first
// vertex, each with the bulge of the segment that leaves it.
#pragma once

#include <cmath>
#include <vector>

namespace outline {

struct Vec
{
    double x = 0, y = 0;
};

inline Vec operator+(Vec a, Vec b) { return {a.x + b.x, a.y + b.y}; }
inline Vec operator-(Vec a, Vec b) { return {a.x - b.x, a.y - b.y}; }
inline Vec operator*(Vec a, double s) { return {a.x * s, a.y * s}; }
inline bool operator==(Vec a, Vec b) { return a.x == b.x && a.y == b.y; }
inline double dot(Vec a, Vec b) { return a.x * b.x + a.y * b.y; }
inline double cross(Vec a, Vec b) { return a.x * b.y - a.y * b.x; }
inline double length(Vec a) { return std::sqrt(dot(a, a)); }
// The vector turned a quarter turn counter-clockwise.
inline Vec leftNormal(Vec a) { return {-a.y, a.x}; }

struct PathVertex
{
    Vec point;
    double bulge = 0; // of the segment to the next vertex: tan(angle / 4), counter-clockwise positive
};

// The point halfway along the segment from p to q with the bulge.
inline Vec segmentMidpoint(Vec p, Vec q, double bulge)
{
    const Vec chord = q - p;
    return p + chord * 0.5 + Vec{chord.y, -chord.x} * (bulge / 2);
}

// How far the centre of an arc lies left of its chord's middle, in chord lengths:
// (1 - bulge^2) / (4 bulge), found without squaring a bulge that is huge.
inline double centreOffset(double bulge)
{
    return (1 / bulge - bulge) / 4;
}

// The net signed area of the closed path, counter-clockwise positive.
double signedArea(const std::vector<PathVertex>& path);

// The chord turned counter-clockwise by the angle whose half tangent is t: the heading at an end
// of an arc is its chord turned by half the arc's angle, whose half tangent is the bulge.
inline Vec turnedByHalfTangent(Vec chord, double t)
{
    if (t == 0)
        return chord;
    const double c = (1 - t) * (1 + t) / (1 + t * t), s = 2 * t / (1 + t * t);
    if (!std::isfinite(c)) // a bulge so large that its arc is a whole turn: back along the chord
        return chord * -1;
    return {chord.x * c - chord.y * s, chord.x * s + chord.y * c};
}

// The directions of travel where the segment from p to q with the bulge starts and ends.
inline Vec startHeading(Vec p, Vec q, double bulge)
{
    return turnedByHalfTangent(q - p, -bulge);
}

inline Vec endHeading(Vec p, Vec q, double bulge)
{
    return turnedByHalfTangent(q - p, bulge);
}

// The closed path with what encloses nothing taken out, each within tol of what it stands for:
// segments no longer than tol (the segments either side become neighbours), arcs that keep within
// tol of their chords (made straight), and zero-width folds, where a segment runs back along the
// one before it, line or arc (a spike out and back, one that stops short of its base or runs
// beyond it), replaced by the single segment they amount to. None of these changes the area. Fewer than two
// vertices remain when nothing is enclosed.
std::vector<PathVertex> simplifyPath(std::vector<PathVertex> path, double tol);

} // namespace outline
