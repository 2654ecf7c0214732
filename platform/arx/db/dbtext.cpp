#include "arx/dbtext.h"

#include "arx/dbdatabase.h"
#include "arx/dbsymtb.h"
#include "arx/dxfnames.h"
#include "arx/dxfnumber.h"
#include "dbobjectimpl.h"

#include <algorithm>
#include <cstring>
#include <cmath>
#include <cstdint>

ACRX_DEFINE_MEMBERS(AcDbText, AcDbEntity, "TEXT")
ACRX_DEFINE_MEMBERS(AcDbAttributeBase, AcDbText, "")
ACRX_DEFINE_MEMBERS(AcDbAttributeDefinition, AcDbAttributeBase, "ATTDEF")
ACRX_DEFINE_MEMBERS(AcDbAttribute, AcDbAttributeBase, "ATTRIB")
ACRX_DEFINE_MEMBERS(AcDbMText, AcDbEntity, "MTEXT")

namespace {

// A text that names no style (an empty name) is in the Standard style, as the format has it.
AcDbObjectId styleId(AcDbDatabase* db, const char* name)
{
    AcDbObjectId id;
    if (const auto* table = db ? AcDbSymbolTable::cast(db->textStyleTableId().object()) : nullptr)
        table->getAt(*name ? name : "Standard", id);
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

// The lines of a multiline text and the characters of its longest, its formatting codes
// left out: "\P" ends a line; "\U+XXXX", "\\", "\{" and "\}" are one character; stacked
// fractions ("\S1/2;") count their characters; other codes with an argument run to ";",
// those without one ("\L", "\O", "\K") are two characters; braces group.
struct TextLines {
    size_t count = 1, longest = 0;
};

TextLines textLines(const std::string& s)
{
    TextLines lines;
    size_t current = 0;
    const auto endLine = [&] {
        lines.longest = std::max(lines.longest, current);
        current = 0;
    };
    for (size_t i = 0; i < s.size(); ++i) {
        const char c = s[i];
        if (c == '\n' || (c == '\\' && i + 1 < s.size() && s[i + 1] == 'P')) {
            endLine();
            ++lines.count;
            i += c == '\\';
        } else if (c == '\\' && i + 1 < s.size()) {
            const char code = s[++i];
            if (code == 'U' && s.compare(i, 2, "U+") == 0) {
                i += 5;
                ++current;
            } else if (code == '\\' || code == '{' || code == '}' || code == '~') {
                ++current;
            } else if (std::strchr("ACcFfHhQqTtWwp", code)) {
                i = std::min(s.find(';', i), s.size());
            } else if (code == 'S') {
                const size_t end = std::min(s.find(';', i), s.size());
                current += charCount(s.substr(i + 1, end - i - 1)) / 2 + 1;
                i = end;
            }
        } else if (c != '{' && c != '}' && (static_cast<unsigned char>(c) & 0xC0) != 0x80) {
            ++current;
        }
    }
    endLine();
    return lines;
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
    : m_ocsPosition(position), m_ocsAlignment(position), m_text(text ? text : ""), m_height(height),
      m_rotation(rotation)
{
    if (!style.isNull())
        m_style = qv::dxf::internName(styleName(style));
}

AcGePoint3d AcDbText::position() const { return fromOcs(m_ocsPosition, m_normal); }
AcGePoint3d AcDbText::alignmentPoint() const { return fromOcs(m_ocsAlignment, m_normal); }

Acad::ErrorStatus AcDbText::setPosition(const AcGePoint3d& p)
{
    QV_CHECKED_SETTER(allFinite(p), m_ocsPosition = toOcs(p, m_normal))
}

Acad::ErrorStatus AcDbText::setAlignmentPoint(const AcGePoint3d& p)
{
    QV_CHECKED_SETTER(allFinite(p), (m_ocsAlignment = toOcs(p, m_normal), m_alignmentGiven = true))
}

Acad::ErrorStatus AcDbText::setTextString(const char* text) { QV_SETTER(m_text = text ? text : "") }
Acad::ErrorStatus AcDbText::setRotation(double radians) { QV_CHECKED_SETTER(allFinite(radians), m_rotation = radians) }
Acad::ErrorStatus AcDbText::setOblique(double radians) { QV_CHECKED_SETTER(allFinite(radians), m_oblique = radians) }

Acad::ErrorStatus AcDbText::setHorizontalMode(AcDb::TextHorzMode mode)
{
    QV_CHECKED_SETTER(mode >= AcDb::kTextLeft && mode <= AcDb::kTextFit, m_horizontal = mode)
}

Acad::ErrorStatus AcDbText::setVerticalMode(AcDb::TextVertMode mode)
{
    QV_CHECKED_SETTER(mode >= AcDb::kTextBase && mode <= AcDb::kTextTop, m_vertical = mode)
}

Acad::ErrorStatus AcDbText::setHeight(double height) { QV_CHECKED_SETTER(height > 0 && allFinite(height), m_height = height) }

Acad::ErrorStatus AcDbText::setWidthFactor(double factor)
{
    QV_CHECKED_SETTER(factor > 0 && allFinite(factor), m_widthFactor = factor)
}

Acad::ErrorStatus AcDbText::setNormal(const AcGeVector3d& normal)
{
    if (!allFinite(normal) || normal.isZeroLength())
        return Acad::eInvalidInput;
    const AcGePoint3d p = position(), a = alignmentPoint();
    QV_SETTER((m_normal = normal.normal(), m_ocsPosition = toOcs(p, m_normal), m_ocsAlignment = toOcs(a, m_normal)))
}

AcDbObjectId AcDbText::textStyle() const { return styleId(database(), m_style); }

Acad::ErrorStatus AcDbText::setTextStyle(AcDbObjectId id)
{
    const std::string name = styleName(id);
    if (name.empty())
        return Acad::eInvalidInput;
    QV_SETTER(m_style = qv::dxf::internName(name))
}

void AcDbText::copyTextFrom(const AcDbText& o)
{
    m_ocsPosition = o.m_ocsPosition;
    m_ocsAlignment = o.m_ocsAlignment;
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
    if (const Acad::ErrorStatus es = checkTransform(m); es != Acad::eOk)
        return es;
    const AcGeVector3d dir = qv::ocsDirection(m_rotation, m_normal);
    const AcGeVector3d up = m_normal.crossProduct(dir);
    const AcGeVector3d newDir = m.transform(dir), newUp = m.transform(up);
    const AcGeVector3d newNormal = m.transform(m_normal).normal();
    if (newDir.isZeroLength() || newUp.isZeroLength() || newNormal.isZeroLength())
        return Acad::eNotApplicable;
    const AcGePoint3d p = m.transform(position()), a = m.transform(alignmentPoint());
    m_normal = newNormal;
    m_ocsPosition = toOcs(p, m_normal);
    m_ocsAlignment = toOcs(a, m_normal);
    m_rotation = qv::angleInOcs(newDir, newNormal);
    m_widthFactor *= newDir.length() / newUp.length();
    m_height *= newUp.length();
    return Acad::eOk;
}

Acad::ErrorStatus AcDbText::getGeomExtents(AcDbExtents& extents) const
{
    // An estimate from the character count: the font's outlines are not modelled.
    const double width = m_height * m_widthFactor * 0.7 * static_cast<double>(charCount(m_text));
    extents = textBox(isDefaultAlignment() ? position() : alignmentPoint(), m_normal, m_rotation, width, m_height);
    return Acad::eOk;
}

std::vector<Field> AcDbText::textFields()
{
    return {
        subclass("AcDbText"),
        real<&AcDbText::m_thickness>(39).omitting(0),
        point<&AcDbText::m_ocsPosition>(10),
        real<&AcDbText::m_height>(40),
        text<&AcDbText::m_text>(1),
        angle<&AcDbText::m_rotation>(50).omitting(0),
        real<&AcDbText::m_widthFactor>(41).omitting(1),
        angle<&AcDbText::m_oblique>(51).omitting(0),
        sharedName<&AcDbText::m_style>(7),
        integer<&AcDbText::m_generation>(71).omitting(0),
        integer<&AcDbText::m_horizontal>(72).range(AcDb::kTextLeft, AcDb::kTextFit).omitting(AcDb::kTextLeft),
        // The alignment point is written when the alignment needs it or a file gave it.
        value({11, 21, 31},
              [](AcRxObject& o, const Field& f, const Pair& p, FieldContext& c) {
                  auto& t = static_cast<AcDbText&>(o);
                  const int i = f.indexOf(p.code);
                  (i == 0 ? t.m_ocsAlignment.x : i == 1 ? t.m_ocsAlignment.y : t.m_ocsAlignment.z) = c.real(p);
                  t.m_alignmentGiven = true;
                  return true;
              },
              [](const AcRxObject& o, const Field& f, Writer& out) {
                  const auto& t = static_cast<const AcDbText&>(o);
                  if (!t.isDefaultAlignment() || t.m_alignmentGiven)
                      out.point(f.code(), t.m_ocsAlignment.x, t.m_ocsAlignment.y, t.m_ocsAlignment.z);
              }),
        extrusion<&AcDbText::m_normal>(210),
    };
}

Field AcDbText::verticalModeField(int code)
{
    return integer<&AcDbText::m_vertical>(code).range(AcDb::kTextBase, AcDb::kTextTop).omitting(AcDb::kTextBase);
}

const FieldTable& AcDbText::dxfTable() const
{
    static const FieldTable table({dxfFields(), textFields(), {subclass("AcDbText"), verticalModeField(73)}});
    return table;
}

void AcDbText::dxfInEnd()
{
    m_normal = qv::unitNormal(m_normal);
    if (!m_alignmentGiven)
        m_ocsAlignment = m_ocsPosition;
}

// ---- attributes ----

Acad::ErrorStatus AcDbAttributeBase::setTag(const char* tag)
{
    if (!tag || !*tag)
        return Acad::eInvalidInput;
    QV_SETTER(m_tag = tag)
}

Acad::ErrorStatus AcDbAttributeBase::setFieldLength(Adesk::UInt16 length)
{
    QV_CHECKED_SETTER(length <= INT16_MAX, m_fieldLength = length)
}

Acad::ErrorStatus AcDbAttributeBase::setFlag(int bit, bool value)
{
    QV_SETTER(m_flags = value ? m_flags | bit : m_flags & ~bit)
}

Acad::ErrorStatus AcDbAttributeBase::setLockPositionInBlock(bool value) { QV_SETTER(m_lockPosition = value) }

void AcDbAttributeBase::copyAttributeFrom(const AcDbAttributeBase& other)
{
    copyTextFrom(other);
    m_tag = other.m_tag;
    m_flags = other.m_flags;
    m_fieldLength = other.m_fieldLength;
    m_version = other.m_version;
    m_lockPosition = other.m_lockPosition;
}

// The attribute's own subclass reuses codes of the text's: since DXF 2018 it holds 71
// (single or multi-line attribute), 72 and a copy of the alignment point (11/21/31). They
// are kept as read, never taken for the text's generation flags, horizontal mode and
// alignment point, for the subclass has no such fields.
Field AcDbAttributeBase::versionField() { return integer<&AcDbAttributeBase::m_version>(280).range(0, INT16_MAX).omitting(-1); }

std::vector<Field> AcDbAttributeBase::attributeFields()
{
    return {
        text<&AcDbAttributeBase::m_tag>(2),
        integer<&AcDbAttributeBase::m_flags>(70),
        integer<&AcDbAttributeBase::m_fieldLength>(73).range(0, INT16_MAX).omitting(0),
        verticalModeField(74),
        // The second 280 of the subclass, after the version.
        flag<&AcDbAttributeBase::m_lockPosition>(280).omitting(0),
    };
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

const FieldTable& AcDbAttributeDefinition::dxfTable() const
{
    static const FieldTable table({dxfFields(), textFields(), {
        subclass("AcDbAttributeDefinition"),
        versionField(),
        text<&AcDbAttributeDefinition::m_prompt>(3),
    }, attributeFields()});
    return table;
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

AcDbAttribute* AcDbAttribute::clone() const
{
    auto* copy = new AcDbAttribute;
    copy->copyAttributeFrom(*this);
    return copy;
}

Acad::ErrorStatus AcDbAttribute::copyFrom(const AcRxObject* other)
{
    const auto* source = AcDbAttribute::cast(other);
    if (!source)
        return Acad::eNotThatKindOfClass;
    QV_SETTER(copyAttributeFrom(*source))
}

const FieldTable& AcDbAttribute::dxfTable() const
{
    static const FieldTable table({dxfFields(), textFields(), {subclass("AcDbAttribute"), versionField()}, attributeFields()});
    return table;
}

// ---- AcDbMText ----

Acad::ErrorStatus AcDbMText::setLocation(const AcGePoint3d& p) { QV_CHECKED_SETTER(allFinite(p), m_location = p) }
Acad::ErrorStatus AcDbMText::setContents(const char* text) { QV_SETTER(m_contents = text ? text : "") }
Acad::ErrorStatus AcDbMText::setWidth(double width) { QV_CHECKED_SETTER(width >= 0 && allFinite(width), m_width = width) }

Acad::ErrorStatus AcDbMText::setAttachment(AttachmentPoint a)
{
    QV_CHECKED_SETTER(a >= kTopLeft && a <= kBottomRight, m_attachment = a)
}

Acad::ErrorStatus AcDbMText::setTextHeight(double height)
{
    QV_CHECKED_SETTER(height > 0 && allFinite(height), m_height = height)
}

double AcDbMText::rotation() const { return qv::angleInOcs(m_direction, m_normal); }

Acad::ErrorStatus AcDbMText::setRotation(double radians)
{
    QV_CHECKED_SETTER(allFinite(radians), m_direction = qv::ocsDirection(radians, m_normal))
}

Acad::ErrorStatus AcDbMText::setNormal(const AcGeVector3d& normal)
{
    if (!allFinite(normal) || normal.isZeroLength())
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
    QV_SETTER(m_style = qv::dxf::internName(name))
}

namespace {

constexpr int kMaxColumns = 100;

double finiteSize(double value) { return std::isfinite(value) && value > 0 ? value : 0; }

// One value of the text's own pairs that no field reads: before its embedded object, or in it.
void readKeptPair(const qv::dxf::Tag& tag, bool embedded, AcDbMText::Columns& c, double& factor, int& style)
{
    double real = 0;
    long long whole = 0;
    const bool isReal = qv::dxf::parseReal(tag.value(), real), isWhole = qv::dxf::parseInt(tag.value(), whole);
    if (!embedded) {
        if (tag.code == 44 && isReal)
            factor = real;
        else if (tag.code == 73 && isWhole)
            style = static_cast<int>(whole);
        else if (tag.code == 46 && isReal && c.height == 0)
            c.height = finiteSize(real);
        return;
    }
    switch (tag.code) {
    case 71: c.type = isWhole && whole >= 0 && whole <= 2 ? static_cast<AcDbMText::ColumnType>(whole) : c.type; break;
    case 72: c.count = isWhole ? static_cast<int>(std::clamp<long long>(whole, 0, kMaxColumns)) : c.count; break;
    case 44: c.width = isReal ? finiteSize(real) : c.width; break;
    case 45: c.gutter = isReal ? finiteSize(real) : c.gutter; break;
    case 41: c.height = isReal && real > 0 ? finiteSize(real) : c.height; break;
    case 73: c.autoHeight = isWhole && whole != 0; break;
    case 74: c.flowReversed = isWhole && whole != 0; break;
    case 46:
        if (isReal && c.heights.size() < kMaxColumns)
            c.heights.push_back(finiteSize(real));
        break;
    default: break;
    }
}

// The XData "ACAD" of files before release 2018: 1070 keys each followed by its value, the
// column heights (50) by their count and then as many 1040 values.
void readColumnXData(const resbuf* rb, AcDbMText::Columns& c)
{
    for (; rb; rb = rb->rbnext) {
        if (rb->restype != 1070 || !rb->rbnext)
            continue;
        const int key = rb->resval.rint;
        const resbuf* value = rb->rbnext;
        const double real = value->restype == 1040 ? value->resval.rreal : value->restype == 1070 ? value->resval.rint : 0;
        switch (key) {
        case 75: c.type = real >= 0 && real <= 2 ? static_cast<AcDbMText::ColumnType>(real) : c.type; break;
        case 76: c.count = static_cast<int>(std::clamp(real, 0.0, double(kMaxColumns))); break;
        case 78: c.flowReversed = real != 0; break;
        case 79: c.autoHeight = real != 0; break;
        case 48: c.width = finiteSize(real); break;
        case 49: c.gutter = finiteSize(real); break;
        case 46: c.height = finiteSize(real); break;
        case 50:
            for (const resbuf* h = value->rbnext; h && h->restype == 1040 && c.heights.size() < std::min(real, double(kMaxColumns));
                 h = h->rbnext)
                c.heights.push_back(finiteSize(h->resval.rreal));
            break;
        default: break;
        }
        rb = value;
    }
}

// The values of the text's own pairs that no field reads, and of its embedded object.
struct KeptValues {
    AcDbMText::Columns columns;
    double factor = 1;
    int style = 1;
    bool embedded = false;
};

KeptValues keptValues(const qv::dxf::TagList* kept)
{
    KeptValues v;
    if (kept)
        for (const qv::dxf::Tag& tag : *kept) {
            v.embedded = v.embedded || tag.code == 101;
            readKeptPair(tag, v.embedded, v.columns, v.factor, v.style);
        }
    return v;
}

} // namespace

double AcDbMText::lineSpacingFactor() const
{
    const double factor = keptValues(keptPairs()).factor;
    return std::isfinite(factor) ? std::clamp(factor, 0.25, 4.0) : 1;
}

int AcDbMText::lineSpacingStyle() const { return keptValues(keptPairs()).style == 2 ? 2 : 1; }

AcDbMText::Columns AcDbMText::columns() const
{
    KeptValues v = keptValues(keptPairs());
    Columns& c = v.columns;
    const bool embedded = v.embedded;
    if (!embedded) {
        resbuf* xdata = xData("ACAD");
        readColumnXData(xdata, c);
        acutRelRb(xdata);
    }
    if (c.type != kNoColumns && !(c.width > 0))
        c.type = kNoColumns;
    return c;
}

Acad::ErrorStatus AcDbMText::transformBy(const AcGeMatrix3d& m)
{
    if (const Acad::ErrorStatus es = checkTransform(m); es != Acad::eOk)
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
    // An estimate from the longest line's characters, within the text's width when it has
    // one, and the lines 5/3 of the height apart: the font's outlines are not modelled.
    const TextLines lines = textLines(m_contents);
    const double estimate = m_height * 0.7 * static_cast<double>(lines.longest);
    const double width = m_width > 0 ? std::min(m_width, estimate) : estimate;
    const double height = m_height * (1 + 5.0 / 3 * static_cast<double>(lines.count - 1));
    const int column = (m_attachment - 1) % 3, row = (m_attachment - 1) / 3;
    const AcGeVector3d x = m_direction.normal(), y = m_normal.crossProduct(x);
    const AcGePoint3d origin = m_location - x * (width * column / 2.0) - y * (height * (2 - row) / 2.0);
    extents = textBox(origin, m_normal, rotation(), width, height);
    return Acad::eOk;
}

const FieldTable& AcDbMText::dxfTable() const
{
    static const FieldTable table({dxfFields(), {
        subclass("AcDbMText"),
        point<&AcDbMText::m_location>(10),
        real<&AcDbMText::m_height>(40),
        real<&AcDbMText::m_width>(41).omitting(0),
        integer<&AcDbMText::m_attachment>(71).range(kTopLeft, kBottomRight),
        integer<&AcDbMText::m_flowDirection>(72).omitting(0),
        // Long contents come in 250-byte pieces (3) before the last piece (1); they are
        // cut between UTF-8 characters.
        value({3, 1},
              [](AcRxObject& o, const Field&, const Pair& p, FieldContext&) {
                  static_cast<AcDbMText&>(o).m_contents += p.value;
                  return true;
              },
              [](const AcRxObject& o, const Field&, Writer& out) {
                  const std::string& contents = static_cast<const AcDbMText&>(o).m_contents;
                  size_t pos = 0;
                  while (contents.size() - pos > 250) {
                      size_t n = 250;
                      while (n > 0 && (static_cast<unsigned char>(contents[pos + n]) & 0xC0) == 0x80)
                          --n;
                      out.text(3, std::string_view(contents).substr(pos, n));
                      pos += n;
                  }
                  out.text(1, std::string_view(contents).substr(pos));
              }),
        sharedName<&AcDbMText::m_style>(7),
        extrusion<&AcDbMText::m_normal>(210),
        vector<&AcDbMText::m_direction>(11),
        value({50},
              [](AcRxObject& o, const Field&, const Pair& p, FieldContext& c) {
                  auto& m = static_cast<AcDbMText&>(o);
                  m.m_rotationRead = c.real(p) * kDegree;
                  m.m_rotationGiven = true;
                  return true;
              },
              nullptr),
    }});
    return table;
}

void AcDbMText::dxfInEnd()
{
    m_normal = qv::unitNormal(m_normal);
    if (m_rotationGiven)
        m_direction = qv::ocsDirection(m_rotationRead, m_normal);
    m_direction = qv::unitVector(m_direction, qv::ocsXAxis(m_normal));
}
