// Hatches: boundary loops (polyline loops with bulges, or edges: lines, arcs, elliptic
// arcs, splines), a fill pattern (solid or lines from the predefined table), in the plane
// of a normal at an elevation.
#pragma once

#include "arx/dbentity.h"
#include "arx/dbsplinecurve.h"
#include "arx/dxffieldtable.h"

class AcDbHatch : public AcDbEntity
{
public:
    ACRX_DECLARE_MEMBERS(AcDbHatch)
    enum HatchPatternType { kUserDefined = 0, kPreDefined = 1, kCustomDefined = 2 };
    enum HatchStyle { kNormal = 0, kOuter = 1, kIgnore = 2 };
    enum HatchLoopType {
        kDefault = 0, kExternal = 1, kPolyline = 2, kDerived = 4, kTextbox = 8, kOutermost = 0x10,
        kNotClosed = 0x20, kSelfIntersecting = 0x40, kTextIsland = 0x80, kDuplicate = 0x100
    };
    enum HatchEdgeType { kLine = 1, kCirArc = 2, kEllArc = 3, kSpline = 4 };

    // A predefined pattern takes its line families from the pattern table
    // (AcDbHatchPatterns); a name the table lacks is kept, draws no lines, and makes
    // evaluateHatch fail with eHatchPatternNotFound.
    Acad::ErrorStatus setPattern(HatchPatternType type, const char* name);
    HatchPatternType patternType() const { return m_patternType; }
    const char* patternName() const { return m_patternName.c_str(); }
    bool isSolidFill() const { return m_solid; }
    double patternAngle() const { return m_angle; }
    Acad::ErrorStatus setPatternAngle(double radians);
    double patternScale() const { return m_scale; }
    Acad::ErrorStatus setPatternScale(double scale);
    bool associative() const { return m_associative; }
    Acad::ErrorStatus setAssociative(bool value);
    HatchStyle hatchStyle() const { return m_style; }
    Acad::ErrorStatus setHatchStyle(HatchStyle style);
    AcGeVector3d normal() const { return m_normal; }
    Acad::ErrorStatus setNormal(const AcGeVector3d& normal);
    double elevation() const { return m_elevation; }
    Acad::ErrorStatus setElevation(double elevation);

    int numLoops() const { return static_cast<int>(m_loops.size()); }
    Adesk::Int32 loopTypeAt(int index) const;
    // Copies the boundary of each object as it is now (a closed lightweight polyline or a
    // circle) into a new loop. Null or erased ids, open polylines and other entities are
    // refused, and no loop is added.
    Acad::ErrorStatus appendLoop(Adesk::Int32 loopType, const AcDbObjectIdArray& ids);
    Acad::ErrorStatus appendLoop(Adesk::Int32 loopType, const std::vector<AcGePoint2d>& vertices,
                                 const std::vector<double>& bulges);
    Acad::ErrorStatus getLoopAt(int index, Adesk::Int32& loopType, std::vector<AcGePoint2d>& vertices,
                                std::vector<double>& bulges) const;
    Acad::ErrorStatus removeLoopAt(int index);
    int numPatternDefinitions() const { return static_cast<int>(m_lines.size()); }
    // Counts the pattern's lines across the loops' extents in the hatch's plane: a solid
    // fill always gives eOk; more lines than AcDbHatchPatterns::maxLines() eHatchTooDense;
    // no line at all eAmbiguousOutput (the pattern too sparse to be displayed); a predefined
    // name the table lacks eHatchPatternNotFound; no loops eInvalidExtents. Dashed lines
    // count each dash unless the estimate may be low (underEstimateNumLines).
    Acad::ErrorStatus evaluateHatch(bool underEstimateNumLines = false) const;
    // The pattern's line count of evaluateHatch, for the same extents; 0 without loops.
    double patternLineCount(bool underEstimateNumLines = false) const;

    Acad::ErrorStatus transformBy(const AcGeMatrix3d& m) override;
    Acad::ErrorStatus getGeomExtents(AcDbExtents& extents) const override;

    const qv::dxf::FieldTable& dxfTable() const override;

    struct Edge {
        int type = kLine;
        AcGePoint2d start, end, center;     // a line's ends; an arc's or ellipse's centre
        AcGeVector2d majorAxis;              // an ellipse's major axis
        double radius = 0, ratio = 1, startAngle = 0, endAngle = 0;  // radians
        bool ccw = true;
        qv::dxf::TagList spline;             // a spline edge's tags, kept as read

        // An arc's or ellipse's point at t, center + u cos t + v sin t, for t from start over
        // sweep (negative when clockwise).
        void arcForm(AcGeVector2d& u, AcGeVector2d& v, double& start, double& sweep) const;
        // A spline edge's curve as its tags give it (degree 94, periodic 74, knots 40,
        // control points 10, weights 42, fit points 11, end tangents 12 and 13).
        qv::SplineCurve splineCurve() const;
        // Points whose box is the edge's in the hatch's plane: a line's ends, an arc's or
        // ellipse's ends and where a coordinate turns on its swept part, a spline's chords
        // within tolerance.
        void addBoxPoints(std::vector<AcGePoint2d>& points, double splineTolerance) const;
    };
    struct Loop {
        Adesk::Int32 type = kDefault;
        bool closed = true;
        std::vector<AcGePoint2d> vertices;   // polyline loops
        std::vector<double> bulges;
        std::vector<Edge> edges;             // edge loops
        std::vector<AcDbObjectId> sources;
    };
    struct PatternLine {
        double angle = 0;
        AcGePoint2d base;
        AcGeVector2d offset;
        std::vector<double> dashes;
    };
    const std::vector<Loop>& loops() const { return m_loops; }
    const std::vector<PatternLine>& patternLines() const { return m_lines; }

private:
    void buildPatternLines();
    bool planeExtents(AcGePoint2d& lower, AcGePoint2d& upper) const;
    Acad::ErrorStatus loopFromEntity(AcDbObjectId id, Adesk::Int32 loopType, Loop& loop) const;
    static size_t readHatch(AcRxObject& object, std::span<const qv::dxf::Pair> pairs, qv::dxf::FieldContext& context);
    static void writeHatch(const AcRxObject& object, const qv::dxf::Field& field, qv::dxf::Writer& out);

    HatchPatternType m_patternType = kPreDefined;
    std::string m_patternName = "SOLID";
    bool m_solid = true, m_associative = false, m_double = false;
    double m_angle = 0, m_scale = 1, m_elevation = 0;
    HatchStyle m_style = kNormal;
    AcGeVector3d m_normal = AcGeVector3d::kZAxis;
    std::vector<Loop> m_loops;
    std::vector<PatternLine> m_lines;
    std::vector<AcGePoint2d> m_seeds;
    qv::dxf::TagList m_tail;                // gradient and other trailing data
};
