// The proxy graphics an entity of a type this database does not model may carry: the
// drawing its application left for programs without it, as binary chunks (group 310) after
// their byte count (92, or 160 in newer files). They are a header (size, command count) and
// commands, each with its size and type: lines, polygons, circles and arcs, meshes and
// shells (their edges), texts, construction lines, the colour, layer, line weight and fill
// of what follows, and model transforms. Everything is read within the sizes given: a
// command that does not fit, a count beyond the bytes left, a number that is not finite or
// transforms nested too deep end the decoding, and what came before stays.
#pragma once

#include "arx/cmcolor.h"
#include "arx/geometry.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

class AcDbProxyEntity;

namespace qv {

class ProxyGraphics
{
public:
    enum class Kind { kLine, kArea, kText, kXLine, kRay };

    // What a part takes from the commands before it.
    struct Style {
        AcCmColor colour;        // by layer unless set
        int layer = -1;          // an index in the layer table's order; -1: the entity's
        int lineWeight = -1;     // AcDb::LineWeight: by layer unless set
    };

    struct Part {
        Kind kind = Kind::kLine;
        // A line's points, an area's outline, a construction line's base and a point on it,
        // a text's anchor; world coordinates.
        std::vector<AcGePoint3d> points;
        bool closed = false;
        std::string text;                 // UTF-8
        AcGeVector3d direction, up;       // a text's, each a text height long
        double widthFactor = 1;
        Style style;
    };

    // Decodes the entity's graphics, arcs as chords that stray at most tolerance (drawing
    // units) from them (72 to a turn when tolerance is 0), making at most maxPoints points.
    ProxyGraphics(const AcDbProxyEntity& entity, double tolerance, std::size_t maxPoints);
    // Decodes graphics given as bytes.
    ProxyGraphics(std::string_view bytes, double tolerance, std::size_t maxPoints);

    const std::vector<Part>& parts() const { return m_parts; }
    // False when a malformed command ended the decoding early.
    bool complete() const { return m_complete; }
    // The box around the parts (a text's by its anchor, direction and height).
    AcDbExtents extents() const;

    // The graphics bytes an entity's kept pairs hold; empty when it has none.
    static std::string bytesOf(const AcDbProxyEntity& entity);

private:
    class Reader;
    void decode(std::string_view bytes);
    bool command(unsigned type, Reader& in);
    bool addRun(Reader& in, bool closed, bool withNormal);
    bool addCircle(const AcGePoint3d& centre, double radius, const AcGeVector3d& normal, const AcGeVector3d& start,
                   double sweep, int arcType);
    bool addThreePoint(Reader& in, bool full);
    bool addMesh(Reader& in);
    bool addShell(Reader& in);
    bool addText(Reader& in, unsigned type);
    bool addLwPolyline(Reader& in);
    bool pushTransform(Reader& in);
    Part& newPart(Kind kind);
    bool addPoint(Part& part, const AcGePoint3d& p);

    double m_tolerance;
    std::size_t m_pointsLeft;
    std::vector<Part> m_parts;
    Style m_style;
    bool m_fill = false;
    bool m_complete = true;
    std::vector<AcGeMatrix3d> m_transforms;   // the current one last; none: identity
};

} // namespace qv
