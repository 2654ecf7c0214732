// Single-line text, attribute definitions and attributes (text with a tag), and multiline
// text. Positions are world coordinates; rotations are radians in the object coordinate
// system of the normal.
#pragma once

#include "arx/dbentity.h"

#include <vector>

class AcDbText : public AcDbEntity
{
public:
    ACRX_DECLARE_MEMBERS(AcDbText)
    AcDbText() = default;
    AcDbText(const AcGePoint3d& position, const char* text, AcDbObjectId style = AcDbObjectId(),
             double height = 0.0, double rotation = 0.0);

    AcGePoint3d position() const;
    Acad::ErrorStatus setPosition(const AcGePoint3d& p);
    AcGePoint3d alignmentPoint() const;
    Acad::ErrorStatus setAlignmentPoint(const AcGePoint3d& p);
    bool isDefaultAlignment() const { return m_horizontal == AcDb::kTextLeft && m_vertical == AcDb::kTextBase; }
    CString textString() const { return CString(m_text); }
    const char* textStringConst() const { return m_text.c_str(); }
    Acad::ErrorStatus setTextString(const char* text);
    double height() const { return m_height; }
    Acad::ErrorStatus setHeight(double height);
    double rotation() const { return m_rotation; }
    Acad::ErrorStatus setRotation(double radians);
    double widthFactor() const { return m_widthFactor; }
    Acad::ErrorStatus setWidthFactor(double factor);
    double oblique() const { return m_oblique; }
    Acad::ErrorStatus setOblique(double radians);
    double thickness() const { return m_thickness; }
    AcGeVector3d normal() const { return m_normal; }
    Acad::ErrorStatus setNormal(const AcGeVector3d& normal);
    AcDb::TextHorzMode horizontalMode() const { return m_horizontal; }
    Acad::ErrorStatus setHorizontalMode(AcDb::TextHorzMode mode);
    AcDb::TextVertMode verticalMode() const { return m_vertical; }
    Acad::ErrorStatus setVerticalMode(AcDb::TextVertMode mode);
    // The style the text names; Standard's when it names none (an empty name).
    AcDbObjectId textStyle() const;
    Acad::ErrorStatus setTextStyle(AcDbObjectId styleId);
    std::string textStyleName() const { return m_style; }
    // The style's name as kept for the process: one pointer for each distinct name.
    const char* textStyleNameConst() const { return m_style; }

    Acad::ErrorStatus transformBy(const AcGeMatrix3d& m) override;
    Acad::ErrorStatus getGeomExtents(AcDbExtents& extents) const override;

    const qv::dxf::FieldTable& dxfTable() const override;
    void dxfInEnd() override;

protected:
    void copyTextFrom(const AcDbText& other);
    // The AcDbText subclass as attributes and definitions have it too (no vertical mode).
    static std::vector<qv::dxf::Field> textFields();
    // The vertical mode: group 73 in a text's second AcDbText subclass, 74 in attributes.
    static qv::dxf::Field verticalModeField(int code);

private:
    AcGePoint3d m_ocsPosition, m_ocsAlignment;   // in the object coordinate system of the normal
    std::string m_text;
    const char* m_style = "Standard";   // interned
    double m_height = 0, m_rotation = 0, m_widthFactor = 1, m_oblique = 0, m_thickness = 0;
    int m_generation = 0;
    AcDb::TextHorzMode m_horizontal = AcDb::kTextLeft;
    AcDb::TextVertMode m_vertical = AcDb::kTextBase;
    AcGeVector3d m_normal = AcGeVector3d::kZAxis;
    bool m_alignmentGiven = false;
};

// Tag, flags and field length shared by attributes and their definitions.
class AcDbAttributeBase : public AcDbText
{
public:
    ACRX_DECLARE_MEMBERS(AcDbAttributeBase)
    CString tag() const { return CString(m_tag); }
    const char* tagConst() const { return m_tag.c_str(); }
    // The tag is stored as given (blanks and any letter case).
    Acad::ErrorStatus setTag(const char* tag);
    bool isInvisible() const { return m_flags & 1; }
    Acad::ErrorStatus setInvisible(bool value) { return setFlag(1, value); }
    bool isConstant() const { return m_flags & 2; }
    Acad::ErrorStatus setConstant(bool value) { return setFlag(2, value); }
    bool isVerifiable() const { return m_flags & 4; }
    Acad::ErrorStatus setVerifiable(bool value) { return setFlag(4, value); }
    bool isPreset() const { return m_flags & 8; }
    Acad::ErrorStatus setPreset(bool value) { return setFlag(8, value); }
    Adesk::UInt16 fieldLength() const { return m_fieldLength; }
    Acad::ErrorStatus setFieldLength(Adesk::UInt16 length);
    // Whether the attribute keeps its place in the block when the reference is edited.
    bool lockPositionInBlock() const { return m_lockPosition; }
    Acad::ErrorStatus setLockPositionInBlock(bool value);

protected:
    Acad::ErrorStatus setFlag(int bit, bool value);
    // The version that opens an attribute's own subclass since DXF 2010 (280), when the
    // file gave one.
    static qv::dxf::Field versionField();
    // Tag, flags, field length, vertical mode and lock flag, the end of an attribute's own
    // subclass.
    static std::vector<qv::dxf::Field> attributeFields();
    void copyAttributeFrom(const AcDbAttributeBase& other);

private:
    std::string m_tag;
    int m_flags = 0;
    Adesk::UInt16 m_fieldLength = 0;
    short m_version = -1;   // none given
    bool m_lockPosition = false;
};

class AcDbAttributeDefinition : public AcDbAttributeBase
{
public:
    ACRX_DECLARE_MEMBERS(AcDbAttributeDefinition)
    AcDbAttributeDefinition() = default;
    AcDbAttributeDefinition(const AcGePoint3d& position, const char* text, const char* tag, const char* prompt,
                            AcDbObjectId style = AcDbObjectId());

    CString prompt() const { return CString(m_prompt); }
    const char* promptConst() const { return m_prompt.c_str(); }
    Acad::ErrorStatus setPrompt(const char* prompt);
    // A new definition, not in any database, with the same properties.
    AcDbAttributeDefinition* clone() const;

    const qv::dxf::FieldTable& dxfTable() const override;

private:
    std::string m_prompt;
};

class AcDbAttribute : public AcDbAttributeBase
{
public:
    ACRX_DECLARE_MEMBERS(AcDbAttribute)
    AcDbAttribute() = default;
    AcDbAttribute(const AcGePoint3d& position, const char* text, const char* tag,
                  AcDbObjectId style = AcDbObjectId());

    // Takes the definition's properties, placed by the reference's block transform.
    Acad::ErrorStatus setAttributeFromBlock(const AcDbAttributeDefinition* definition,
                                            const AcGeMatrix3d& blockTransform);
    // A copy outside the database with the attribute's text, placement, tag and flags (not
    // its entity properties), to work out a change on before making it.
    AcDbAttribute* clone() const;
    // Takes the text, placement, tag and flags of another attribute; eNotThatKindOfClass for
    // anything else.
    Acad::ErrorStatus copyFrom(const AcRxObject* other);

    const qv::dxf::FieldTable& dxfTable() const override;
};

class AcDbMText : public AcDbEntity
{
public:
    ACRX_DECLARE_MEMBERS(AcDbMText)
    enum AttachmentPoint {
        kTopLeft = 1, kTopCenter, kTopRight, kMiddleLeft, kMiddleCenter, kMiddleRight,
        kBottomLeft, kBottomCenter, kBottomRight
    };

    AcGePoint3d location() const { return m_location; }
    Acad::ErrorStatus setLocation(const AcGePoint3d& p);
    CString contents() const { return CString(m_contents); }
    Acad::ErrorStatus setContents(const char* text);
    double textHeight() const { return m_height; }
    Acad::ErrorStatus setTextHeight(double height);
    double width() const { return m_width; }
    Acad::ErrorStatus setWidth(double width);
    AttachmentPoint attachment() const { return m_attachment; }
    Acad::ErrorStatus setAttachment(AttachmentPoint attachment);
    double rotation() const;
    Acad::ErrorStatus setRotation(double radians);
    AcGeVector3d normal() const { return m_normal; }
    Acad::ErrorStatus setNormal(const AcGeVector3d& normal);
    // The style the text names; Standard's when it names none (an empty name).
    AcDbObjectId textStyle() const;
    Acad::ErrorStatus setTextStyle(AcDbObjectId styleId);
    std::string textStyleName() const { return m_style; }
    // The style's name as kept for the process: one pointer for each distinct name.
    const char* textStyleNameConst() const { return m_style; }
    // The lines' distance as a factor of the usual one (0.25 to 4), and its style: 1 at
    // least that distance (taller lines stand further apart), 2 exactly.
    double lineSpacingFactor() const;
    int lineSpacingStyle() const;

    enum ColumnType { kNoColumns, kStaticColumns, kDynamicColumns };
    // How the text flows into columns side by side. Static columns all have the defined
    // height; dynamic ones that height too when their height is automatic, else their own.
    struct Columns {
        ColumnType type = kNoColumns;
        int count = 0;
        double width = 0, gutter = 0;
        double height = 0;   // the text's defined height (0: none)
        bool autoHeight = false, flowReversed = false;
        std::vector<double> heights;   // dynamic columns of their own heights (0: unbounded)
    };
    // As a release 2018 file holds them in the text's embedded object, an older one in its
    // "ACAD" XData; none when neither does. Counts and sizes are bounded.
    Columns columns() const;

    Acad::ErrorStatus transformBy(const AcGeMatrix3d& m) override;
    Acad::ErrorStatus getGeomExtents(AcDbExtents& extents) const override;

    const qv::dxf::FieldTable& dxfTable() const override;
    void dxfInEnd() override;

private:
    AcGePoint3d m_location;
    std::string m_contents;
    const char* m_style = "Standard";   // interned
    double m_height = 2.5, m_width = 0, m_rotationRead = 0;
    int m_flowDirection = 0; // 0: none given, so none written
    bool m_rotationGiven = false;
    AttachmentPoint m_attachment = kTopLeft;
    AcGeVector3d m_normal = AcGeVector3d::kZAxis;
    AcGeVector3d m_direction = AcGeVector3d::kXAxis;
};
