// What an entity looks like in plan, for picking and for window and polygon selection: its
// outline in the world XY plane as segments, circular arcs and filled quadrilaterals (texts,
// and the boxes of entities whose geometry is not modelled), and the tests of such an
// outline against a point and a polygon.
#pragma once

#include "arx/dbboxtree.h"
#include "arx/geometry.h"

#include <array>
#include <vector>

class AcDbEntity;

namespace qv {

struct ShapeArc {
    AcGePoint2d center;
    double radius = 0;
    double start = 0;   // radians
    double sweep = 0;   // radians, negative clockwise
    AcGePoint2d startPoint() const;
};

struct Shape {
    std::vector<std::array<AcGePoint2d, 2>> segments;
    std::vector<ShapeArc> arcs;
    std::vector<std::array<AcGePoint2d, 4>> quads;

    bool isEmpty() const { return segments.empty() && arcs.empty() && quads.empty(); }
    size_t size() const { return segments.size() + arcs.size() + quads.size(); }
    // No parts, the storage kept.
    void clear()
    {
        segments.clear();
        arcs.clear();
        quads.clear();
    }
    Box2d bounds() const;
};

// The entity's outline in world coordinates. Curves keep their true form; a block reference
// is the outline of its definition's entities (attribute definitions left out) placed by its
// transform, nested references included, with its visible attributes.
Shape entityShape(const AcDbEntity* entity);
// The same outline made in the shape given, in place of its parts: one shape reused for
// many entities grows its storage once instead of once per entity.
void outlineInto(const AcDbEntity* entity, Shape& shape);

// A closed polygon in the world XY plane (the closing edge is implied).
class Region
{
public:
    explicit Region(std::vector<AcGePoint2d> points);
    const Box2d& box() const { return m_box; }
    bool contains(const AcGePoint2d& p) const;
    bool crossedBy(const AcGePoint2d& a, const AcGePoint2d& b) const;
    bool crossedBy(const ShapeArc& arc) const;
    const std::vector<AcGePoint2d>& points() const { return m_points; }

private:
    std::vector<AcGePoint2d> m_points;
    Box2d m_box;
};

// The distance from a point to the outline (0 inside a filled part).
double distanceTo(const Shape& shape, const AcGePoint2d& p);
// Some part of the outline lies inside the region or on its boundary.
bool meets(const Shape& shape, const Region& region);
// The whole outline lies inside the region.
bool liesInside(const Shape& shape, const Region& region);

} // namespace qv
