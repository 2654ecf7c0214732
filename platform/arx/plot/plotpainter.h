// Draws the entities of a block table record onto a plot canvas, in draw order, through a
// transform from drawing coordinates to device units: curves, texts, hatches, block
// references nested to any depth (arrays of references too) with their attributes, and
// viewports with their frames. Layers that are off, frozen or not plotted (or frozen in the
// viewport being drawn) are left out, of a viewport its frame only; colours and line weights
// by layer and by block are resolved as the host does, layer "0" inside a block taking the
// reference's layer; linetypes likewise, their patterns scaled by the entity's and the
// drawing's linetype scales. Points, solids, traces, ellipses, curves and annotations are
// read from the pairs the database keeps of them.
// A reference whose block lies wholly outside the visible area is not descended into, and
// every entity drawn (through nested references, each cell of an array) spends a unit of the
// canvas's work: once that is spent, nothing more is drawn. A multiline text of the drawing
// is laid out once per plot, for its extents and its drawing alike, and what its layout holds
// spends the work as it is made.
#pragma once

#include "mtextlayout.h"
#include "plotcanvas.h"
#include "plottext.h"
#include "plotwork.h"
#include "textstylefonts.h"

#include "arx/dbboxtree.h"
#include "arx/dbhatch.h"
#include "arx/dbid.h"
#include "arx/geometry.h"

#include <functional>
#include <memory>
#include <optional>
#include <unordered_map>
#include <unordered_set>

class AcCmColor;
class AcDbBlockReference;
class AcDbBlockTableRecord;
class AcDbCircle;
class AcDbEntity;
class AcDbLayerTableRecord;
class AcDbLinetypeTableRecord;
class AcDbMText;
class AcDbPolyline;
class AcDbProxyEntity;
class AcDbSequencePolyline;
class AcDbText;
class AcDbViewport;

namespace qv {

class PlotAnnotation;

struct PlotPen {
    bool monochrome = false;     // every colour black (a monochrome plot style table)
    bool lineweights = false;    // strokes as wide as their line weights
    double minimumWidth = 0;     // device units (a pixel on rasters)
};

// The layouts of a plot's multiline texts, by the texts' ids: the painters of a paper
// layout's viewports share them.
using MTextLayouts = std::unordered_map<AcDbObjectId, MTextLayout>;

class PlotPainter
{
public:
    PlotPainter(PlotCanvas& canvas, const PlotPen& pen,
                std::shared_ptr<MTextLayouts> layouts = std::make_shared<MTextLayouts>());

    // Draws the record's entities; frozen layers (of a viewport) are left out too.
    void draw(const AcDbBlockTableRecord* space, const AcGeMatrix3d& xf,
              const std::unordered_set<AcDbObjectId>* frozen = nullptr);
    PlotCanvas& canvas() const { return m_canvas; }
    const PlotPen& pen() const { return m_pen; }
    const std::shared_ptr<MTextLayouts>& mtextLayouts() const { return m_layouts; }
    // Called for each viewport met (a paper layout's windows on model space).
    void onViewport(std::function<void(const AcDbViewport*)> handler) { m_viewport = std::move(handler); }
    // Linetype patterns come out factor times longer (a viewport's contents measured on
    // the paper).
    void scaleLinetypes(double factor) { m_linetypeFactor = factor; }
    // The part of the sheet that shows anything (device units; the whole sheet unless set).
    void clipTo(const Box2d& visible) { m_visible = visible; }

    // The record's entities' extents (visible layers only) in the plane, without drawing;
    // texts measured with the glyphs they are drawn with.
    Box2d extents(const AcDbBlockTableRecord* space);
    // Whether anything of the record may show in the area (an entity without a box may); its
    // multiline texts' layouts spend work, and once it is spent anything may show.
    static bool showsIn(const AcDbBlockTableRecord* space, const Box2d& area, PlotWork& work);
    // The box of what a multiline text draws in font, its texts measured by measure, its
    // layout spending work.
    static AcDbExtents mtextExtents(const AcDbMText* t, const PlotFont& font, const MTextLayout::Measure& measure,
                                    PlotWork& work);
    // Whether the entity's layer is drawn at all (on, thawed and plottable).
    static bool layerShown(const AcDbEntity* entity);
    static bool layerShown(const AcDbLayerTableRecord* layer);

private:
    // What a block's entities take from the reference that draws them.
    struct Inherited {
        const AcDbLayerTableRecord* layer = nullptr;
        std::uint32_t rgb = 0;
        int lineWeight = 25;
        const AcDbLinetypeTableRecord* linetype = nullptr;   // none: continuous
        int depth = 0;
    };

    void drawBlock(const AcDbBlockTableRecord* btr, const AcGeMatrix3d& xf, const Inherited& from);
    void drawEntity(const AcDbEntity* ent, const AcGeMatrix3d& xf, const Inherited& from);
    void drawReference(const AcDbBlockReference* ref, const AcGeMatrix3d& xf, const Inherited& from,
                       const Inherited& mine);
    // What a block draws, in its own coordinates with its nested references and arrays: as
    // measured, and widened where the measure is an estimate (multiline texts) to tell what
    // may show; unbounded when something in it has no box (a construction line, a viewport).
    struct BlockBox {
        AcDbExtents box, reach;
        bool bounded = true;
    };
    const BlockBox& blockBox(const AcDbBlockTableRecord* btr, int depth);
    // Adds the entity's box in its block; false when it has none.
    bool addBox(const AcDbEntity* ent, BlockBox& box, int depth);
    bool addAnnotationBox(const PlotAnnotation& parts, BlockBox& box, int depth);
    bool addReferenceBox(const AcDbBlockReference* ref, BlockBox& box, int depth);
    // Whether the block placed by xf may show in the visible area.
    bool shows(const AcDbBlockTableRecord* btr, const AcGeMatrix3d& xf);
    // What may show on the sheet: the visible area with a margin for pens and glyphs.
    Box2d mayShow() const;
    // A viewport: what it shows (through the viewport handler), then its frame unless its
    // layer hides it (frame null).
    void drawViewport(const AcDbViewport* vp, const AcGeMatrix3d& xf, const Inherited* frame);
    void drawPolyline(const AcDbPolyline* pl, const AcGeMatrix3d& xf, const Inherited& mine);
    void drawSequence(const AcDbSequencePolyline* pl, const AcGeMatrix3d& xf);
    // A run of bulged vertices; a dashed pattern restarts at each vertex unless continuous.
    void strokeVertices(const AcGeMatrix3d& plane, const std::vector<AcGePoint2d>& points,
                        const std::vector<double>& bulges, bool closed, bool continuous);
    void drawCircle(const AcDbCircle* c, const AcGeMatrix3d& xf);
    void drawText(const AcDbText* t, const AcGeMatrix3d& xf, std::uint32_t rgb);
    void drawMText(const AcDbMText* t, const AcGeMatrix3d& xf, std::uint32_t rgb);
    // The text laid out in font with at most maxElements (see MTextLayout).
    static MTextLayout layoutOf(const AcDbMText* t, const PlotFont& font, const MTextLayout::Measure& measure,
                                std::size_t maxElements);
    // The same within the work left, its parts spending it.
    static MTextLayout layoutWithin(const AcDbMText* t, const PlotFont& font, const MTextLayout::Measure& measure,
                                    PlotWork& work);
    static AcDbExtents extentsOf(const AcDbMText* t, const MTextLayout& layout);
    // The text's layout in its style's font, as the canvas measures it: made on the text's
    // first use in the plot, its elements spending the work left; a text outside the drawing
    // (an annotation's) is laid out anew.
    const MTextLayout& layoutOf(const AcDbMText* t);
    MTextLayout::Measure measureRun();
    void drawHatch(const AcDbHatch* h, const AcGeMatrix3d& xf, std::uint32_t rgb);
    // One family of a pattern's parallel lines, the parts inside the boundary's loops (in the
    // hatch's plane) within the box of what may show; false when the lines stand too close to
    // draw.
    bool drawPatternLines(const AcDbHatch::PatternLine& line, const std::vector<std::vector<AcGePoint2d>>& boundary,
                          const Box2d& box, const AcGeMatrix3d& plane);
    void drawProxy(const AcDbEntity* ent, const AcGeMatrix3d& xf, const Inherited& mine);
    // A flat polyline whose vertices have widths, drawn as a lightweight one; false when
    // it has none.
    bool drawWideSequence(const AcDbSequencePolyline* pl, const AcGeMatrix3d& xf, const Inherited& mine);
    // Polyface and polygon meshes by their edges; false for the other polylines.
    bool drawMesh(const AcDbSequencePolyline* pl, const AcGeMatrix3d& xf);
    // Splines, 3D faces, meshes and wipeouts (filled with the paper's colour), as the
    // database describes their geometry; they too are read from the pairs kept of them.
    void drawProxyGeometry(const AcDbProxyEntity* e, const AcGeMatrix3d& xf);
    // The proxy graphics of an entity of a type not drawn otherwise: lines, areas and texts
    // in the colours, layers and line weights their commands give (those of a layer that is
    // not shown left out).
    void drawProxyGraphics(const AcDbProxyEntity* e, const AcGeMatrix3d& xf, const Inherited& mine);
    // An XLINE (infinite both ways) or a RAY (from its base point), clipped to the sheet.
    void drawConstructionLine(const AcDbProxyEntity* e, const AcGeMatrix3d& xf, bool ray);
    // The line through two device points (a ray from the first), clipped to the sheet.
    void strokeConstructionLine(DevicePoint p, DevicePoint through, bool ray);
    // Types kept as read pairs: points, solids and traces, ellipses.
    void drawPoint(const AcDbProxyEntity* p, const AcGeMatrix3d& xf, const Inherited& mine);
    void drawSolid(const AcDbProxyEntity* s, const AcGeMatrix3d& xf, const Inherited& mine);
    void drawEllipse(const AcDbProxyEntity* e, const AcGeMatrix3d& xf);
    // Annotations kept as read pairs: dimensions, tables, leaders, multileaders, multilines.
    void drawAnnotation(const AcDbProxyEntity* p, const AcGeMatrix3d& xf, const Inherited& mine);
    // Where a line of text goes relative to its anchor.
    struct TextLayout {
        double widthFactor = 1;
        double align = 0;      // 0 left, 0.5 centre, 1 right of the anchor
        double baseline = 0;   // the baseline's offset from the anchor, in text heights (up)
        double fitLength = 0;  // device units the text spans when aligned or fitted
        bool fitHeight = false;   // aligned (height scales too) rather than fitted
        std::vector<TextRule> rules;   // stretches under or over a line
        PlotFont font;
    };
    // Where a text entity's line goes: its anchor, direction and up (a text height long).
    struct TextPlace {
        AcGePoint3d anchor;
        AcGeVector3d direction, up;
        TextLayout layout;
    };
    // A line of text on the sheet: its baseline from origin along (a unit vector), its em,
    // stretch and face, and how far it advances.
    struct TextRun {
        DevicePoint origin, along;
        double em = 0, widthFactor = 1, advance = 0;
        unsigned face = 0;
    };
    TextPlace textPlace(const AcDbText* t, const AcGeMatrix3d& xf);
    bool textRun(const std::string& text, const TextPlace& place, const AcGeMatrix3d& xf, TextRun& run);
    // The box a text entity's glyphs take, from the font's descent to its ascent.
    AcDbExtents textBox(const AcDbText* t);
    // A line of text at an anchor; direction and up are a text height long in the drawing.
    void placeText(const std::string& text, const AcGePoint3d& anchor, const AcGeVector3d& direction,
                   const AcGeVector3d& up, const AcGeMatrix3d& xf, const TextLayout& layout, std::uint32_t rgb);
    // A run of a multiline text at its baseline's start; direction and up are its height long.
    void placeRun(const std::string& text, const AcGePoint3d& origin, const AcGeVector3d& direction,
                  const AcGeVector3d& up, const AcGeMatrix3d& xf, double widthFactor, std::uint32_t rgb,
                  const PlotFont& font);

    const std::vector<AcDbObjectId>& drawOrder(const AcDbBlockTableRecord* btr);
    std::uint32_t colourOf(const AcDbEntity* ent, const AcDbLayerTableRecord* layer, const Inherited& from) const;
    std::uint32_t colourOf(const AcCmColor& colour, const AcDbLayerTableRecord* layer, const Inherited& from) const;
    double widthOf(int lineWeight) const;
    const AcDbLinetypeTableRecord* linetypeOf(const AcDbEntity* ent, const AcDbLayerTableRecord* layer,
                                              const Inherited& from) const;
    void setLinePattern(const AcDbEntity* ent, const AcDbLinetypeTableRecord* linetype, const AcGeMatrix3d& xf);

    PlotCanvas& m_canvas;
    PlotPen m_pen;
    const std::unordered_set<AcDbObjectId>* m_frozen = nullptr;
    std::function<void(const AcDbViewport*)> m_viewport;
    std::unordered_map<const AcDbBlockTableRecord*, std::vector<AcDbObjectId>> m_orders;
    std::unordered_set<const AcDbBlockTableRecord*> m_open;   // references being drawn (no cycles)
    std::unordered_map<const AcDbBlockTableRecord*, BlockBox> m_boxes;
    TextStyleFonts m_styleFonts;
    std::shared_ptr<MTextLayouts> m_layouts;
    std::optional<MTextLayout> m_looseLayout;   // of the last text outside the drawing
    Box2d m_visible;
    double m_linetypeFactor = 1, m_linetypeScale = 1;   // the viewport's factor; times the drawing's scale
    std::vector<double> m_dashes;   // the pattern being set
};

} // namespace qv
