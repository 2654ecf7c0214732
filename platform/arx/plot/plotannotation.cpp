#include "plotannotation.h"

#include "arx/dbblockref.h"
#include "arx/dbdatabase.h"
#include "arx/dbentity.h"
#include "arx/dbsymtb.h"
#include "arx/dbtext.h"
#include "arx/dxfnumber.h"
#include "arx/dxftaglist.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>

namespace qv {

namespace {

using dxf::Tag;

constexpr double kDefaultArrowSize = 0.18;   // DIMASZ of a drawing without dimension styles
constexpr int kCapSteps = 16;                // chords of a multiline's round cap
constexpr int kSplineSteps = 16;             // chords of a spline leader between two vertices
constexpr size_t kMaxMLineElements = 16;     // elements a multiline style may have

// The kept pairs of one subclass: those after its marker up to the next marker, or all of
// them when the marker is not among them (records without markers).
std::span<const Tag> subclassTags(const AcDbObject* object, std::string_view subclass)
{
    const dxf::TagList* tags = object ? object->keptPairs() : nullptr;
    if (!tags)
        return {};
    const auto isMarker = [](const Tag& t) { return t.code == 100; };
    const Tag* marker = std::find_if(tags->begin(), tags->end(),
                                     [&](const Tag& t) { return isMarker(t) && t.value() == subclass; });
    if (marker == tags->end())
        return {tags->begin(), tags->end()};
    return {marker + 1, std::find_if(marker + 1, tags->end(), isMarker)};
}

bool real(const Tag& t, double& value)
{
    double read = 0;
    if (!dxf::parseReal(t.value(), read) || !std::isfinite(read))
        return false;
    value = read;
    return true;
}

long long integer(const Tag& t, long long fallback = 0)
{
    long long read = 0;
    return dxf::parseInt(t.value(), read) ? read : fallback;
}

// The point whose x is tags[i], y and z from the pairs after it (z may be missing); i ends
// on the last pair read.
bool readPoint(std::span<const Tag> tags, size_t& i, AcGePoint3d& p)
{
    const int code = tags[i].code;
    AcGePoint3d read;
    if (i + 1 >= tags.size() || tags[i + 1].code != code + 10 || !real(tags[i], read.x) || !real(tags[i + 1], read.y))
        return false;
    ++i;
    if (i + 1 < tags.size() && tags[i + 1].code == code + 20 && !real(tags[++i], read.z))
        return false;
    p = read;
    return true;
}

AcGeVector3d normalOf(const AcGePoint3d& p)
{
    const AcGeVector3d v = p.asVector();
    return v.isZeroLength() ? AcGeVector3d::kZAxis : v.normal();
}

AcDbObjectId idOfHandle(const AcDbObject* from, std::string_view handle)
{
    AcDbObjectId id;
    AcDbDatabase* db = from->database();
    if (db && !handle.empty())
        db->getAcDbObjectId(id, false, AcDbHandle(std::string(handle)));
    return id;
}

// The block record a handle names; null when it names none or something else.
AcDbObjectId blockOfHandle(const AcDbObject* from, std::string_view handle)
{
    const AcDbObjectId id = idOfHandle(from, handle);
    return AcDbBlockTableRecord::cast(id.object()) ? id : AcDbObjectId();
}

AcDbObjectId blockNamed(const AcDbObject* from, std::string_view name)
{
    AcDbDatabase* db = from->database();
    const auto* blocks = db ? AcDbBlockTable::cast(db->blockTableId().object()) : nullptr;
    AcDbObjectId id;
    if (name.empty() || !blocks || blocks->getAt(std::string(name).c_str(), id) != Acad::eOk)
        return {};
    return id;
}

// A colour as multileaders store it: the method in the high byte, then the index or RGB.
AcCmColor rawColour(long long raw)
{
    AcCmColor colour;
    const long long method = (raw >> 24) & 0xFF;
    if (method == AcCmEntityColor::kByColor)
        colour.setRGB(static_cast<Adesk::UInt8>(raw >> 16), static_cast<Adesk::UInt8>(raw >> 8),
                      static_cast<Adesk::UInt8>(raw));
    else if (method == AcCmEntityColor::kByACI && (raw & 0xFF) > 0)
        colour.setColorIndex(static_cast<Adesk::UInt16>(raw & 0xFF));
    else
        colour.setColorMethod(method == AcCmEntityColor::kByLayer ? AcCmEntityColor::kByLayer
                                                                   : AcCmEntityColor::kByBlock);
    return colour;
}

// The numbers of an entity's dimension style by group code, as the entity's own overrides
// (the dimension style data of its XData) change them, and the block of its leader arrows.
struct DimStyle {
    std::unordered_map<int, double> values;
    std::string leaderBlock;   // DIMLDRBLK's handle
    double get(int code, double fallback) const
    {
        const auto it = values.find(code);
        return it == values.end() ? fallback : it->second;
    }
    double scale() const { return get(40, 1) > 0 ? get(40, 1) : 1; }   // none (0) is paper space's: one
};

DimStyle dimStyleOf(const AcDbProxyEntity* entity, std::string_view name)
{
    DimStyle style;
    AcDbDatabase* db = entity->database();
    const auto* styles = db ? AcDbDimStyleTable::cast(db->dimStyleTableId().object()) : nullptr;
    AcDbObjectId id;
    double value = 0;
    // A style that is not there stands for the drawing's standard one.
    if (styles
        && (styles->getAt(std::string(name).c_str(), id) == Acad::eOk || styles->getAt("Standard", id) == Acad::eOk))
        for (const Tag& t : subclassTags(id.object(), "AcDbDimStyleTableRecord")) {
            if (t.code == 341)
                style.leaderBlock = t.value();
            else if (t.code >= 40 && t.code < 300 && real(t, value))
                style.values[t.code] = value;
        }
    if (resbuf* xdata = entity->xData("ACAD")) {
        // Pairs of a group code (1070) and its value, after the data's name and brace.
        for (const resbuf* rb = xdata; rb && rb->rbnext; rb = rb->rbnext) {
            const resbuf* v = rb->rbnext;
            if (rb->restype != 1070)
                continue;
            const int code = rb->resval.rint;
            rb = v;
            if (v->restype == 1040 && std::isfinite(v->resval.rreal))
                style.values[code] = v->resval.rreal;
            else if (v->restype == 1070)
                style.values[code] = v->resval.rint;
            else if (code == 341 && v->restype == 1005 && v->resval.rstring)
                style.leaderBlock = v->resval.rstring;
        }
        acutRelRb(xdata);
    }
    return style;
}

// A dimension's measurement as its style writes it (DIMDEC decimals, DIMZIN's trailing zeros,
// DIMDSEP's separator), put in its text where that has "<>" or is empty.
std::string dimensionText(const DimStyle& style, double measurement, std::string_view text)
{
    const int decimals = static_cast<int>(std::clamp(style.get(271, 4), 0.0, 8.0));
    std::string number(64, '\0');
    const int written = std::snprintf(number.data(), number.size(), "%.*f", decimals, measurement);
    number.resize(static_cast<size_t>(std::clamp(written, 0, 63)));
    const auto zeros = static_cast<int>(std::clamp(style.get(78, 0), 0.0, 15.0));
    if ((zeros & 8) && number.find('.') != std::string::npos) {
        number.erase(number.find_last_not_of('0') + 1);
        if (number.back() == '.')
            number.pop_back();
    }
    const double separator = style.get(278, '.');
    if (separator > ' ' && separator < 127)
        std::replace(number.begin(), number.end(), '.', static_cast<char>(separator));
    const size_t at = text.find("<>");
    if (!std::isfinite(measurement) && (text.empty() || at != std::string_view::npos))
        return {};   // points too far apart to measure
    if (text.empty())
        return number;
    return at == std::string_view::npos ? std::string(text)
                                        : std::string(text.substr(0, at)) + number + std::string(text.substr(at + 2));
}

// What a multileader's context holds besides its leaders: the content and its scales.
struct MLeaderContext {
    double scale = 1, textHeight = 0, textWidth = 0, blockRotation = 0, arrowSize = kDefaultArrowSize;
    bool hasText = false, hasBlock = false;
    std::string_view text, block;
    AcGePoint3d textNormal{0, 0, 1}, textAt, textDirection{1, 0, 0}, blockNormal{0, 0, 1}, blockAt, blockScale{1, 1, 1};
    long long attachment = 1, textColour = static_cast<long long>(AcCmEntityColor::kByBlock) << 24;
};

// One leader of a multileader: its lines, from their arrowheads to where they meet, and the
// landing on from there.
struct MLeaderBranch {
    std::vector<PlotAnnotation::Polyline> lines;
    std::optional<AcGePoint3d> last;
    AcGeVector3d dogleg = AcGeVector3d::kXAxis;
    double doglegLength = 0;
    bool horizontal = true;   // beside the content, with a landing (not above or below it)
};

void readContextPair(std::span<const Tag> tags, size_t& i, MLeaderContext& c)
{
    const Tag& t = tags[i];
    AcGePoint3d* const points[] = {&c.textNormal, &c.textAt, &c.textDirection, &c.blockNormal, &c.blockAt, &c.blockScale};
    AcGePoint3d p;
    switch (t.code) {
    case 11: case 12: case 13: case 14: case 15: case 16:
        if (readPoint(tags, i, p))
            *points[t.code - 11] = p;
        break;
    case 40: real(t, c.scale); break;
    case 41: real(t, c.textHeight); break;
    case 43: real(t, c.textWidth); break;
    case 46: real(t, c.blockRotation); break;
    case 140: real(t, c.arrowSize); break;
    case 90: c.textColour = integer(t, c.textColour); break;
    case 171: c.attachment = integer(t, 1); break;
    case 290: c.hasText = integer(t) != 0; break;
    case 296: c.hasBlock = integer(t) != 0; break;
    case 304: c.text = t.value(); break;
    case 341: c.block = t.value(); break;
    default: break;
    }
}

void readBranchPair(std::span<const Tag> tags, size_t& i, MLeaderBranch& b)
{
    const Tag& t = tags[i];
    AcGePoint3d p;
    if (t.code == 10 && readPoint(tags, i, p))
        b.last = p;
    else if (t.code == 11 && readPoint(tags, i, p) && !p.asVector().isZeroLength())
        b.dogleg = p.asVector().normal();
    else if (t.code == 40)
        real(t, b.doglegLength);
    else if (t.code == 271)
        b.horizontal = integer(t) == 0;
}

std::unique_ptr<AcDbMText> contentText(const MLeaderContext& c)
{
    auto text = std::make_unique<AcDbMText>();
    text->setNormal(normalOf(c.textNormal));
    text->setRotation(angleInOcs(c.textDirection.asVector(), text->normal()));
    text->setLocation(c.textAt);
    text->setTextHeight(c.textHeight);   // refused when not positive: the default height
    text->setWidth(c.textWidth * c.scale);
    text->setAttachment(static_cast<AcDbMText::AttachmentPoint>(std::clamp<long long>(c.attachment, 1, 9)));
    text->setContents(std::string(c.text).c_str());
    text->setColor(rawColour(c.textColour));
    return text;
}

// A smooth curve through the vertices (a Catmull-Rom spline), as spline leaders show.
PlotAnnotation::Polyline smoothed(const PlotAnnotation::Polyline& vertices)
{
    if (vertices.size() < 3)
        return vertices;
    PlotAnnotation::Polyline curve{vertices.front()};
    for (size_t i = 0; i + 1 < vertices.size(); ++i) {
        const AcGePoint3d& p1 = vertices[i];
        const AcGePoint3d& p2 = vertices[i + 1];
        const AcGePoint3d& p0 = i > 0 ? vertices[i - 1] : p1;
        const AcGePoint3d& p3 = i + 2 < vertices.size() ? vertices[i + 2] : p2;
        const AcGeVector3d m1 = (p2 - p0) * 0.5, m2 = (p3 - p1) * 0.5;
        for (int k = 1; k <= kSplineSteps; ++k) {
            const double t = static_cast<double>(k) / kSplineSteps, t2 = t * t, t3 = t2 * t;
            curve.push_back(p1 + (p2 - p1) * (3 * t2 - 2 * t3) + m1 * (t3 - 2 * t2 + t) + m2 * (t3 - t2));
        }
    }
    return curve;
}

// A multiline style's element offsets (half a unit either side when it is missing) and flags.
struct MLineStyle {
    enum { kMiters = 2, kStartSquare = 16, kStartRound = 64, kEndSquare = 256, kEndRound = 1024 };
    std::vector<double> offsets;
    long long flags = 0;
};

MLineStyle mlineStyle(const AcDbObject* record)
{
    MLineStyle style;
    double offset = 0;
    for (const Tag& t : subclassTags(record, "AcDbMlineStyle")) {
        if (t.code == 49 && real(t, offset))
            style.offsets.push_back(offset);
        else if (t.code == 70)
            style.flags = integer(t);
    }
    if (style.offsets.empty())
        style.offsets = {0.5, -0.5};
    return style;
}

// A multiline's vertex: where each element crosses its miter, as distances along it from the
// vertex (a missing one is the style's offset).
struct MLineVertex {
    AcGePoint3d at;
    AcGeVector3d miter;
    std::vector<std::optional<double>> along;
};

// A half circle from a to b bulging out toward outward.
PlotAnnotation::Polyline roundCap(const AcGePoint3d& a, const AcGePoint3d& b, const AcGeVector3d& outward)
{
    const double radius = (b - a).length() / 2;
    if (!(radius > 0) || outward.isZeroLength())
        return {};
    const AcGePoint3d centre = a + (b - a) * 0.5;
    const AcGeVector3d u = (a - centre).normal(), v = outward.normal();
    PlotAnnotation::Polyline arc;
    for (int i = 0; i <= kCapSteps; ++i) {
        const double t = kPi * i / kCapSteps;
        arc.push_back(centre + u * (radius * std::cos(t)) + v * (radius * std::sin(t)));
    }
    return arc;
}

// The lines of a multiline's elements, with the style's miters and caps.
std::vector<PlotAnnotation::Polyline> mlineLines(const std::vector<MLineVertex>& vertices, const MLineStyle& style,
                                                 double scale, long long justification, long long flags)
{
    using Polyline = PlotAnnotation::Polyline;
    std::vector<Polyline> lines;
    // Elements where the file gives none take the style's offsets from the justified line.
    const auto [low, high] = std::minmax_element(style.offsets.begin(), style.offsets.end());
    const double shift = justification == 0 ? -*high : justification == 2 ? -*low : 0;
    size_t count = 0;
    for (const MLineVertex& v : vertices)
        count = std::max(count, v.along.size());
    count = std::min(count == 0 ? style.offsets.size() : count, kMaxMLineElements);
    std::vector<Polyline> elements(count);
    Polyline lowest, highest;   // the outermost elements' points at each vertex
    for (const MLineVertex& v : vertices) {
        double dMin = 0, dMax = 0;
        for (size_t k = 0; k < count; ++k) {
            const std::optional<double> along = k < v.along.size() ? v.along[k] : std::nullopt;
            const double d = along ? *along : k < style.offsets.size() ? (style.offsets[k] + shift) * scale : 0;
            elements[k].push_back(v.at + v.miter * d);
            dMin = k == 0 ? d : std::min(dMin, d), dMax = k == 0 ? d : std::max(dMax, d);
        }
        lowest.push_back(v.at + v.miter * dMin), highest.push_back(v.at + v.miter * dMax);
    }
    const bool closed = flags & 2;
    for (Polyline& element : elements) {
        if (closed)
            element.push_back(element.front());
        lines.push_back(std::move(element));
    }
    const size_t n = vertices.size();
    for (size_t j = closed ? 0 : 1; j + (closed ? 0 : 1) < n && (style.flags & MLineStyle::kMiters); ++j)
        lines.push_back({lowest[j], highest[j]});
    if (closed || n < 2)
        return lines;
    // Caps, unless the multiline leaves out those of its start (4) or end (8).
    for (const bool start : {true, false}) {
        if (flags & (start ? 4 : 8))
            continue;
        const size_t at = start ? 0 : n - 1, next = start ? 1 : n - 2;
        if (style.flags & (start ? MLineStyle::kStartSquare : MLineStyle::kEndSquare))
            lines.push_back({lowest[at], highest[at]});
        if (style.flags & (start ? MLineStyle::kStartRound : MLineStyle::kEndRound))
            lines.push_back(roundCap(lowest[at], highest[at], vertices[at].at - vertices[next].at));
    }
    return lines;
}

// A multileader as its pairs give it: the entity's own settings, then its context section,
// which nests the leaders, each of them its lines.
struct MLeader {
    MLeaderContext context;
    std::vector<MLeaderBranch> branches;
    long long leaderType = 1;   // 0 none, 1 straight, 2 spline
    bool dogleg = true;
    std::string_view arrow, styleBlock;
};

MLeader readMLeaderTags(std::span<const Tag> tags)
{
    MLeader m;
    enum { kEntity, kContext, kBranch, kLine } level = kEntity;
    for (size_t i = 0; i < tags.size(); ++i) {
        const Tag& t = tags[i];
        AcGePoint3d p;
        if (level == kEntity) {
            if (t.code == 300)
                level = kContext;
            else if (t.code == 170)
                m.leaderType = integer(t, 1);
            else if (t.code == 291)
                m.dogleg = integer(t, 1) != 0;
            else if (t.code == 342)
                m.arrow = t.value();
            else if (t.code == 344)
                m.styleBlock = t.value();
        } else if (level == kContext) {
            if (t.code == 301)
                level = kEntity;
            else if (t.code == 302)
                level = kBranch, m.branches.emplace_back();
            else
                readContextPair(tags, i, m.context);
        } else if (level == kBranch) {
            if (t.code == 303)
                level = kContext;
            else if (t.code == 304)
                level = kLine, m.branches.back().lines.emplace_back();
            else
                readBranchPair(tags, i, m.branches.back());
        } else if (t.code == 305) {
            level = kBranch;
        } else if (t.code == 10 && readPoint(tags, i, p)) {
            m.branches.back().lines.back().push_back(p);
        }
    }
    return m;
}

} // namespace

PlotAnnotation::PlotAnnotation(const AcDbProxyEntity* entity) : m_entity(entity)
{
    const std::string_view type = entity->dxfName();
    if (type == "DIMENSION")
        readDimension();
    else if (type == "ACAD_TABLE")
        readTable();
    else if (type == "LEADER")
        readLeader();
    else if (type == "MULTILEADER" || type == "MLEADER")
        readMLeader();
    else if (type == "MLINE")
        readMLine();
    // A part whose numbers overflowed on the way (huge scales) is left out.
    const auto spoilt = [](const Polyline& line) {
        return std::any_of(line.begin(), line.end(), [](const AcGePoint3d& p) {
            return !std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z);
        });
    };
    std::erase_if(m_lines, spoilt);
    std::erase_if(m_fills, spoilt);
}

PlotAnnotation::~PlotAnnotation() = default;

AcDbExtents PlotAnnotation::extents() const
{
    AcDbExtents box;
    for (const auto* parts : {&m_lines, &m_fills})
        for (const Polyline& line : *parts)
            for (const AcGePoint3d& p : line)
                box.addPoint(p);
    AcDbExtents e;
    for (const auto& text : m_texts)
        if (text->getGeomExtents(e) == Acad::eOk)
            box.addExt(e);
    for (const auto& block : m_blocks)
        if (block->getGeomExtents(e) == Acad::eOk)
            box.addExt(e);
    return box;
}

void PlotAnnotation::addBlock(AcDbObjectId block, const AcGePoint3d& position, const AcGeVector3d& normal,
                              double rotation, const AcGeScale3d& scale)
{
    auto ref = std::make_unique<AcDbBlockReference>(AcGePoint3d::kOrigin, block);
    ref->setNormal(normal);
    ref->setPosition(position);
    ref->setRotation(rotation);
    ref->setScaleFactors(scale);   // refused when degenerate: the block then shows unscaled
    m_blocks.push_back(std::move(ref));
}

void PlotAnnotation::addArrow(const AcGePoint3d& tip, const AcGePoint3d& next, double size, AcDbObjectId block)
{
    const AcGeVector3d along = next - tip;
    if (!(size > 0) || along.isZeroLength())
        return;
    const AcGeVector3d d = along.normal();
    if (!block.isNull()) {
        // Arrow blocks have their tip at the origin and point along their x axis.
        addBlock(block, tip, AcGeVector3d::kZAxis, std::atan2(d.y, d.x) + kPi, AcGeScale3d(size));
        return;
    }
    const AcGeVector3d across = AcGeVector3d::kZAxis.crossProduct(d) * (size / 6);
    m_fills.push_back({tip, tip + d * size + across, tip + d * size - across});
}

void PlotAnnotation::readTable()
{
    // A table's graphics are its anonymous block, placed as a reference to it would be.
    const AcDbObjectId block = blockNamed(m_entity, m_entity->storedText(2, "AcDbBlockReference"));
    if (block.isNull())
        return;
    AcGePoint3d position, normal(0, 0, 1), direction(1, 0, 0);
    m_entity->storedPoint(10, position, "AcDbBlockReference");
    m_entity->storedPoint(210, normal);
    m_entity->storedPoint(11, direction, "AcDbTable");
    AcGeScale3d scale(1, 1, 1);
    m_entity->storedReal(41, scale.sx, "AcDbBlockReference");
    m_entity->storedReal(42, scale.sy, "AcDbBlockReference");
    m_entity->storedReal(43, scale.sz, "AcDbBlockReference");
    const AcGeVector3d n = normalOf(normal);
    const AcGeVector3d along = AcGeMatrix3d::worldToPlane(n).transform(direction.asVector());
    addBlock(block, AcGeMatrix3d::planeToWorld(n).transform(position), n, std::atan2(along.y, along.x), scale);
}

void PlotAnnotation::readDimension()
{
    // The dimension's block holds its lines, arrowheads and text where they show; clones
    // made by baseline and continued dimensions move it to their insertion point.
    const AcDbObjectId block = blockNamed(m_entity, m_entity->storedText(2, "AcDbDimension"));
    if (block.isNull()) {
        readDimensionPoints();
        return;
    }
    AcGePoint3d insert, normal(0, 0, 1);
    m_entity->storedPoint(12, insert, "AcDbDimension");
    m_entity->storedPoint(210, normal);
    addBlock(block, AcGeMatrix3d::planeToWorld(normalOf(normal)).transform(insert), AcGeVector3d::kZAxis, 0,
             AcGeScale3d(1));
}

void PlotAnnotation::readDimensionPoints()
{
    double type = 0, angle = 0;
    AcGePoint3d definition, textAt, first, second, curve;
    m_entity->storedReal(70, type, "AcDbDimension");
    m_entity->storedReal(50, angle);
    const bool hasText = m_entity->storedPoint(11, textAt, "AcDbDimension");
    if (!m_entity->storedPoint(10, definition, "AcDbDimension"))
        return;
    const DimStyle style = dimStyleOf(m_entity, m_entity->storedText(3, "AcDbDimension"));
    const double scale = style.scale(), arrow = style.get(41, kDefaultArrowSize) * scale;
    const double tick = style.get(142, 0) * scale, height = style.get(140, 0.18) * scale;
    const std::string_view text = m_entity->storedText(1, "AcDbDimension");
    const auto kind = static_cast<int>(std::clamp(type, 0.0, 255.0)) & 7;
    if ((kind == 0 || kind == 1) && m_entity->storedPoint(13, first) && m_entity->storedPoint(14, second)) {
        // The dimension line through the definition point, along the rotation or the points.
        const AcGeVector3d span = second - first;
        const AcGeVector3d u = kind == 1 && !span.isZeroLength()
            ? span.normal()
            : AcGeVector3d(std::cos(angle * kPi / 180), std::sin(angle * kPi / 180), 0);
        const AcGePoint3d a = definition + u * (first - definition).dotProduct(u);
        const AcGePoint3d b = definition + u * (second - definition).dotProduct(u);
        const double exo = style.get(42, 0.0625) * scale, exe = style.get(44, 0.18) * scale;
        for (const auto& [origin, foot] : {std::pair{first, a}, std::pair{second, b}})
            if (const AcGeVector3d out = foot - origin; out.length() > exo)
                m_lines.push_back({origin + out.normal() * exo, foot + out.normal() * exe});
        const AcGeVector3d along = b - a;
        if (along.isZeroLength())
            return;
        const AcGeVector3d d = along.normal(), n = AcGeVector3d::kZAxis.crossProduct(d);
        const double extension = tick > 0 ? style.get(46, 0) * scale : 0;
        m_lines.push_back({a - d * extension, b + d * extension});
        for (const auto& [tip, toward] : {std::pair{a, b}, std::pair{b, a}}) {
            if (tick > 0)
                m_lines.push_back({tip - (d + n) * (tick / 2), tip + (d + n) * (tick / 2)});
            else
                addArrow(tip, toward, arrow);
        }
        addDimensionText(dimensionText(style, std::abs(span.dotProduct(u)), text),
                         hasText ? textAt : a + along * 0.5 + n * height, d, height);
    } else if ((kind == 3 || kind == 4) && m_entity->storedPoint(15, curve)) {
        // A diameter between its two points on the curve, a radius from the centre (or from
        // its text outside) to its point on the curve.
        const double measurement = (curve - definition).length();
        const bool outside = kind == 4 && hasText && (textAt - definition).length() > measurement;
        const AcGePoint3d from = outside ? textAt : definition;
        m_lines.push_back({from, curve});
        addArrow(curve, from, arrow);
        if (kind == 3)
            addArrow(definition, curve, arrow);
        const std::string measured = dimensionText(style, measurement, text);
        const std::string prefix = text.empty() && !measured.empty() ? (kind == 4 ? "R" : "\u00d8") : "";
        addDimensionText(prefix + measured,
                         hasText ? textAt : definition + (curve - definition) * 0.5, curve - definition, height);
    }
}

void PlotAnnotation::addDimensionText(const std::string& text, const AcGePoint3d& at, AcGeVector3d along,
                                      double height)
{
    if (text.empty())
        return;
    // Read from below or from the right, never upside down.
    if (along.x < -1e-9 || (std::abs(along.x) <= 1e-9 && along.y < 0))
        along = -along;
    auto mtext = std::make_unique<AcDbMText>();
    mtext->setLocation(at);
    mtext->setRotation(std::atan2(along.y, along.x));
    mtext->setTextHeight(height);
    mtext->setAttachment(AcDbMText::kMiddleCenter);
    mtext->setContents(text.c_str());
    AcCmColor byBlock;
    byBlock.setColorMethod(AcCmEntityColor::kByBlock);
    mtext->setColor(byBlock);
    m_texts.push_back(std::move(mtext));
}

void PlotAnnotation::readLeader()
{
    const std::span<const Tag> tags = subclassTags(m_entity, "AcDbLeader");
    Polyline vertices;
    bool arrow = true, spline = false;
    std::string_view style;
    for (size_t i = 0; i < tags.size(); ++i) {
        AcGePoint3d p;
        if (tags[i].code == 10 && readPoint(tags, i, p))
            vertices.push_back(p);
        else if (tags[i].code == 71)
            arrow = integer(tags[i], 1) != 0;
        else if (tags[i].code == 72)
            spline = integer(tags[i]) == 1;
        else if (tags[i].code == 3)
            style = tags[i].value();
    }
    if (vertices.size() < 2)
        return;
    if (arrow) {
        const DimStyle dimStyle = dimStyleOf(m_entity, style);
        addArrow(vertices[0], vertices[1], dimStyle.get(41, kDefaultArrowSize) * dimStyle.scale(),
                 blockOfHandle(m_entity, dimStyle.leaderBlock));
    }
    m_lines.push_back(spline ? smoothed(vertices) : std::move(vertices));
}

void PlotAnnotation::readMLeader()
{
    MLeader m = readMLeaderTags(subclassTags(m_entity, "AcDbMLeader"));
    const MLeaderContext& context = m.context;
    if (context.hasText && !context.text.empty()) {
        m_texts.push_back(contentText(context));
    } else if (context.hasBlock) {
        const AcDbObjectId block = blockOfHandle(m_entity, context.block.empty() ? m.styleBlock : context.block);
        const AcGePoint3d s = context.blockScale;
        if (!block.isNull())
            addBlock(block, context.blockAt, normalOf(context.blockNormal), context.blockRotation,
                     AcGeScale3d(s.x, s.y, s.z));
    }
    if (m.leaderType == 0)
        return;
    const AcDbObjectId arrowBlock = blockOfHandle(m_entity, m.arrow);
    for (MLeaderBranch& branch : m.branches)
        for (Polyline& line : branch.lines) {
            // On to the point the branch's lines meet, then along the landing (splines have none).
            if (branch.last)
                line.push_back(*branch.last);
            if (branch.last && branch.horizontal && m.dogleg && m.leaderType == 1)
                line.push_back(*branch.last + branch.dogleg * branch.doglegLength);
            if (line.size() < 2)
                continue;
            addArrow(line[0], line[1], context.arrowSize, arrowBlock);
            m_lines.push_back(m.leaderType == 2 ? smoothed(line) : std::move(line));
        }
}

void PlotAnnotation::readMLine()
{
    const std::span<const Tag> tags = subclassTags(m_entity, "AcDbMline");
    std::vector<MLineVertex> vertices;
    double scale = 1;
    long long justification = 0, flags = 0;
    std::string_view styleHandle;
    bool firstParameter = false;   // the next 41 is an element's distance along the miter
    for (size_t i = 0; i < tags.size(); ++i) {
        const Tag& t = tags[i];
        AcGePoint3d p;
        double d = 0;
        if (t.code == 11 && readPoint(tags, i, p))
            vertices.push_back({p, {}, {}}), firstParameter = false;
        else if (t.code == 13 && !vertices.empty() && readPoint(tags, i, p))
            vertices.back().miter = p.asVector();
        else if (t.code == 74 && !vertices.empty())
            vertices.back().along.emplace_back(), firstParameter = integer(t) > 0;
        else if (t.code == 41 && firstParameter && real(t, d))
            vertices.back().along.back() = d, firstParameter = false;
        else if (t.code == 40)
            real(t, scale);
        else if (t.code == 70)
            justification = integer(t);
        else if (t.code == 71)
            flags = integer(t);
        else if (t.code == 340)
            styleHandle = t.value();
    }
    if (vertices.empty())
        return;
    for (Polyline& line : mlineLines(vertices, mlineStyle(idOfHandle(m_entity, styleHandle).object()), scale,
                                     justification, flags))
        if (line.size() >= 2)
            m_lines.push_back(std::move(line));
}

} // namespace qv
