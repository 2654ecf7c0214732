#include "arx/dbentity.h"

#include "arx/dbdatabase.h"
#include "dbimpl.h"
#include "dbobjectimpl.h"
#include "arx/dbsymtb.h"

#include <algorithm>
#include <unordered_map>

ACRX_DEFINE_MEMBERS(AcDbEntity, AcDbObject, "")
ACRX_DEFINE_MEMBERS(AcDbCurve, AcDbEntity, "")
ACRX_DEFINE_MEMBERS(AcDbProxyEntity, AcDbEntity, "")

namespace {

// The layer every drawing has.
const std::string layerZero = "0";

AcDbDatabase* databaseOr(AcDbDatabase* db)
{
    return db ? db : acdbHostApplicationServices()->workingDatabase();
}

AcDbSymbolTable* tableOf(AcDbObjectId tableId)
{
    return AcDbSymbolTable::cast(tableId.object());
}

AcDbObjectId recordId(AcDbObjectId tableId, const std::string& name)
{
    AcDbObjectId id;
    if (AcDbSymbolTable* t = tableOf(tableId))
        t->getAt(name.c_str(), id);
    return id;
}

} // namespace

AcDbObjectId AcDbEntity::blockId() const
{
    const AcDbObject* owner = ownerId().object();
    if (const AcDbEntity* ent = AcDbEntity::cast(owner))
        return ent->blockId();
    return ownerId();
}

bool AcDbEntity::isInPaperSpace() const
{
    const auto* btr = AcDbBlockTableRecord::cast(blockId().object());
    return btr && qv::dxf::upper(btr->name()).starts_with("*PAPER_SPACE");
}

CString AcDbEntity::layer() const
{
    if (const auto* rec = AcDbLayerTableRecord::cast(m_layerId.object()))
        return CString(rec->name());
    return CString(m_layerName);
}

Acad::ErrorStatus AcDbEntity::setLayer(const char* name, bool, bool)
{
    if (const Acad::ErrorStatus es = assertWriteEnabled(); es != Acad::eOk)
        return es;
    if (!name || !*name)
        return Acad::eInvalidInput;
    AcDbDatabase* db = databaseOr(database());
    if (!db) {
        m_layerName = name;
        return Acad::eOk;
    }
    const AcDbObjectId id = recordId(db->layerTableId(), name);
    if (id.isNull())
        return Acad::eKeyNotFound;
    return setLayer(id);
}

Acad::ErrorStatus AcDbEntity::setLayer(AcDbObjectId layerId, bool, bool)
{
    if (const Acad::ErrorStatus es = assertWriteEnabled(); es != Acad::eOk)
        return es;
    const auto* rec = AcDbLayerTableRecord::cast(layerId.object());
    if (!rec || rec->isErased())
        return Acad::eKeyNotFound;
    m_layerId = layerId;
    m_layerName = rec->name();
    return Acad::eOk;
}

Acad::ErrorStatus AcDbEntity::setColorIndex(Adesk::UInt16 index, bool)
{
    if (const Acad::ErrorStatus es = assertWriteEnabled(); es != Acad::eOk)
        return es;
    return m_color.setColorIndex(index);
}

Acad::ErrorStatus AcDbEntity::setColor(const AcCmColor& color, bool) { QV_SETTER(m_color = color; m_fileIndex = -1) }

Acad::ErrorStatus AcDbEntity::setLineWeight(AcDb::LineWeight weight, bool)
{
    QV_CHECKED_SETTER(weight >= -3 && weight <= 211, m_lineWeight = weight)
}

AcDbObjectId AcDbEntity::linetypeId() const
{
    AcDbDatabase* db = database();
    return db ? recordId(db->linetypeTableId(), m_linetype) : AcDbObjectId();
}

Acad::ErrorStatus AcDbEntity::setLinetype(const char* name, bool)
{
    if (const Acad::ErrorStatus es = assertWriteEnabled(); es != Acad::eOk)
        return es;
    if (!name || !*name)
        return Acad::eInvalidInput;
    AcDbDatabase* db = databaseOr(database());
    if (db && recordId(db->linetypeTableId(), name).isNull())
        return Acad::eKeyNotFound;
    m_linetype = name;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbEntity::setLinetype(AcDbObjectId linetypeId, bool)
{
    const auto* rec = AcDbLinetypeTableRecord::cast(linetypeId.object());
    if (!rec)
        return Acad::eKeyNotFound;
    return setLinetype(rec->name().c_str());
}

Acad::ErrorStatus AcDbEntity::setLinetypeScale(double scale, bool)
{
    QV_CHECKED_SETTER(!(scale <= 0), m_linetypeScale = scale)
}

Acad::ErrorStatus AcDbEntity::setVisibility(AcDb::Visibility visibility, bool)
{
    QV_SETTER(m_visible = visibility == AcDb::kVisible)
}

Acad::ErrorStatus AcDbEntity::setPropertiesFrom(const AcDbEntity* other, bool)
{
    if (!other)
        return Acad::eNullEntityPointer;
    if (const Acad::ErrorStatus es = assertWriteEnabled(); es != Acad::eOk)
        return es;
    m_layerId = other->m_layerId;
    m_layerName = other->m_layerName;
    m_color = other->m_color;
    m_linetype = other->m_linetype;
    m_linetypeScale = other->m_linetypeScale;
    m_lineWeight = other->m_lineWeight;
    m_visible = other->m_visible;
    return Acad::eOk;
}

void AcDbEntity::setDatabaseDefaults(AcDbDatabase* db)
{
    db = databaseOr(db);
    if (!db)
        return;
    if (!isDatabaseResident())
        setIntendedDatabase(db);
    const AcDbObjectId layer = db->clayer();
    if (const auto* rec = AcDbLayerTableRecord::cast(layer.object())) {
        m_layerId = layer;
        m_layerName = rec->name();
    }
    m_color.setColorIndex(256);
    m_linetype = "ByLayer";
    m_linetypeScale = 1.0;
    m_lineWeight = AcDb::kLnWtByLayer;
}

void AcDbEntity::resolveLayer(AcDbDatabase* db)
{
    if (m_layerId.isValid() && m_layerId.database() == db)
        return;
    m_layerId = recordId(db->layerTableId(), m_layerName);
    if (m_layerId.isNull()) {
        m_layerName = layerZero;
        m_layerId = recordId(db->layerTableId(), m_layerName);
    }
}

Acad::ErrorStatus AcDbEntity::transformBy(const AcGeMatrix3d&) { return Acad::eNotApplicable; }

Acad::ErrorStatus AcDbEntity::getGeomExtents(AcDbExtents&) const { return Acad::eInvalidExtents; }

Acad::ErrorStatus AcDbEntity::checkWriteOpen() const
{
    const auto* rec = AcDbLayerTableRecord::cast(m_layerId.object());
    return rec && rec->isLocked() ? Acad::eOnLockedLayer : Acad::eOk;
}

bool AcDbEntity::dxfInCommon(qv::dxf::DxfIn& in, const qv::dxf::Token& t)
{
    if (!in.subclass().empty() && in.subclass() != "AcDbEntity")
        return false;
    switch (t.code) {
    case 8: m_layerName = t.value; return true;
    case 6: m_linetype = t.value; return true;
    case 62:
        m_fileIndex = in.integer(t);
        qv::readColorIndex(m_color, m_fileIndex);
        return true;
    case 420: qv::readTrueColor(m_color, in.integer(t)); return true;
    case 370: m_lineWeight = static_cast<AcDb::LineWeight>(in.integer(t)); return true;
    case 48: m_linetypeScale = in.real(t); return true;
    case 60: m_visible = in.integer(t) == 0; return true;
    case 67: case 410: return true;   // paper space and layout name follow from the owner
    }
    return false;
}

void AcDbEntity::dxfInResolve(qv::dxf::DxfIn& in)
{
    // A layer the file's table lacks is added, so that the entity keeps its layer name.
    AcDbDatabase* db = in.database();
    auto* table = AcDbSymbolTable::cast(db->layerTableId().object());
    if (table && !m_layerName.empty() && !table->has(m_layerName.c_str())) {
        auto* rec = new AcDbLayerTableRecord;
        rec->assignName(m_layerName);
        AcDbDatabase::Impl& impl = db->impl();
        const AcDbObjectId id = impl.install(impl.newStub(), rec);
        impl.assignHandle(id.stub());
        rec->setOwnerId(db->layerTableId());
        rec->setLinetypeObjectId(recordId(db->linetypeTableId(), "Continuous"));
        table->attachRecord(id, m_layerName);
    }
    resolveLayer(db);
}

void AcDbEntity::dxfOutFields(qv::dxf::DxfOut& out) const
{
    out.subclass("AcDbEntity");
    if (isInPaperSpace())
        out.integer(67, 1);
    out.tag(8, std::string(layer().str()));
    if (!qv::dxf::equalNoCase(m_linetype, "ByLayer"))
        out.tag(6, m_linetype);
    if (m_color.isByColor()) {
        out.integer(62, qv::indexBesideTrueColor(m_color, m_fileIndex));
        out.integer(420, static_cast<long long>(m_color.rgb() & 0xFFFFFF));
    } else if (!m_color.isByLayer()) {
        out.integer(62, m_color.colorIndex());
    }
    if (m_lineWeight != AcDb::kLnWtByLayer)
        out.integer(370, m_lineWeight);
    if (m_linetypeScale != 1.0)
        out.real(48, m_linetypeScale);
    if (!m_visible)
        out.integer(60, 1);
}

Acad::ErrorStatus AcDbCurve::getStartParam(double& param) const
{
    param = 0;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbCurve::getEndParam(double&) const { return Acad::eNotApplicable; }
Acad::ErrorStatus AcDbCurve::getDistAtParam(double, double&) const { return Acad::eNotApplicable; }
Acad::ErrorStatus AcDbCurve::getPointAtParam(double, AcGePoint3d&) const { return Acad::eNotApplicable; }

Acad::ErrorStatus AcDbCurve::getStartPoint(AcGePoint3d& point) const
{
    double p = 0;
    getStartParam(p);
    return getPointAtParam(p, point);
}

Acad::ErrorStatus AcDbCurve::getEndPoint(AcGePoint3d& point) const
{
    double p = 0;
    if (const Acad::ErrorStatus es = getEndParam(p); es != Acad::eOk)
        return es;
    return getPointAtParam(p, point);
}

Acad::ErrorStatus AcDbCurve::getArea(double&) const { return Acad::eNotApplicable; }

namespace {

// The subclass markers of older entities read from files without markers (release 12).
const char* markerOf(const std::string& type)
{
    static const std::unordered_map<std::string, const char*> markers = {
        {"POINT", "AcDbPoint"}, {"SOLID", "AcDbTrace"}, {"TRACE", "AcDbTrace"},
        {"3DFACE", "AcDbFace"}, {"SHAPE", "AcDbShape"}, {"DIMENSION", "AcDbDimension"}};
    const auto it = markers.find(type);
    return it == markers.end() ? nullptr : it->second;
}

// A dimension's second subclass, from its type (group 70).
const char* dimensionSubclass(const qv::dxf::Tags& tags)
{
    static const char* const kinds[] = {"AcDbRotatedDimension", "AcDbAlignedDimension", "AcDb2LineAngularDimension",
                                        "AcDbDiametricDimension", "AcDbRadialDimension", "AcDb3PointAngularDimension",
                                        "AcDbOrdinateDimension"};
    long long type = 0;
    for (const auto& t : tags)
        if (t.code == 70)
            qv::dxf::parseInt(t.value, type);
    return kinds[std::clamp<long long>(type & 7, 0, 6)];
}

bool isDimensionSubtypeCode(int code)
{
    return (code >= 13 && code <= 16) || (code >= 23 && code <= 26) || (code >= 33 && code <= 36) || code == 40
        || code == 50 || code == 52;
}

} // namespace

void AcDbProxyEntity::dxfOutFields(qv::dxf::DxfOut& out) const
{
    AcDbEntity::dxfOutFields(out);
    const char* marker = markerOf(m_dxfName);
    if (!marker || extras().size() != 1 || !extras().front().subclass.empty()) {
        out.endFields(true);
        return;
    }
    // Tags read without markers: print them under the markers the type has.
    const qv::dxf::Tags& tags = extras().front().tags;
    const bool dimension = m_dxfName == "DIMENSION";
    out.tag(100, marker);
    for (const auto& t : tags)
        if (!dimension || !isDimensionSubtypeCode(t.code))
            out.tag(t.code, t.value);
    if (dimension) {
        const char* sub = dimensionSubclass(tags);
        if (std::string(sub) == "AcDbRotatedDimension")
            out.tag(100, "AcDbAlignedDimension");
        out.tag(100, sub);
        for (const auto& t : tags)
            if (isDimensionSubtypeCode(t.code))
                out.tag(t.code, t.value);
    }
    out.extrasInOrder(true);
}
