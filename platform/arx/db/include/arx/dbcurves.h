// Curves: lines, circles, arcs, lightweight polylines (with bulges and widths) and the
// older vertex-sequence polylines (2D, 3D and meshes), kept with their vertices.
#pragma once

#include "arx/dbentity.h"

class AcDbLine : public AcDbCurve
{
public:
    ACRX_DECLARE_MEMBERS(AcDbLine)
    AcDbLine() = default;
    AcDbLine(const AcGePoint3d& start, const AcGePoint3d& end) : m_start(start), m_end(end) {}

    AcGePoint3d startPoint() const { return m_start; }
    AcGePoint3d endPoint() const { return m_end; }
    Acad::ErrorStatus setStartPoint(const AcGePoint3d& p);
    Acad::ErrorStatus setEndPoint(const AcGePoint3d& p);
    AcGeVector3d normal() const { return m_normal; }
    double thickness() const { return m_thickness; }

    Acad::ErrorStatus getEndParam(double& param) const override;
    Acad::ErrorStatus getDistAtParam(double param, double& dist) const override;
    Acad::ErrorStatus getPointAtParam(double param, AcGePoint3d& point) const override;
    Acad::ErrorStatus transformBy(const AcGeMatrix3d& m) override;
    Acad::ErrorStatus getGeomExtents(AcDbExtents& extents) const override;

    const qv::dxf::FieldTable& dxfTable() const override;

private:
    AcGePoint3d m_start, m_end;
    AcGeVector3d m_normal = AcGeVector3d::kZAxis;
    double m_thickness = 0;
};

class AcDbCircle : public AcDbCurve
{
public:
    ACRX_DECLARE_MEMBERS(AcDbCircle)
    AcDbCircle() = default;
    AcDbCircle(const AcGePoint3d& center, const AcGeVector3d& normal, double radius);

    AcGePoint3d center() const;
    Acad::ErrorStatus setCenter(const AcGePoint3d& c);
    double radius() const { return m_radius; }
    Acad::ErrorStatus setRadius(double r);
    AcGeVector3d normal() const { return m_normal; }
    Acad::ErrorStatus setNormal(const AcGeVector3d& n);

    bool isClosed() const override { return true; }
    Acad::ErrorStatus getEndParam(double& param) const override;
    Acad::ErrorStatus getDistAtParam(double param, double& dist) const override;
    Acad::ErrorStatus getPointAtParam(double param, AcGePoint3d& point) const override;
    Acad::ErrorStatus getArea(double& area) const override;
    Acad::ErrorStatus transformBy(const AcGeMatrix3d& m) override;
    Acad::ErrorStatus getGeomExtents(AcDbExtents& extents) const override;

    const qv::dxf::FieldTable& dxfTable() const override;
    void dxfInEnd() override;

protected:
    static std::vector<qv::dxf::Field> circleFields();

    AcGePoint3d m_ocsCenter;   // in the object coordinate system of the normal, as files hold it
    double m_radius = 0;
    AcGeVector3d m_normal = AcGeVector3d::kZAxis;
    double m_thickness = 0;
};

class AcDbArc : public AcDbCircle
{
public:
    ACRX_DECLARE_MEMBERS(AcDbArc)
    AcDbArc() = default;
    AcDbArc(const AcGePoint3d& center, const AcGeVector3d& normal, double radius, double startAngle,
            double endAngle);

    // Angles in radians, counter-clockwise about the normal from the OCS x axis.
    double startAngle() const { return m_startAngle; }
    double endAngle() const { return m_endAngle; }
    Acad::ErrorStatus setStartAngle(double a);
    Acad::ErrorStatus setEndAngle(double a);
    double sweep() const;

    bool isClosed() const override { return false; }
    Acad::ErrorStatus getStartParam(double& param) const override;
    Acad::ErrorStatus getEndParam(double& param) const override;
    Acad::ErrorStatus getDistAtParam(double param, double& dist) const override;
    // The area between the arc and its chord.
    Acad::ErrorStatus getArea(double& area) const override;
    Acad::ErrorStatus transformBy(const AcGeMatrix3d& m) override;
    Acad::ErrorStatus getGeomExtents(AcDbExtents& extents) const override;

    const qv::dxf::FieldTable& dxfTable() const override;

private:
    double m_startAngle = 0, m_endAngle = 0;
};

// A lightweight polyline: 2D vertices in the plane of its normal at an elevation, each with
// a bulge (tan of a quarter of the arc's angle, positive counter-clockwise) and widths.
class AcDbPolyline : public AcDbCurve
{
public:
    ACRX_DECLARE_MEMBERS(AcDbPolyline)

    unsigned int numVerts() const { return static_cast<unsigned int>(m_vertices.size()); }
    Acad::ErrorStatus getPointAt(unsigned int index, AcGePoint3d& point) const;
    Acad::ErrorStatus getPointAt(unsigned int index, AcGePoint2d& point) const;
    Acad::ErrorStatus setPointAt(unsigned int index, const AcGePoint2d& point);
    Acad::ErrorStatus getBulgeAt(unsigned int index, double& bulge) const;
    Acad::ErrorStatus setBulgeAt(unsigned int index, double bulge);
    Acad::ErrorStatus getWidthsAt(unsigned int index, double& startWidth, double& endWidth) const;
    Acad::ErrorStatus setWidthsAt(unsigned int index, double startWidth, double endWidth);
    // Inserts before index (index == numVerts appends). Negative widths mean 0.
    Acad::ErrorStatus addVertexAt(unsigned int index, const AcGePoint2d& point, double bulge = 0.0,
                                  double startWidth = -1.0, double endWidth = -1.0,
                                  Adesk::Int32 vertexIdentifier = 0);
    Acad::ErrorStatus removeVertexAt(unsigned int index);
    bool isClosed() const override { return m_flags & 1; }
    void setClosed(bool closed);
    // Whether a linetype's pattern runs on across the vertices rather than restart at each.
    bool hasPlinegen() const { return m_flags & 128; }
    void setPlinegen(bool on) { m_flags = on ? m_flags | 128 : m_flags & ~128; }
    bool isOnlyLines() const;
    double elevation() const { return m_elevation; }
    Acad::ErrorStatus setElevation(double elevation);
    AcGeVector3d normal() const { return m_normal; }
    Acad::ErrorStatus setNormal(const AcGeVector3d& normal);
    double thickness() const { return m_thickness; }
    Acad::ErrorStatus getConstantWidth(double& width) const;
    Acad::ErrorStatus setConstantWidth(double width);

    // Parameter i is vertex i; the end parameter is the vertex count, less one when open.
    Acad::ErrorStatus getEndParam(double& param) const override;
    Acad::ErrorStatus getDistAtParam(double param, double& dist) const override;
    Acad::ErrorStatus getPointAtParam(double param, AcGePoint3d& point) const override;
    // The enclosed area with the bulges' arcs, always positive; an open polyline is
    // measured as if closed.
    Acad::ErrorStatus getArea(double& area) const override;
    Acad::ErrorStatus transformBy(const AcGeMatrix3d& m) override;
    Acad::ErrorStatus getGeomExtents(AcDbExtents& extents) const override;

    const qv::dxf::FieldTable& dxfTable() const override;

    struct Vertex {
        AcGePoint2d point;
        double bulge = 0, startWidth = 0, endWidth = 0;
    };
    const std::vector<Vertex>& vertices() const { return m_vertices; }

private:
    // Length of the segment from vertex i, and the point at fraction t along it.
    double segmentLength(unsigned int i) const;
    AcGePoint2d segmentPoint(unsigned int i, double t) const;
    AcGePoint3d toWorld(const AcGePoint2d& p) const;

    std::vector<Vertex> m_vertices;
    int m_flags = 0;
    double m_constantWidth = 0, m_elevation = 0, m_thickness = 0;
    AcGeVector3d m_normal = AcGeVector3d::kZAxis;
};

// One vertex of a vertex-sequence polyline (VERTEX), owned by the polyline.
class AcDbVertex : public AcDbEntity
{
public:
    ACRX_DECLARE_MEMBERS(AcDbVertex)
    AcGePoint3d position() const { return m_position; }
    Acad::ErrorStatus setPosition(const AcGePoint3d& p);
    double bulge() const { return m_bulge; }
    double startWidth() const { return m_startWidth; }
    double endWidth() const { return m_endWidth; }
    int vertexFlags() const { return m_flags; }
    // A polyface mesh's face record (no position of its own) rather than one of its points.
    bool isFaceRecord() const { return (m_flags & 128) && !(m_flags & 64); }
    // The frame a spline-fit polyline was fitted to: kept, not drawn.
    bool isFrameControlPoint() const { return m_flags & 16; }
    // A face record's corner (0 to 3): the 1-based index of a mesh point, negative when the
    // edge from that corner is invisible, 0 for a corner not used.
    int faceCorner(int corner) const;

    const qv::dxf::FieldTable& dxfTable() const override;

private:
    friend class AcDbSequencePolyline;   // which moves its vertices with it

    AcGePoint3d m_position;
    double m_startWidth = 0, m_endWidth = 0, m_bulge = 0;
    int m_flags = 0;
};

// The old polylines (POLYLINE + VERTEX records + SEQEND): their class follows the flags.
class AcDbSequencePolyline : public AcDbCurve
{
public:
    ACRX_DECLARE_MEMBERS(AcDbSequencePolyline)
    int polylineFlags() const { return m_flags; }
    bool isClosed() const override { return m_flags & 1; }
    Acad::ErrorStatus setClosed(bool closed);
    const std::vector<AcDbObjectId>& vertexIds() const { return m_vertices; }
    // The widths of vertices that give none.
    double defaultStartWidth() const { return m_startWidth; }
    double defaultEndWidth() const { return m_endWidth; }
    double elevation() const { return m_elevation; }
    AcGeVector3d normal() const { return m_normal; }
    void attachVertex(AcDbObjectId id) { m_vertices.push_back(id); }
    // The positions of the vertices not erased, taken in the plan, and their bulges (those of
    // 2D polylines; 0 for the others). Face records and a spline fit's frame are left out.
    void getPlanVertices(std::vector<AcGePoint2d>& points, std::vector<double>& bulges) const;
    // What a 2D polyline draws, appended to a new lightweight polyline: the vertices of
    // getPlanVertices with their bulges and widths (a vertex giving none takes the polyline's),
    // its closure, elevation and normal. eNotApplicable for the other polylines.
    Acad::ErrorStatus getFlatPolyline(AcDbPolyline& flat) const;
    // The lines a mesh is drawn with, in world coordinates: a polygon mesh's rows and columns
    // (of its fitted surface when it is smoothed and the file gives one), a polyface mesh's
    // visible face edges. False for the other polylines.
    bool getMeshLines(std::vector<std::vector<AcGePoint3d>>& lines) const;
    // The vertices drawn (the curve of a 2D polyline's bulges included).
    Acad::ErrorStatus getGeomExtents(AcDbExtents& extents) const override;
    // A 2D polyline moves with its vertices, as a lightweight polyline does (a transform that
    // keeps shapes); the other polylines are not transformed (eNotApplicable).
    Acad::ErrorStatus transformBy(const AcGeMatrix3d& m) override;
    AcDbHandle& seqendHandle() { return m_seqend; }
    AcDbHandle seqendHandle() const { return m_seqend; }

    const qv::dxf::FieldTable& dxfTable() const override;
    virtual const char* polylineSubclass() const = 0;

private:
    // The vertices drawn: those not erased, less face records and a spline fit's frame.
    std::vector<const AcDbVertex*> drawnVertices() const;

    std::vector<AcDbObjectId> m_vertices;
    AcDbHandle m_seqend;
    int m_flags = 0;
    double m_startWidth = 0, m_endWidth = 0, m_elevation = 0;
    AcGeVector3d m_normal = AcGeVector3d::kZAxis;
};

#define QV_SEQUENCE_POLYLINE(CLASS)                                                    \
    class CLASS : public AcDbSequencePolyline                                          \
    {                                                                                  \
    public:                                                                            \
        ACRX_DECLARE_MEMBERS(CLASS)                                                    \
                                                                                       \
        const char* polylineSubclass() const override { return #CLASS; }               \
    };
QV_SEQUENCE_POLYLINE(AcDb2dPolyline)
QV_SEQUENCE_POLYLINE(AcDb3dPolyline)
QV_SEQUENCE_POLYLINE(AcDbPolyFaceMesh)
QV_SEQUENCE_POLYLINE(AcDbPolygonMesh)
#undef QV_SEQUENCE_POLYLINE
