#include "outlinesweep.h"

#include <algorithm>
#include <set>
#include <tuple>

namespace outline {

namespace {

bool inRowOf(const std::vector<Piece>& pieces, std::size_t p, std::size_t q)
{
    const std::size_t n = pieces.size();
    return (p + 1) % n == q || (q + 1) % n == p;
}

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
// order together whichever comes first. Pieces in a row are taken to meet only at their joint.
class Sweep
{
public:
    Sweep(const std::vector<Piece>& pieces, double tol)
        : m_pieces(pieces), m_tol(tol), m_order(Below{this}), m_places(pieces.size())
    {
    }
    Sweep(const Sweep&) = delete;
    Sweep& operator=(const Sweep&) = delete;

    std::optional<Meeting> run()
    {
        for (const Event& event : events()) {
            const std::optional<Meeting> met = event.enters ? enter(event.piece) : leave(event.piece);
            if (met)
                return met;
        }
        return std::nullopt;
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
    // may not meet, is noted as the meeting, so that the order rests only on comparisons decided by
    // more than the rounding of their arithmetic.
    bool enteringBelow(std::size_t piece)
    {
        const Piece& entering = m_pieces[m_entering];
        const Piece& other = m_pieces[piece];
        if (inRow(m_entering, piece))
            return belowNeighbour(entering, other);
        if (!m_touch && distance(other, entering.left) <= m_tol)
            m_touch = entering.left;
        return !above(other, entering.left);
    }

    std::optional<Meeting> enter(std::size_t piece)
    {
        m_entering = piece;
        const Order::iterator placed = m_order.insert(piece).first;
        m_places[piece] = placed;
        if (m_touch)
            return Meeting{*m_touch, false};
        if (placed != m_order.begin())
            if (const std::optional<Meeting> met = meet(*std::prev(placed), piece))
                return met;
        const Order::iterator next = std::next(placed);
        return next == m_order.end() ? std::nullopt : meet(piece, *next);
    }

    std::optional<Meeting> leave(std::size_t piece)
    {
        const Order::iterator placed = m_places[piece];
        const Order::iterator next = m_order.erase(placed);
        if (next == m_order.begin() || next == m_order.end())
            return std::nullopt;
        return meet(*std::prev(next), *next);
    }

    std::optional<Meeting> meet(std::size_t p, std::size_t q) const
    {
        if (inRow(p, q))
            return std::nullopt;
        const std::optional<Vec> at = meeting(m_pieces[p], m_pieces[q], m_tol);
        if (!at)
            return std::nullopt;
        return Meeting{*at, crossAt(m_pieces[p], m_pieces[q], *at, m_tol)};
    }

    const std::vector<Piece>& m_pieces;
    const double m_tol;
    Order m_order;
    std::vector<Order::iterator> m_places;
    std::size_t m_entering = 0;
    std::optional<Vec> m_touch;
};

// The box around a piece, widened by tol: an arc's piece reaches its circle's top or bottom
// between its ends.
struct Box
{
    double left, bottom, right, top;
};

Box boxOf(const Piece& piece, double tol)
{
    double bottom = std::min(piece.left.y, piece.right.y), top = std::max(piece.left.y, piece.right.y);
    if (piece.arc)
        (piece.upper ? top : bottom) = piece.centre.y + (piece.upper ? piece.radius : -piece.radius);
    return {piece.left.x - tol, bottom - tol, piece.right.x + tol, top + tol};
}

bool overlap(const Box& a, const Box& b)
{
    return a.left <= b.right && b.left <= a.right && a.bottom <= b.top && b.bottom <= a.top;
}

// The first meeting of two pieces not in a row, each pair tried, those whose boxes meet only:
// for a few pieces cheaper than the sweep's ordering.
std::optional<Meeting> meetingOfPairs(const std::vector<Piece>& pieces, double tol)
{
    std::vector<Box> boxes;
    boxes.reserve(pieces.size());
    for (const Piece& piece : pieces)
        boxes.push_back(boxOf(piece, tol));
    for (std::size_t p = 0; p < pieces.size(); ++p)
        for (std::size_t q = p + 2; q < pieces.size(); ++q) {
            if (inRowOf(pieces, p, q) || !overlap(boxes[p], boxes[q]))
                continue;
            if (const std::optional<Vec> at = meeting(pieces[p], pieces[q], tol))
                return Meeting{*at, crossAt(pieces[p], pieces[q], *at, tol)};
        }
    return std::nullopt;
}

// A point away from their joint where two pieces in a row, of different segments, meet.
std::optional<Meeting> meetingInRow(const std::vector<Piece>& pieces, double tol)
{
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        const Piece& before = pieces[i];
        const Piece& after = pieces[(i + 1) % pieces.size()];
        if (before.segment != after.segment)
            if (const std::optional<Vec> met = meetingBeyondJoint(before, after, tol))
                return Meeting{*met, crossAt(before, after, *met, tol)};
    }
    return std::nullopt;
}

} // namespace

std::optional<Meeting> findMeeting(const std::vector<Piece>& pieces, double tol, std::size_t pairwiseUpTo)
{
    // Two pieces in a row both ways share both ends, where a line and an arc, or two circles,
    // meet if at all.
    if (pieces.size() < 3)
        return std::nullopt;
    // The sweep takes pieces in a row to meet only at their joint.
    if (const std::optional<Meeting> met = meetingInRow(pieces, tol))
        return met;
    if (pieces.size() <= pairwiseUpTo)
        return meetingOfPairs(pieces, tol);
    return Sweep(pieces, tol).run();
}

} // namespace outline
