#include "outlinesweep.h"

#include <algorithm>
#include <set>
#include <tuple>

namespace outline {

bool inRowOf(const std::vector<Piece>& pieces, std::size_t p, std::size_t q)
{
    const std::size_t n = pieces.size();
    return (p + 1) % n == q || (q + 1) % n == p;
}

namespace {

// Whether the piece goes down from its left end.
bool descends(const Piece& piece)
{
    if (!piece.arc)
        return piece.right.y < piece.left.y;
    return piece.upper ? piece.left.x >= piece.centre.x : piece.left.x < piece.centre.x;
}

// Whether a piece that the sweep meets at its left end lies below another of its row there.
bool belowNeighbour(const Piece& entering, const Piece& other)
{
    const Vec at = entering.left;
    if (other.left == at) // both leave the joint rightwards: compare at the nearer right end
        return entering.right.x <= other.right.x ? !above(other, entering.right) : above(entering, other.right);
    if (other.right == at) // the other ends at the joint and runs on level from there
        return descends(entering);
    return !above(other, at);
}

// Shamos and Hoey's sweep over the pieces from left to right (points of one x from the bottom up).
// It keeps the pieces that an upright line meets in their order along it and tests two pieces only
// when they come next to each other there: if any two meet, two that meet come next to each other
// before the sweep passes the leftmost point where pieces meet. A piece stays in the order for tol
// beyond its right end, running on level from it, so that ends within tol of each other are in the
// order together whichever comes first. Pieces in a row are taken to meet only at their joint,
// though they may run within tol of each other beside it and so stand between two pieces that
// meet: a piece next to one of its row is tested against the piece beyond that one too.
class Sweep
{
public:
    Sweep(const std::vector<Piece>& pieces, double tol)
        : m_pieces(pieces), m_tol(tol), m_order(Below{this}), m_places(pieces.size())
    {
    }
    Sweep(const Sweep&) = delete;
    Sweep& operator=(const Sweep&) = delete;

    bool run()
    {
        for (const Event& event : events())
            if (event.enters ? enter(event.piece) : leave(event.piece))
                return true;
        return false;
    }

private:
    struct Event
    {
        Vec at;
        std::size_t piece;
        bool enters;
    };

    // Orders pieces along the upright line through the left end of the piece entering, which
    // is one of the two compared.
    struct Below
    {
        Sweep* sweep;
        bool operator()(std::size_t p, std::size_t q) const
        {
            return p == sweep->m_entering ? sweep->enteringBelow(q) : !sweep->enteringBelow(p);
        }
    };
    using Order = std::set<std::size_t, Below>;

    std::vector<Event> events() const
    {
        std::vector<Event> events;
        events.reserve(2 * m_pieces.size());
        for (std::size_t i = 0; i < m_pieces.size(); ++i) {
            events.push_back({m_pieces[i].left, i, true});
            events.push_back({{m_pieces[i].right.x + m_tol, m_pieces[i].right.y}, i, false});
        }
        // By place, entries before departures.
        std::sort(events.begin(), events.end(), [](const Event& a, const Event& b) {
            return std::tie(a.at.x, a.at.y, b.enters) < std::tie(b.at.x, b.at.y, a.enters);
        });
        return events;
    }

    bool inRow(std::size_t p, std::size_t q) const { return inRowOf(m_pieces, p, q); }

    // Whether the entering piece goes below the piece. Its left end, when within tol of a piece it
    // may not meet, is noted as a meeting, so that the order rests only on comparisons decided by
    // more than the rounding of their arithmetic.
    bool enteringBelow(std::size_t piece)
    {
        const Piece& entering = m_pieces[m_entering];
        const Piece& other = m_pieces[piece];
        if (inRow(m_entering, piece))
            return belowNeighbour(entering, other);
        m_touch = m_touch || distance(other, entering.left) <= m_tol;
        return !above(other, entering.left);
    }

    bool enter(std::size_t piece)
    {
        m_entering = piece;
        const Order::iterator placed = m_order.insert(piece).first;
        m_places[piece] = placed;
        if (m_touch)
            return true;
        return (placed != m_order.begin() && meetAdjacent(std::prev(placed), placed)) ||
               (std::next(placed) != m_order.end() && meetAdjacent(placed, std::next(placed)));
    }

    bool leave(std::size_t piece)
    {
        const Order::iterator next = m_order.erase(m_places[piece]);
        return next != m_order.begin() && next != m_order.end() && meetAdjacent(std::prev(next), next);
    }

    // Whether two pieces next to each other in the order meet; when they are in a row, whether
    // either meets the piece beyond the other.
    bool meetAdjacent(Order::iterator lower, Order::iterator upper) const
    {
        if (!inRow(*lower, *upper))
            return meet(*lower, *upper);
        return (std::next(upper) != m_order.end() && meet(*lower, *std::next(upper))) ||
               (lower != m_order.begin() && meet(*std::prev(lower), *upper));
    }

    bool meet(std::size_t p, std::size_t q) const
    {
        return !inRow(p, q) && meeting(m_pieces[p], m_pieces[q], m_tol);
    }

    const std::vector<Piece>& m_pieces;
    const double m_tol;
    Order m_order;
    std::vector<Order::iterator> m_places;
    std::size_t m_entering = 0;
    bool m_touch = false;
};

// Whether a piece no wider or taller than a few times tol meets any piece it is not in a row with.
// Among such pieces, crowded within the tolerance, the sweep's order cannot be trusted to bring
// each next to those it meets; real outlines hold few of them, if any.
bool smallPiecesMeet(const std::vector<Piece>& pieces, double tol)
{
    constexpr double kSmall = 8;
    std::vector<Box> boxes;
    boxes.reserve(pieces.size());
    for (const Piece& piece : pieces)
        boxes.push_back(boxOf(piece, tol));
    for (std::size_t p = 0; p < pieces.size(); ++p) {
        const Box& box = boxes[p];
        if (box.right - box.left > (kSmall + 2) * tol || box.top - box.bottom > (kSmall + 2) * tol)
            continue;
        for (std::size_t q = 0; q < pieces.size(); ++q)
            if (q != p && !inRowOf(pieces, p, q) && overlap(box, boxes[q]) && meeting(pieces[p], pieces[q], tol))
                return true;
    }
    return false;
}

} // namespace

std::vector<Vec> meetingsInRow(const std::vector<Piece>& pieces, double tol)
{
    std::vector<Vec> met;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        const Piece& before = pieces[i];
        const Piece& after = pieces[(i + 1) % pieces.size()];
        if (before.segment != after.segment)
            if (const std::optional<Vec> at = meetingBeyondJoint(before, after, tol))
                met.push_back(*at);
    }
    return met;
}

bool piecesMeet(const std::vector<Piece>& pieces, double tol, std::size_t pairwiseUpTo)
{
    // Two pieces in a row both ways share both ends, where a line and an arc, or two circles,
    // meet if at all.
    if (pieces.size() < 3)
        return false;
    // The sweep takes pieces in a row to meet only at their joint.
    if (!meetingsInRow(pieces, tol).empty())
        return true;
    if (pieces.size() <= pairwiseUpTo) {
        bool met = false;
        forEachNearPair(pieces, tol, [&](const Piece& p, const Piece& q) { return met = meeting(p, q, tol).has_value(); });
        return met;
    }
    return Sweep(pieces, tol).run() || smallPiecesMeet(pieces, tol);
}

} // namespace outline
