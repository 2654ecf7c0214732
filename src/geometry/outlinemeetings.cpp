#include "outlinemeetings.h"

#include "outlinesweep.h"
#include "outlinewinding.h"

#include <algorithm>

namespace outline {

namespace {

// The points in order of x and then y, those within tol of one kept before left out.
std::vector<Vec> apart(std::vector<Vec> points, double tol)
{
    std::sort(points.begin(), points.end(), [](Vec a, Vec b) { return a.x < b.x || (a.x == b.x && a.y < b.y); });
    std::vector<Vec> kept;
    for (const Vec x : points) {
        bool near = false;
        for (auto k = kept.rbegin(); k != kept.rend() && k->x >= x.x - tol && !near; ++k)
            near = length(*k - x) <= tol;
        if (!near)
            kept.push_back(x);
    }
    return kept;
}

} // namespace

std::optional<Meeting> worstMeeting(const std::vector<Piece>& pieces, double tol, int orientation)
{
    std::vector<Vec> touches = meetingsInRow(pieces, tol), found;
    std::optional<Vec> crossing;
    forEachNearPair(pieces, tol, [&](const Piece& p, const Piece& q) {
        found.clear();
        meetings(p, q, tol, found);
        for (const Vec x : found) {
            if (crossAt(p, q, x, tol)) {
                crossing = x;
                return true;
            }
            touches.push_back(x);
        }
        return false;
    });
    if (crossing)
        return Meeting{*crossing, true};
    touches = apart(std::move(touches), tol);
    if (touches.empty())
        return std::nullopt;
    for (const Vec x : touches)
        if (wrongsAreaAt(pieces, x, tol, orientation))
            return Meeting{x, true};
    return Meeting{touches.front(), false};
}

} // namespace outline
