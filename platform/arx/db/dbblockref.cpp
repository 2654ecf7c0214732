#include "arx/dbblockref.h"

#include "arx/dbdatabase.h"
#include "dbnesting.h"
#include "dbobjectimpl.h"
#include "arx/dbsymtb.h"
#include "arx/dbtext.h"

#include <cmath>
#include <unordered_map>
#include <unordered_set>

ACRX_DEFINE_MEMBERS(AcDbBlockReference, AcDbEntity, "INSERT")
ACRX_DEFINE_MEMBERS(AcDbMInsertBlock, AcDbBlockReference, "INSERT")

using qv::dxf::DxfIn;
using qv::dxf::DxfOut;
using qv::dxf::Token;
using qv::fromOcs;
using qv::kDegree;
using qv::toOcs;
using qv::writeNormal;

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
    : m_block(blockTableRecord), m_position(position)
{
}

Acad::ErrorStatus AcDbBlockReference::setBlockTableRecord(AcDbObjectId id)
{
    if (const Acad::ErrorStatus es = assertWriteEnabled(); es != Acad::eOk)
        return es;
    if (!AcDbBlockTableRecord::cast(id.object()))
        return Acad::eInvalidInput;
    if (isDatabaseResident() && qv::wouldContainItself(ownerId(), id))
        return Acad::eSelfReference;
    m_block = id;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbBlockReference::setPosition(const AcGePoint3d& p) { QV_SETTER(m_position = p) }

Acad::ErrorStatus AcDbBlockReference::setRotation(double radians)
{
    QV_SETTER(m_rotation = qv::normalizeAngle(radians))
}

Acad::ErrorStatus AcDbBlockReference::setScaleFactors(const AcGeScale3d& scale)
{
    QV_CHECKED_SETTER(scale.sx != 0 && scale.sy != 0 && scale.sz != 0, m_scale = scale)
}

Acad::ErrorStatus AcDbBlockReference::setNormal(const AcGeVector3d& normal)
{
    QV_CHECKED_SETTER(!normal.isZeroLength(), m_normal = normal.normal())
}

AcGeMatrix3d AcDbBlockReference::blockTransform() const
{
    AcGePoint3d origin;
    if (const auto* btr = AcDbBlockTableRecord::cast(m_block.object()))
        origin = btr->origin();
    return AcGeMatrix3d::translation(m_position.asVector()) * AcGeMatrix3d::planeToWorld(m_normal)
        * AcGeMatrix3d::rotation(m_rotation, AcGeVector3d::kZAxis) * AcGeMatrix3d::scaling(m_scale)
        * AcGeMatrix3d::translation(-origin.asVector());
}

Acad::ErrorStatus AcDbBlockReference::setBlockTransform(const AcGeMatrix3d& m)
{
    // Decompose the linear part in the object coordinate system of the new normal.
    AcGePoint3d origin;
    if (const auto* btr = AcDbBlockTableRecord::cast(m_block.object()))
        origin = btr->origin();
    const AcGeVector3d xv = m.transform(AcGeVector3d::kXAxis), yv = m.transform(AcGeVector3d::kYAxis),
                       zv = m.transform(AcGeVector3d::kZAxis);
    if (xv.isZeroLength() || yv.isZeroLength() || zv.isZeroLength())
        return Acad::eInvalidInput;
    const AcGeVector3d normal = zv.normal();
    const AcGeMatrix3d toPlane = AcGeMatrix3d::worldToPlane(normal);
    const AcGeVector3d xl = toPlane.transform(xv), yl = toPlane.transform(yv), zl = toPlane.transform(zv);
    const double rotation = std::atan2(xl.y, xl.x);
    const double sy = -std::sin(rotation) * yl.x + std::cos(rotation) * yl.y;
    m_normal = normal;
    m_rotation = qv::normalizeAngle(rotation);
    m_scale = AcGeScale3d(xv.length(), sy, zl.z);
    m_position = m.transform(origin);
    return Acad::eOk;
}

AcDbObjectIterator* AcDbBlockReference::attributeIterator() const
{
    std::vector<AcDbObjectId> live;
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
        AcDbExtents e;
        if (!ent || ent->isErased() || ent->isKindOf(AcDbAttributeDefinition::desc())
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

bool AcDbBlockReference::dxfInArrayField(DxfIn& in, const Token& t)
{
    switch (t.code) {
    case 70: m_columns = in.integer(t); return true;
    case 71: m_rows = in.integer(t); return true;
    case 44: m_columnSpacing = in.real(t); return true;
    case 45: m_rowSpacing = in.real(t); return true;
    }
    return false;
}

bool AcDbBlockReference::dxfInField(DxfIn& in, const Token& t)
{
    switch (t.code) {
    case 2: m_blockName = t.value; m_blockNameLine = t.line; return true;
    case 66: return true;  // attributes follow: known from the records after this one
    case 41: m_scale.sx = in.real(t); return true;
    case 42: m_scale.sy = in.real(t); return true;
    case 43: m_scale.sz = in.real(t); return true;
    case 50: m_rotation = qv::normalizeAngle(in.real(t) * kDegree); return true;
    }
    return dxfInArrayField(in, t) || in.pointPart(t, 10, m_position) || in.vectorPart(t, 210, m_normal);
}

void AcDbBlockReference::dxfInEnd(DxfIn&)
{
    m_normal = m_normal.isZeroLength() ? AcGeVector3d::kZAxis : m_normal.normal();
    m_position = fromOcs(m_position, m_normal);
}

void AcDbBlockReference::dxfInResolve(DxfIn& in)
{
    AcDbEntity::dxfInResolve(in);
    const auto* table = AcDbBlockTable::cast(in.database()->blockTableId().object());
    if (!table || table->getAt(m_blockName.c_str(), m_block) != Acad::eOk)
        in.fail(m_blockNameLine, "INSERT refers to the undefined block '" + m_blockName + "'");
}

void AcDbBlockReference::dxfOutFields(DxfOut& out) const
{
    AcDbEntity::dxfOutFields(out);
    out.subclass(isKindOf(AcDbMInsertBlock::desc()) ? "AcDbMInsertBlock" : "AcDbBlockReference");
    if (hasLiveAttributes())
        out.integer(66, 1);
    const auto* btr = AcDbBlockTableRecord::cast(m_block.object());
    out.tag(2, btr ? btr->name() : m_blockName);
    out.point(10, toOcs(m_position, m_normal));
    if (m_scale.sx != 1)
        out.real(41, m_scale.sx);
    if (m_scale.sy != 1)
        out.real(42, m_scale.sy);
    if (m_scale.sz != 1)
        out.real(43, m_scale.sz);
    if (m_rotation != 0)
        out.real(50, m_rotation / kDegree);
    dxfOutArrayFields(out);
    writeNormal(out, m_normal);
}

Acad::ErrorStatus AcDbMInsertBlock::setColumns(Adesk::UInt16 n)
{
    if (n == 0)
        return Acad::eInvalidInput;
    m_columns = n;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbMInsertBlock::setRows(Adesk::UInt16 n)
{
    if (n == 0)
        return Acad::eInvalidInput;
    m_rows = n;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbMInsertBlock::setColumnSpacing(double d)
{
    m_columnSpacing = d;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbMInsertBlock::setRowSpacing(double d)
{
    m_rowSpacing = d;
    return Acad::eOk;
}

bool AcDbMInsertBlock::dxfInField(DxfIn& in, const Token& t) { return AcDbBlockReference::dxfInField(in, t); }

void AcDbMInsertBlock::dxfOutArrayFields(DxfOut& out) const
{
    out.integer(70, m_columns);
    out.integer(71, m_rows);
    out.real(44, m_columnSpacing);
    out.real(45, m_rowSpacing);
}
