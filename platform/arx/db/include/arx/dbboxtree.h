// Rectangles in the world XY plane and a balanced tree of them (a dynamic bounding-volume
// tree): inserting, removing and finding the boxes that meet a rectangle take O(log n), plus
// the boxes found.
#pragma once

#include "arx/dbid.h"

#include <vector>

namespace qv {

// An axis-aligned rectangle; a new one is empty.
struct Box2d {
    double minX = 1e300, minY = 1e300, maxX = -1e300, maxY = -1e300;

    static Box2d around(double x1, double y1, double x2, double y2);
    bool isEmpty() const { return !(minX <= maxX && minY <= maxY); }
    double width() const { return maxX - minX; }
    double height() const { return maxY - minY; }
    void add(double x, double y);
    void add(const Box2d& b);
    bool intersects(const Box2d& b) const;
    Box2d expanded(double margin) const;
};

class BoxTree
{
public:
    struct Hit {
        AcDbObjectId id;
        Box2d box;
    };

    // Adds a box (finite, not empty) for an id; the result names the leaf for remove().
    int insert(const Box2d& box, AcDbObjectId id);
    // Adds many boxes at once, as insert() each: the leaf of each in the order given (-1
    // for one left out). An empty tree is made by halving the boxes at their median along
    // the wider spread at each level, much quicker than inserting them one by one.
    std::vector<int> insertAll(const std::vector<Hit>& boxes);
    void remove(int leaf);
    // Every box that meets the rectangle, with its id.
    void query(const Box2d& box, std::vector<Hit>& hits) const;
    // The box around all boxes (empty when there are none).
    Box2d bounds() const;
    size_t size() const { return m_count; }

private:
    struct Node {
        Box2d box;
        AcDbObjectId id;
        int parent = -1;   // the next free node while the node is free
        int left = -1, right = -1;
        int height = 0;
        bool isLeaf() const { return left < 0; }
    };

    // A leaf placed by insertAll(), with its box's centre.
    struct Placed {
        double x, y;
        int leaf;
    };

    int allocate();
    // A balanced subtree over the leaves given, which it reorders; its root.
    int subtree(std::vector<Placed>::iterator first, std::vector<Placed>::iterator last);
    void release(int node);
    int bestSibling(const Box2d& box) const;
    // Refits boxes and heights from a node up to the root, rotating where unbalanced.
    void refitUpwards(int node);
    int balance(int a);
    int rotateUp(int a, int child, bool childIsRight);
    void replaceChild(int parent, int oldChild, int newChild);

    std::vector<Node> m_nodes;
    int m_root = -1;
    int m_free = -1;
    size_t m_count = 0;
};

} // namespace qv
