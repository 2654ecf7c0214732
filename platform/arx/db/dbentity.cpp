#include "arx/dbentity.h"

#include "arx/dbdatabase.h"
#include "arx/dbproxygeometry.h"
#include "arx/dbsymtb.h"
#include "arx/dxfnames.h"
#include "arx/dxfnumber.h"
#include "arx/dxftext.h"
#include "dbimpl.h"
#include "dbobjectdata.h"
#include "dbobjectimpl.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

ACRX_DEFINE_MEMBERS(AcDbEntity, AcDbObject, "")
ACRX_DEFINE_MEMBERS(AcDbCurve, AcDbEntity, "")
ACRX_DEFINE_MEMBERS(AcDbProxyEntity, AcDbEntity, "")

namespace {

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
    return btr && btr->isPaperSpace();
}

CString AcDbEntity::layer() const { return CString(std::string(layerName())); }

std::string_view AcDbEntity::layerName() const
{
    if (const auto* rec = AcDbLayerTableRecord::cast(m_layerId.object()))
        return rec->name();
    return m_layerName;
}

Acad::ErrorStatus AcDbEntity::setLayer(const char* name, bool, bool)
{
    if (const Acad::ErrorStatus es = assertWriteEnabled(); es != Acad::eOk)
        return es;
    if (!name || !*name)
        return Acad::eInvalidInput;
    AcDbDatabase* db = databaseOr(database());
    if (!db) {
        m_layerName = qv::dxf::internName(name);
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
    m_layerName = qv::dxf::internName(rec->name());
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
    m_linetype = qv::dxf::internName(name);
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
    QV_CHECKED_SETTER(scale > 0 && qv::allFinite(scale), m_linetypeScale = scale)
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
        m_layerName = qv::dxf::internName(rec->name());
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
        m_layerName = "0";
        m_layerId = recordId(db->layerTableId(), m_layerName);
    }
}

Acad::ErrorStatus AcDbEntity::transformBy(const AcGeMatrix3d&) { return Acad::eNotApplicable; }

Acad::ErrorStatus AcDbEntity::checkTransform(const AcGeMatrix3d& m, bool conformal) const
{
    if (const Acad::ErrorStatus es = assertWriteEnabled(); es != Acad::eOk)
        return es;
    if (!qv::allFinite(m))
        return Acad::eInvalidInput;
    return conformal && !m.isUniScaledOrtho() ? Acad::eNotApplicable : Acad::eOk;
}

Acad::ErrorStatus AcDbEntity::getGeomExtents(AcDbExtents&) const { return Acad::eInvalidExtents; }

Acad::ErrorStatus AcDbEntity::checkWriteOpen() const
{
    const auto* rec = AcDbLayerTableRecord::cast(m_layerId.object());
    return rec && rec->isLocked() ? Acad::eOnLockedLayer : Acad::eOk;
}

namespace {

bool readLayer(AcRxObject& o, const qv::dxf::Field&, const qv::dxf::Pair& p, qv::dxf::FieldContext& c)
{
    qv::DxfContext& context = qv::dbContext(c);
    static_cast<AcDbEntity&>(o).setLayerFromFile(context.layerNamed(p));
    return true;
}

void writeLayer(const AcRxObject& o, const qv::dxf::Field& f, qv::dxf::Writer& out)
{
    out.text(f.code(), static_cast<const AcDbEntity&>(o).layerName());
}

} // namespace

void AcDbEntity::setLayerFromFile(AcDbObjectId id) { m_layerId = id; }

const std::vector<qv::dxf::Field>& AcDbEntity::dxfFields()
{
    using namespace qv::fields;
    using qv::dxf::Field;
    using qv::dxf::FieldContext;
    using qv::dxf::Pair;
    using qv::dxf::Writer;
    static const std::vector<Field> fields = {
        // A writer may give the layer or colour after the entity's own marker.
        subclass("AcDbEntity").commonToLater(),
        // Paper space and the layout's name follow from the owner.
        derived({67},
                [](const AcRxObject& o, const Field& f, Writer& out) {
                    if (static_cast<const AcDbEntity&>(o).isInPaperSpace())
                        out.integer(f.code(), 1);
                }),
        ignored({410}),
        value({8}, readLayer, writeLayer),
        sharedName<&AcDbEntity::m_linetype>(6).only([](const AcRxObject& o) {
            return !qv::dxf::equalNoCase(static_cast<const AcDbEntity&>(o).m_linetype, "ByLayer");
        }),
        value({62, 420},
              [](AcRxObject& o, const Field&, const Pair& p, FieldContext& c) {
                  auto& e = static_cast<AcDbEntity&>(o);
                  if (p.code == 420) {
                      qv::readTrueColor(e.m_color, c.integer(p));
                  } else {
                      e.m_fileIndex = static_cast<short>(c.integer(p, -257, 257));
                      qv::readColorIndex(e.m_color, e.m_fileIndex);
                  }
                  return true;
              },
              [](const AcRxObject& o, const Field&, Writer& out) {
                  const auto& e = static_cast<const AcDbEntity&>(o);
                  if (e.m_color.isByColor()) {
                      out.integer(62, qv::indexBesideTrueColor(e.m_color, e.m_fileIndex));
                      out.integer(420, static_cast<long long>(e.m_color.rgb() & 0xFFFFFF));
                  } else if (!e.m_color.isByLayer()) {
                      out.integer(62, e.m_color.colorIndex());
                  }
              }),
        integer<&AcDbEntity::m_lineWeight>(370).range(-3, 211).omitting(AcDb::kLnWtByLayer),
        real<&AcDbEntity::m_linetypeScale>(48).omitting(1.0),
        value({60},
              [](AcRxObject& o, const Field&, const Pair& p, FieldContext& c) {
                  static_cast<AcDbEntity&>(o).m_visible = c.integer(p) == 0;
                  return true;
              },
              [](const AcRxObject& o, const Field& f, Writer& out) {
                  if (!static_cast<const AcDbEntity&>(o).m_visible)
                      out.integer(f.code(), 1);
              }),
    };
    return fields;
}

const qv::dxf::FieldTable& AcDbEntity::dxfTable() const
{
    static const qv::dxf::FieldTable table({dxfFields()});
    return table;
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
const char* markerOf(std::string_view type)
{
    static const std::unordered_map<std::string_view, const char*> markers = {
        {"POINT", "AcDbPoint"}, {"SOLID", "AcDbTrace"}, {"TRACE", "AcDbTrace"},
        {"3DFACE", "AcDbFace"}, {"SHAPE", "AcDbShape"}, {"DIMENSION", "AcDbDimension"}};
    const auto it = markers.find(type);
    return it == markers.end() ? nullptr : it->second;
}

// A dimension's second subclass, from its type (group 70).
const char* dimensionSubclass(const qv::dxf::TagList& tags)
{
    static const char* const kinds[] = {"AcDbRotatedDimension", "AcDbAlignedDimension", "AcDb2LineAngularDimension",
                                        "AcDbDiametricDimension", "AcDbRadialDimension", "AcDb3PointAngularDimension",
                                        "AcDbOrdinateDimension"};
    long long type = 0;
    for (const auto& t : tags)
        if (t.code == 70)
            qv::dxf::parseInt(t.value(), type);
    return kinds[std::clamp<long long>(type & 7, 0, 6)];
}

bool isDimensionSubtypeCode(int code)
{
    return (code >= 13 && code <= 16) || (code >= 23 && code <= 26) || (code >= 33 && code <= 36) || code == 40
        || code == 50 || code == 52;
}

} // namespace

namespace {

// Calls visit with each kept pair of the object, those under the subclass marker only when
// one is given and the record has markers, until visit returns false.
template <class Visit>
void visitKept(const qv::ObjectData* data, const char* subclass, Visit visit)
{
    if (!data)
        return;
    const qv::dxf::TagList& tags = data->extras;
    const bool marked = subclass && std::any_of(tags.begin(), tags.end(), [](const qv::dxf::Tag& t) { return t.code == 100; });
    bool inside = !marked;
    for (const qv::dxf::Tag& t : tags) {
        if (t.code == 100 && marked)
            inside = t.value() == subclass;
        else if (inside && !visit(t))
            return;
    }
}

} // namespace

std::string_view AcDbProxyEntity::storedText(int code, const char* subclass) const
{
    std::string_view found;
    visitKept(data(), subclass, [&](const qv::dxf::Tag& t) {
        if (t.code == code)
            found = t.value();
        return t.code != code;
    });
    return found;
}

std::vector<double> AcDbProxyEntity::storedReals(int code, const char* subclass) const
{
    std::vector<double> values;
    visitKept(data(), subclass, [&](const qv::dxf::Tag& t) {
        double v = 0;
        if (t.code == code && qv::dxf::parseReal(t.value(), v) && std::isfinite(v))
            values.push_back(v);
        return true;
    });
    return values;
}

std::vector<AcGePoint3d> AcDbProxyEntity::storedPoints(int code, const char* subclass) const
{
    // A point is kept when its x and y are finite numbers and no coordinate given is not.
    std::vector<AcGePoint3d> points;
    unsigned read = 0;
    bool bad = true;
    auto settle = [&] {
        if (!points.empty() && (bad || (read & 3) != 3))
            points.pop_back();
    };
    visitKept(data(), subclass, [&](const qv::dxf::Tag& t) {
        const int axis = (t.code - code) / 10;
        if (t.code < code || (t.code - code) % 10 != 0 || axis > 2 || (axis > 0 && points.empty()))
            return true;
        if (axis == 0) {
            settle();
            points.emplace_back();
            read = 0, bad = false;
        }
        double v = 0;
        if (qv::dxf::parseReal(t.value(), v) && std::isfinite(v))
            (axis == 0 ? points.back().x : axis == 1 ? points.back().y : points.back().z) = v, read |= 1u << axis;
        else
            bad = true;
        return true;
    });
    settle();
    return points;
}

Acad::ErrorStatus AcDbProxyEntity::getGeomExtents(AcDbExtents& extents) const
{
    extents = qv::proxyExtents(*this);
    return extents.isEmpty() ? Acad::eInvalidExtents : Acad::eOk;
}

bool AcDbProxyEntity::storedReal(int code, double& value, const char* subclass) const
{
    double read = 0;
    const std::string_view text = storedText(code, subclass);
    if (text.empty() || !qv::dxf::parseReal(text, read) || !std::isfinite(read))
        return false;
    value = read;
    return true;
}

bool AcDbProxyEntity::storedPoint(int code, AcGePoint3d& point, const char* subclass) const
{
    AcGePoint3d read;
    if (!storedReal(code, read.x, subclass) || !storedReal(code + 10, read.y, subclass))
        return false;
    storedReal(code + 20, read.z, subclass);   // 2D points have none
    point = read;
    return true;
}

void AcDbProxyEntity::dxfOutFields(qv::dxf::Writer& out) const
{
    const qv::dxf::TagList* extras = data() ? &data()->extras : nullptr;
    const char* marker = markerOf(m_dxfName);
    const bool markerless = extras && std::none_of(extras->begin(), extras->end(),
                                                   [](const qv::dxf::Tag& t) { return t.code == 100; });
    if (!marker || !markerless) {
        AcDbEntity::dxfOutFields(out);
        return;
    }
    // Pairs read without markers (release 12): written under the markers the type has.
    dxfTable().write(*this, out, nullptr);
    const bool dimension = std::string_view(m_dxfName) == "DIMENSION";
    out.text(100, marker);
    for (const auto& t : *extras)
        if (!dimension || !isDimensionSubtypeCode(t.code))
            out.tag(t.code, t.value());
    if (dimension) {
        // The points of a rotated dimension belong to its aligned subclass, whose marker
        // the rotated one's follows (readers take the subclass right after AcDbDimension).
        const std::string_view sub = dimensionSubclass(*extras);
        const bool rotated = sub == "AcDbRotatedDimension";
        out.text(100, rotated ? "AcDbAlignedDimension" : sub);
        for (const auto& t : *extras)
            if (isDimensionSubtypeCode(t.code))
                out.tag(t.code, t.value());
        if (rotated)
            out.text(100, sub);
    }
}
