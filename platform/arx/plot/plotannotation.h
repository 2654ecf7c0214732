// The graphics of the annotations the database keeps as read pairs, as a CAD program plots
// them: dimensions of every type (arc lengths and jogged radii too) and tables (their
// anonymous blocks, or a dimension's points when it has none), leaders (a line with an
// arrowhead), multileaders (leader lines with arrowheads and landings, and their text or
// block) and multilines (a line per element of the style in the element's colour, with its
// caps and miters). The parts are in world coordinates, made once for a plot or for the
// extents.
#pragma once

#include "arx/cmcolor.h"
#include "arx/dbid.h"
#include "arx/geometry.h"

#include <array>
#include <memory>
#include <string>
#include <vector>

class AcDbBlockReference;
class AcDbMText;
class AcDbProxyEntity;

namespace qv {

struct DimensionArc;
struct DimensionLook;

class PlotAnnotation
{
public:
    using Polyline = std::vector<AcGePoint3d>;

    // No parts for an entity of another type or whose data is missing or malformed.
    explicit PlotAnnotation(const AcDbProxyEntity* entity);
    ~PlotAnnotation();
    PlotAnnotation(const PlotAnnotation&) = delete;
    PlotAnnotation& operator=(const PlotAnnotation&) = delete;

    // Open polylines and filled outlines, in the entity's colour.
    const std::vector<Polyline>& lines() const { return m_lines; }
    const std::vector<Polyline>& fills() const { return m_fills; }
    // Open polylines in colours of their own (a multiline's elements, by their style).
    struct ColouredLine {
        Polyline points;
        AcCmColor colour;
    };
    const std::vector<ColouredLine>& colouredLines() const { return m_colouredLines; }
    // Texts and block references, coloured by block unless the entity names their colour.
    const std::vector<std::unique_ptr<AcDbMText>>& texts() const { return m_texts; }
    const std::vector<std::unique_ptr<AcDbBlockReference>>& blocks() const { return m_blocks; }
    // The extents of every part (texts and blocks as the database estimates them); empty when
    // there is none.
    AcDbExtents extents() const;
    // The extents of the lines and fills alone.
    AcDbExtents lineExtents() const;

private:
    void readDimension();
    // A dimension without a block (as some programs write them), drawn from its points: its
    // dimension line or arc, extension lines, arrowheads (or ticks) and measurement.
    void readDimensionPoints();
    using Segment = std::array<AcGePoint3d, 2>;
    void addDimensionOfType(const DimensionLook& look, int type);
    void addLinearDimension(const DimensionLook& look, const AcGePoint3d& first, const AcGePoint3d& second,
                            bool aligned);
    void addRadialDimension(const DimensionLook& look, const AcGePoint3d& curve, bool diameter);
    void addJoggedRadius(const DimensionLook& look);
    void addArcLengthDimension(const DimensionLook& look);
    void addTwoLineAngle(const DimensionLook& look, const Segment& first, const Segment& second,
                         const AcGePoint3d& through);
    void addOrdinateDimension(const DimensionLook& look, const AcGePoint3d& feature, const AcGePoint3d& end,
                              bool xType);
    void addDimensionArc(const DimensionLook& look, const DimensionArc& arc, const std::string& text);
    void addExtensionLine(const DimensionLook& look, const AcGePoint3d& origin, const AcGePoint3d& foot);
    // An extension line from the nearer end of a line to a foot off it.
    void addExtensionOff(const DimensionLook& look, const Segment& line, const AcGePoint3d& foot);
    // An arrowhead, or a tick when the style has them.
    void addDimensionEnd(const DimensionLook& look, const AcGePoint3d& tip, const AcGePoint3d& toward);
    void addDimensionText(const std::string& text, const AcGePoint3d& at, AcGeVector3d along, double height);
    void readTable();
    void readLeader();
    void readMLeader();
    void readMLine();
    // A reference to the block at a point (world), in the plane of a normal.
    void addBlock(AcDbObjectId block, const AcGePoint3d& position, const AcGeVector3d& normal, double rotation,
                  const AcGeScale3d& scale);
    // An arrowhead at the tip of a line going on toward next: the arrow block's reference
    // when one is named, else a filled closed arrow as long as size.
    void addArrow(const AcGePoint3d& tip, const AcGePoint3d& next, double size, AcDbObjectId block = {});

    const AcDbProxyEntity* m_entity;
    std::vector<Polyline> m_lines, m_fills;
    std::vector<ColouredLine> m_colouredLines;
    std::vector<std::unique_ptr<AcDbMText>> m_texts;
    std::vector<std::unique_ptr<AcDbBlockReference>> m_blocks;
};

} // namespace qv
