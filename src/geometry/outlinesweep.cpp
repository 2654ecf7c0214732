#include "outlinesweep.h"

#include <algorithm>
#include <array>
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
// before the sweep passes the leftmost point where pieces meet. A piece stays in the order for a
// little more than tol beyond its right end, running on level from it, so that ends within tol of
// each other are in the order together whichever comes first, however their places are rounded.
// Pieces in a row are taken to meet only at their joint, though they may run within tol of each
// other beside it and so stand between two pieces that meet: a piece next to one of its row is
// tested against the piece beyond that one too, and a piece entering next to one in a row with the
// piece beyond is tested for starting within tol of that piece (one steep, or just ended, may lie
// so near it with the next piece of its row between them).
class Sweep
{
public:
    Sweep(const std::vector<Piece>& pieces, double tol)
        : m_pieces(pieces), m_tol(tol), m_order(BelowNotingTouches{this}), m_places(pieces.size())
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
    // is one of the two compared, and notes as it compares where that end comes within tol of
    // a piece it may not meet (m_touch): the pieces the insertion compares it with are those
    // beside which it would be placed, and where an order decided by rounding misplaces it.
    struct BelowNotingTouches
    {
        Sweep* sweep;
        bool operator()(std::size_t p, std::size_t q) const
        {
            return p == sweep->m_entering ? sweep->enteringBelowNotingTouch(q) : !sweep->enteringBelowNotingTouch(p);
        }
    };
    using Order = std::set<std::size_t, BelowNotingTouches>;

    std::vector<Event> events() const
    {
        constexpr double kStay = 1.25; // times tol that a piece stays beyond its right end
        std::vector<Event> events;
        events.reserve(2 * m_pieces.size());
        for (std::size_t i = 0; i < m_pieces.size(); ++i) {
            events.push_back({m_pieces[i].left, i, true});
            events.push_back({{m_pieces[i].right.x + kStay * m_tol, m_pieces[i].right.y}, i, false});
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
    bool enteringBelowNotingTouch(std::size_t piece)
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
        if (m_touch || startsBesidePastRow(placed))
            return true;
        return (placed != m_order.begin() && meetAdjacent(std::prev(placed), placed)) ||
               (std::next(placed) != m_order.end() && meetAdjacent(placed, std::next(placed)));
    }

    // Whether the entering piece starts within tol of the piece beyond a neighbour of it in the
    // order that is in a row with that piece, one it may not meet.
    bool startsBesidePastRow(Order::iterator placed) const
    {
        const auto beside = [&](Order::iterator neighbour, Order::iterator beyond) {
            return inRow(*neighbour, *beyond) && !inRow(*placed, *beyond) &&
                   distance(m_pieces[*beyond], m_pieces[*placed].left) <= m_tol;
        };
        const Order::iterator above = std::next(placed);
        return (placed != m_order.begin() && std::prev(placed) != m_order.begin() &&
                beside(std::prev(placed), std::prev(placed, 2))) ||
               (above != m_order.end() && std::next(above) != m_order.end() && beside(above, std::next(above)));
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

// Whether the piece may pass through the box: for a line, the box's corners lie on both sides of
// it; for an arc's piece, its circle passes between the points of the box nearest to its centre
// and farthest from it. Never false for a piece that does; the caller tests their boxes first.
bool passesThrough(const Piece& piece, const Box& box)
{
    const std::array<Vec, 4> corners{
        {{box.left, box.bottom}, {box.right, box.bottom}, {box.left, box.top}, {box.right, box.top}}};
    if (piece.arc) {
        const Vec inside{std::clamp(piece.centre.x, box.left, box.right),
                         std::clamp(piece.centre.y, box.bottom, box.top)};
        double farthest = 0;
        for (const Vec corner : corners)
            farthest = std::max(farthest, length(corner - piece.centre));
        return length(inside - piece.centre) <= piece.radius && piece.radius <= farthest;
    }
    bool below = false, over = false;
    for (const Vec corner : corners) {
        const double side = cross(piece.right - piece.left, corner - piece.left);
        below = below || side <= 0;
        over = over || side >= 0;
    }
    return below && over;
}

Box widened(const Box& box, double by)
{
    return {box.left - by, box.bottom - by, box.right + by, box.top + by};
}

// The pieces no wider or taller than a few times tol, for a search of those that meet a piece.
// Among such pieces, crowded within the tolerance, the sweep's order cannot be trusted to bring
// each next to those it meets, so each is tried against every piece whose box overlaps its own.
// They are kept in a tree of boxes, split in halves across the longer side, and a piece looks
// only into the boxes it passes through: the cost is that of the pieces near one another, not
// of every small piece against every piece.
class SmallPieces
{
public:
    SmallPieces(const std::vector<Piece>& pieces, double tol) : m_pieces(pieces), m_tol(tol)
    {
        m_boxes.reserve(pieces.size());
        for (const Piece& piece : pieces)
            m_boxes.push_back(boxOf(piece, tol));
        for (std::size_t p = 0; p < pieces.size(); ++p)
            if (isSmall(p))
                m_small.push_back(p);
        if (!m_small.empty()) {
            m_nodes.resize(1);
            split(0, 0, m_small.size());
        }
    }

    // Whether any small piece meets a piece it is not in a row with, or the pieces on either side
    // of a run of small pieces along the outline meet.
    bool meetAny() const
    {
        if (m_small.empty())
            return false;
        if (acrossRunsMeet())
            return true;
        std::vector<std::size_t> open;
        for (std::size_t p = 0; p < m_pieces.size(); ++p) {
            open.assign(1, 0);
            while (!open.empty()) {
                const Node& node = m_nodes[open.back()];
                open.pop_back();
                if (!overlap(node.box, m_boxes[p]) || !passesThrough(m_pieces[p], widened(node.box, m_tol)))
                    continue;
                if (node.halves != 0)
                    open.insert(open.end(), {node.halves, node.halves + 1});
                else if (leafMeets(node, p))
                    return true;
            }
        }
        return false;
    }

private:
    // The small pieces from begin to end and the box around theirs; a node that is split has its
    // two halves at halves and the next place.
    struct Node
    {
        Box box;
        std::size_t begin, end, halves;
    };

    // Makes the node at `at` of the small pieces from begin to end, and its halves.
    void split(std::size_t at, std::size_t begin, std::size_t end)
    {
        constexpr std::size_t kLeaf = 4;
        Box box = m_boxes[m_small[begin]];
        for (std::size_t i = begin + 1; i < end; ++i) {
            const Box& b = m_boxes[m_small[i]];
            box = {std::min(box.left, b.left), std::min(box.bottom, b.bottom), std::max(box.right, b.right),
                   std::max(box.top, b.top)};
        }
        m_nodes[at] = {box, begin, end, 0};
        if (end - begin <= kLeaf)
            return;
        const bool across = box.right - box.left >= box.top - box.bottom;
        const std::size_t middle = begin + (end - begin) / 2;
        const auto centre = [&](std::size_t p) {
            const Box& b = m_boxes[p];
            return across ? b.left + b.right : b.bottom + b.top;
        };
        std::nth_element(m_small.begin() + begin, m_small.begin() + middle, m_small.begin() + end,
                         [&](std::size_t p, std::size_t q) { return centre(p) < centre(q); });
        const std::size_t halves = m_nodes.size();
        m_nodes.resize(halves + 2);
        m_nodes[at].halves = halves;
        split(halves, begin, middle);
        split(halves + 1, middle, end);
    }

    // Whether the piece is no wider or taller than a few times tol.
    bool isSmall(std::size_t p) const
    {
        constexpr double kSmall = 8;
        const double most = (kSmall + 2) * m_tol;
        return m_boxes[p].right - m_boxes[p].left <= most && m_boxes[p].top - m_boxes[p].bottom <= most;
    }

    // The run, crowded within a few tol, may stand between the pieces on its two sides in the
    // sweep's order wherever they come near each other beside it.
    bool acrossRunsMeet() const
    {
        const std::size_t n = m_pieces.size();
        for (const std::size_t first : m_small) {
            const std::size_t before = (first + n - 1) % n;
            if (isSmall(before))
                continue;
            std::size_t after = first;
            while (isSmall(after))
                after = (after + 1) % n;
            if (after != before && !inRowOf(m_pieces, before, after) && overlap(m_boxes[before], m_boxes[after]) &&
                meeting(m_pieces[before], m_pieces[after], m_tol))
                return true;
        }
        return false;
    }

    bool leafMeets(const Node& node, std::size_t piece) const
    {
        for (std::size_t i = node.begin; i < node.end; ++i) {
            const std::size_t small = m_small[i];
            if (small != piece && !inRowOf(m_pieces, small, piece) &&
                overlap(m_boxes[small], m_boxes[piece]) && meeting(m_pieces[small], m_pieces[piece], m_tol))
                return true;
        }
        return false;
    }

    const std::vector<Piece>& m_pieces;
    const double m_tol;
    std::vector<Box> m_boxes;
    std::vector<std::size_t> m_small;
    std::vector<Node> m_nodes;
};

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
    return Sweep(pieces, tol).run() || SmallPieces(pieces, tol).meetAny();
}

} // namespace outline
