// Block references (INSERT), their attributes, and arrays of references (MINSERT).
#pragma once

#include "arx/dbentity.h"

class AcDbAttribute;
class AcDbBlockTableRecord;

// Steps over the ids of a reference's attributes.
class AcDbObjectIterator
{
public:
    explicit AcDbObjectIterator(std::vector<AcDbObjectId> ids) : m_ids(std::move(ids)) {}
    void start(bool atEnd = false) { m_pos = atEnd ? m_ids.size() : 0; }
    bool done() const { return m_pos >= m_ids.size(); }
    void step(bool backwards = false, bool skipErased = true);
    AcDbObjectId objectId() const { return done() ? AcDbObjectId() : m_ids[m_pos]; }
    AcDbEntity* entity() const;

private:
    std::vector<AcDbObjectId> m_ids;
    size_t m_pos = 0;
};

class AcDbBlockReference : public AcDbEntity
{
public:
    ACRX_DECLARE_MEMBERS(AcDbBlockReference)
    AcDbBlockReference() = default;
    AcDbBlockReference(const AcGePoint3d& position, AcDbObjectId blockTableRecord);

    AcDbObjectId blockTableRecord() const { return m_block; }
    // eInvalidInput unless the id names a block record, eWasErased for an erased one;
    // eSelfReference, changing nothing,
    // when the reference's owner would then contain itself.
    Acad::ErrorStatus setBlockTableRecord(AcDbObjectId id);
    AcGePoint3d position() const;
    Acad::ErrorStatus setPosition(const AcGePoint3d& p);
    double rotation() const { return m_rotation; }
    Acad::ErrorStatus setRotation(double radians);
    AcGeScale3d scaleFactors() const { return m_scale; }
    Acad::ErrorStatus setScaleFactors(const AcGeScale3d& scale);
    AcGeVector3d normal() const { return m_normal; }
    Acad::ErrorStatus setNormal(const AcGeVector3d& normal);
    // T(position) · R(normal, rotation) · S(scale) · T(-block origin).
    AcGeMatrix3d blockTransform() const;
    Acad::ErrorStatus setBlockTransform(const AcGeMatrix3d& m);

    AcDbObjectIterator* attributeIterator() const;
    // Adds an attribute (ownership passes to the database); the reference must be in a
    // database and open for write. The attribute stays open for write until closed.
    Acad::ErrorStatus appendAttribute(AcDbAttribute* attribute);
    Acad::ErrorStatus appendAttribute(AcDbObjectId& id, AcDbAttribute* attribute);
    Acad::ErrorStatus openAttribute(AcDbAttribute*& attribute, AcDbObjectId id, AcDb::OpenMode mode,
                                    bool openErased = false);
    const std::vector<AcDbObjectId>& attributeIds() const { return m_attributes; }

    // Moves, rotates, scales and mirrors the reference (and its attributes).
    Acad::ErrorStatus transformBy(const AcGeMatrix3d& m) override;
    Acad::ErrorStatus getGeomExtents(AcDbExtents& extents) const override;

    void attachAttribute(AcDbObjectId id)
    {
        if (m_attributes.empty())
            m_attributes.reserve(3);   // the room the first allocation has anyway
        m_attributes.push_back(id);
    }
    AcDbHandle seqendHandle() const { return m_seqend; }
    void setSeqendHandle(AcDbHandle h) { m_seqend = h; }
    // The block and scale factors read from a file, without checks.
    void setBlockFromFile(AcDbObjectId id) { m_block = id; }
    void setScaleFromFile(double AcGeScale3d::*factor, double value);
    // One table for references and arrays of references: an array writes its own marker
    // and its columns and rows.
    const qv::dxf::FieldTable& dxfTable() const override;
    void dxfInEnd() override;
    bool hasLiveAttributes() const;

protected:
    int m_columns = 1, m_rows = 1;
    double m_columnSpacing = 0, m_rowSpacing = 0;

private:
    void addDefinitionExtents(const AcDbBlockTableRecord* btr, AcDbExtents& extents) const;
    void addAttributeExtents(AcDbExtents& extents) const;

    AcDbObjectId m_block;
    AcGePoint3d m_ocsPosition;   // in the object coordinate system of the normal
    double m_rotation = 0;
    AcGeScale3d m_scale;
    AcGeVector3d m_normal = AcGeVector3d::kZAxis;
    std::vector<AcDbObjectId> m_attributes;
    AcDbHandle m_seqend;
};

class AcDbMInsertBlock : public AcDbBlockReference
{
public:
    ACRX_DECLARE_MEMBERS(AcDbMInsertBlock)
    Adesk::UInt16 columns() const { return static_cast<Adesk::UInt16>(m_columns); }
    Adesk::UInt16 rows() const { return static_cast<Adesk::UInt16>(m_rows); }
    double columnSpacing() const { return m_columnSpacing; }
    double rowSpacing() const { return m_rowSpacing; }
    Acad::ErrorStatus setColumns(Adesk::UInt16 n);
    Acad::ErrorStatus setRows(Adesk::UInt16 n);
    Acad::ErrorStatus setColumnSpacing(double d);
    Acad::ErrorStatus setRowSpacing(double d);
    // The world vectors from a cell to the next one along a row (column) and along a column
    // (row): the spacings turned with the reference and into its plane.
    void cellSteps(AcGeVector3d& column, AcGeVector3d& row) const;
    // The box of every cell: the first cell's moved to the corner cells.
    Acad::ErrorStatus getGeomExtents(AcDbExtents& extents) const override;
};
