#include "arx/dbtext.h"

#include "arx/dbdatabase.h"
#include "dbobjectimpl.h"
#include "arx/dbsymtb.h"

#include <algorithm>
#include <cmath>

ACRX_DEFINE_MEMBERS(AcDbText, AcDbEntity, "TEXT")
ACRX_DEFINE_MEMBERS(AcDbAttributeBase, AcDbText, "")
ACRX_DEFINE_MEMBERS(AcDbAttributeDefinition, AcDbAttributeBase, "ATTDEF")
ACRX_DEFINE_MEMBERS(AcDbAttribute, AcDbAttributeBase, "ATTRIB")
ACRX_DEFINE_MEMBERS(AcDbMText, AcDbEntity, "MTEXT")

using qv::dxf::DxfIn;
using qv::dxf::DxfOut;
using qv::dxf::Token;
using qv::fromOcs;
using qv::kDegree;
using qv::toOcs;
using qv::writeNormal;

namespace {

AcDbObjectId styleId(AcDbDatabase* db, const std::string& name)
{
    AcDbObjectId id;
    if (const auto* table = db ? AcDbSymbolTable::cast(db->textStyleTableId().object()) : nullptr)
        table->getAt(name.c_str(), id);
    return id;
}

std::string styleName(AcDbObjectId id)
{
    const auto* rec = AcDbTextStyleTableRecord::cast(id.object());
    return rec ? rec->name() : std::string();
}

size_t charCount(const std::string& s)
{
    size_t n = 0;
    for (unsigned char c : s)
        n += (c & 0xC0) != 0x80;
    return n;
}

// Box of a text of the given size placed at origin along direction in the plane of normal.
AcDbExtents textBox(const AcGePoint3d& origin, const AcGeVector3d& normal, double rotation, double width,
                    double height)
{
    const AcGeVector3d x = qv::ocsDirection(rotation, normal);
    const AcGeVector3d y = normal.normal().crossProduct(x);
    AcDbExtents e;
    e.addPoint(origin);
    e.addPoint(origin + x * width);
    e.addPoint(origin + y * height);
    e.addPoint(origin + x * width + y * height);
    return e;
}

} // namespace

// ---- AcDbText ----

AcDbText::AcDbText(const AcGePoint3d& position, const char* text, AcDbObjectId style, double height,
                   double rotation)
    : m_position(position), m_alignment(position), m_text(text ? text : ""), m_height(height),
      m_rotation(rotation)
{
    if (!style.isNull())
        m_style = styleName(style);
}

Acad::ErrorStatus AcDbText::setPosition(const AcGePoint3d& p) { QV_SETTER(m_position = p) }
Acad::ErrorStatus AcDbText::setAlignmentPoint(const AcGePoint3d& p) { QV_SETTER(m_alignment = p; m_alignmentGiven = true) }
Acad::ErrorStatus AcDbText::setTextString(const char* text) { QV_SETTER(m_text = text ? text : "") }
Acad::ErrorStatus AcDbText::setRotation(double radians) { QV_SETTER(m_rotation = radians) }
Acad::ErrorStatus AcDbText::setOblique(double radians) { QV_SETTER(m_oblique = radians) }
Acad::ErrorStatus AcDbText::setHorizontalMode(AcDb::TextHorzMode mode) { QV_SETTER(m_horizontal = mode) }
Acad::ErrorStatus AcDbText::setVerticalMode(AcDb::TextVertMode mode) { QV_SETTER(m_vertical = mode) }

Acad::ErrorStatus AcDbText::setHeight(double height)
{
    if (height <= 0)
        return Acad::eInvalidInput;
    QV_SETTER(m_height = height)
}

Acad::ErrorStatus AcDbText::setWidthFactor(double factor)
{
    if (factor <= 0)
        return Acad::eInvalidInput;
    QV_SETTER(m_widthFactor = factor)
}

Acad::ErrorStatus AcDbText::setNormal(const AcGeVector3d& normal)
{
    if (normal.isZeroLength())
        return Acad::eInvalidInput;
    QV_SETTER(m_normal = normal.normal())
}

AcDbObjectId AcDbText::textStyle() const { return styleId(database(), m_style); }

Acad::ErrorStatus AcDbText::setTextStyle(AcDbObjectId id)
{
    const std::string name = styleName(id);
    if (name.empty())
        return Acad::eInvalidInput;
    QV_SETTER(m_style = name)
}

void AcDbText::copyTextFrom(const AcDbText& o)
{
    m_position = o.m_position;
    m_alignment = o.m_alignment;
    m_alignmentGiven = o.m_alignmentGiven;
    m_text = o.m_text;
    m_style = o.m_style;
    m_height = o.m_height;
    m_rotation = o.m_rotation;
    m_widthFactor = o.m_widthFactor;
    m_oblique = o.m_oblique;
    m_thickness = o.m_thickness;
    m_generation = o.m_generation;
    m_horizontal = o.m_horizontal;
    m_vertical = o.m_vertical;
    m_normal = o.m_normal;
}

Acad::ErrorStatus AcDbText::transformBy(const AcGeMatrix3d& m)
{
    if (const Acad::ErrorStatus es = assertWriteEnabled(); es != Acad::eOk)
        return es;
    const AcGeVector3d dir = qv::ocsDirection(m_rotation, m_normal);
    const AcGeVector3d up = m_normal.crossProduct(dir);
    const AcGeVector3d newDir = m.transform(dir), newUp = m.transform(up);
    const AcGeVector3d newNormal = m.transform(m_normal).normal();
    if (newDir.isZeroLength() || newUp.isZeroLength() || newNormal.isZeroLength())
        return Acad::eNotApplicable;
    m_position = m.transform(m_position);
    m_alignment = m.transform(m_alignment);
    m_normal = newNormal;
    m_rotation = qv::angleInOcs(newDir, newNormal);
    m_widthFactor *= newDir.length() / newUp.length();
    m_height *= newUp.length();
    return Acad::eOk;
}

Acad::ErrorStatus AcDbText::getGeomExtents(AcDbExtents& extents) const
{
    // An estimate from the character count: the font's outlines are not modelled.
    const double width = m_height * m_widthFactor * 0.7 * static_cast<double>(charCount(m_text));
    extents = textBox(isDefaultAlignment() ? m_position : m_alignment, m_normal, m_rotation, width, m_height);
    return Acad::eOk;
}

bool AcDbText::dxfInField(DxfIn& in, const Token& t)
{
    switch (t.code) {
    case 1: m_text = t.value; return true;
    case 7: m_style = t.value; return true;
    case 39: m_thickness = in.real(t); return true;
    case 40: m_height = in.real(t); return true;
    case 41: m_widthFactor = in.real(t); return true;
    case 50: m_rotation = in.real(t) * kDegree; return true;
    case 51: m_oblique = in.real(t) * kDegree; return true;
    case 71: m_generation = in.integer(t); return true;
    case 72: m_horizontal = static_cast<AcDb::TextHorzMode>(in.integer(t)); return true;
    }
    if (t.code == verticalModeCode()) {
        m_vertical = static_cast<AcDb::TextVertMode>(in.integer(t));
        return true;
    }
    if (t.code == 11 || t.code == 21 || t.code == 31)
        m_alignmentGiven = true;
    return in.pointPart(t, 10, m_position) || in.pointPart(t, 11, m_alignment) || in.vectorPart(t, 210, m_normal);
}

void AcDbText::dxfInEnd(DxfIn&)
{
    m_normal = m_normal.isZeroLength() ? AcGeVector3d::kZAxis : m_normal.normal();
    m_position = fromOcs(m_position, m_normal);
    m_alignment = m_alignmentGiven ? fromOcs(m_alignment, m_normal) : m_position;
}

void AcDbText::dxfOutTextFields(DxfOut& out) const
{
    out.subclass("AcDbText");
    if (m_thickness != 0)
        out.real(39, m_thickness);
    out.point(10, toOcs(m_position, m_normal));
    out.real(40, m_height);
    out.tag(1, m_text);
    if (m_rotation != 0)
        out.real(50, m_rotation / kDegree);
    if (m_widthFactor != 1)
        out.real(41, m_widthFactor);
    if (m_oblique != 0)
        out.real(51, m_oblique / kDegree);
    out.tag(7, m_style);
    if (m_generation != 0)
        out.integer(71, m_generation);
    if (m_horizontal != AcDb::kTextLeft)
        out.integer(72, m_horizontal);
    if (!isDefaultAlignment() || m_alignmentGiven)
        out.point(11, toOcs(m_alignment, m_normal));
    writeNormal(out, m_normal);
}

void AcDbText::dxfOutFields(DxfOut& out) const
{
    AcDbEntity::dxfOutFields(out);
    dxfOutTextFields(out);
    out.subclass("AcDbText");
    if (m_vertical != AcDb::kTextBase)
        out.integer(73, m_vertical);
}

// ---- attributes ----

Acad::ErrorStatus AcDbAttributeBase::setTag(const char* tag)
{
    if (!tag || !*tag)
        return Acad::eInvalidInput;
    QV_SETTER(m_tag = tag)
}

Acad::ErrorStatus AcDbAttributeBase::setFieldLength(Adesk::UInt16 length) { QV_SETTER(m_fieldLength = length) }

Acad::ErrorStatus AcDbAttributeBase::setFlag(int bit, bool value)
{
    QV_SETTER(m_flags = value ? m_flags | bit : m_flags & ~bit)
}

void AcDbAttributeBase::copyAttributeFrom(const AcDbAttributeBase& other)
{
    copyTextFrom(other);
    m_tag = other.m_tag;
    m_flags = other.m_flags;
    m_fieldLength = other.m_fieldLength;
}

bool AcDbAttributeBase::dxfInField(DxfIn& in, const Token& t)
{
    switch (t.code) {
    case 2: m_tag = t.value; return true;
    case 70: m_flags = in.integer(t); return true;
    case 73: m_fieldLength = static_cast<Adesk::UInt16>(in.integer(t)); return true;
    }
    // The attribute's own subclass reuses codes of the text's: since DXF 2018 it holds 71
    // (single or multi-line attribute), 72 and a copy of the alignment point (11/21/31).
    // They are kept as read, never taken for the text's generation flags, horizontal mode
    // and alignment point.
    const std::string& subclass = in.subclass();
    if ((subclass == "AcDbAttribute" || subclass == "AcDbAttributeDefinition") && t.code != verticalModeCode())
        return false;
    return AcDbText::dxfInField(in, t);
}

void AcDbAttributeBase::dxfOutAttributeFields(DxfOut& out) const
{
    out.tag(2, m_tag);
    out.integer(70, m_flags);
    if (m_fieldLength != 0)
        out.integer(73, m_fieldLength);
    if (verticalMode() != AcDb::kTextBase)
        out.integer(74, verticalMode());
}

AcDbAttributeDefinition::AcDbAttributeDefinition(const AcGePoint3d& position, const char* text, const char* tag,
                                                 const char* prompt, AcDbObjectId style)
    : m_prompt(prompt ? prompt : "")
{
    AcDbText base(position, text, style);
    copyTextFrom(base);
    setTag(tag);
}

Acad::ErrorStatus AcDbAttributeDefinition::setPrompt(const char* prompt) { QV_SETTER(m_prompt = prompt ? prompt : "") }

AcDbAttributeDefinition* AcDbAttributeDefinition::clone() const
{
    auto* copy = new AcDbAttributeDefinition;
    copy->setPropertiesFrom(this);
    copy->copyAttributeFrom(*this);
    copy->m_prompt = m_prompt;
    copy->setIntendedDatabase(database());
    return copy;
}

bool AcDbAttributeDefinition::dxfInField(DxfIn& in, const Token& t)
{
    if (t.code == 3) {
        m_prompt = t.value;
        return true;
    }
    return AcDbAttributeBase::dxfInField(in, t);
}

void AcDbAttributeDefinition::dxfOutFields(DxfOut& out) const
{
    AcDbEntity::dxfOutFields(out);
    dxfOutTextFields(out);
    out.subclass("AcDbAttributeDefinition");
    out.tag(3, m_prompt);
    dxfOutAttributeFields(out);
}

AcDbAttribute::AcDbAttribute(const AcGePoint3d& position, const char* text, const char* tag, AcDbObjectId style)
{
    AcDbText base(position, text, style);
    copyTextFrom(base);
    setTag(tag);
}

Acad::ErrorStatus AcDbAttribute::setAttributeFromBlock(const AcDbAttributeDefinition* definition,
                                                       const AcGeMatrix3d& blockTransform)
{
    if (!definition)
        return Acad::eNullObjectPointer;
    if (const Acad::ErrorStatus es = assertWriteEnabled(); es != Acad::eOk)
        return es;
    setPropertiesFrom(definition);
    copyAttributeFrom(*definition);
    return transformBy(blockTransform);
}

void AcDbAttribute::dxfOutFields(DxfOut& out) const
{
    AcDbEntity::dxfOutFields(out);
    dxfOutTextFields(out);
    out.subclass("AcDbAttribute");
    dxfOutAttributeFields(out);
}

// ---- AcDbMText ----

Acad::ErrorStatus AcDbMText::setLocation(const AcGePoint3d& p) { QV_SETTER(m_location = p) }
Acad::ErrorStatus AcDbMText::setContents(const char* text) { QV_SETTER(m_contents = text ? text : "") }
Acad::ErrorStatus AcDbMText::setWidth(double width) { QV_SETTER(m_width = width) }
Acad::ErrorStatus AcDbMText::setAttachment(AttachmentPoint a) { QV_SETTER(m_attachment = a) }

Acad::ErrorStatus AcDbMText::setTextHeight(double height)
{
    if (height <= 0)
        return Acad::eInvalidInput;
    QV_SETTER(m_height = height)
}

double AcDbMText::rotation() const { return qv::angleInOcs(m_direction, m_normal); }

Acad::ErrorStatus AcDbMText::setRotation(double radians) { QV_SETTER(m_direction = qv::ocsDirection(radians, m_normal)) }

Acad::ErrorStatus AcDbMText::setNormal(const AcGeVector3d& normal)
{
    if (normal.isZeroLength())
        return Acad::eInvalidInput;
    const double r = rotation();
    QV_SETTER((m_normal = normal.normal(), m_direction = qv::ocsDirection(r, m_normal)))
}

AcDbObjectId AcDbMText::textStyle() const { return styleId(database(), m_style); }

Acad::ErrorStatus AcDbMText::setTextStyle(AcDbObjectId id)
{
    const std::string name = styleName(id);
    if (name.empty())
        return Acad::eInvalidInput;
    QV_SETTER(m_style = name)
}

Acad::ErrorStatus AcDbMText::transformBy(const AcGeMatrix3d& m)
{
    if (const Acad::ErrorStatus es = assertWriteEnabled(); es != Acad::eOk)
        return es;
    const AcGeVector3d dir = m.transform(m_direction);
    const AcGeVector3d normal = m.transform(m_normal).normal();
    if (dir.isZeroLength() || normal.isZeroLength())
        return Acad::eNotApplicable;
    const double s = dir.length();
    m_location = m.transform(m_location);
    m_direction = dir.normal();
    m_normal = normal;
    m_height *= s;
    m_width *= s;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbMText::getGeomExtents(AcDbExtents& extents) const
{
    const double width = m_width > 0 ? m_width : m_height * 0.7 * static_cast<double>(charCount(m_contents));
    const int column = (m_attachment - 1) % 3, row = (m_attachment - 1) / 3;
    const AcGeVector3d x = m_direction.normal(), y = m_normal.crossProduct(x);
    const AcGePoint3d origin = m_location - x * (width * column / 2.0) - y * (m_height * (2 - row) / 2.0);
    extents = textBox(origin, m_normal, rotation(), width, m_height);
    return Acad::eOk;
}

bool AcDbMText::dxfInField(DxfIn& in, const Token& t)
{
    switch (t.code) {
    case 1: m_contents = m_chunks + t.value; m_chunks.clear(); return true;
    case 3: m_chunks += t.value; return true;
    case 7: m_style = t.value; return true;
    case 40: m_height = in.real(t); return true;
    case 41: m_width = in.real(t); return true;
    case 71: m_attachment = static_cast<AttachmentPoint>(std::clamp(in.integer(t), 1, 9)); return true;
    case 72: m_flowDirection = static_cast<int>(in.integer(t)); return true;
    case 50: m_rotationRead = in.real(t) * kDegree; m_rotationGiven = true; return true;
    }
    return in.pointPart(t, 10, m_location) || in.vectorPart(t, 11, m_direction) || in.vectorPart(t, 210, m_normal);
}

void AcDbMText::dxfInEnd(DxfIn&)
{
    m_normal = m_normal.isZeroLength() ? AcGeVector3d::kZAxis : m_normal.normal();
    if (m_rotationGiven)
        m_direction = qv::ocsDirection(m_rotationRead, m_normal);
    m_direction = m_direction.isZeroLength() ? qv::ocsXAxis(m_normal) : m_direction.normal();
}

void AcDbMText::dxfOutFields(DxfOut& out) const
{
    AcDbEntity::dxfOutFields(out);
    out.subclass("AcDbMText");
    out.point(10, m_location);
    out.real(40, m_height);
    if (m_width != 0)
        out.real(41, m_width);
    out.integer(71, m_attachment);
    if (m_flowDirection != 0)
        out.integer(72, m_flowDirection);
    // Long contents go in 250-byte pieces (3) before the last piece (1), cut between
    // UTF-8 characters.
    size_t pos = 0;
    while (m_contents.size() - pos > 250) {
        size_t n = 250;
        while (n > 0 && (static_cast<unsigned char>(m_contents[pos + n]) & 0xC0) == 0x80)
            --n;
        out.tag(3, std::string_view(m_contents).substr(pos, n));
        pos += n;
    }
    out.tag(1, std::string_view(m_contents).substr(pos));
    out.tag(7, m_style);
    writeNormal(out, m_normal);
    out.vector(11, m_direction);
}
