// Points, vectors, matrices and extents of the drawing database, with the host's default
// tolerances (1e-10 for points, 1e-12 for vectors).
#pragma once

#include "arx/errorstatus.h"

#include <array>

constexpr double kPi = 3.141592653589793;

class AcGeTol
{
public:
    double equalPoint() const { return m_point; }
    double equalVector() const { return m_vector; }
    void setEqualPoint(double tol) { m_point = tol; }
    void setEqualVector(double tol) { m_vector = tol; }

private:
    double m_point = 1e-10;
    double m_vector = 1e-12;
};

namespace AcGeContext {
extern AcGeTol gTol;
}

class AcGeMatrix3d;

class AcGeVector2d
{
public:
    AcGeVector2d() = default;
    AcGeVector2d(double ax, double ay) : x(ax), y(ay) {}
    double length() const;
    double angle() const;
    AcGeVector2d operator+(const AcGeVector2d& v) const { return {x + v.x, y + v.y}; }
    AcGeVector2d operator-(const AcGeVector2d& v) const { return {x - v.x, y - v.y}; }
    AcGeVector2d operator*(double s) const { return {x * s, y * s}; }
    double x = 0.0, y = 0.0;
};

class AcGePoint2d
{
public:
    AcGePoint2d() = default;
    AcGePoint2d(double ax, double ay) : x(ax), y(ay) {}
    double distanceTo(const AcGePoint2d& p) const;
    bool isEqualTo(const AcGePoint2d& p, const AcGeTol& tol = AcGeContext::gTol) const;
    AcGeVector2d operator-(const AcGePoint2d& p) const { return {x - p.x, y - p.y}; }
    AcGePoint2d operator+(const AcGeVector2d& v) const { return {x + v.x, y + v.y}; }
    bool operator==(const AcGePoint2d& p) const { return isEqualTo(p); }
    double x = 0.0, y = 0.0;
};

class AcGeVector3d
{
public:
    AcGeVector3d() = default;
    AcGeVector3d(double ax, double ay, double az) : x(ax), y(ay), z(az) {}
    static const AcGeVector3d kXAxis, kYAxis, kZAxis, kIdentity;

    double length() const;
    AcGeVector3d normal(const AcGeTol& tol = AcGeContext::gTol) const;
    AcGeVector3d& normalize(const AcGeTol& tol = AcGeContext::gTol);
    double dotProduct(const AcGeVector3d& v) const { return x * v.x + y * v.y + z * v.z; }
    AcGeVector3d crossProduct(const AcGeVector3d& v) const;
    bool isZeroLength(const AcGeTol& tol = AcGeContext::gTol) const;
    bool isEqualTo(const AcGeVector3d& v, const AcGeTol& tol = AcGeContext::gTol) const;
    bool isParallelTo(const AcGeVector3d& v, const AcGeTol& tol = AcGeContext::gTol) const;
    // Angle from this vector to v, counter-clockwise about the reference axis (0 to 2π).
    double angleTo(const AcGeVector3d& v, const AcGeVector3d& reference) const;
    AcGeVector3d& transformBy(const AcGeMatrix3d& m);

    AcGeVector3d operator+(const AcGeVector3d& v) const { return {x + v.x, y + v.y, z + v.z}; }
    AcGeVector3d operator-(const AcGeVector3d& v) const { return {x - v.x, y - v.y, z - v.z}; }
    AcGeVector3d operator-() const { return {-x, -y, -z}; }
    AcGeVector3d operator*(double s) const { return {x * s, y * s, z * s}; }
    bool operator==(const AcGeVector3d& v) const { return isEqualTo(v); }
    double x = 0.0, y = 0.0, z = 0.0;
};

class AcGePoint3d
{
public:
    AcGePoint3d() = default;
    AcGePoint3d(double ax, double ay, double az) : x(ax), y(ay), z(az) {}
    static const AcGePoint3d kOrigin;

    double distanceTo(const AcGePoint3d& p) const;
    bool isEqualTo(const AcGePoint3d& p, const AcGeTol& tol = AcGeContext::gTol) const;
    AcGePoint3d& transformBy(const AcGeMatrix3d& m);
    AcGeVector3d asVector() const { return {x, y, z}; }
    AcGePoint2d to2d() const { return {x, y}; }

    AcGeVector3d operator-(const AcGePoint3d& p) const { return {x - p.x, y - p.y, z - p.z}; }
    AcGePoint3d operator+(const AcGeVector3d& v) const { return {x + v.x, y + v.y, z + v.z}; }
    AcGePoint3d operator-(const AcGeVector3d& v) const { return {x - v.x, y - v.y, z - v.z}; }
    bool operator==(const AcGePoint3d& p) const { return isEqualTo(p); }
    bool operator!=(const AcGePoint3d& p) const { return !isEqualTo(p); }
    double x = 0.0, y = 0.0, z = 0.0;
};

class AcGeScale3d
{
public:
    AcGeScale3d() = default;
    explicit AcGeScale3d(double s) : sx(s), sy(s), sz(s) {}
    AcGeScale3d(double x, double y, double z) : sx(x), sy(y), sz(z) {}
    bool isEqualTo(const AcGeScale3d& s, const AcGeTol& tol = AcGeContext::gTol) const;
    bool operator==(const AcGeScale3d& s) const { return isEqualTo(s); }
    double sx = 1.0, sy = 1.0, sz = 1.0;
};

// A 4x4 affine matrix acting on column vectors: p' = M p.
class AcGeMatrix3d
{
public:
    AcGeMatrix3d();
    static const AcGeMatrix3d kIdentity;

    static AcGeMatrix3d translation(const AcGeVector3d& v);
    static AcGeMatrix3d rotation(double angle, const AcGeVector3d& axis,
                                 const AcGePoint3d& center = AcGePoint3d::kOrigin);
    static AcGeMatrix3d scaling(double scale, const AcGePoint3d& center = AcGePoint3d::kOrigin);
    static AcGeMatrix3d scaling(const AcGeScale3d& scale, const AcGePoint3d& center = AcGePoint3d::kOrigin);
    static AcGeMatrix3d mirroring(const AcGePoint3d& p1, const AcGePoint3d& p2);
    // The matrix taking the coordinate system (fromOrigin, fromX, fromY, fromZ) onto
    // (toOrigin, toX, toY, toZ).
    static AcGeMatrix3d alignCoordSys(const AcGePoint3d& fromOrigin, const AcGeVector3d& fromX,
                                      const AcGeVector3d& fromY, const AcGeVector3d& fromZ,
                                      const AcGePoint3d& toOrigin, const AcGeVector3d& toX,
                                      const AcGeVector3d& toY, const AcGeVector3d& toZ);
    // The object coordinate system of a normal (arbitrary-axis algorithm) to world coordinates.
    static AcGeMatrix3d planeToWorld(const AcGeVector3d& normal);
    static AcGeMatrix3d worldToPlane(const AcGeVector3d& normal);

    AcGeMatrix3d& setToIdentity();
    AcGeMatrix3d& setToTranslation(const AcGeVector3d& v) { return *this = translation(v); }
    AcGeMatrix3d& setToRotation(double angle, const AcGeVector3d& axis,
                                const AcGePoint3d& center = AcGePoint3d::kOrigin)
    {
        return *this = rotation(angle, axis, center);
    }
    AcGeMatrix3d& setToScaling(double s, const AcGePoint3d& center = AcGePoint3d::kOrigin)
    {
        return *this = scaling(s, center);
    }
    AcGeMatrix3d& setToAlignCoordSys(const AcGePoint3d& fromOrigin, const AcGeVector3d& fromX,
                                     const AcGeVector3d& fromY, const AcGeVector3d& fromZ,
                                     const AcGePoint3d& toOrigin, const AcGeVector3d& toX,
                                     const AcGeVector3d& toY, const AcGeVector3d& toZ);
    AcGeMatrix3d& setCoordSystem(const AcGePoint3d& origin, const AcGeVector3d& xAxis,
                                 const AcGeVector3d& yAxis, const AcGeVector3d& zAxis);
    void getCoordSystem(AcGePoint3d& origin, AcGeVector3d& xAxis, AcGeVector3d& yAxis,
                        AcGeVector3d& zAxis) const;

    AcGeMatrix3d operator*(const AcGeMatrix3d& m) const;
    AcGeMatrix3d& preMultBy(const AcGeMatrix3d& left) { return *this = left * *this; }
    AcGeMatrix3d& postMultBy(const AcGeMatrix3d& right) { return *this = *this * right; }
    AcGeMatrix3d inverse() const;
    AcGeMatrix3d& invert() { return *this = inverse(); }
    bool isSingular(const AcGeTol& tol = AcGeContext::gTol) const;
    double det() const;
    // True when the matrix is a rotation (possibly mirrored) times one uniform scale.
    bool isUniScaledOrtho(const AcGeTol& tol = AcGeContext::gTol) const;
    double scale() const;
    bool isEqualTo(const AcGeMatrix3d& m, const AcGeTol& tol = AcGeContext::gTol) const;
    AcGeVector3d translation() const { return {entry[0][3], entry[1][3], entry[2][3]}; }

    AcGePoint3d transform(const AcGePoint3d& p) const;
    AcGeVector3d transform(const AcGeVector3d& v) const;
    double operator()(int row, int column) const { return entry[row][column]; }
    double& operator()(int row, int column) { return entry[row][column]; }

    std::array<std::array<double, 4>, 4> entry;
};

// An axis-aligned box. A new box is empty: it reports min (1e20, 1e20, 1e20) and max
// (-1e20, -1e20, -1e20), the values the host writes for empty drawing extents.
class AcDbExtents
{
public:
    AcDbExtents();
    AcDbExtents(const AcGePoint3d& a, const AcGePoint3d& b);
    const AcGePoint3d& minPoint() const { return m_min; }
    const AcGePoint3d& maxPoint() const { return m_max; }
    bool isEmpty() const { return m_min.x > m_max.x; }
    void addPoint(const AcGePoint3d& p);
    void addExt(const AcDbExtents& e);
    Acad::ErrorStatus set(const AcGePoint3d& a, const AcGePoint3d& b);
    // Transforms the eight corners and takes the box around them.
    void transformBy(const AcGeMatrix3d& m);
    void expandBy(const AcGeVector3d& v);

private:
    AcGePoint3d m_min;
    AcGePoint3d m_max;
};

namespace qv {
// Normalises an angle into [0, 2π).
double normalizeAngle(double angle);
// The x axis of the object coordinate system of a normal (arbitrary-axis algorithm).
AcGeVector3d ocsXAxis(const AcGeVector3d& normal);
// Angle of a world direction measured in the object coordinate system of a normal.
double angleInOcs(const AcGeVector3d& direction, const AcGeVector3d& normal);
AcGeVector3d ocsDirection(double angle, const AcGeVector3d& normal);
} // namespace qv
