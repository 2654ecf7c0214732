#include "arx/dbblockref.h"

#include "arx/dbdatabase.h"
#include "arx/dbsymtb.h"
#include "arx/dbtext.h"
#include "dbnesting.h"
#include "dbobjectimpl.h"

#include <cmath>
#include <cstdint>
#include <unordered_map>
#include <unordered_set>

ACRX_DEFINE_MEMBERS(AcDbBlockReference, AcDbEntity, "INSERT")
ACRX_DEFINE_MEMBERS(AcDbMInsertBlock, AcDbBlockReference, "INSERT")

namespace {

constexpr int kMaxNesting = 32;

// One measure of a reference's extents, nested references included. Each reference is
// measured once (its extents in its owner's coordinates do not depend on the path that
// reached it), and a reference to a definition being measured further out is left out, so
// that neither a block that contains itself nor definitions shared at many levels make the
// work grow faster than the drawing.
struct ExtentsWalk {
    std::unordered_map<const AcDbBlockReference*, std::pair<Acad::ErrorStatus, AcDbExtents>> measured;
    std::unordered_set<AcDbObjectId> open;
    int depth = 0;
};
ExtentsWalk* g_walk = nullptr;

// Makes a walk for the outermost measure, and ends it with that measure.
class WalkScope
{
public:
    WalkScope() : m_outermost(!g_walk)
    {
        if (m_outermost)
            g_walk = &m_own;
    }
    ~WalkScope()
    {
        if (m_outermost)
            g_walk = nullptr;
    }
    WalkScope(const WalkScope&) = delete;
    WalkScope& operator=(const WalkScope&) = delete;
    ExtentsWalk& walk() const { return *g_walk; }

private:
    ExtentsWalk m_own;
    bool m_outermost;
};

} // namespace

void AcDbObjectIterator::step(bool backwards, bool skipErased)
{
    do {
        if (backwards)
            m_pos = m_pos == 0 ? m_ids.size() : m_pos - 1;
        else if (m_pos < m_ids.size())
            ++m_pos;
    } while (skipErased && !done() && m_ids[m_pos].isErased());
}

AcDbEntity* AcDbObjectIterator::entity() const { return AcDbEntity::cast(objectId().object()); }

AcDbBlockReference::AcDbBlockReference(const AcGePoint3d& position, AcDbObjectId blockTableRecord)
    : m_block(blockTableRecord), m_ocsPosition(position)
{
}

Acad::ErrorStatus AcDbBlockReference::setBlockTableRecord(AcDbObjectId id)
{
    if (const Acad::ErrorStatus es = assertWriteEnabled(); es != Acad::eOk)
        return es;
    if (!AcDbBlockTableRecord::cast(id.object()))
        return Acad::eInvalidInput;
    if (id.isErased())
        return Acad::eWasErased;
    if (isDatabaseResident() && qv::wouldContainItself(ownerId(), id))
        return Acad::eSelfReference;
    m_block = id;
    return Acad::eOk;
}

AcGePoint3d AcDbBlockReference::position() const { return fromOcs(m_ocsPosition, m_normal); }

Acad::ErrorStatus AcDbBlockReference::setPosition(const AcGePoint3d& p)
{
    QV_CHECKED_SETTER(allFinite(p), m_ocsPosition = toOcs(p, m_normal))
}

Acad::ErrorStatus AcDbBlockReference::setRotation(double radians)
{
    QV_CHECKED_SETTER(allFinite(radians), m_rotation = qv::normalizeAngle(radians))
}

Acad::ErrorStatus AcDbBlockReference::setScaleFactors(const AcGeScale3d& scale)
{
    QV_CHECKED_SETTER(allFinite(scale) && scale.sx != 0 && scale.sy != 0 && scale.sz != 0, m_scale = scale)
}

Acad::ErrorStatus AcDbBlockReference::setNormal(const AcGeVector3d& normal)
{
    if (!allFinite(normal) || normal.isZeroLength())
        return Acad::eInvalidInput;
    const AcGePoint3d p = position();
    QV_SETTER((m_normal = normal.normal(), m_ocsPosition = toOcs(p, m_normal)))
}

AcGeMatrix3d AcDbBlockReference::blockTransform() const
{
    AcGePoint3d origin;
    if (const auto* btr = AcDbBlockTableRecord::cast(m_block.object()))
        origin = btr->origin();
    // translation(position) · plane · rotation · scaling · translation(−origin), written out:
    // plots and queries take it for every reference they meet.
    const double c = std::cos(m_rotation), s = std::sin(m_rotation);
    const double turned[3][3] = {{c * m_scale.sx, -s * m_scale.sy, 0}, {s * m_scale.sx, c * m_scale.sy, 0},
                                 {0, 0, m_scale.sz}};
    const bool plan = m_normal.x == 0 && m_normal.y == 0 && m_normal.z > 0;
    const AcGeMatrix3d plane = plan ? AcGeMatrix3d() : AcGeMatrix3d::planeToWorld(m_normal);
    const AcGePoint3d at = position();
    const double to[3] = {at.x, at.y, at.z}, from[3] = {origin.x, origin.y, origin.z};
    AcGeMatrix3d m;
    for (int r = 0; r < 3; ++r) {
        double shift = to[r];
        for (int col = 0; col < 3; ++col) {
            double e = 0;
            for (int k = 0; k < 3; ++k)
                e += plane.entry[r][k] * turned[k][col];
            m.entry[r][col] = e;
            shift -= e * from[col];
        }
        m.entry[r][3] = shift;
    }
    return m;
}

Acad::ErrorStatus AcDbBlockReference::setBlockTransform(const AcGeMatrix3d& m)
{
    // Decompose the linear part in the object coordinate system of the new normal.
    AcGePoint3d origin;
    if (const auto* btr = AcDbBlockTableRecord::cast(m_block.object()))
        origin = btr->origin();
    const AcGeVector3d xv = m.transform(AcGeVector3d::kXAxis), yv = m.transform(AcGeVector3d::kYAxis),
                       zv = m.transform(AcGeVector3d::kZAxis);
    if (!allFinite(m) || xv.isZeroLength() || yv.isZeroLength() || zv.isZeroLength())
        return Acad::eInvalidInput;
    const AcGeVector3d normal = zv.normal();
    const AcGeMatrix3d toPlane = AcGeMatrix3d::worldToPlane(normal);
    const AcGeVector3d xl = toPlane.transform(xv), yl = toPlane.transform(yv), zl = toPlane.transform(zv);
    const double rotation = std::atan2(xl.y, xl.x);
    const double sy = -std::sin(rotation) * yl.x + std::cos(rotation) * yl.y;
    m_normal = normal;
    m_rotation = qv::normalizeAngle(rotation);
    m_scale = AcGeScale3d(xv.length(), sy, zl.z);
    m_ocsPosition = toOcs(m.transform(origin), m_normal);
    return Acad::eOk;
}

AcDbObjectIterator* AcDbBlockReference::attributeIterator() const
{
    std::vector<AcDbObjectId> live;
    live.reserve(m_attributes.size());
    for (const AcDbObjectId& id : m_attributes)
        if (!id.isErased())
            live.push_back(id);
    return new AcDbObjectIterator(std::move(live));
}

bool AcDbBlockReference::hasLiveAttributes() const
{
    for (const AcDbObjectId& id : m_attributes)
        if (id.isValid() && !id.isErased())
            return true;
    return false;
}

Acad::ErrorStatus AcDbBlockReference::appendAttribute(AcDbAttribute* attribute)
{
    AcDbObjectId id;
    return appendAttribute(id, attribute);
}

Acad::ErrorStatus AcDbBlockReference::appendAttribute(AcDbObjectId& id, AcDbAttribute* attribute)
{
    if (!attribute)
        return Acad::eNullObjectPointer;
    if (!isDatabaseResident())
        return Acad::eNotInDatabase;
    if (!isWriteEnabled())
        return Acad::eNotOpenForWrite;
    if (attribute->isDatabaseResident())
        return Acad::eAlreadyInDb;
    if (const Acad::ErrorStatus es = database()->addAcDbObject(id, attribute); es != Acad::eOk)
        return es;
    attribute->setOwnerId(objectId());
    attribute->resolveLayer(database());
    m_attributes.push_back(id);
    return Acad::eOk;
}

Acad::ErrorStatus AcDbBlockReference::openAttribute(AcDbAttribute*& attribute, AcDbObjectId id, AcDb::OpenMode mode,
                                                    bool openErased)
{
    return acdbOpenObject(attribute, id, mode, openErased);
}

Acad::ErrorStatus AcDbBlockReference::transformBy(const AcGeMatrix3d& m)
{
    if (const Acad::ErrorStatus es = assertWriteEnabled(); es != Acad::eOk)
        return es;
    if (const Acad::ErrorStatus es = setBlockTransform(m * blockTransform()); es != Acad::eOk)
        return es;
    for (const AcDbObjectId& id : m_attributes) {
        AcDbAttribute* attribute = nullptr;
        if (acdbOpenObject(attribute, id, AcDb::kForWrite) == Acad::eOk) {
            attribute->transformBy(m);
            attribute->close();
        }
    }
    return Acad::eOk;
}

Acad::ErrorStatus AcDbBlockReference::getGeomExtents(AcDbExtents& extents) const
{
    const WalkScope scope;
    ExtentsWalk& walk = scope.walk();
    if (const auto known = walk.measured.find(this); known != walk.measured.end()) {
        extents = known->second.second;
        return known->second.first;
    }
    extents = AcDbExtents();
    const auto* btr = AcDbBlockTableRecord::cast(m_block.object());
    if (btr && walk.depth < kMaxNesting && walk.open.insert(m_block).second) {
        ++walk.depth;
        addDefinitionExtents(btr, extents);
        --walk.depth;
        walk.open.erase(m_block);
    }
    addAttributeExtents(extents);
    const Acad::ErrorStatus status = extents.isEmpty() ? Acad::eInvalidExtents : Acad::eOk;
    walk.measured.emplace(this, std::make_pair(status, extents));
    return status;
}

void AcDbBlockReference::addDefinitionExtents(const AcDbBlockTableRecord* btr, AcDbExtents& extents) const
{
    const AcGeMatrix3d transform = blockTransform();
    for (const AcDbObjectId& id : btr->entityIds()) {
        const auto* ent = AcDbEntity::cast(id.object());
        // Variable attribute definitions show only through the reference's attributes;
        // constant, visible ones show as the definition's own text.
        const auto* definition = AcDbAttributeDefinition::cast(ent);
        AcDbExtents e;
        if (!ent || ent->isErased() || (definition && (!definition->isConstant() || definition->isInvisible()))
            || ent->getGeomExtents(e) != Acad::eOk)
            continue;
        e.transformBy(transform);
        extents.addExt(e);
    }
}

void AcDbBlockReference::addAttributeExtents(AcDbExtents& extents) const
{
    for (const AcDbObjectId& id : m_attributes) {
        const auto* ent = AcDbAttribute::cast(id.object());
        AcDbExtents e;
        if (ent && !ent->isErased() && !ent->isInvisible() && ent->getGeomExtents(e) == Acad::eOk)
            extents.addExt(e);
    }
}

namespace {

bool isArray(const AcRxObject& o) { return o.isKindOf(AcDbMInsertBlock::desc()); }

// A scale factor of the reference: written when it is not 1.
template <double AcGeScale3d::*Factor>
Field scaleFactor(int code)
{
    return value({static_cast<short>(code)},
                 [](AcRxObject& o, const Field&, const Pair& p, FieldContext& c) {
                     static_cast<AcDbBlockReference&>(o).setScaleFromFile(Factor, c.real(p));
                     return true;
                 },
                 [](const AcRxObject& o, const Field& f, Writer& out) {
                     const double v = static_cast<const AcDbBlockReference&>(o).scaleFactors().*Factor;
                     if (v != 1)
                         out.real(f.code(), v);
                 });
}

} // namespace

const FieldTable& AcDbBlockReference::dxfTable() const
{
    static const FieldTable table({dxfFields(), {
        subclass("AcDbBlockReference|AcDbMInsertBlock",
                 [](const AcRxObject& o) { return isArray(o) ? "AcDbMInsertBlock" : "AcDbBlockReference"; }),
        // Attributes follow: known from the records after this one.
        derived({66},
                [](const AcRxObject& o, const Field& f, Writer& out) {
                    if (static_cast<const AcDbBlockReference&>(o).hasLiveAttributes())
                        out.integer(f.code(), 1);
                }),
        value({2},
              [](AcRxObject& o, const Field&, const Pair& p, FieldContext& c) {
                  qv::dbContext(c).setBlockNamed(&static_cast<AcDbBlockReference&>(o), p);
                  return true;
              },
              [](const AcRxObject& o, const Field& f, Writer& out) {
                  const AcDbObjectId block = static_cast<const AcDbBlockReference&>(o).m_block;
                  const auto* btr = AcDbBlockTableRecord::cast(block.object());
                  if (!btr || btr->isErased())
                      out.fail("it shows a block that is not in the drawing");
                  out.text(f.code(), btr ? btr->name() : std::string());
              }),
        point<&AcDbBlockReference::m_ocsPosition>(10),
        scaleFactor<&AcGeScale3d::sx>(41),
        scaleFactor<&AcGeScale3d::sy>(42),
        scaleFactor<&AcGeScale3d::sz>(43),
        angle<&AcDbBlockReference::m_rotation>(50).normalized().omitting(0),
        integer<&AcDbBlockReference::m_columns>(70).range(0, INT16_MAX).only(isArray),
        integer<&AcDbBlockReference::m_rows>(71).range(0, INT16_MAX).only(isArray),
        real<&AcDbBlockReference::m_columnSpacing>(44).only(isArray),
        real<&AcDbBlockReference::m_rowSpacing>(45).only(isArray),
        extrusion<&AcDbBlockReference::m_normal>(210),
    }});
    return table;
}

void AcDbBlockReference::setScaleFromFile(double AcGeScale3d::*factor, double value) { m_scale.*factor = value; }

void AcDbBlockReference::dxfInEnd()
{
    m_normal = qv::unitNormal(m_normal);
}

Acad::ErrorStatus AcDbMInsertBlock::setColumns(Adesk::UInt16 n) { QV_CHECKED_SETTER(n > 0 && n <= INT16_MAX, m_columns = n) }

Acad::ErrorStatus AcDbMInsertBlock::setRows(Adesk::UInt16 n) { QV_CHECKED_SETTER(n > 0 && n <= INT16_MAX, m_rows = n) }

Acad::ErrorStatus AcDbMInsertBlock::setColumnSpacing(double d) { QV_CHECKED_SETTER(allFinite(d), m_columnSpacing = d) }

Acad::ErrorStatus AcDbMInsertBlock::setRowSpacing(double d) { QV_CHECKED_SETTER(allFinite(d), m_rowSpacing = d) }

void AcDbMInsertBlock::cellSteps(AcGeVector3d& column, AcGeVector3d& row) const
{
    const AcGeMatrix3d frame =
        AcGeMatrix3d::planeToWorld(normal()) * AcGeMatrix3d::rotation(rotation(), AcGeVector3d::kZAxis);
    column = frame.transform(AcGeVector3d(m_columnSpacing, 0, 0));
    row = frame.transform(AcGeVector3d(0, m_rowSpacing, 0));
}

Acad::ErrorStatus AcDbMInsertBlock::getGeomExtents(AcDbExtents& extents) const
{
    AcDbExtents first;
    if (const Acad::ErrorStatus status = AcDbBlockReference::getGeomExtents(first); status != Acad::eOk)
        return status;
    AcGeVector3d column, row;
    cellSteps(column, row);
    extents = first;
    const int last[2] = {std::max<int>(m_columns, 1) - 1, std::max<int>(m_rows, 1) - 1};
    for (const AcGeVector3d& corner : {column * last[0], row * last[1], column * last[0] + row * last[1]}) {
        AcDbExtents moved = first;
        moved.transformBy(AcGeMatrix3d::translation(corner));
        extents.addExt(moved);
    }
    return Acad::eOk;
}

