#include "arx/geometry.h"

#include <algorithm>
#include <cmath>

AcGeTol AcGeContext::gTol;

const AcGeVector3d AcGeVector3d::kXAxis(1, 0, 0);
const AcGeVector3d AcGeVector3d::kYAxis(0, 1, 0);
const AcGeVector3d AcGeVector3d::kZAxis(0, 0, 1);
const AcGeVector3d AcGeVector3d::kIdentity(0, 0, 0);
const AcGePoint3d AcGePoint3d::kOrigin(0, 0, 0);
const AcGeMatrix3d AcGeMatrix3d::kIdentity;

double AcGeVector2d::length() const { return std::hypot(x, y); }
double AcGeVector2d::angle() const { return qv::normalizeAngle(std::atan2(y, x)); }

double AcGePoint2d::distanceTo(const AcGePoint2d& p) const { return std::hypot(x - p.x, y - p.y); }

bool AcGePoint2d::isEqualTo(const AcGePoint2d& p, const AcGeTol& tol) const
{
    return distanceTo(p) <= tol.equalPoint();
}

double AcGeVector3d::length() const { return std::sqrt(x * x + y * y + z * z); }

AcGeVector3d AcGeVector3d::normal(const AcGeTol& tol) const
{
    const double l = length();
    return l <= tol.equalVector() ? *this : AcGeVector3d(x / l, y / l, z / l);
}

AcGeVector3d& AcGeVector3d::normalize(const AcGeTol& tol) { return *this = normal(tol); }

AcGeVector3d AcGeVector3d::crossProduct(const AcGeVector3d& v) const
{
    return {y * v.z - z * v.y, z * v.x - x * v.z, x * v.y - y * v.x};
}

bool AcGeVector3d::isZeroLength(const AcGeTol& tol) const { return length() <= tol.equalVector(); }

bool AcGeVector3d::isEqualTo(const AcGeVector3d& v, const AcGeTol& tol) const
{
    return (*this - v).length() <= tol.equalVector();
}

bool AcGeVector3d::isParallelTo(const AcGeVector3d& v, const AcGeTol& tol) const
{
    return normal().crossProduct(v.normal()).length() <= tol.equalVector();
}

double AcGeVector3d::angleTo(const AcGeVector3d& v, const AcGeVector3d& reference) const
{
    const AcGeVector3d c = crossProduct(v);
    double a = std::atan2(c.length(), dotProduct(v));
    if (c.dotProduct(reference) < 0)
        a = -a;
    return qv::normalizeAngle(a);
}

AcGeVector3d& AcGeVector3d::transformBy(const AcGeMatrix3d& m) { return *this = m.transform(*this); }

double AcGePoint3d::distanceTo(const AcGePoint3d& p) const { return (*this - p).length(); }

bool AcGePoint3d::isEqualTo(const AcGePoint3d& p, const AcGeTol& tol) const
{
    return distanceTo(p) <= tol.equalPoint();
}

AcGePoint3d& AcGePoint3d::transformBy(const AcGeMatrix3d& m) { return *this = m.transform(*this); }

bool AcGeScale3d::isEqualTo(const AcGeScale3d& s, const AcGeTol& tol) const
{
    return std::fabs(sx - s.sx) <= tol.equalPoint() && std::fabs(sy - s.sy) <= tol.equalPoint()
        && std::fabs(sz - s.sz) <= tol.equalPoint();
}

AcGeMatrix3d::AcGeMatrix3d() { setToIdentity(); }

AcGeMatrix3d& AcGeMatrix3d::setToIdentity()
{
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            entry[r][c] = r == c ? 1.0 : 0.0;
    return *this;
}

AcGeMatrix3d AcGeMatrix3d::translation(const AcGeVector3d& v)
{
    AcGeMatrix3d m;
    m.entry[0][3] = v.x;
    m.entry[1][3] = v.y;
    m.entry[2][3] = v.z;
    return m;
}

AcGeMatrix3d AcGeMatrix3d::rotation(double angle, const AcGeVector3d& axis, const AcGePoint3d& center)
{
    const AcGeVector3d u = axis.normal();
    const double c = std::cos(angle), s = std::sin(angle), t = 1 - c;
    AcGeMatrix3d r;
    r.entry[0] = {t * u.x * u.x + c, t * u.x * u.y - s * u.z, t * u.x * u.z + s * u.y, 0};
    r.entry[1] = {t * u.x * u.y + s * u.z, t * u.y * u.y + c, t * u.y * u.z - s * u.x, 0};
    r.entry[2] = {t * u.x * u.z - s * u.y, t * u.y * u.z + s * u.x, t * u.z * u.z + c, 0};
    return translation(center.asVector()) * r * translation(-center.asVector());
}

AcGeMatrix3d AcGeMatrix3d::scaling(double scale, const AcGePoint3d& center)
{
    return scaling(AcGeScale3d(scale), center);
}

AcGeMatrix3d AcGeMatrix3d::scaling(const AcGeScale3d& scale, const AcGePoint3d& center)
{
    AcGeMatrix3d s;
    s.entry[0][0] = scale.sx;
    s.entry[1][1] = scale.sy;
    s.entry[2][2] = scale.sz;
    return translation(center.asVector()) * s * translation(-center.asVector());
}

AcGeMatrix3d AcGeMatrix3d::mirroring(const AcGePoint3d& p1, const AcGePoint3d& p2)
{
    // Reflection in the plane through p1 and p2 perpendicular to the XY plane.
    const AcGeVector3d d = (p2 - p1).normal();
    const AcGeVector3d n(-d.y, d.x, 0);
    AcGeMatrix3d m;
    const double v[3] = {n.x, n.y, n.z};
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            m.entry[r][c] = (r == c ? 1.0 : 0.0) - 2 * v[r] * v[c];
    return translation(p1.asVector()) * m * translation(-p1.asVector());
}

AcGeMatrix3d& AcGeMatrix3d::setCoordSystem(const AcGePoint3d& origin, const AcGeVector3d& xAxis,
                                           const AcGeVector3d& yAxis, const AcGeVector3d& zAxis)
{
    setToIdentity();
    const AcGeVector3d cols[3] = {xAxis, yAxis, zAxis};
    for (int c = 0; c < 3; ++c) {
        entry[0][c] = cols[c].x;
        entry[1][c] = cols[c].y;
        entry[2][c] = cols[c].z;
    }
    entry[0][3] = origin.x;
    entry[1][3] = origin.y;
    entry[2][3] = origin.z;
    return *this;
}

void AcGeMatrix3d::getCoordSystem(AcGePoint3d& origin, AcGeVector3d& xAxis, AcGeVector3d& yAxis,
                                  AcGeVector3d& zAxis) const
{
    origin = {entry[0][3], entry[1][3], entry[2][3]};
    xAxis = {entry[0][0], entry[1][0], entry[2][0]};
    yAxis = {entry[0][1], entry[1][1], entry[2][1]};
    zAxis = {entry[0][2], entry[1][2], entry[2][2]};
}

AcGeMatrix3d AcGeMatrix3d::alignCoordSys(const AcGePoint3d& fromOrigin, const AcGeVector3d& fromX,
                                         const AcGeVector3d& fromY, const AcGeVector3d& fromZ,
                                         const AcGePoint3d& toOrigin, const AcGeVector3d& toX,
                                         const AcGeVector3d& toY, const AcGeVector3d& toZ)
{
    AcGeMatrix3d from, to;
    from.setCoordSystem(fromOrigin, fromX, fromY, fromZ);
    to.setCoordSystem(toOrigin, toX, toY, toZ);
    return to * from.inverse();
}

AcGeMatrix3d& AcGeMatrix3d::setToAlignCoordSys(const AcGePoint3d& fromOrigin, const AcGeVector3d& fromX,
                                               const AcGeVector3d& fromY, const AcGeVector3d& fromZ,
                                               const AcGePoint3d& toOrigin, const AcGeVector3d& toX,
                                               const AcGeVector3d& toY, const AcGeVector3d& toZ)
{
    return *this = alignCoordSys(fromOrigin, fromX, fromY, fromZ, toOrigin, toX, toY, toZ);
}

AcGeMatrix3d AcGeMatrix3d::planeToWorld(const AcGeVector3d& normal)
{
    // The world's own plane, the usual case, is the identity that the construction below
    // gives for it, bit for bit (positive zeros).
    if (normal.x == 0.0 && normal.y == 0.0 && normal.z == 1.0 && !std::signbit(normal.x) && !std::signbit(normal.y))
        return AcGeMatrix3d();
    const AcGeVector3d n = normal.normal();
    const AcGeVector3d ax = qv::ocsXAxis(n);
    AcGeMatrix3d m;
    return m.setCoordSystem(AcGePoint3d::kOrigin, ax, n.crossProduct(ax).normal(), n);
}

AcGeMatrix3d AcGeMatrix3d::worldToPlane(const AcGeVector3d& normal)
{
    // The plane matrix is orthonormal: its inverse is its transpose.
    AcGeMatrix3d m = planeToWorld(normal);
    for (int r = 0; r < 3; ++r)
        for (int c = r + 1; c < 3; ++c)
            std::swap(m.entry[r][c], m.entry[c][r]);
    return m;
}

AcGeMatrix3d AcGeMatrix3d::operator*(const AcGeMatrix3d& m) const
{
    AcGeMatrix3d p;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) {
            double s = 0;
            for (int k = 0; k < 4; ++k)
                s += entry[r][k] * m.entry[k][c];
            p.entry[r][c] = s;
        }
    return p;
}

double AcGeMatrix3d::det() const
{
    const auto& e = entry;
    return e[0][0] * (e[1][1] * e[2][2] - e[1][2] * e[2][1]) - e[0][1] * (e[1][0] * e[2][2] - e[1][2] * e[2][0])
        + e[0][2] * (e[1][0] * e[2][1] - e[1][1] * e[2][0]);
}

bool AcGeMatrix3d::isSingular(const AcGeTol& tol) const { return std::fabs(det()) <= tol.equalVector(); }

AcGeMatrix3d AcGeMatrix3d::inverse() const
{
    // Affine inverse: invert the 3x3 linear part by cofactors, then the translation.
    const auto& e = entry;
    const double d = det();
    if (d == 0.0)
        return *this;
    AcGeMatrix3d inv;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) {
            const int r1 = (c + 1) % 3, r2 = (c + 2) % 3, c1 = (r + 1) % 3, c2 = (r + 2) % 3;
            inv.entry[r][c] = (e[r1][c1] * e[r2][c2] - e[r1][c2] * e[r2][c1]) / d;
        }
    const AcGeVector3d t = inv.transform(AcGeVector3d(e[0][3], e[1][3], e[2][3]));
    inv.entry[0][3] = -t.x;
    inv.entry[1][3] = -t.y;
    inv.entry[2][3] = -t.z;
    return inv;
}

double AcGeMatrix3d::scale() const
{
    double s = 0;
    for (int c = 0; c < 3; ++c)
        s = std::max(s, transform(AcGeVector3d(c == 0, c == 1, c == 2)).length());
    return s;
}

bool AcGeMatrix3d::isUniScaledOrtho(const AcGeTol& tol) const
{
    const AcGeVector3d cols[3] = {transform(AcGeVector3d::kXAxis), transform(AcGeVector3d::kYAxis),
                                  transform(AcGeVector3d::kZAxis)};
    const double l = cols[0].length();
    if (l <= tol.equalVector())
        return false;
    for (int i = 0; i < 3; ++i) {
        if (std::fabs(cols[i].length() - l) > tol.equalPoint() * std::max(1.0, l))
            return false;
        for (int j = i + 1; j < 3; ++j)
            if (std::fabs(cols[i].dotProduct(cols[j])) > tol.equalPoint() * std::max(1.0, l * l))
                return false;
    }
    return true;
}

bool AcGeMatrix3d::isEqualTo(const AcGeMatrix3d& m, const AcGeTol& tol) const
{
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            if (std::fabs(entry[r][c] - m.entry[r][c]) > tol.equalPoint())
                return false;
    return true;
}

AcGePoint3d AcGeMatrix3d::transform(const AcGePoint3d& p) const
{
    const auto& e = entry;
    return {e[0][0] * p.x + e[0][1] * p.y + e[0][2] * p.z + e[0][3],
            e[1][0] * p.x + e[1][1] * p.y + e[1][2] * p.z + e[1][3],
            e[2][0] * p.x + e[2][1] * p.y + e[2][2] * p.z + e[2][3]};
}

AcGeVector3d AcGeMatrix3d::transform(const AcGeVector3d& v) const
{
    const auto& e = entry;
    return {e[0][0] * v.x + e[0][1] * v.y + e[0][2] * v.z, e[1][0] * v.x + e[1][1] * v.y + e[1][2] * v.z,
            e[2][0] * v.x + e[2][1] * v.y + e[2][2] * v.z};
}

AcDbExtents::AcDbExtents() : m_min(1e20, 1e20, 1e20), m_max(-1e20, -1e20, -1e20) {}

AcDbExtents::AcDbExtents(const AcGePoint3d& a, const AcGePoint3d& b) : AcDbExtents()
{
    addPoint(a);
    addPoint(b);
}

void AcDbExtents::addPoint(const AcGePoint3d& p)
{
    m_min = {std::min(m_min.x, p.x), std::min(m_min.y, p.y), std::min(m_min.z, p.z)};
    m_max = {std::max(m_max.x, p.x), std::max(m_max.y, p.y), std::max(m_max.z, p.z)};
}

void AcDbExtents::addExt(const AcDbExtents& e)
{
    if (e.isEmpty())
        return;
    addPoint(e.m_min);
    addPoint(e.m_max);
}

Acad::ErrorStatus AcDbExtents::set(const AcGePoint3d& a, const AcGePoint3d& b)
{
    if (a.x > b.x || a.y > b.y || a.z > b.z)
        return Acad::eInvalidExtents;
    m_min = a;
    m_max = b;
    return Acad::eOk;
}

void AcDbExtents::transformBy(const AcGeMatrix3d& m)
{
    if (isEmpty())
        return;
    // The box around the eight corners' images, each axis' least and greatest sum taken term
    // by term: plots take it for every reference they meet.
    const double lo[3] = {m_min.x, m_min.y, m_min.z}, hi[3] = {m_max.x, m_max.y, m_max.z};
    double least[3], greatest[3];
    for (int r = 0; r < 3; ++r) {
        least[r] = greatest[r] = m.entry[r][3];
        for (int c = 0; c < 3; ++c) {
            const double a = m.entry[r][c] * lo[c], b = m.entry[r][c] * hi[c];
            least[r] += std::min(a, b);
            greatest[r] += std::max(a, b);
        }
    }
    m_min = AcGePoint3d(least[0], least[1], least[2]);
    m_max = AcGePoint3d(greatest[0], greatest[1], greatest[2]);
}

void AcDbExtents::expandBy(const AcGeVector3d& v)
{
    addPoint(m_min + v);
    addPoint(m_max + v);
}

namespace qv {

double normalizeAngle(double angle)
{
    double a = std::fmod(angle, 2 * kPi);
    if (a < 0)
        a += 2 * kPi;
    return a >= 2 * kPi ? 0.0 : a;
}

AcGeVector3d ocsXAxis(const AcGeVector3d& normal)
{
    const AcGeVector3d n = normal.normal();
    constexpr double limit = 1.0 / 64.0;
    const AcGeVector3d ax = std::fabs(n.x) < limit && std::fabs(n.y) < limit
        ? AcGeVector3d::kYAxis.crossProduct(n)
        : AcGeVector3d::kZAxis.crossProduct(n);
    return ax.normal();
}

double angleInOcs(const AcGeVector3d& direction, const AcGeVector3d& normal)
{
    const AcGeVector3d local = AcGeMatrix3d::worldToPlane(normal).transform(direction);
    return normalizeAngle(std::atan2(local.y, local.x));
}

AcGeVector3d ocsDirection(double angle, const AcGeVector3d& normal)
{
    return AcGeMatrix3d::planeToWorld(normal).transform(AcGeVector3d(std::cos(angle), std::sin(angle), 0));
}

} // namespace qv
