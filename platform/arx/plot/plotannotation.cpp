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

// A dimension's arc: anticlockwise from start through sweep (radians).
struct DimensionArc {
    AcGePoint3d centre;
    double radius = 0, start = 0, sweep = 0;
    AcGePoint3d at(double angle) const { return centre + AcGeVector3d(std::cos(angle), std::sin(angle), 0) * radius; }
};

namespace {

using dxf::Tag;

constexpr double kDefaultArrowSize = 0.18;   // DIMASZ of a drawing without dimension styles
constexpr int kCapSteps = 16;                // chords of a multiline's round cap
constexpr int kSplineSteps = 16;             // chords of a spline leader between two vertices
constexpr size_t kMaxMLineElements = 16;     // elements a multiline style may have
constexpr int kArcSteps = 72;                // chords of a dimension's arc in a full turn

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

// A dimension's measurement as its style writes it (DIMDEC decimals, or DIMADEC's for angles,
// DIMZIN's trailing zeros, DIMDSEP's separator) and its unit, put in its text where that has
// "<>" or is empty.
std::string dimensionText(const DimStyle& style, double measurement, std::string_view text, bool angle = false)
{
    const double angular = angle ? style.get(179, 0) : -1;   // DIMADEC -1 takes DIMDEC
    const int decimals = static_cast<int>(std::clamp(angular >= 0 ? angular : style.get(271, 4), 0.0, 8.0));
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
    if (angle)
        number += "\u00b0";
    const size_t at = text.find("<>");
    if (!std::isfinite(measurement) && (text.empty() || at != std::string_view::npos))
        return {};   // points too far apart to measure
    if (text.empty())
        return number;
    return at == std::string_view::npos ? std::string(text)
                                        : std::string(text.substr(0, at)) + number + std::string(text.substr(at + 2));
}

double angleOf(const AcGeVector3d& v) { return std::atan2(v.y, v.x); }

// The angle turned anticlockwise from one direction to another, in [0, 2 pi).
double turn(double from, double to)
{
    const double a = std::fmod(to - from, 2 * kPi);
    return a < 0 ? a + 2 * kPi : a;
}

// The arc about a centre from one point's direction to another's, on the side that holds
// through and as far from the centre; none when a point is at the centre.
std::optional<DimensionArc> arcThrough(const AcGePoint3d& centre, const AcGePoint3d& first, const AcGePoint3d& second,
                                       const AcGePoint3d& through)
{
    if ((first - centre).isZeroLength() || (second - centre).isZeroLength() || (through - centre).isZeroLength())
        return std::nullopt;
    const double a = angleOf(first - centre), b = angleOf(second - centre), at = angleOf(through - centre);
    const double radius = (through - centre).length();
    if (turn(a, at) <= turn(a, b))
        return DimensionArc{centre, radius, a, turn(a, b)};
    return DimensionArc{centre, radius, b, turn(b, a)};
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

AcCmColor byBlock()
{
    AcCmColor colour;
    colour.setColorMethod(AcCmEntityColor::kByBlock);
    return colour;
}

// A multiline style's element offsets (half a unit either side when it is missing), their
// colours (the multiline's own where the style gives none) and the style's flags.
struct MLineStyle {
    enum { kMiters = 2, kStartSquare = 16, kStartRound = 64, kEndSquare = 256, kEndRound = 1024 };
    std::vector<double> offsets;
    std::vector<AcCmColor> colours;
    long long flags = 0;
    AcCmColor colour(size_t element) const { return element < colours.size() ? colours[element] : byBlock(); }
};

// A colour index as group 62 gives it: 0 by block, 256 by layer.
AcCmColor indexColour(long long index)
{
    AcCmColor colour = byBlock();
    if (index == 256)
        colour.setColorMethod(AcCmEntityColor::kByLayer);
    else if (index > 0 && index < 256)
        colour.setColorIndex(static_cast<Adesk::UInt16>(index));
    return colour;
}

MLineStyle mlineStyle(const AcDbObject* record)
{
    MLineStyle style;
    double offset = 0;
    for (const Tag& t : subclassTags(record, "AcDbMlineStyle")) {
        if (t.code == 49 && real(t, offset))
            style.offsets.push_back(offset), style.colours.push_back(byBlock());
        else if (t.code == 62 && !style.colours.empty())   // an element's (the one before is the fill's)
            style.colours.back() = indexColour(integer(t));
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

// The lines of a multiline: its elements', then the style's miters and caps.
struct MLineParts {
    std::vector<PlotAnnotation::Polyline> elements, joints;
};

MLineParts mlineLines(const std::vector<MLineVertex>& vertices, const MLineStyle& style, double scale,
                      long long justification, long long flags)
{
    using Polyline = PlotAnnotation::Polyline;
    MLineParts parts;
    std::vector<Polyline>& lines = parts.joints;
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
    for (Polyline& element : elements)
        if (closed)
            element.push_back(element.front());
    parts.elements = std::move(elements);
    const size_t n = vertices.size();
    for (size_t j = closed ? 0 : 1; j + (closed ? 0 : 1) < n && (style.flags & MLineStyle::kMiters); ++j)
        lines.push_back({lowest[j], highest[j]});
    if (closed || n < 2)
        return parts;
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
    return parts;
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

// What a dimension drawn from its points takes from its style and its common pairs.
struct DimensionLook {
    DimStyle style;
    AcGePoint3d definition;
    std::optional<AcGePoint3d> textAt;
    std::string_view text;
    double arrow = 0, tick = 0, height = 0;
    double offset = 0, beyond = 0;   // extension lines' gap from their origin and reach past the dimension line
};

namespace {

// A radius's or a diameter's measurement after its symbol, unless the dimension gives a text.
std::string radialText(const DimensionLook& look, double measurement, const char* symbol)
{
    const std::string measured = dimensionText(look.style, measurement, look.text);
    return look.text.empty() && !measured.empty() ? symbol + measured : measured;
}

} // namespace

PlotAnnotation::PlotAnnotation(const AcDbProxyEntity* entity) : m_entity(entity)
{
    const std::string_view type = entity->dxfName();
    if (type == "DIMENSION" || type == "ARC_DIMENSION" || type == "LARGE_RADIAL_DIMENSION")
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
    std::erase_if(m_colouredLines, [&](const ColouredLine& line) { return spoilt(line.points); });
}

PlotAnnotation::~PlotAnnotation() = default;

AcDbExtents PlotAnnotation::lineExtents() const
{
    AcDbExtents box;
    for (const auto* parts : {&m_lines, &m_fills})
        for (const Polyline& line : *parts)
            for (const AcGePoint3d& p : line)
                box.addPoint(p);
    for (const ColouredLine& line : m_colouredLines)
        for (const AcGePoint3d& p : line.points)
            box.addPoint(p);
    return box;
}

AcDbExtents PlotAnnotation::extents() const
{
    AcDbExtents box = lineExtents(), e;
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
    DimensionLook look;
    double type = 0;
    AcGePoint3d textAt;
    m_entity->storedReal(70, type, "AcDbDimension");
    if (m_entity->storedPoint(11, textAt, "AcDbDimension"))
        look.textAt = textAt;
    if (!m_entity->storedPoint(10, look.definition, "AcDbDimension"))
        return;
    look.style = dimStyleOf(m_entity, m_entity->storedText(3, "AcDbDimension"));
    const double scale = look.style.scale();
    look.arrow = look.style.get(41, kDefaultArrowSize) * scale;
    look.tick = look.style.get(142, 0) * scale;
    look.height = look.style.get(140, 0.18) * scale;
    look.offset = look.style.get(42, 0.0625) * scale;
    look.beyond = look.style.get(44, 0.18) * scale;
    look.text = m_entity->storedText(1, "AcDbDimension");
    const std::string_view name = m_entity->dxfName();
    if (name == "ARC_DIMENSION")
        addArcLengthDimension(look);
    else if (name == "LARGE_RADIAL_DIMENSION")
        addJoggedRadius(look);
    else
        addDimensionOfType(look, static_cast<int>(std::clamp(type, 0.0, 255.0)));
}

void PlotAnnotation::addDimensionOfType(const DimensionLook& look, int type)
{
    AcGePoint3d first, second, third, fourth;
    switch (type & 7) {
    case 0: case 1:
        if (m_entity->storedPoint(13, first) && m_entity->storedPoint(14, second))
            addLinearDimension(look, first, second, (type & 7) == 1);
        break;
    case 2:
        // The first line through 13 and 14, the second through 15 and the definition point; the
        // arc through 16.
        if (m_entity->storedPoint(13, first) && m_entity->storedPoint(14, second) && m_entity->storedPoint(15, third)
            && m_entity->storedPoint(16, fourth))
            addTwoLineAngle(look, {first, second}, {third, look.definition}, fourth);
        break;
    case 3: case 4:
        if (m_entity->storedPoint(15, first))
            addRadialDimension(look, first, (type & 7) == 3);
        break;
    case 5:
        // The angle at 15 between 13 and 14, its arc through the definition point.
        if (m_entity->storedPoint(13, first) && m_entity->storedPoint(14, second) && m_entity->storedPoint(15, third))
            if (const auto arc = arcThrough(third, first, second, look.definition)) {
                addExtensionOff(look, {third, first}, arc->at(angleOf(first - third)));
                addExtensionOff(look, {third, second}, arc->at(angleOf(second - third)));
                addDimensionArc(look, *arc, dimensionText(look.style, arc->sweep * 180 / kPi, look.text, true));
            }
        break;
    case 6:
        if (m_entity->storedPoint(13, first) && m_entity->storedPoint(14, second))
            addOrdinateDimension(look, first, second, type & 64);
        break;
    default:
        break;
    }
}

void PlotAnnotation::addLinearDimension(const DimensionLook& look, const AcGePoint3d& first,
                                        const AcGePoint3d& second, bool aligned)
{
    // The dimension line through the definition point, along the rotation or the points.
    double angle = 0;
    m_entity->storedReal(50, angle);
    const AcGeVector3d span = second - first;
    const AcGeVector3d u = aligned && !span.isZeroLength()
        ? span.normal()
        : AcGeVector3d(std::cos(angle * kPi / 180), std::sin(angle * kPi / 180), 0);
    const AcGePoint3d a = look.definition + u * (first - look.definition).dotProduct(u);
    const AcGePoint3d b = look.definition + u * (second - look.definition).dotProduct(u);
    addExtensionLine(look, first, a);
    addExtensionLine(look, second, b);
    const AcGeVector3d along = b - a;
    if (along.isZeroLength())
        return;
    const AcGeVector3d d = along.normal(), n = AcGeVector3d::kZAxis.crossProduct(d);
    const double extension = look.tick > 0 ? look.style.get(46, 0) * look.style.scale() : 0;
    m_lines.push_back({a - d * extension, b + d * extension});
    addDimensionEnd(look, a, b);
    addDimensionEnd(look, b, a);
    addDimensionText(dimensionText(look.style, std::abs(span.dotProduct(u)), look.text),
                     look.textAt.value_or(a + along * 0.5 + n * look.height), d, look.height);
}

void PlotAnnotation::addRadialDimension(const DimensionLook& look, const AcGePoint3d& curve, bool diameter)
{
    // A diameter between its two points on the curve, a radius from the centre (or from its
    // text outside) to its point on the curve.
    const AcGePoint3d& definition = look.definition;
    const double measurement = (curve - definition).length();
    const bool outside = !diameter && look.textAt && (*look.textAt - definition).length() > measurement;
    const AcGePoint3d from = outside ? *look.textAt : definition;
    m_lines.push_back({from, curve});
    addArrow(curve, from, look.arrow);
    if (diameter)
        addArrow(definition, curve, look.arrow);
    addDimensionText(radialText(look, measurement, diameter ? "\u00d8" : "R"),
                     look.textAt.value_or(definition + (curve - definition) * 0.5), curve - definition, look.height);
}

void PlotAnnotation::addJoggedRadius(const DimensionLook& look)
{
    // From the centre shown (14) parallel to the radius, across the jog (15) onto the radius
    // itself, and along it to its point on the curve (13) of the centre (the definition point).
    AcGePoint3d curve, shown, jog;
    if (!m_entity->storedPoint(13, curve) || !m_entity->storedPoint(14, shown) || !m_entity->storedPoint(15, jog))
        return;
    const AcGeVector3d radius = curve - look.definition;
    if (radius.isZeroLength())
        return;
    const AcGeVector3d u = radius.normal();
    const AcGePoint3d onRadius = look.definition + u * (jog - look.definition).dotProduct(u);
    m_lines.push_back({shown, shown + u * (jog - shown).dotProduct(u), jog, onRadius, curve});
    addArrow(curve, onRadius, look.arrow);
    addDimensionText(radialText(look, radius.length(), "R"), look.textAt.value_or(onRadius + (curve - onRadius) * 0.5),
                     radius, look.height);
}

void PlotAnnotation::addArcLengthDimension(const DimensionLook& look)
{
    // The arc about 15 from 13 to 14, measured along its length; the dimension's arc passes
    // through the definition point.
    AcGePoint3d first, second, centre;
    if (!m_entity->storedPoint(13, first) || !m_entity->storedPoint(14, second) || !m_entity->storedPoint(15, centre))
        return;
    if (const auto arc = arcThrough(centre, first, second, look.definition)) {
        addExtensionOff(look, {first, first}, arc->at(angleOf(first - centre)));
        addExtensionOff(look, {second, second}, arc->at(angleOf(second - centre)));
        addDimensionArc(look, *arc, dimensionText(look.style, arc->sweep * (first - centre).length(), look.text));
    }
}

void PlotAnnotation::addTwoLineAngle(const DimensionLook& look, const Segment& first, const Segment& second,
                                     const AcGePoint3d& through)
{
    const AcGeVector3d d1 = first[1] - first[0], d2 = second[1] - second[0];
    const double cross = d1.x * d2.y - d1.y * d2.x;
    if (!(std::abs(cross) > 1e-12 * d1.length() * d2.length()))
        return;   // parallel lines make no angle
    const AcGeVector3d w = second[0] - first[0];
    const AcGePoint3d vertex = first[0] + d1 * ((w.x * d2.y - w.y * d2.x) / cross);
    // Of the four angles the lines make, the one the arc's point lies in: from the ray before
    // it to the ray after it, going anticlockwise.
    const double at = angleOf(through - vertex);
    const std::pair<double, const Segment*> rays[] = {
        {angleOf(d1), &first}, {angleOf(d1) + kPi, &first}, {angleOf(d2), &second}, {angleOf(d2) + kPi, &second}};
    const auto before = std::min_element(std::begin(rays), std::end(rays), [&](const auto& a, const auto& b) {
        return turn(a.first, at) < turn(b.first, at);
    });
    const auto after = std::min_element(std::begin(rays), std::end(rays), [&](const auto& a, const auto& b) {
        return turn(at, a.first) < turn(at, b.first);
    });
    const DimensionArc arc{vertex, (through - vertex).length(), before->first, turn(before->first, after->first)};
    addExtensionOff(look, *before->second, arc.at(arc.start));
    addExtensionOff(look, *after->second, arc.at(arc.start + arc.sweep));
    addDimensionArc(look, arc, dimensionText(look.style, arc.sweep * 180 / kPi, look.text, true));
}

void PlotAnnotation::addDimensionArc(const DimensionLook& look, const DimensionArc& arc, const std::string& text)
{
    if (!(arc.radius > 0) || !(arc.sweep > 0))
        return;
    const int steps = std::max(2, static_cast<int>(std::ceil(arc.sweep / (2 * kPi) * kArcSteps)));
    Polyline line;
    for (int i = 0; i <= steps; ++i)
        line.push_back(arc.at(arc.start + arc.sweep * i / steps));
    m_lines.push_back(std::move(line));
    // The arrowheads follow the arc inward from its ends.
    const double inward = std::min(arc.sweep / 2, look.arrow / arc.radius);
    addDimensionEnd(look, arc.at(arc.start), arc.at(arc.start + inward));
    addDimensionEnd(look, arc.at(arc.start + arc.sweep), arc.at(arc.start + arc.sweep - inward));
    const double middle = arc.start + arc.sweep / 2;
    const AcGeVector3d out(std::cos(middle), std::sin(middle), 0);
    addDimensionText(text, look.textAt.value_or(arc.at(middle) + out * look.height),
                     AcGeVector3d::kZAxis.crossProduct(out), look.height);
}

void PlotAnnotation::addOrdinateDimension(const DimensionLook& look, const AcGePoint3d& feature,
                                          const AcGePoint3d& end, bool xType)
{
    // The leader runs from the feature (13) across the measured axis to its end (14), with a
    // jog in its middle third when the end is off the feature's line; the measurement is the
    // feature's distance from the origin (the definition point) along the axis.
    const AcGeVector3d axis = xType ? AcGeVector3d::kYAxis : AcGeVector3d::kXAxis;
    const AcGeVector3d run = axis * (end - feature).dotProduct(axis);
    if (run.isZeroLength())
        return;
    const AcGeVector3d d = run.normal();
    const AcGePoint3d start = feature + d * look.offset;
    const AcGeVector3d across = (end - feature) - run;
    m_lines.push_back({start, feature + run * (1.0 / 3), feature + run * (2.0 / 3) + across, end});
    const double measured = xType ? feature.x - look.definition.x : feature.y - look.definition.y;
    const std::string text = dimensionText(look.style, std::abs(measured), look.text);
    const double reach = look.height * (0.5 + 0.35 * static_cast<double>(text.size()));
    addDimensionText(text, look.textAt.value_or(end + d * reach), d, look.height);
}

void PlotAnnotation::addExtensionLine(const DimensionLook& look, const AcGePoint3d& origin, const AcGePoint3d& foot)
{
    // From a gap past its origin on to a little beyond the dimension line.
    if (const AcGeVector3d out = foot - origin; out.length() > look.offset)
        m_lines.push_back({origin + out.normal() * look.offset, foot + out.normal() * look.beyond});
}

void PlotAnnotation::addExtensionOff(const DimensionLook& look, const Segment& line, const AcGePoint3d& foot)
{
    // None where the dimension's arc meets the line itself; else from its nearer end.
    const AcGeVector3d span = line[1] - line[0];
    const double t = span.isZeroLength() ? -1 : (foot - line[0]).dotProduct(span) / span.dotProduct(span);
    if (t < 0 || t > 1)
        addExtensionLine(look, (foot - line[0]).length() < (foot - line[1]).length() ? line[0] : line[1], foot);
}

void PlotAnnotation::addDimensionEnd(const DimensionLook& look, const AcGePoint3d& tip, const AcGePoint3d& toward)
{
    const AcGeVector3d along = toward - tip;
    if (look.tick > 0 && !along.isZeroLength()) {
        const AcGeVector3d d = along.normal(), slant = (d + AcGeVector3d::kZAxis.crossProduct(d)) * (look.tick / 2);
        m_lines.push_back({tip - slant, tip + slant});
    } else {
        addArrow(tip, toward, look.arrow);
    }
}

void PlotAnnotation::addDimensionText(const std::string& text, const AcGePoint3d& at, AcGeVector3d along,
                                      double height)
{
    const auto finite = [](double a, double b, double c) { return std::isfinite(a + b + c); };
    if (text.empty() || !finite(at.x, at.y, at.z) || !finite(along.x, along.y, along.z))
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
    mtext->setColor(byBlock());
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
    const MLineStyle style = mlineStyle(idOfHandle(m_entity, styleHandle).object());
    MLineParts parts = mlineLines(vertices, style, scale, justification, flags);
    for (size_t k = 0; k < parts.elements.size(); ++k)
        if (parts.elements[k].size() >= 2)
            m_colouredLines.push_back({std::move(parts.elements[k]), style.colour(k)});
    for (Polyline& line : parts.joints)
        if (line.size() >= 2)
            m_lines.push_back(std::move(line));
}

} // namespace qv
