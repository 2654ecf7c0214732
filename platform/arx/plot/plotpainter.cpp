#include "plotpainter.h"

#include "fontmatch.h"
#include "plotannotation.h"
#include "plotprice.h"
#include "plottext.h"
#include "referenceclip.h"
#include "scanlineclip.h"

#include "arx/dbblockref.h"
#include "arx/dbcurves.h"
#include "arx/dbdatabase.h"
#include "arx/dbdict.h"
#include "arx/dbhatch.h"
#include "arx/dbhatchpatterns.h"
#include "arx/dbproxygeometry.h"
#include "arx/dbproxygraphics.h"
#include "arx/dbsymtb.h"
#include "arx/dbtable.h"
#include "arx/dbtext.h"
#include "arx/dbviewport.h"
#include "arx/dxftext.h"

#include <algorithm>
#include <cmath>
#include <span>

namespace qv {

namespace {

constexpr int kMaxDepth = 64;              // nesting of references drawn
constexpr double kChordTolerance = 0.2;    // device units between a curve and its chords
constexpr double kCurveTolerance = 0.05;   // device units between an arc and its cubic curves
constexpr int kMaxArcPieces = 1024;        // cubic curves of one arc
constexpr double kCapHeight = 0.729;       // the font's capital height per em
constexpr double kLineSpacing = 5.0 / 3;   // multiline text's baseline distance per height
constexpr double kCullMarginMm = 10;       // beyond the visible area, for pens and glyphs
constexpr std::uint32_t kPaper = 0xFFFFFF;

DevicePoint dev(const AcGeMatrix3d& xf, const AcGePoint3d& p)
{
    const AcGePoint3d q = xf.transform(p);
    return {q.x, q.y};
}

// The device units per drawing unit of a transform in the plane (its mean scale).
double planeScale(const AcGeMatrix3d& xf)
{
    return std::sqrt(std::abs(xf(0, 0) * xf(1, 1) - xf(0, 1) * xf(1, 0)));
}

// Cubic pieces enough for an arc of the sweep whose larger radius is radius device units: a
// quarter turn strays 2.7e-4 of its radius from its curve, less by the sixth power of a
// smaller turn.
int arcPieces(double radius, double sweep)
{
    const double quarters = std::abs(sweep) / (M_PI / 2);
    const double pieces = std::ceil(quarters * std::max(1.0, std::pow(2.7e-4 * radius / kCurveTolerance, 1.0 / 6)));
    return pieces >= 1 ? static_cast<int>(std::min(pieces, double(kMaxArcPieces))) : 1;
}

// The arc centre + u cos t + v sin t (drawing coordinates that xf maps to device units) for t
// from start over sweep, as cubic Béziers, its start point first when asked: each piece's
// control points lie along the tangents at its ends, 4/3 tan(θ/4) of them for a turn of θ. An
// ellipse's arc and its curves are the affine image of a circle's.
void appendArc(CurvedPath& path, const AcGeMatrix3d& xf, const AcGePoint3d& centre, const AcGeVector3d& u,
               const AcGeVector3d& v, double start, double sweep, bool withStart)
{
    const DevicePoint c = dev(xf, centre), pu = dev(xf, centre + u), pv = dev(xf, centre + v);
    const double ux = pu.x - c.x, uy = pu.y - c.y, vx = pv.x - c.x, vy = pv.y - c.y;
    const int pieces = arcPieces(std::max(std::hypot(ux, uy), std::hypot(vx, vy)), sweep);
    const double step = sweep / pieces, k = 4.0 / 3 * std::tan(step / 4);
    auto at = [&](double t) {
        const double cos = std::cos(t), sin = std::sin(t);
        return DevicePoint{c.x + ux * cos + vx * sin, c.y + uy * cos + vy * sin};
    };
    // Along the tangent at t (the derivative's length times by).
    auto ahead = [&](DevicePoint p, double t, double by) {
        const double cos = std::cos(t), sin = std::sin(t);
        return DevicePoint{p.x + by * (vx * cos - ux * sin), p.y + by * (vy * cos - uy * sin)};
    };
    DevicePoint from = at(start);
    if (withStart)
        path.lineTo(from);
    for (int i = 1; i <= pieces; ++i) {
        const double t0 = start + step * (i - 1), t1 = start + step * i;
        const DevicePoint to = at(t1);
        path.curveTo(ahead(from, t0, k), ahead(to, t1, -k), to);
        from = to;
    }
}

// A circle's arc in a plane (plane maps its coordinates to device units).
void appendCircleArc(CurvedPath& path, const AcGeMatrix3d& plane, AcGePoint2d centre, double radius, double start,
                     double sweep, double z, bool withStart)
{
    appendArc(path, plane, AcGePoint3d(centre.x, centre.y, z), AcGeVector3d(radius, 0, 0), AcGeVector3d(0, radius, 0),
              start, sweep, withStart);
}

// The segment from a to b bent by bulge (tan of a quarter of its angle), b included.
void appendBulge(CurvedPath& path, const AcGeMatrix3d& plane, AcGePoint2d a, AcGePoint2d b, double bulge, double z)
{
    const double chord = (b - a).length();
    if (std::abs(bulge) < 1e-9 || chord < 1e-12 || !std::isfinite(bulge)) {
        path.lineTo(dev(plane, AcGePoint3d(b.x, b.y, z)));
        return;
    }
    const double sweep = 4 * std::atan(bulge);
    const double radius = chord / (2 * std::sin(std::abs(sweep) / 2));
    const AcGePoint2d mid(a.x + (b.x - a.x) / 2, a.y + (b.y - a.y) / 2);
    const double toCentre = radius * std::cos(sweep / 2) * (bulge > 0 ? 1 : -1);
    const AcGeVector2d normal((a.y - b.y) / chord, (b.x - a.x) / chord);   // left of a→b
    const AcGePoint2d centre = mid + normal * toCentre;
    appendCircleArc(path, plane, centre, radius, std::atan2(a.y - centre.y, a.x - centre.x), sweep, z, false);
}

// A closed or open run of bulged vertices. As a long polyline may take many points, the path
// stops growing once it holds more than maxPoints (the work a plot has left, which drawing it
// would then exceed).
CurvedPath bulgedPath(const AcGeMatrix3d& plane, const std::vector<AcGePoint2d>& points,
                      const std::vector<double>& bulges, bool closed, double z, size_t maxPoints)
{
    CurvedPath path;
    if (points.empty())
        return path;
    path.lineTo(dev(plane, AcGePoint3d(points[0].x, points[0].y, z)));
    const size_t n = points.size(), segments = closed ? n : n - 1;
    for (size_t i = 0; i < segments && path.size() <= maxPoints; ++i)
        appendBulge(path, plane, points[i], points[(i + 1) % n], i < bulges.size() ? bulges[i] : 0, z);
    return path;
}

AcGeMatrix3d planeOf(const AcGeMatrix3d& xf, const AcGeVector3d& normal, double elevation)
{
    return xf * AcGeMatrix3d::planeToWorld(normal) * AcGeMatrix3d::translation(AcGeVector3d(0, 0, elevation));
}

const AcDbLayerTableRecord* layerOf(const AcDbEntity* ent)
{
    return AcDbLayerTableRecord::cast(ent->layerId().object());
}

// Whether the entity plots something: on a shown layer, or a viewport that is on (its layer
// hides only its frame); viewport 1, the paper-space view, plots nothing.
bool takesSpace(const AcDbEntity* ent)
{
    if (const auto* vp = AcDbViewport::cast(ent))
        return vp->number() > 1 && vp->isOn();
    return PlotPainter::layerShown(ent);
}

bool inLayout(const AcDbEntity* ent)
{
    const auto* owner = AcDbBlockTableRecord::cast(ent->ownerId().object());
    return owner && owner->isLayout();
}

// What a definition standing in a layout shows: its tag, in its place and style.
std::unique_ptr<AcDbAttributeDefinition> shownTag(const AcDbAttributeDefinition* definition)
{
    std::unique_ptr<AcDbAttributeDefinition> tag(definition->clone());
    tag->setTextString(definition->tagConst());
    return tag;
}

// The types kept as pairs that the plot draws from their pairs, not from proxy graphics.
bool drawnFromPairs(std::string_view type)
{
    for (std::string_view known : {"DIMENSION", "ARC_DIMENSION", "LARGE_RADIAL_DIMENSION", "ACAD_TABLE", "LEADER",
                                   "MULTILEADER", "MLEADER", "MLINE", "SPLINE", "3DFACE", "MESH", "WIPEOUT"})
        if (type == known)
            return true;
    return false;
}

// Whether an entity of a block draws: visible, and not a variable attribute definition (those
// show through the references' attributes; constant, visible ones as the definition's text).
// A visible definition standing in a layout, in no block, draws its tag.
bool drawnInBlock(const AcDbEntity* ent)
{
    const auto* definition = AcDbAttributeDefinition::cast(ent);
    return ent && !ent->isErased() && ent->visibility() == AcDb::kVisible
        && (!definition || (!definition->isInvisible() && (definition->isConstant() || inLayout(definition))));
}

bool attributeShown(const AcDbAttribute* attribute)
{
    return attribute && !attribute->isErased() && !attribute->isInvisible()
        && attribute->visibility() == AcDb::kVisible;
}

// An array's rows and columns (a plain reference's one cell).
struct Cells {
    int rows = 1, columns = 1;
};

Cells cellsOf(const AcDbMInsertBlock* array)
{
    if (!array)
        return {};
    return {std::max<int>(array->rows(), 1), std::max<int>(array->columns(), 1)};
}

// The placement of each cell of an array (a plain reference's only one, 0, 0) in its space,
// by its row and column: the reference's, moved along its rows and columns.
auto cellPlacement(const AcDbBlockReference* ref, const AcDbMInsertBlock* array)
{
    AcGeVector3d column, row;
    if (array)
        array->cellSteps(column, row);
    return [column, row, placed = ref->blockTransform()](int r, int c) {
        AcGeMatrix3d cell = placed;   // moved: its translation part shifted
        const AcGeVector3d shift = column * c + row * r;
        cell.entry[0][3] += shift.x;
        cell.entry[1][3] += shift.y;
        cell.entry[2][3] += shift.z;
        return cell;
    };
}

// A text's advance in text heights where no font is at hand: DejaVu Sans' mean, 0.6 em a
// character.
double estimatedAdvance(std::string_view utf8, const PlotFont&)
{
    const auto characters = std::count_if(utf8.begin(), utf8.end(), [](char c) { return (c & 0xC0) != 0x80; });
    return 0.6 * static_cast<double>(characters) / kCapHeight;
}

// Whether a text's "%%nnn" codes are those of a shape font; only texts with codes ask.
bool shapeCodes(const AcDbText* t, const PlotFont& font)
{
    return std::string_view(t->textStringConst()).find("%%") != std::string_view::npos && isShapeFont(font.name);
}

// What the entity draws, as its pairs or its geometry say (a multiline text as it is laid
// out, its layout spending work); false when that has no box.
bool drawnBox(const AcDbEntity* ent, AcDbExtents& e, PlotWork& work)
{
    if (const auto* proxy = AcDbProxyEntity::cast(ent))
        e = PlotAnnotation(proxy).extents();   // empty for the types it does not draw
    else if (const auto* mtext = AcDbMText::cast(ent))
        e = PlotPainter::mtextExtents(mtext, {}, estimatedAdvance, work);
    if (const auto* definition = AcDbAttributeDefinition::cast(ent); definition && inLayout(definition))
        return !definition->isInvisible() && shownTag(definition)->getGeomExtents(e) == Acad::eOk && !e.isEmpty();
    return !e.isEmpty() || (ent->getGeomExtents(e) == Acad::eOk && !e.isEmpty());
}

// The box a reference clipped to a boundary draws in, in its space; false when it may draw
// anywhere (not clipped, clipped inverted, or an array).
bool clipBoxOf(const AcDbBlockReference* ref, AcDbExtents& bound)
{
    const ReferenceClip clip(ref);
    if (AcDbMInsertBlock::cast(ref) || !clip.isActive() || clip.isInverted())
        return false;
    bound = AcDbExtents();
    for (const AcGePoint3d& p : clip.boundary())
        bound.addPoint(p);
    bound.transformBy(ref->blockTransform());
    return true;
}

// Keeps the part of e over bound in the plane (empty when they do not meet).
void intersect(AcDbExtents& e, const AcDbExtents& bound)
{
    if (e.isEmpty())
        return;
    const AcGePoint3d low(std::max(e.minPoint().x, bound.minPoint().x), std::max(e.minPoint().y, bound.minPoint().y),
                          e.minPoint().z);
    const AcGePoint3d high(std::min(e.maxPoint().x, bound.maxPoint().x), std::min(e.maxPoint().y, bound.maxPoint().y),
                           e.maxPoint().z);
    e = low.x <= high.x && low.y <= high.y ? AcDbExtents(low, high) : AcDbExtents();
}

// Narrows box, a boundary's box in a plane that toPlane maps the sheet to, to the part that
// may show in visible (device units), given the box of the boundary's points on the sheet;
// false when no part may.
bool shownPart(const Box2d& onSheet, const Box2d& visible, const AcGeMatrix3d& toPlane, Box2d& box)
{
    const Box2d shown{std::max(onSheet.minX, visible.minX), std::max(onSheet.minY, visible.minY),
                      std::min(onSheet.maxX, visible.maxX), std::min(onSheet.maxY, visible.maxY)};
    if (shown.isEmpty())
        return false;
    Box2d inPlane;
    for (const auto& [x, y] : {std::pair{shown.minX, shown.minY}, {shown.maxX, shown.minY}, {shown.minX, shown.maxY},
                               {shown.maxX, shown.maxY}}) {
        const AcGePoint3d q = toPlane.transform(AcGePoint3d(x, y, 0));
        inPlane.add(q.x, q.y);
    }
    box = {std::max(box.minX, inPlane.minX), std::max(box.minY, inPlane.minY), std::min(box.maxX, inPlane.maxX),
           std::min(box.maxY, inPlane.maxY)};
    return !box.isEmpty();
}

// Clips what follows to the reference's boundary placed by xf (an inverted one: to the
// sheet outside it); false when the canvas has no work left for it.
bool pushReferenceClip(PlotCanvas& canvas, const ReferenceClip& clip, const AcGeMatrix3d& xf)
{
    if (!canvas.spend(clip.boundary().size() * kPointPrice.units))
        return false;
    std::vector<DevicePath> loops(1);
    for (const AcGePoint3d& p : clip.boundary())
        loops[0].push_back(dev(xf, p));
    if (clip.isInverted())
        loops.push_back({{0, 0}, {canvas.width(), 0}, {canvas.width(), canvas.height()}, {0, canvas.height()}});
    canvas.pushClip(loops);
    return true;
}

// Half the widest segment of a polyline with widths, else 0.
double halfWidth(const AcDbEntity* ent)
{
    double widest = 0;
    if (const auto* pl = AcDbPolyline::cast(ent)) {
        for (const auto& v : pl->vertices())
            widest = std::max({widest, v.startWidth, v.endWidth});
    } else if (const auto* seq = AcDbSequencePolyline::cast(ent)) {
        widest = std::max(seq->defaultStartWidth(), seq->defaultEndWidth());
        for (const AcDbObjectId& id : seq->vertexIds())
            if (const auto* v = AcDbVertex::cast(id.object()))
                widest = std::max({widest, v->startWidth(), v->endWidth()});
    }
    return widest / 2;
}

// Which entities without a box may still draw: construction lines (XLINE, RAY), which are
// infinite, and references whose blocks hold one; an entity that draws nothing (a proxy whose
// graphics are empty, a text without characters) has no box and draws nowhere. Each block is
// looked through once.
class UnboundedBlocks
{
public:
    bool drawsWithoutBox(const AcDbEntity* ent, int depth)
    {
        if (const auto* proxy = AcDbProxyEntity::cast(ent)) {
            const std::string_view type = proxy->dxfName();
            return type == "XLINE" || type == "RAY";
        }
        const auto* ref = AcDbBlockReference::cast(ent);
        const auto* btr = ref ? AcDbBlockTableRecord::cast(ref->blockTableRecord().object()) : nullptr;
        if (!btr || depth >= kMaxDepth)
            return false;
        const auto [known, first] = m_blocks.emplace(btr, false);   // false while it is looked through
        if (!first)
            return known->second;
        for (const AcDbObjectId& id : btr->entityIds())
            if (const auto* inner = AcDbEntity::cast(id.object()); drawnInBlock(inner) && drawsWithoutBox(inner, depth + 1))
                return m_blocks[btr] = true;
        return false;
    }

private:
    std::unordered_map<const AcDbBlockTableRecord*, bool> m_blocks;
};

} // namespace

PlotPainter::PlotPainter(PlotCanvas& canvas, const PlotPen& pen, std::shared_ptr<MTextLayouts> layouts)
    : m_canvas(canvas), m_pen(pen), m_layouts(std::move(layouts)),
      m_visible(Box2d::around(0, 0, canvas.width(), canvas.height()))
{
}

bool PlotPainter::layerShown(const AcDbEntity* entity) { return layerShown(layerOf(entity)); }

bool PlotPainter::layerShown(const AcDbLayerTableRecord* layer)
{
    return !layer || (!layer->isOff() && !layer->isFrozen() && layer->isPlottable());
}

Box2d PlotPainter::extents(const AcDbBlockTableRecord* space)
{
    Box2d box;
    for (const AcDbObjectId& id : space->entityIds()) {
        if (m_canvas.exhausted())
            break;   // the plot fails: no need to measure more
        const auto* ent = AcDbEntity::cast(id.object());
        if (!ent || ent->isErased() || ent->visibility() == AcDb::kInvisible || !takesSpace(ent))
            continue;
        // What the painter draws; what the database says of what has no box there (a block
        // holding a construction line).
        BlockBox drawn;
        AcDbExtents& e = drawn.box;
        if ((addBox(ent, drawn, 0) || (e = AcDbExtents(), drawnBox(ent, e, m_canvas.work()))) && !e.isEmpty()
            && std::isfinite(e.minPoint().x) && std::isfinite(e.maxPoint().x))
            box.add(Box2d::around(e.minPoint().x, e.minPoint().y, e.maxPoint().x, e.maxPoint().y));
    }
    return box;
}

bool PlotPainter::showsIn(const AcDbBlockTableRecord* space, const Box2d& area, PlotWork& work)
{
    UnboundedBlocks unbounded;
    for (const AcDbObjectId& id : space->entityIds()) {
        const auto* ent = AcDbEntity::cast(id.object());
        if (!ent || ent->isErased() || ent->visibility() == AcDb::kInvisible || !takesSpace(ent))
            continue;
        AcDbExtents e;
        const bool boxed = drawnBox(ent, e, work);
        if (work.exhausted())
            return true;   // the plot fails: no need to measure more
        if (!boxed ? unbounded.drawsWithoutBox(ent, 0)
                              : !std::isfinite(e.minPoint().x) || !std::isfinite(e.maxPoint().x)
                                    || area.intersects(Box2d::around(e.minPoint().x, e.minPoint().y, e.maxPoint().x,
                                                                     e.maxPoint().y)))
            return true;
    }
    return false;
}

void PlotPainter::draw(const AcDbBlockTableRecord* space, const AcGeMatrix3d& xf,
                       const std::unordered_set<AcDbObjectId>* frozen)
{
    m_frozen = frozen;
    double scale = 1;
    const AcDbDatabase* db = space->database();
    if (!db || !db->getHeaderReal("$LTSCALE", 40, scale) || !(scale > 0) || !std::isfinite(scale))
        scale = 1;
    m_linetypeScale = scale * m_linetypeFactor;
    Inherited top;
    top.rgb = 0;   // by block at the top level: colour 7, black on paper
    drawBlock(space, xf, top);
    m_frozen = nullptr;
}

const std::vector<AcDbObjectId>& PlotPainter::drawOrder(const AcDbBlockTableRecord* btr)
{
    if (btr->extensionDictionary().isNull())
        return btr->entityIds();
    const auto found = m_orders.find(btr);
    if (found != m_orders.end())
        return found->second;
    std::vector<AcDbObjectId>& order = m_orders[btr];
    AcDbBlockTableRecord* record = nullptr;
    AcDbSortentsTable* table = nullptr;
    if (acdbOpenObject(record, btr->objectId(), AcDb::kForRead) == Acad::eOk) {
        if (record->getSortentsTable(table, AcDb::kForRead, false) == Acad::eOk) {
            table->getFullDrawOrder(order);
            table->close();
        }
        record->close();
    }
    if (order.empty())
        order = btr->entityIds();
    return order;
}

void PlotPainter::drawBlock(const AcDbBlockTableRecord* btr, const AcGeMatrix3d& xf, const Inherited& from)
{
    for (const AcDbObjectId& id : drawOrder(btr)) {
        if (m_canvas.exhausted())
            return;
        const auto* ent = AcDbEntity::cast(id.object());
        if (drawnInBlock(ent))
            drawEntity(ent, xf, from);
    }
}

std::uint32_t PlotPainter::colourOf(const AcDbEntity* ent, const AcDbLayerTableRecord* layer,
                                    const Inherited& from) const
{
    return colourOf(ent->color(), layer, from);
}

std::uint32_t PlotPainter::colourOf(const AcCmColor& colour, const AcDbLayerTableRecord* layer,
                                    const Inherited& from) const
{
    if (m_pen.monochrome)
        return 0;
    if (colour.isByBlock())
        return from.rgb;
    if (colour.isByLayer() && !layer)
        return 0;
    const AcCmColor own = colour.isByLayer() ? layer->color() : colour;
    if (own.isByACI() && own.colorIndex() == 7)
        return 0;   // white on the screen is black on white paper
    const std::uint32_t rgb =
        own.isByColor() ? own.rgb() & 0xFFFFFF : AcCmColor::paletteRGB(std::clamp<Adesk::UInt16>(own.colorIndex(), 1, 255));
    // So is white given as a true colour, as viewers plot it.
    return rgb == 0xFFFFFF ? 0 : rgb;
}

double PlotPainter::widthOf(int lineWeight) const
{
    const double mm = m_pen.lineweights ? std::max(lineWeight, 0) / 100.0 : 0.13;
    return std::max(mm * m_canvas.unitsPerMm(), m_pen.minimumWidth);
}

const AcDbLinetypeTableRecord* PlotPainter::linetypeOf(const AcDbEntity* ent, const AcDbLayerTableRecord* layer,
                                                     const Inherited& from) const
{
    const CString name = ent->linetype();
    if (dxf::equalNoCase(name.str(), "BYLAYER"))
        return layer ? AcDbLinetypeTableRecord::cast(layer->linetypeObjectId().object()) : nullptr;
    if (dxf::equalNoCase(name.str(), "BYBLOCK"))
        return from.linetype;
    return AcDbLinetypeTableRecord::cast(ent->linetypeId().object());
}

// The linetype's pattern in device units: its lengths times the entity's and the drawing's
// linetype scales and the transform's scale.
void PlotPainter::setLinePattern(const AcDbEntity* ent, const AcDbLinetypeTableRecord* linetype,
                                 const AcGeMatrix3d& xf)
{
    m_dashes.clear();
    if (!linetype || linetype->numDashes() == 0) {
        if (m_canvas.isDashed())
            m_canvas.setLinePattern(m_dashes, 1);
        return;
    }
    for (int i = 0; i < linetype->numDashes(); ++i)
        m_dashes.push_back(linetype->dashLengthAt(i));
    const double own = ent->linetypeScale() > 0 ? ent->linetypeScale() : 1;
    m_canvas.setLinePattern(m_dashes, own * m_linetypeScale * planeScale(xf));
}

void PlotPainter::drawEntity(const AcDbEntity* ent, const AcGeMatrix3d& xf, const Inherited& from)
{
    if (!m_canvas.spend(kEntityPrice.units))
        return;
    // Layer "0" inside a block stands for the reference's layer.
    const AcDbLayerTableRecord* layer = layerOf(ent);
    if (from.layer && ent->layerName() == "0")
        layer = from.layer;
    if (layer && (!layerShown(layer) || (m_frozen && m_frozen->count(layer->objectId())))) {
        // A viewport's layer hides its frame, not what it shows.
        if (const auto* viewport = AcDbViewport::cast(ent))
            drawViewport(viewport, xf, nullptr);
        return;
    }
    Inherited mine = from;
    mine.layer = layer;
    mine.rgb = colourOf(ent, layer, from);
    const int weight = ent->lineWeight();
    mine.lineWeight = weight == AcDb::kLnWtByBlock ? from.lineWeight
        : weight == AcDb::kLnWtByLayer             ? (layer ? layer->lineWeight() : 25)
                                                   : weight;
    if (mine.lineWeight < 0)
        mine.lineWeight = 25;   // the default line weight
    m_canvas.setPen(mine.rgb, widthOf(mine.lineWeight));
    mine.linetype = linetypeOf(ent, layer, from);
    setLinePattern(ent, mine.linetype, xf);

    if (const auto* line = AcDbLine::cast(ent)) {
        m_canvas.stroke({dev(xf, line->startPoint()), dev(xf, line->endPoint())}, false);
    } else if (const auto* pl = AcDbPolyline::cast(ent)) {
        drawPolyline(pl, xf, mine);
    } else if (const auto* seq = AcDbSequencePolyline::cast(ent)) {
        if (!drawMesh(seq, xf) && !drawWideSequence(seq, xf, mine))
            drawSequence(seq, xf);
    } else if (const auto* circle = AcDbCircle::cast(ent)) {
        drawCircle(circle, xf);
    } else if (const auto* definition = AcDbAttributeDefinition::cast(ent); definition && inLayout(definition)) {
        drawText(shownTag(definition).get(), xf, mine.rgb);
    } else if (const auto* text = AcDbText::cast(ent)) {
        drawText(text, xf, mine.rgb);
    } else if (const auto* mtext = AcDbMText::cast(ent)) {
        drawMText(mtext, xf, mine.rgb);
    } else if (const auto* hatch = AcDbHatch::cast(ent)) {
        drawHatch(hatch, xf, mine.rgb);
    } else if (const auto* ref = AcDbBlockReference::cast(ent)) {
        // A table shows its block, rebuilt first when the table changed since it was built.
        if (auto* table = AcDbTable::cast(ref); table && table->needsLayout())
            table->recomputeTableBlock(false);
        drawReference(ref, xf, from, mine);
    } else if (const auto* viewport = AcDbViewport::cast(ent)) {
        drawViewport(viewport, xf, &mine);
    } else {
        drawProxy(ent, xf, mine);
    }
}

void PlotPainter::drawViewport(const AcDbViewport* vp, const AcGeMatrix3d& xf, const Inherited* frame)
{
    // Viewport 1 is the paper-space view itself; one that is off shows nothing.
    if (vp->number() < 2 || !vp->isOn())
        return;
    if (m_viewport)
        m_viewport(vp);
    if (!frame || vp->isNonRectClipOn() || !(vp->width() > 0) || !(vp->height() > 0))
        return;
    const AcGePoint3d c = vp->centerPoint();
    const double hw = vp->width() / 2, hh = vp->height() / 2;
    // What the viewport showed left its own pen and pattern on the canvas.
    m_canvas.setPen(frame->rgb, widthOf(frame->lineWeight));
    setLinePattern(vp, frame->linetype, xf);
    m_canvas.stroke({dev(xf, AcGePoint3d(c.x - hw, c.y - hh, c.z)), dev(xf, AcGePoint3d(c.x + hw, c.y - hh, c.z)),
                     dev(xf, AcGePoint3d(c.x + hw, c.y + hh, c.z)), dev(xf, AcGePoint3d(c.x - hw, c.y + hh, c.z))},
                    true);
}

void PlotPainter::drawReference(const AcDbBlockReference* ref, const AcGeMatrix3d& xf, const Inherited& from,
                                const Inherited& mine)
{
    const auto* btr = AcDbBlockTableRecord::cast(ref->blockTableRecord().object());
    const ReferenceClip clip(ref);
    if (btr && !btr->isErased() && from.depth < kMaxDepth && m_open.insert(btr).second) {
        Inherited inner = mine;
        inner.depth = from.depth + 1;
        const auto* array = AcDbMInsertBlock::cast(ref);
        const Cells cells = cellsOf(array);
        const auto place = cellPlacement(ref, array);
        // Each cell is charged, drawn or not, so that arrays of arrays end too.
        for (int row = 0; row < cells.rows && !m_canvas.exhausted(); ++row)
            for (int column = 0; column < cells.columns && m_canvas.spend(kCellPrice.units); ++column) {
                const AcGeMatrix3d cell = xf * place(row, column);
                if (!shows(btr, cell) || (clip.isActive() && !pushReferenceClip(m_canvas, clip, cell)))
                    continue;
                drawBlock(btr, cell, inner);
                if (clip.isActive())
                    m_canvas.popClip();
            }
        m_open.erase(btr);
    }
    // Attributes lie in the drawing already placed; they belong to the reference's space and
    // are clipped with its block.
    const auto& attributes = ref->attributeIds();
    if (attributes.empty() || (clip.isActive() && !pushReferenceClip(m_canvas, clip, xf * ref->blockTransform())))
        return;
    for (const AcDbObjectId& id : attributes)
        if (const auto* attribute = AcDbAttribute::cast(id.object()); attributeShown(attribute))
            drawEntity(attribute, xf, from);
    if (clip.isActive())
        m_canvas.popClip();
}

bool PlotPainter::shows(const AcDbBlockTableRecord* btr, const AcGeMatrix3d& xf)
{
    const BlockBox& own = blockBox(btr, 0);
    if (!own.bounded)
        return true;
    if (own.reach.isEmpty())
        return false;
    AcDbExtents e = own.reach;
    e.transformBy(xf);
    const Box2d onSheet = Box2d::around(e.minPoint().x, e.minPoint().y, e.maxPoint().x, e.maxPoint().y);
    return onSheet.intersects(mayShow());
}

Box2d PlotPainter::mayShow() const
{
    return m_visible.expanded(kCullMarginMm * m_canvas.unitsPerMm());
}

const PlotPainter::BlockBox& PlotPainter::blockBox(const AcDbBlockTableRecord* btr, int depth)
{
    static const BlockBox unbounded{AcDbExtents(), AcDbExtents(), false};
    if (const auto found = m_boxes.find(btr); found != m_boxes.end())
        return found->second;
    if (depth > kMaxDepth)
        return unbounded;
    m_boxes[btr] = unbounded;   // while it is measured: a block met again inside itself
    BlockBox measured;
    for (const AcDbObjectId& id : btr->entityIds()) {
        const auto* ent = AcDbEntity::cast(id.object());
        if (drawnInBlock(ent) && !addBox(ent, measured, depth)) {
            measured.bounded = false;
            break;
        }
    }
    return m_boxes[btr] = measured;
}

bool PlotPainter::addBox(const AcDbEntity* ent, BlockBox& box, int depth)
{
    if (const auto* ref = AcDbBlockReference::cast(ent)) {
        BlockBox own;
        if (!addReferenceBox(ref, own, depth))
            return false;
        if (AcDbExtents bound; clipBoxOf(ref, bound)) {
            intersect(own.box, bound);
            intersect(own.reach, bound);
        }
        box.box.addExt(own.box);
        box.reach.addExt(own.reach);
        return true;
    }
    if (AcDbViewport::cast(ent))
        return false;   // it shows model space, wherever that lies
    if (const auto* text = AcDbText::cast(ent)) {
        // A definition standing in a layout shows its tag, or nothing when invisible.
        std::unique_ptr<AcDbAttributeDefinition> tag;
        if (const auto* definition = AcDbAttributeDefinition::cast(ent); definition && inLayout(definition)) {
            if (definition->isInvisible())
                return true;
            text = (tag = shownTag(definition)).get();
        }
        const AcDbExtents e = textBox(text);
        box.box.addExt(e);
        box.reach.addExt(e);
        return true;
    }
    if (const auto* mtext = AcDbMText::cast(ent)) {
        const AcDbExtents e = extentsOf(mtext, layoutOf(mtext));
        box.box.addExt(e);
        box.reach.addExt(e);
        return !e.isEmpty();
    }
    if (const auto* proxy = AcDbProxyEntity::cast(ent))
        if (const PlotAnnotation parts(proxy); !parts.texts().empty() || !parts.blocks().empty())
            return addAnnotationBox(parts, box, depth);
    AcDbExtents e;
    if (!drawnBox(ent, e, m_canvas.work()))
        return false;
    // A polyline's box leaves out its widths.
    const double width = halfWidth(ent);
    e.expandBy(AcGeVector3d(width, width, width));
    e.expandBy(AcGeVector3d(-width, -width, -width));
    box.box.addExt(e);
    box.reach.addExt(e);
    return true;
}

// An annotation's lines, and its texts and blocks measured as they are drawn.
bool PlotPainter::addAnnotationBox(const PlotAnnotation& parts, BlockBox& box, int depth)
{
    AcDbExtents e = parts.lineExtents();
    for (const auto& text : parts.texts())
        e.addExt(extentsOf(text.get(), layoutOf(text.get())));
    box.box.addExt(e);
    box.reach.addExt(e);
    for (const auto& block : parts.blocks())
        if (!addReferenceBox(block.get(), box, depth))
            return false;
    return true;
}

bool PlotPainter::addReferenceBox(const AcDbBlockReference* ref, BlockBox& box, int depth)
{
    if (const auto* table = AcDbTable::cast(ref); table && table->needsLayout())
        return false;   // its block is rebuilt before it is drawn
    for (const AcDbObjectId& id : ref->attributeIds())
        if (const auto* attribute = AcDbAttribute::cast(id.object()); attributeShown(attribute))
            if (!addBox(attribute, box, depth))
                return false;
    const auto* btr = AcDbBlockTableRecord::cast(ref->blockTableRecord().object());
    const auto* array = AcDbMInsertBlock::cast(ref);
    const Cells cells = cellsOf(array);
    if (!btr || btr->isErased())
        return true;   // draws no block
    const BlockBox& inner = blockBox(btr, depth + 1);
    if (!inner.bounded)
        return false;
    // The cells lie on a lattice: the corner cells' boxes hold them all.
    const auto place = cellPlacement(ref, array);
    for (const int row : {0, cells.rows - 1})
        for (const int column : {0, cells.columns - 1}) {
            if ((row > 0 && cells.rows == 1) || (column > 0 && cells.columns == 1))
                continue;   // the same cell again
            const AcGeMatrix3d cell = place(row, column);
            for (const auto& [from, to] : {std::pair{&inner.box, &box.box}, {&inner.reach, &box.reach}})
                if (!from->isEmpty()) {
                    AcDbExtents e = *from;
                    e.transformBy(cell);
                    to->addExt(e);
                }
        }
    return true;
}

void PlotPainter::drawPolyline(const AcDbPolyline* pl, const AcGeMatrix3d& xf, const Inherited& mine)
{
    const auto& vertices = pl->vertices();
    if (vertices.empty())
        return;
    const AcGeMatrix3d plane = planeOf(xf, pl->normal(), pl->elevation());
    std::vector<AcGePoint2d> points;
    std::vector<double> bulges;
    bool wide = false;
    for (const auto& v : vertices) {
        points.push_back(v.point);
        bulges.push_back(v.bulge);
        wide = wide || v.startWidth > 0 || v.endWidth > 0;
    }
    if (!wide) {
        strokeVertices(plane, points, bulges, pl->isClosed(), pl->hasPlinegen());
        return;
    }
    // Wide segments: straight ones as quadrilaterals tapering from the start to the end
    // width, bent ones as strokes of their mean width; all solid.
    m_canvas.setLinePattern({}, 1);
    const size_t n = vertices.size(), segments = pl->isClosed() ? n : n - 1;
    const double scale = planeScale(plane), pen = widthOf(mine.lineWeight);
    for (size_t i = 0; i < segments; ++i) {
        const auto& a = vertices[i];
        const AcGePoint2d b = vertices[(i + 1) % n].point;
        const AcGeVector2d along = b - a.point;
        const double length = along.length();
        if (length < 1e-12)
            continue;
        if (std::abs(a.bulge) > 1e-9) {
            CurvedPath arc;
            arc.lineTo(dev(plane, AcGePoint3d(a.point.x, a.point.y, 0)));
            appendBulge(arc, plane, a.point, b, a.bulge, 0);
            m_canvas.setPen(mine.rgb, std::max(pen, (a.startWidth + a.endWidth) / 2 * scale));
            m_canvas.stroke(arc, false);
            m_canvas.setPen(mine.rgb, pen);
            continue;
        }
        const AcGeVector2d side(-along.y / length, along.x / length);
        const AcGePoint2d corners[] = {a.point + side * (a.startWidth / 2), b + side * (a.endWidth / 2),
                                       b + side * (-a.endWidth / 2), a.point + side * (-a.startWidth / 2)};
        DevicePath quad;
        for (const AcGePoint2d& c : corners)
            quad.push_back(dev(plane, AcGePoint3d(c.x, c.y, 0)));
        m_canvas.fill({quad}, mine.rgb);
        m_canvas.stroke({quad[0], quad[1]}, false);   // a zero-width segment still shows as a line
    }
}

void PlotPainter::drawSequence(const AcDbSequencePolyline* pl, const AcGeMatrix3d& xf)
{
    std::vector<AcGePoint2d> points;
    std::vector<double> bulges;
    pl->getPlanVertices(points, bulges);
    // A 2D polyline lies in the plane of its normal at its elevation; the others' vertices
    // are in world coordinates.
    const bool flat = AcDb2dPolyline::cast(pl) != nullptr;
    if (flat) {
        strokeVertices(planeOf(xf, pl->normal(), pl->elevation()), points, bulges, pl->isClosed(),
                       pl->polylineFlags() & 128);
        return;
    }
    DevicePath path;
    for (const AcDbObjectId& id : pl->vertexIds())
        if (const auto* v = AcDbVertex::cast(id.object()); v && !v->isErased() && !v->isFrameControlPoint())
            path.push_back(dev(xf, v->position()));
    m_canvas.stroke(path, pl->isClosed());
}

bool PlotPainter::drawMesh(const AcDbSequencePolyline* pl, const AcGeMatrix3d& xf)
{
    std::vector<std::vector<AcGePoint3d>> lines;
    if (!pl->getMeshLines(lines))
        return false;
    for (const auto& line : lines) {
        DevicePath path;
        for (const AcGePoint3d& p : line)
            path.push_back(dev(xf, p));
        m_canvas.stroke(path, false);
    }
    return true;
}

void PlotPainter::strokeVertices(const AcGeMatrix3d& plane, const std::vector<AcGePoint2d>& points,
                                 const std::vector<double>& bulges, bool closed, bool continuous)
{
    if (continuous || !m_canvas.isDashed()) {
        m_canvas.stroke(bulgedPath(plane, points, bulges, closed, 0, m_canvas.workLeft()), closed);
        return;
    }
    const size_t n = points.size(), segments = closed ? n : n - 1;
    CurvedPath segment;
    for (size_t i = 0; i < n && i < segments; ++i) {
        segment.clear();
        segment.lineTo(dev(plane, AcGePoint3d(points[i].x, points[i].y, 0)));
        appendBulge(segment, plane, points[i], points[(i + 1) % n], i < bulges.size() ? bulges[i] : 0, 0);
        m_canvas.stroke(segment, false);
    }
}

void PlotPainter::drawCircle(const AcDbCircle* c, const AcGeMatrix3d& xf)
{
    const AcGePoint3d centre = AcGeMatrix3d::worldToPlane(c->normal()).transform(c->center());
    const AcGeMatrix3d plane = xf * AcGeMatrix3d::planeToWorld(c->normal());
    CurvedPath path;
    const auto* arc = AcDbArc::cast(c);
    appendCircleArc(path, plane, centre.to2d(), c->radius(), arc ? arc->startAngle() : 0, arc ? arc->sweep() : 2 * M_PI,
                    centre.z, true);
    m_canvas.stroke(path, !arc);
}

void PlotPainter::placeText(const std::string& text, const AcGePoint3d& anchor, const AcGeVector3d& direction,
                            const AcGeVector3d& up, const AcGeMatrix3d& xf, const TextLayout& layout,
                            std::uint32_t rgb)
{
    TextRun run;
    if (!textRun(text, {anchor, direction, up, layout}, xf, run))
        return;
    m_canvas.text(text, run.origin, std::atan2(-run.along.y, run.along.x), run.em, run.widthFactor, rgb, layout.font);
    if (layout.rules.empty())
        return;
    // Lines under and over stretches of it, as thick as a font's underline.
    TextMeasurer& measurer = m_canvas.measurer();
    const double height = run.em * measurer.capHeight(run.face), scale = run.em * run.widthFactor;
    const DevicePoint u = run.along, v{run.along.y, -run.along.x};
    m_canvas.setLinePattern({}, 1);
    m_canvas.setPen(rgb, std::max(0.05 * height, m_pen.minimumWidth));
    for (const TextRule& rule : layout.rules) {
        const double x0 = measurer.advance(std::string_view(text).substr(0, rule.from), run.face) * scale;
        const double x1 = measurer.advance(std::string_view(text).substr(0, rule.to), run.face) * scale;
        const double y = (rule.over ? MTextLayout::kOverline : MTextLayout::kUnderline) * height;
        m_canvas.stroke({{run.origin.x + u.x * x0 + v.x * y, run.origin.y + u.y * x0 + v.y * y},
                         {run.origin.x + u.x * x1 + v.x * y, run.origin.y + u.y * x1 + v.y * y}},
                        false);
    }
}

// The em is the text height over the face's capital height, so that capitals stand as tall as
// the text's height in every font.
bool PlotPainter::textRun(const std::string& text, const TextPlace& place, const AcGeMatrix3d& xf, TextRun& run)
{
    TextMeasurer& measurer = m_canvas.measurer();
    const DevicePoint o = dev(xf, place.anchor), ahead = dev(xf, place.anchor + place.direction);
    const DevicePoint above = dev(xf, place.anchor + place.up);
    double ux = ahead.x - o.x, uy = ahead.y - o.y;
    const double length = std::hypot(ux, uy), height = std::hypot(above.x - o.x, above.y - o.y);
    if (!(length > 0) || !(height > 0) || !std::isfinite(length * height))
        return false;
    ux /= length, uy /= length;
    const TextLayout& layout = place.layout;
    run.face = measurer.face(layout.font);
    const double capHeight = measurer.capHeight(run.face);
    run.em = height / capHeight, run.widthFactor = layout.widthFactor;
    run.advance = measurer.advance(text, run.face) * run.em * run.widthFactor;
    if (layout.fitLength > 0 && run.advance > 0) {
        // Aligned texts scale to the span; fitted ones stretch across it only.
        const double ratio = layout.fitLength / run.advance;
        (layout.fitHeight ? run.em : run.widthFactor) *= ratio;
        run.advance = layout.fitLength;
    }
    const double shift = layout.baseline * run.em * capHeight;
    run.along = {ux, uy};
    run.origin = {o.x - ux * run.advance * layout.align + uy * shift, o.y - uy * run.advance * layout.align - ux * shift};
    return true;
}

PlotPainter::TextPlace PlotPainter::textPlace(const AcDbText* t, const AcGeMatrix3d& xf)
{
    const double height = t->height() > 0 ? t->height() : 2.5;
    TextPlace place;
    AcGeVector3d direction = qv::ocsDirection(t->rotation(), t->normal());
    TextLayout& layout = place.layout;
    layout.widthFactor = t->widthFactor() > 0 ? t->widthFactor() : 1;
    layout.font = m_styleFonts.of(t);
    place.anchor = t->isDefaultAlignment() ? t->position() : t->alignmentPoint();
    const AcDb::TextHorzMode horizontal = t->horizontalMode();
    if (horizontal == AcDb::kTextAlign || horizontal == AcDb::kTextFit) {
        // Between the position and the alignment point.
        place.anchor = t->position();
        const AcGeVector3d span = t->alignmentPoint() - t->position();
        if (span.length() > 1e-12) {
            direction = span.normal();
            const DevicePoint a = dev(xf, t->position()), b = dev(xf, t->alignmentPoint());
            layout.fitLength = std::hypot(b.x - a.x, b.y - a.y);
            layout.fitHeight = horizontal == AcDb::kTextAlign;
        }
    } else if (horizontal == AcDb::kTextMid) {
        layout.align = 0.5;
        layout.baseline = -0.5;
    } else {
        layout.align = horizontal == AcDb::kTextCenter ? 0.5 : horizontal == AcDb::kTextRight ? 1 : 0;
        static const double baselines[] = {0, 0.3, -0.5, -1};   // base, bottom, middle, top
        layout.baseline = baselines[std::clamp(static_cast<int>(t->verticalMode()), 0, 3)];
    }
    place.direction = direction * height;
    place.up = t->normal().normal().crossProduct(direction) * height;
    return place;
}

void PlotPainter::drawText(const AcDbText* t, const AcGeMatrix3d& xf, std::uint32_t rgb)
{
    TextPlace place = textPlace(t, xf);
    const std::string text = plainText(t->textStringConst(), shapeCodes(t, place.layout.font), &place.layout.rules);
    placeText(text, place.anchor, place.direction, place.up, xf, place.layout, rgb);
}

AcDbExtents PlotPainter::textBox(const AcDbText* t)
{
    // Laid out in the text's plane, y down as on a sheet, and the corners taken back.
    static const AcGeMatrix3d flip = AcGeMatrix3d::scaling(AcGeScale3d(1, -1, 1));
    const AcGeVector3d normal = t->normal();
    const bool plan = normal.x == 0 && normal.y == 0 && normal.z > 0;   // most texts: no turn to make
    const AcGeMatrix3d toPlane = plan ? flip : flip * AcGeMatrix3d::worldToPlane(normal);
    const AcGeMatrix3d back = plan ? flip : AcGeMatrix3d::planeToWorld(normal) * flip;
    const TextPlace place = textPlace(t, toPlane);
    TextRun run;
    AcDbExtents box;
    if (!textRun(plainText(t->textStringConst(), shapeCodes(t, place.layout.font)), place, toPlane, run))
        return box;
    const TextMeasurer& measurer = m_canvas.measurer();
    const double z = toPlane.transform(place.anchor).z;
    const DevicePoint up{run.along.y, -run.along.x};
    for (const double a : {0.0, run.advance})
        for (const double b : {-measurer.descent(run.face) * run.em, measurer.ascent(run.face) * run.em})
            box.addPoint(back.transform(AcGePoint3d(run.origin.x + run.along.x * a + up.x * b,
                                                    run.origin.y + run.along.y * a + up.y * b, z)));
    return box;
}

MTextLayout PlotPainter::layoutOf(const AcDbMText* t, const PlotFont& font, const MTextLayout::Measure& measure,
                                  std::size_t maxElements)
{
    const double height = t->textHeight() > 0 ? t->textHeight() : 2.5;
    MTextFormat base;
    base.height = height;
    base.font = font;
    MTextGeometry geometry;
    geometry.height = height;
    geometry.width = t->width();
    geometry.attachment = static_cast<int>(t->attachment());
    geometry.capHeight = 1;   // measure gives advances in text heights
    geometry.lineDistance = kLineSpacing;
    geometry.lineSpacing = t->lineSpacingFactor();
    geometry.exactSpacing = t->lineSpacingStyle() == 2;
    geometry.columns = t->columns();
    return MTextLayout(MTextContent(t->contents().GetString(), base, maxElements), geometry, measure, maxElements);
}

const MTextLayout& PlotPainter::layoutOf(const AcDbMText* t)
{
    const AcDbObjectId id = t->objectId();
    if (const auto found = m_layouts->find(id); found != m_layouts->end())
        return found->second;
    MTextLayout layout = layoutWithin(t, m_styleFonts.of(t), measureRun(), m_canvas.work());
    if (id.isNull())
        return m_looseLayout.emplace(std::move(layout));
    return m_layouts->emplace(id, std::move(layout)).first->second;
}

// A run's advance in text heights, as the canvas draws it: capitals stand as tall as the text.
MTextLayout::Measure PlotPainter::measureRun()
{
    return [this](std::string_view text, const PlotFont& font) {
        TextMeasurer& measurer = m_canvas.measurer();
        const unsigned face = measurer.face(font);
        return measurer.advance(text, face) / measurer.capHeight(face);
    };
}

MTextLayout PlotPainter::layoutWithin(const AcDbMText* t, const PlotFont& font, const MTextLayout::Measure& measure,
                                      PlotWork& work)
{
    MTextLayout layout = layoutOf(t, font, measure, work.left() / kLayoutPartPrice.units);
    work.spend(layout.elements() * kLayoutPartPrice.units);
    return layout;
}

AcDbExtents PlotPainter::mtextExtents(const AcDbMText* t, const PlotFont& font, const MTextLayout::Measure& measure,
                                      PlotWork& work)
{
    return extentsOf(t, layoutWithin(t, font, measure, work));
}

AcDbExtents PlotPainter::extentsOf(const AcDbMText* t, const MTextLayout& layout)
{
    const Box2d& box = layout.box();
    AcDbExtents extents;
    if (box.isEmpty())
        return extents;
    const AcGeVector3d direction = qv::ocsDirection(t->rotation(), t->normal());
    const AcGeVector3d up = t->normal().normal().crossProduct(direction);
    for (const double x : {box.minX, box.maxX})
        for (const double y : {box.minY, box.maxY})
            extents.addPoint(t->location() + direction * x + up * y);
    return extents;
}

void PlotPainter::drawMText(const AcDbMText* t, const AcGeMatrix3d& xf, std::uint32_t rgb)
{
    const MTextLayout& layout = layoutOf(t);
    const AcGeVector3d direction = qv::ocsDirection(t->rotation(), t->normal());
    const AcGeVector3d up = t->normal().normal().crossProduct(direction);
    auto at = [&](double x, double y) { return t->location() + direction * x + up * y; };
    auto colour = [&](const std::optional<std::uint32_t>& own) { return m_pen.monochrome ? 0 : own.value_or(rgb); };
    for (const MTextLayout::Piece& piece : layout.pieces())
        placeRun(piece.text, at(piece.x, piece.y), direction * piece.format.height, up * piece.format.height, xf,
                 piece.format.widthFactor, colour(piece.format.rgb), piece.format.font);
    // Rules as thick as a font's underline, about a twentieth of the text's height.
    const double height = t->textHeight() > 0 ? t->textHeight() : 2.5;
    const DevicePoint o = dev(xf, t->location()), above = dev(xf, t->location() + up * height);
    const double pen = std::max(0.05 * std::hypot(above.x - o.x, above.y - o.y), m_pen.minimumWidth);
    m_canvas.setLinePattern({}, 1);
    for (const MTextLayout::Rule& rule : layout.rules()) {
        m_canvas.setPen(colour(rule.rgb), pen);
        m_canvas.stroke({dev(xf, at(rule.x0, rule.y0)), dev(xf, at(rule.x1, rule.y1))}, false);
    }
}

// The run's letters stand on the baseline along direction, upright towards up; a transform
// that mirrors the one onto the other's far side mirrors them too.
void PlotPainter::placeRun(const std::string& text, const AcGePoint3d& origin, const AcGeVector3d& direction,
                           const AcGeVector3d& up, const AcGeMatrix3d& xf, double widthFactor, std::uint32_t rgb,
                           const PlotFont& font)
{
    const DevicePoint o = dev(xf, origin), ahead = dev(xf, origin + direction), above = dev(xf, origin + up);
    const double ux = ahead.x - o.x, uy = ahead.y - o.y, vx = above.x - o.x, vy = above.y - o.y;
    const double length = std::hypot(ux, uy), height = std::hypot(vx, vy);
    if (!(length > 0) || !(height > 0) || !std::isfinite(length * height))
        return;
    // On the sheet (y down) up lies counter-clockwise of the baseline unless mirrored; a
    // mirrored run is drawn backwards from the opposite direction, its letters flipped.
    const bool mirrored = ux * vy - uy * vx > 0;
    const double angle = std::atan2(-uy, ux) + (mirrored ? M_PI : 0);
    const double stretch = widthFactor * length / height * (mirrored ? -1 : 1);
    TextMeasurer& measurer = m_canvas.measurer();
    m_canvas.text(text, o, angle, height / measurer.capHeight(measurer.face(font)), stretch, rgb, font);
}

namespace {

// A boundary edge, in its direction; a spline's chords stop once there are more than
// maxPoints.
void appendEdge(CurvedPath& path, const AcGeMatrix3d& plane, const AcDbHatch::Edge& e, size_t maxPoints)
{
    if (e.type == AcDbHatch::kLine) {
        if (path.empty())
            path.lineTo(dev(plane, AcGePoint3d(e.start.x, e.start.y, 0)));
        path.lineTo(dev(plane, AcGePoint3d(e.end.x, e.end.y, 0)));
        return;
    }
    if (e.type == AcDbHatch::kSpline) {
        for (const AcGePoint3d& p : e.splineCurve().flatten(kChordTolerance / planeScale(plane), maxPoints))
            path.lineTo(dev(plane, p));
        return;
    }
    AcGeVector2d u, v;
    double start = 0, sweep = 0;
    e.arcForm(u, v, start, sweep);
    appendArc(path, plane, AcGePoint3d(e.center.x, e.center.y, 0), AcGeVector3d(u.x, u.y, 0), AcGeVector3d(v.x, v.y, 0),
              start, sweep, true);
}

// A pattern line's dashes (positive), gaps (negative) and dots (zero), laid from its base
// point at along it and repeating every period, between from and to; point(s) is the line's
// point at s. The periods are counted, so that coordinates too large for a dash to advance
// them still end, and spend the plot's work before they are laid.
void strokeDashes(PlotCanvas& canvas, const std::vector<double>& dashes, double period, double at, double from,
                  double to, const std::function<DevicePoint(double)>& point)
{
    double phase = std::fmod(from - at, period);
    phase = !std::isfinite(phase) ? 0 : phase < 0 ? phase + period : phase;
    const double first = from - phase;
    const double count = std::ceil((to - first) / period);
    if (!(count < 1e18) || !canvas.spend(static_cast<size_t>(std::max(count, 0.0)) * kDashPeriodPrice.units))
        return;
    const long periods = static_cast<long>(count);
    for (long i = 0; i < periods; ++i) {
        double s = first + period * static_cast<double>(i);
        for (double dash : dashes) {
            const double end = s + std::abs(dash), a = std::max(s, from), b = std::min(end, to);
            if (dash == 0 ? s >= from && s <= to : dash > 0 && a < b)
                canvas.stroke({point(a), point(dash == 0 ? s + 1e-9 : b)}, false);
            s = end;
        }
    }
}

} // namespace

void PlotPainter::drawHatch(const AcDbHatch* h, const AcGeMatrix3d& xf, std::uint32_t rgb)
{
    m_canvas.setLinePattern({}, 1);   // pattern lines carry their own dashes
    const AcGeMatrix3d plane = planeOf(xf, h->normal(), h->elevation());
    std::vector<CurvedPath> loops;
    size_t points = 0;   // the loops' points so far, at most one more than the work left
    for (const AcDbHatch::Loop& loop : h->loops()) {
        const size_t left = m_canvas.workLeft() - points;
        CurvedPath path = bulgedPath(plane, loop.vertices, loop.bulges, true, 0, left);
        for (size_t i = 0; i < loop.edges.size() && path.size() <= left; ++i)
            appendEdge(path, plane, loop.edges[i], left - path.size());
        points += path.size();
        if (!m_canvas.afford(points * kPointPrice.units))
            return;
        if (path.size() >= 3)
            loops.push_back(std::move(path));
    }
    if (loops.empty())
        return;
    if (h->isSolidFill()) {
        m_canvas.fill(loops, rgb);
        return;
    }
    // The boundary, cut into chords, in the hatch's plane, where the pattern's lines are laid
    // out, and the box of the part of it that may show on the sheet.
    const AcGeMatrix3d toPlane = plane.inverse();
    std::vector<std::vector<AcGePoint2d>> boundary;
    Box2d box, onSheet;
    DevicePath chords;
    for (const CurvedPath& loop : loops) {
        const size_t before = chords.size();
        loop.flatten(chords, kChordTolerance, m_canvas.workLeft());
        if (!m_canvas.afford(chords.size() * kPointPrice.units))
            return;
        boundary.emplace_back();
        for (const DevicePoint& p : std::span(chords).subspan(before)) {
            const AcGePoint3d q = toPlane.transform(AcGePoint3d(p.x, p.y, 0));
            box.add(q.x, q.y);
            onSheet.add(p.x, p.y);
            boundary.back().emplace_back(q.x, q.y);
        }
    }
    if (!shownPart(onSheet, mayShow(), toPlane, box))
        return;
    // A pattern that evaluates too dense has more lines than the host draws: it shows solid.
    if (h->patternLineCount(true) > AcDbHatchPatterns::maxLines()) {
        m_canvas.fill(loops, rgb);
        return;
    }
    for (const AcDbHatch::PatternLine& line : h->patternLines())
        if (!drawPatternLines(line, boundary, box, plane)) {
            m_canvas.fill(loops, rgb);   // lines closer than half a dot show solid
            break;
        }
}

bool PlotPainter::drawPatternLines(const AcDbHatch::PatternLine& line,
                                   const std::vector<std::vector<AcGePoint2d>>& boundary, const Box2d& box,
                                   const AcGeMatrix3d& plane)
{
    const AcGeVector2d d(std::cos(line.angle), std::sin(line.angle)), n(-d.y, d.x);
    const double spacing = line.offset.x * n.x + line.offset.y * n.y;
    if (std::abs(spacing) * planeScale(plane) < 0.5)
        return false;
    // The range of the family's lines (k) and of the points along each (s) over the box.
    double nMin = 1e300, nMax = -1e300, sMin = 1e300, sMax = -1e300;
    for (const AcGePoint2d c : {AcGePoint2d(box.minX, box.minY), AcGePoint2d(box.maxX, box.minY),
                                AcGePoint2d(box.minX, box.maxY), AcGePoint2d(box.maxX, box.maxY)}) {
        nMin = std::min(nMin, c.x * n.x + c.y * n.y), nMax = std::max(nMax, c.x * n.x + c.y * n.y);
        sMin = std::min(sMin, c.x * d.x + c.y * d.y), sMax = std::max(sMax, c.x * d.x + c.y * d.y);
    }
    // Line k passes base + k offset. A base too far from the box to number the lines over it
    // (1e308 in a file) is taken at the box's corner instead.
    AcGePoint2d base = line.base;
    auto lineRange = [&](double& k0, double& k1) {
        const double at = base.x * n.x + base.y * n.y;
        k0 = (nMin - at) / spacing, k1 = (nMax - at) / spacing;
        if (k0 > k1)
            std::swap(k0, k1);
    };
    double k0 = 0, k1 = 0;
    lineRange(k0, k1);
    if (!(std::abs(k0) < 1e9 && std::abs(k1) < 1e9)) {
        base = AcGePoint2d(box.minX, box.minY);
        lineRange(k0, k1);
    }
    if (!(std::abs(k0) < 1e9 && std::abs(k1) < 1e9))
        return false;
    // The lines cut by the boundary's edges in the family's frame: line k where u is k. Each
    // line, and each time one crosses the boundary, spends the plot's work before it is cut.
    if (!m_canvas.spend(static_cast<size_t>(k1 - k0 + 1) * kPatternLinePrice.units))
        return true;
    ScanlineClip clip(static_cast<long>(std::ceil(k0)), static_cast<long>(std::floor(k1)));
    const double baseAcross = base.x * n.x + base.y * n.y;
    std::vector<FramePoint> frame;
    for (const std::vector<AcGePoint2d>& loop : boundary) {
        frame.clear();
        for (const AcGePoint2d& p : loop)
            frame.push_back({(p.x * n.x + p.y * n.y - baseAcross) / spacing, p.x * d.x + p.y * d.y});
        clip.addLoop(frame);
    }
    if (!m_canvas.spend(clip.crossings() * kPatternLinePrice.units))
        return true;
    double period = 0;
    for (double dash : line.dashes)
        period += std::abs(dash);
    clip.scan([&](long k, double from, double to) {
        const AcGePoint2d p = base + line.offset * static_cast<double>(k);
        const double at = p.x * d.x + p.y * d.y;
        auto point = [&](double s) {
            const AcGePoint2d q = p + d * (s - at);
            return dev(plane, AcGePoint3d(q.x, q.y, 0));
        };
        // Only the part of the piece within the box may show.
        from = std::max(from, sMin), to = std::min(to, sMax);
        if (!(from < to) || m_canvas.exhausted())
            return;
        if (period > 0)
            strokeDashes(m_canvas, line.dashes, period, at, from, to, point);
        else
            m_canvas.stroke({point(from), point(to)}, false);
    });
    return true;
}

void PlotPainter::drawProxy(const AcDbEntity* ent, const AcGeMatrix3d& xf, const Inherited& mine)
{
    const auto* proxy = AcDbProxyEntity::cast(ent);
    if (!proxy)
        return;
    const std::string_view type = proxy->dxfName();
    if (type == "POINT")
        drawPoint(proxy, xf, mine);
    else if (type == "SOLID" || type == "TRACE")
        drawSolid(proxy, xf, mine);
    else if (type == "ELLIPSE")
        drawEllipse(proxy, xf);
    else if (type == "XLINE" || type == "RAY")
        drawConstructionLine(proxy, xf, type == "RAY");
    else if (drawnFromPairs(type)) {
        // Each draws only the types it knows: dimensions, tables, leaders, multileaders and
        // multilines; splines, 3D faces, meshes and wipeouts.
        drawAnnotation(proxy, xf, mine);
        drawProxyGeometry(proxy, xf);
    } else {
        drawProxyGraphics(proxy, xf, mine);
    }
}

void PlotPainter::drawProxyGraphics(const AcDbProxyEntity* e, const AcGeMatrix3d& xf, const Inherited& mine)
{
    const double scale = planeScale(xf);
    if (!(scale > 0))
        return;
    const ProxyGraphics graphics(*e, kChordTolerance / scale, m_canvas.workLeft());
    const AcDbLayerTable* layers = nullptr;
    if (const AcDbDatabase* db = e->database())
        layers = AcDbLayerTable::cast(db->layerTableId().object());
    for (const ProxyGraphics::Part& part : graphics.parts()) {
        const ProxyGraphics::Style& style = part.style;
        const AcDbLayerTableRecord* layer = mine.layer;
        if (style.layer >= 0 && layers && static_cast<size_t>(style.layer) < layers->recordIds().size())
            layer = AcDbLayerTableRecord::cast(layers->recordIds()[static_cast<size_t>(style.layer)].object());
        if (part.points.empty() || (layer && layer != mine.layer && (!layerShown(layer) || (m_frozen && m_frozen->count(layer->objectId())))))
            continue;
        const std::uint32_t rgb = colourOf(style.colour, layer, mine);
        const int weight = style.lineWeight == AcDb::kLnWtByLayer ? (layer ? layer->lineWeight() : mine.lineWeight)
            : style.lineWeight < 0                              ? mine.lineWeight
                                                                : style.lineWeight;
        m_canvas.setPen(rgb, widthOf(weight < 0 ? 25 : weight));
        DevicePath path;
        for (const AcGePoint3d& p : part.points)
            path.push_back(dev(xf, p));
        switch (part.kind) {
        case ProxyGraphics::Kind::kLine: m_canvas.stroke(path, part.closed); break;
        case ProxyGraphics::Kind::kArea: m_canvas.fill({path}, rgb); break;
        case ProxyGraphics::Kind::kText:
        {
            TextLayout layout;
            layout.widthFactor = part.widthFactor;
            placeText(part.text, part.points[0], part.direction, part.up, xf, layout, rgb);
            break;
        }
        case ProxyGraphics::Kind::kXLine:
        case ProxyGraphics::Kind::kRay:
            if (path.size() == 2)
                strokeConstructionLine(path[0], path[1], part.kind == ProxyGraphics::Kind::kRay);
            break;
        }
    }
}

void PlotPainter::drawProxyGeometry(const AcDbProxyEntity* e, const AcGeMatrix3d& xf)
{
    const double scale = planeScale(xf);
    if (!(scale > 0))
        return;
    const ProxyGeometry g = proxyGeometry(*e, kChordTolerance / scale);
    if (!g.mask.empty()) {
        DevicePath area;
        for (const AcGePoint3d& p : g.mask)
            area.push_back(dev(xf, p));
        m_canvas.fill({area}, kPaper);
    }
    for (const PointRun& run : g.lines) {
        DevicePath path;
        for (const AcGePoint3d& p : run)
            path.push_back(dev(xf, p));
        m_canvas.stroke(path, false);
    }
}

void PlotPainter::drawConstructionLine(const AcDbProxyEntity* e, const AcGeMatrix3d& xf, bool ray)
{
    AcGePoint3d base, direction;
    if (!e->storedPoint(10, base) || !e->storedPoint(11, direction))
        return;
    const AcGeVector3d d3 = xf.transform(direction.asVector());
    const DevicePoint p = dev(xf, base);
    strokeConstructionLine(p, {p.x + d3.x, p.y + d3.y}, ray);
}

void PlotPainter::strokeConstructionLine(DevicePoint p, DevicePoint through, bool ray)
{
    // The line's part over the sheet (a unit beyond its edges), cut from its parameter range.
    const double d[] = {through.x - p.x, through.y - p.y}, from[] = {p.x, p.y},
                 hi[] = {m_canvas.width() + 1, m_canvas.height() + 1};
    if (!(std::hypot(d[0], d[1]) > 0) || !std::isfinite(p.x) || !std::isfinite(p.y))
        return;
    double t0 = ray ? 0 : -INFINITY, t1 = INFINITY;
    for (int axis = 0; axis < 2; ++axis) {
        if (d[axis] == 0) {
            if (from[axis] < -1 || from[axis] > hi[axis])
                return;
            continue;
        }
        double a = (-1 - from[axis]) / d[axis], b = (hi[axis] - from[axis]) / d[axis];
        if (a > b)
            std::swap(a, b);
        t0 = std::max(t0, a), t1 = std::min(t1, b);
    }
    if (!(t0 < t1) || !std::isfinite(t0) || !std::isfinite(t1))
        return;
    m_canvas.stroke({{p.x + d[0] * t0, p.y + d[1] * t0}, {p.x + d[0] * t1, p.y + d[1] * t1}}, false);
}

bool PlotPainter::drawWideSequence(const AcDbSequencePolyline* pl, const AcGeMatrix3d& xf, const Inherited& mine)
{
    AcDbPolyline flat;
    if (pl->getFlatPolyline(flat) != Acad::eOk)
        return false;
    const auto& vertices = flat.vertices();
    if (std::none_of(vertices.begin(), vertices.end(),
                     [](const AcDbPolyline::Vertex& v) { return v.startWidth > 0 || v.endWidth > 0; }))
        return false;
    drawPolyline(&flat, xf, mine);
    return true;
}

void PlotPainter::drawPoint(const AcDbProxyEntity* p, const AcGeMatrix3d& xf, const Inherited& mine)
{
    AcGePoint3d at;
    if (!p->storedPoint(10, at))
        return;
    // A dot as wide as the pen, and never less than half a millimetre across.
    const DevicePoint centre = dev(xf, at);
    const double radius = std::max(widthOf(mine.lineWeight), 0.5 * m_canvas.unitsPerMm()) / 2;
    DevicePath dot;
    for (int i = 0; i < 12; ++i)
        dot.push_back({centre.x + radius * std::cos(i * M_PI / 6), centre.y + radius * std::sin(i * M_PI / 6)});
    m_canvas.fill({dot}, mine.rgb);
}

void PlotPainter::drawSolid(const AcDbProxyEntity* s, const AcGeMatrix3d& xf, const Inherited& mine)
{
    // Corners in the entity's plane, filled in the order 1, 2, 4, 3; a triangle repeats its
    // third corner as the fourth.
    AcGePoint3d corners[4];
    for (int i = 0; i < 3; ++i)
        if (!s->storedPoint(10 + i, corners[i]))
            return;
    if (!s->storedPoint(13, corners[3]))
        corners[3] = corners[2];
    AcGePoint3d normal(0, 0, 1);
    s->storedPoint(210, normal);
    const AcGeVector3d axis = normal.asVector();
    const AcGeMatrix3d plane = xf * AcGeMatrix3d::planeToWorld(axis.length() > 1e-12 ? axis : AcGeVector3d::kZAxis);
    DevicePath quad;
    for (int i : {0, 1, 3, 2})
        quad.push_back(dev(plane, AcGePoint3d(corners[i].x, corners[i].y, corners[0].z)));
    m_canvas.fill({quad}, mine.rgb);
    m_canvas.stroke(quad, true);   // a solid without area still shows as its edges
}

void PlotPainter::drawEllipse(const AcDbProxyEntity* e, const AcGeMatrix3d& xf)
{
    EllipseArc arc;
    if (!ellipseArc(*e, arc))
        return;
    CurvedPath path;
    appendArc(path, xf, arc.centre, arc.major, arc.minor, arc.start, arc.sweep, true);
    m_canvas.stroke(path, arc.full());
}

void PlotPainter::drawAnnotation(const AcDbProxyEntity* p, const AcGeMatrix3d& xf, const Inherited& mine)
{
    const PlotAnnotation parts(p);
    const auto path = [&](const PlotAnnotation::Polyline& line) {
        DevicePath out;
        for (const AcGePoint3d& point : line)
            out.push_back(dev(xf, point));
        return out;
    };
    for (const auto* lines : {&parts.lines(), &parts.fills()})
        for (const PlotAnnotation::Polyline& line : *lines)
            lines == &parts.lines() ? m_canvas.stroke(path(line), false) : m_canvas.fill({path(line)}, mine.rgb);
    // Parts of their own colour: by layer the entity's layer's, by block the entity's.
    for (const auto& [line, colour] : parts.colouredLines()) {
        m_canvas.setPen(colourOf(colour, mine.layer, mine), widthOf(mine.lineWeight));
        m_canvas.stroke(path(line), false);
    }
    m_canvas.setPen(mine.rgb, widthOf(mine.lineWeight));
    for (const auto& text : parts.texts())
        drawMText(text.get(), xf, colourOf(text.get(), mine.layer, mine));
    for (const auto& block : parts.blocks())
        drawReference(block.get(), xf, mine, mine);
}

} // namespace qv
