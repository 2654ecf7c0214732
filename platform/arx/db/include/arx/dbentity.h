// Entities: the common properties (layer, colour, linetype, line weight, visibility),
// geometry operations, and curves with their parameter, length and area queries.
#pragma once

#include "arx/cmcolor.h"
#include "arx/dbobject.h"
#include "arx/geometry.h"
#include "mfc/cstring.h"

class AcDbEntity : public AcDbObject
{
public:
    ACRX_DECLARE_MEMBERS(AcDbEntity)

    // The block table record the entity lies in (an attribute's is its reference's).
    AcDbObjectId blockId() const;

    CString layer() const;
    std::string_view layerName() const;
    AcDbObjectId layerId() const { return m_layerId; }
    // Fails with eKeyNotFound for a layer the database does not have.
    Acad::ErrorStatus setLayer(const char* name, bool doSubents = true, bool allowHiddenLayer = false);
    Acad::ErrorStatus setLayer(AcDbObjectId layerId, bool doSubents = true, bool allowHiddenLayer = false);

    // 256 by layer, 0 by block, 1 to 255 a palette index (a true colour's nearest index).
    Adesk::UInt16 colorIndex() const { return m_color.colorIndex(); }
    Acad::ErrorStatus setColorIndex(Adesk::UInt16 index, bool doSubents = true);
    AcCmColor color() const { return m_color; }
    Acad::ErrorStatus setColor(const AcCmColor& color, bool doSubents = true);
    AcDb::LineWeight lineWeight() const { return m_lineWeight; }
    Acad::ErrorStatus setLineWeight(AcDb::LineWeight weight, bool doSubents = true);
    CString linetype() const { return CString(m_linetype); }
    AcDbObjectId linetypeId() const;
    Acad::ErrorStatus setLinetype(const char* name, bool doSubents = true);
    Acad::ErrorStatus setLinetype(AcDbObjectId linetypeId, bool doSubents = true);
    double linetypeScale() const { return m_linetypeScale; }
    Acad::ErrorStatus setLinetypeScale(double scale, bool doSubents = true);
    AcDb::Visibility visibility() const { return m_visible ? AcDb::kVisible : AcDb::kInvisible; }
    Acad::ErrorStatus setVisibility(AcDb::Visibility visibility, bool doSubents = true);
    Acad::ErrorStatus setPropertiesFrom(const AcDbEntity* other, bool doSubents = true);
    // Current layer, linetype and colour settings of the database (the working one by default).
    void setDatabaseDefaults(AcDbDatabase* db = nullptr);

    virtual Acad::ErrorStatus transformBy(const AcGeMatrix3d& matrix);
    virtual Acad::ErrorStatus getGeomExtents(AcDbExtents& extents) const;

    Acad::ErrorStatus checkWriteOpen() const override;
    // The fields every entity has: layer, linetype, colour, line weight, linetype scale,
    // visibility (the first part of every entity's table).
    static const std::vector<qv::dxf::Field>& dxfFields();
    const qv::dxf::FieldTable& dxfTable() const override;
    // Settles the layer of an entity that joins a database.
    void resolveLayer(AcDbDatabase* db);
    // The layer record read from a file, without checks.
    void setLayerFromFile(AcDbObjectId id);
    bool isInPaperSpace() const;

protected:
    // eOk when the entity may be transformed by m: open for write and m finite (else
    // eInvalidInput), and, when conformal, m scaling alike in every direction (else
    // eNotApplicable).
    Acad::ErrorStatus checkTransform(const AcGeMatrix3d& m, bool conformal = false) const;

private:
    AcDbObjectId m_layerId;
    const char* m_layerName = "0";        // interned; the layer while there is no record
    const char* m_linetype = "ByLayer";   // interned
    AcCmColor m_color;
    double m_linetypeScale = 1.0;
    AcDb::LineWeight m_lineWeight = AcDb::kLnWtByLayer;
    short m_fileIndex = -1;   // the index a file gave beside a true colour
    bool m_visible = true;
};

class AcDbCurve : public AcDbEntity
{
public:
    ACRX_DECLARE_MEMBERS(AcDbCurve)
    virtual bool isClosed() const { return false; }
    virtual Acad::ErrorStatus getStartParam(double& param) const;
    virtual Acad::ErrorStatus getEndParam(double& param) const;
    virtual Acad::ErrorStatus getDistAtParam(double param, double& dist) const;
    virtual Acad::ErrorStatus getPointAtParam(double param, AcGePoint3d& point) const;
    virtual Acad::ErrorStatus getStartPoint(AcGePoint3d& point) const;
    virtual Acad::ErrorStatus getEndPoint(AcGePoint3d& point) const;
    virtual Acad::ErrorStatus getArea(double& area) const;
};

// An entity of a type this database does not model: common properties are typed, the rest
// is kept as read and written back.
class AcDbProxyEntity : public AcDbEntity
{
public:
    ACRX_DECLARE_MEMBERS(AcDbProxyEntity)
    explicit AcDbProxyEntity(const char* dxfName) : m_dxfName(dxfName) {}
    const char* dxfName() const override { return m_dxfName; }
    void dxfOutFields(qv::dxf::Writer& out) const override;

    // The first value of a group code among the pairs kept, looked for under a subclass
    // marker only when one is given and the record has markers. Readers of a number or a
    // point (code, code + 10, code + 20) fail when it is missing or not a finite number;
    // the text of a missing code is empty.
    std::string_view storedText(int code, const char* subclass = nullptr) const;
    bool storedReal(int code, double& value, const char* subclass = nullptr) const;
    bool storedPoint(int code, AcGePoint3d& point, const char* subclass = nullptr) const;
    // Every value of a repeated code in the order read (those that are not finite numbers
    // left out), and every point (code, code + 10, code + 20) likewise.
    std::vector<double> storedReals(int code, const char* subclass = nullptr) const;
    std::vector<AcGePoint3d> storedPoints(int code, const char* subclass = nullptr) const;

    // The box around what the plot draws of the types it reads from the pairs (points,
    // solids, traces, ellipses, splines, 3D faces, meshes, wipeouts), or of the proxy
    // graphics it carries. Construction lines (XLINE, RAY) are infinite and have none.
    Acad::ErrorStatus getGeomExtents(AcDbExtents& extents) const override;

private:
    const char* m_dxfName;   // interned
};
