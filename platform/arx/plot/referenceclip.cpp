#include "referenceclip.h"

#include "arx/dbblockref.h"
#include "arx/dbdict.h"
#include "arx/dxfnumber.h"
#include "arx/dxftaglist.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <string_view>

namespace qv {

namespace {

constexpr int kMatrixValues = 12;   // a 4×3 matrix, row by row

// The boundary as the filter gives it, with its matrices.
struct Filter {
    std::vector<AcGePoint2d> points;
    AcGeMatrix3d toBlock;   // from the boundary's coordinates to the block's
};

AcDbObject* entry(AcDbObjectId dictionary, const char* key)
{
    const auto* dict = AcDbDictionary::cast(dictionary.object());
    AcDbObjectId id;
    return dict && !dict->isErased() && dict->getAt(key, id) == Acad::eOk ? id.object() : nullptr;
}

bool finite(const dxf::Tag& t, double& value)
{
    return dxf::parseReal(t.value(), value) && std::isfinite(value);
}

AcGeMatrix3d matrixOf(const double* v)
{
    AcGeMatrix3d m;
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 4; ++column)
            m(row, column) = v[4 * row + column];
    return m;
}

// The filter's pairs: 70 the point count, 10/20 the points, 71 0 when switched off, and the
// last 24 of its 40s the two matrices (the inverse of the reference's placement when it was
// clipped, and the one into the boundary's coordinates). False when they do not hold.
bool readFilter(const AcDbObject* filter, Filter& out)
{
    const dxf::TagList* tags = filter->keptPairs();
    if (!tags)
        return false;
    long long count = -1;
    std::vector<double> reals;
    for (size_t i = 0; i < tags->size(); ++i) {
        const dxf::Tag& t = (*tags)[i];
        double value = 0;
        long long flag = 0;
        if (t.code == 70 && count < 0 && !dxf::parseInt(t.value(), count))
            return false;
        if (t.code == 71 && (!dxf::parseInt(t.value(), flag) || flag == 0))
            return false;
        if ((t.code >= 10 && t.code < 60) || (t.code >= 210 && t.code < 240)) {
            if (!finite(t, value))
                return false;
            if (t.code == 40)
                reals.push_back(value);
        }
        if (t.code == 10) {
            double y = 0;
            if (i + 1 >= tags->size() || (*tags)[i + 1].code != 20 || !finite((*tags)[i + 1], y))
                return false;
            out.points.emplace_back(value, y);
        }
    }
    if (count < 2 || static_cast<size_t>(count) != out.points.size() || reals.size() < 2 * kMatrixValues)
        return false;
    const double* matrices = reals.data() + reals.size() - 2 * kMatrixValues;
    const AcGeMatrix3d inverseInsert = matrixOf(matrices), toBoundary = matrixOf(matrices + kMatrixValues);
    if (toBoundary.isSingular())
        return false;
    out.toBlock = inverseInsert * toBoundary.inverse();
    return true;
}

// The points of the record's section that follows the 102 pair naming it.
std::vector<AcGePoint2d> sectionPoints(const AcDbXrecord* record, std::string_view section)
{
    std::vector<AcGePoint2d> points;
    resbuf* chain = nullptr;
    if (record->rbChain(&chain) != Acad::eOk)
        return points;
    const std::unique_ptr<resbuf, int (*)(resbuf*)> owned(chain, acutRelRb);
    bool inside = false;
    for (const resbuf* rb = chain; rb; rb = rb->rbnext) {
        if (rb->restype == 102)
            inside = rb->resval.rstring && rb->resval.rstring == section;
        else if (inside && rb->restype == 10)
            points.emplace_back(rb->resval.rpoint[0], rb->resval.rpoint[1]);
    }
    return points;
}

// The boundary a filter keeps for an inverted clip, in the coordinates of its own points.
std::vector<AcGePoint2d> invertedPoints(const AcDbObject* filter)
{
    const auto* record = AcDbXrecord::cast(entry(filter->extensionDictionary(), "ACAD_XREC_ROUNDTRIP"));
    return record ? sectionPoints(record, "ACAD_INVERTEDCLIP_ROUNDTRIP") : std::vector<AcGePoint2d>();
}

// The closed loop in the block's coordinates (two points: a rectangle's corners); empty when
// it is not finite or has no area.
std::vector<AcGePoint3d> loopOf(const std::vector<AcGePoint2d>& points, const AcGeMatrix3d& toBlock)
{
    std::vector<AcGePoint2d> corners = points;
    if (points.size() == 2)
        corners = {points[0], {points[1].x, points[0].y}, points[1], {points[0].x, points[1].y}};
    std::vector<AcGePoint3d> loop;
    double area = 0, size = 0;
    for (const AcGePoint2d& p : corners) {
        const AcGePoint3d q = toBlock.transform(AcGePoint3d(p.x, p.y, 0));
        if (!std::isfinite(q.x) || !std::isfinite(q.y) || !std::isfinite(q.z))
            return {};
        if (!loop.empty()) {
            area += loop.back().x * q.y - q.x * loop.back().y;
            size = std::max(size, (q - loop.front()).length());
        }
        loop.push_back(q);
    }
    if (loop.size() < 3)
        return {};
    area += loop.back().x * loop.front().y - loop.front().x * loop.back().y;
    if (!(std::abs(area) > 1e-9 * size * size))
        return {};
    return loop;
}

} // namespace

ReferenceClip::ReferenceClip(const AcDbBlockReference* ref)
{
    if (!ref || ref->extensionDictionary().isNull())
        return;
    const AcDbObject* filter = entry(ref->extensionDictionary(), "ACAD_FILTER");
    filter = filter ? entry(filter->objectId(), "SPATIAL") : nullptr;
    Filter read;
    if (!filter || filter->isErased() || std::strcmp(filter->dxfName(), "SPATIAL_FILTER") != 0
        || !readFilter(filter, read))
        return;
    // Files that know inverted clips keep their boundary aside and give other readers a
    // boundary that approximates it; without that boundary the approximation is drawn.
    if (!filter->extensionDictionary().isNull()) {
        m_boundary = loopOf(invertedPoints(filter), read.toBlock);
        m_inverted = isActive();
    }
    if (!isActive())
        m_boundary = loopOf(read.points, read.toBlock);
}

} // namespace qv
