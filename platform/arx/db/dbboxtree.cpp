#include "arx/dbboxtree.h"

#include <algorithm>
#include <cmath>

namespace qv {

namespace {

Box2d united(const Box2d& a, const Box2d& b)
{
    Box2d u = a;
    u.add(b);
    return u;
}

double perimeter(const Box2d& b) { return 2 * (b.width() + b.height()); }

bool isFinite(const Box2d& b)
{
    return std::isfinite(b.minX) && std::isfinite(b.minY) && std::isfinite(b.maxX) && std::isfinite(b.maxY);
}

} // namespace

Box2d Box2d::around(double x1, double y1, double x2, double y2)
{
    Box2d b;
    b.add(x1, y1);
    b.add(x2, y2);
    return b;
}

void Box2d::add(double x, double y)
{
    minX = std::min(minX, x);
    minY = std::min(minY, y);
    maxX = std::max(maxX, x);
    maxY = std::max(maxY, y);
}

void Box2d::add(const Box2d& b)
{
    if (b.isEmpty())
        return;
    add(b.minX, b.minY);
    add(b.maxX, b.maxY);
}

bool Box2d::intersects(const Box2d& b) const
{
    return minX <= b.maxX && b.minX <= maxX && minY <= b.maxY && b.minY <= maxY;
}

Box2d Box2d::expanded(double margin) const
{
    return isEmpty() ? *this : Box2d{minX - margin, minY - margin, maxX + margin, maxY + margin};
}

// ---- BoxTree ----

int BoxTree::allocate()
{
    if (m_free < 0) {
        m_nodes.emplace_back();
        return static_cast<int>(m_nodes.size()) - 1;
    }
    const int node = m_free;
    m_free = m_nodes[node].parent;
    m_nodes[node] = Node();
    return node;
}

void BoxTree::release(int node)
{
    m_nodes[node] = Node();
    m_nodes[node].parent = m_free;
    m_nodes[node].height = -1;
    m_free = node;
}

int BoxTree::insert(const Box2d& box, AcDbObjectId id)
{
    if (box.isEmpty() || !isFinite(box))
        return -1;
    const int leaf = allocate();
    m_nodes[leaf].box = box;
    m_nodes[leaf].id = id;
    ++m_count;
    if (m_root < 0) {
        m_root = leaf;
        return leaf;
    }
    const int sibling = bestSibling(box);
    const int oldParent = m_nodes[sibling].parent;
    const int parent = allocate();
    Node& p = m_nodes[parent];
    p.parent = oldParent;
    p.left = sibling;
    p.right = leaf;
    p.box = united(box, m_nodes[sibling].box);
    p.height = m_nodes[sibling].height + 1;
    m_nodes[sibling].parent = parent;
    m_nodes[leaf].parent = parent;
    if (oldParent < 0)
        m_root = parent;
    else
        replaceChild(oldParent, sibling, parent);
    refitUpwards(parent);
    return leaf;
}

std::vector<int> BoxTree::insertAll(const std::vector<Hit>& boxes)
{
    std::vector<int> leaves;
    leaves.reserve(boxes.size());
    if (m_root >= 0) {
        for (const Hit& b : boxes)
            leaves.push_back(insert(b.box, b.id));
        return leaves;
    }
    std::vector<Placed> placed;
    placed.reserve(boxes.size());
    m_nodes.reserve(m_nodes.size() + 2 * boxes.size());
    for (const Hit& b : boxes) {
        if (b.box.isEmpty() || !isFinite(b.box)) {
            leaves.push_back(-1);
            continue;
        }
        const int leaf = allocate();
        m_nodes[leaf].box = b.box;
        m_nodes[leaf].id = b.id;
        leaves.push_back(leaf);
        placed.push_back({b.box.minX / 2 + b.box.maxX / 2, b.box.minY / 2 + b.box.maxY / 2, leaf});
    }
    m_count += placed.size();
    if (!placed.empty())
        m_root = subtree(placed.begin(), placed.end());
    return leaves;
}

// Halves whose sizes differ by one at most give heights that differ by one at most: the
// balance that insert() and remove() keep.
int BoxTree::subtree(std::vector<Placed>::iterator first, std::vector<Placed>::iterator last)
{
    if (last - first == 1)
        return first->leaf;
    Box2d centres;
    for (auto it = first; it != last; ++it)
        centres.add(it->x, it->y);
    const bool alongX = centres.width() >= centres.height();
    const auto middle = first + (last - first) / 2;
    std::nth_element(first, middle, last,
                     [alongX](const Placed& a, const Placed& b) { return alongX ? a.x < b.x : a.y < b.y; });
    const int left = subtree(first, middle), right = subtree(middle, last);
    const int parent = allocate();
    Node& p = m_nodes[parent];
    p.left = left;
    p.right = right;
    p.box = united(m_nodes[left].box, m_nodes[right].box);
    p.height = 1 + std::max(m_nodes[left].height, m_nodes[right].height);
    m_nodes[left].parent = parent;
    m_nodes[right].parent = parent;
    return parent;
}

// The node under which a new box enlarges the tree least (the surface-area heuristic on
// perimeters, as boxes are flat).
int BoxTree::bestSibling(const Box2d& box) const
{
    int node = m_root;
    while (!m_nodes[node].isLeaf()) {
        const Node& n = m_nodes[node];
        const double combined = perimeter(united(n.box, box));
        const double here = 2 * combined;
        const double inherited = 2 * (combined - perimeter(n.box));
        auto descendCost = [&](int child) {
            const Node& c = m_nodes[child];
            const double grown = perimeter(united(c.box, box));
            return (c.isLeaf() ? grown : grown - perimeter(c.box)) + inherited;
        };
        const double left = descendCost(n.left), right = descendCost(n.right);
        if (here < left && here < right)
            break;
        node = left < right ? n.left : n.right;
    }
    return node;
}

void BoxTree::remove(int leaf)
{
    if (leaf < 0 || leaf >= static_cast<int>(m_nodes.size()) || !m_nodes[leaf].isLeaf() || m_nodes[leaf].height < 0)
        return;
    --m_count;
    if (leaf == m_root) {
        release(leaf);
        m_root = -1;
        return;
    }
    const int parent = m_nodes[leaf].parent;
    const int grandParent = m_nodes[parent].parent;
    const int sibling = m_nodes[parent].left == leaf ? m_nodes[parent].right : m_nodes[parent].left;
    m_nodes[sibling].parent = grandParent;
    if (grandParent < 0)
        m_root = sibling;
    else
        replaceChild(grandParent, parent, sibling);
    release(parent);
    release(leaf);
    if (grandParent >= 0)
        refitUpwards(grandParent);
}

void BoxTree::replaceChild(int parent, int oldChild, int newChild)
{
    Node& p = m_nodes[parent];
    (p.left == oldChild ? p.left : p.right) = newChild;
}

void BoxTree::refitUpwards(int node)
{
    while (node >= 0) {
        node = balance(node);
        Node& n = m_nodes[node];
        n.height = 1 + std::max(m_nodes[n.left].height, m_nodes[n.right].height);
        n.box = united(m_nodes[n.left].box, m_nodes[n.right].box);
        node = n.parent;
    }
}

int BoxTree::balance(int a)
{
    const Node& n = m_nodes[a];
    if (n.isLeaf() || n.height < 2)
        return a;
    const int skew = m_nodes[n.right].height - m_nodes[n.left].height;
    if (skew > 1)
        return rotateUp(a, n.right, true);
    if (skew < -1)
        return rotateUp(a, n.left, false);
    return a;
}

// Lifts a child two levels taller than its sibling into its parent's place: the parent
// becomes its left child, and keeps the shorter of the child's children.
int BoxTree::rotateUp(int a, int x, bool xIsRight)
{
    Node& na = m_nodes[a];
    Node& nx = m_nodes[x];
    const bool leftTaller = m_nodes[nx.left].height > m_nodes[nx.right].height;
    const int taller = leftTaller ? nx.left : nx.right;
    const int shorter = leftTaller ? nx.right : nx.left;

    nx.parent = na.parent;
    if (nx.parent < 0)
        m_root = x;
    else
        replaceChild(nx.parent, a, x);
    nx.left = a;
    nx.right = taller;
    na.parent = x;
    (xIsRight ? na.right : na.left) = shorter;
    m_nodes[shorter].parent = a;

    na.box = united(m_nodes[na.left].box, m_nodes[na.right].box);
    na.height = 1 + std::max(m_nodes[na.left].height, m_nodes[na.right].height);
    nx.box = united(na.box, m_nodes[taller].box);
    nx.height = 1 + std::max(na.height, m_nodes[taller].height);
    return x;
}

void BoxTree::query(const Box2d& box, std::vector<Hit>& hits) const
{
    if (m_root < 0 || box.isEmpty())
        return;
    // Each node taken off leaves at most its two children: the stack never holds more
    // than one node per level and the root.
    std::vector<int> stack;
    stack.reserve(static_cast<size_t>(m_nodes[m_root].height) + 2);
    stack.push_back(m_root);
    while (!stack.empty()) {
        const Node& n = m_nodes[stack.back()];
        stack.pop_back();
        if (!n.box.intersects(box))
            continue;
        if (n.isLeaf()) {
            hits.push_back({n.id, n.box});
        } else {
            stack.push_back(n.left);
            stack.push_back(n.right);
        }
    }
}

Box2d BoxTree::bounds() const { return m_root < 0 ? Box2d() : m_nodes[m_root].box; }

} // namespace qv
