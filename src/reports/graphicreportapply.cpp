// Applying a graphic report to a drawing: the report's layers on and every other layer off,
// its link lines, the space blocks and assets of each category hatched and formatted in the
// category's style, and on a full host the legend table and the pie chart at the first
// markers of the drawing. Progress goes to the command line one line per step.
#include "reports/graphicreport.h"

#include "arx/acutprintf.h"
#include "arx/dbdatabase.h"
#include "blocks/assets.h"
#include "blocks/attributes.h"
#include "blocks/blockdwg.h"
#include "blocks/blocks.h"
#include "blocks/hatch.h"
#include "blocks/markerblocklegend.h"
#include "blocks/markerblockpie.h"
#include "host/acaddrawing.h"
#include "host/acaddrawingstate.h"
#include "host/acadhost.h"
#include "host/hostguards.h"
#include "host/layer.h"
#include "host/measureunits.h"
#include "reports/categories.h"
#include "reports/legendtable.h"
#include "reports/linkline.h"
#include "reports/linklines.h"
#include "reports/piechart.h"
#include "support/excustom.h"
#include "support/kavroexceptions.h"
#include "support/kavroguard.h"
#include "support/utilities.h"

#include <memory>
#include <vector>

namespace {

// A block list that owns its blocks whatever their kind.
struct DestroyBlocks
{
    void operator()(CBlocks* blocks) const
    {
        cleanUpQuietly([&] { blocks->destroyBlocks(); });
        delete blocks;
    }
};
using OwnedBlocks = std::unique_ptr<CBlocks, DestroyBlocks>;

// A layer that what the report shows stands on: thawed, unlocked, on and plottable.
void showLayer(CAcadDrawingState& state, const CString& layer)
{
    state.setLayerState(layer, 0, 0, 0, 1);
}

// The layer the hatches of a style are drawn on.
void showHatchLayer(CAcadDrawingState& state, const CHatch* hatch)
{
    if (hatch)
        showLayer(state, hatch->getDrawnLayer());
}

// The layer of a reference the report placed (a legend, a pie chart), which shows it.
void showReferenceLayer(CAcadDrawingState& state, AcDbObjectId id)
{
    if (const auto reference = openObject<AcDbEntity>(id, AcDb::kForRead))
        showLayer(state, reference->layer());
}

// The id of the object a handle names in the database, or the null id when it names none.
AcDbObjectId idOf(AcDbDatabase* database, const AcDbHandle& handle)
{
    AcDbObjectId id;
    if (database->getAcDbObjectId(id, false, handle) != Acad::eOk)
        return AcDbObjectId();
    return id;
}

// Applies the block and prints what went wrong with it, if anything.
void applyBlock(CBlockDWG* block, CAcadDrawing* drawing)
{
    CKavroExceptions errors;
    block->applyToDWG(drawing, &errors);
    if (errors.getCount() == 0)
        return;
    acutPrintf("\t\terror(s) occurred whilst applying kavro block %s - %s.\n", block->getCode(), block->getHandle());
    errors.printAll();
}

// Gives the target the template's formatting but keeps the target's own text rotation,
// height and width factor, then applies it. The target keeps its own area too: a template
// carries the area a register once held (or none at all for "*"), and writing that back
// would overwrite the measured area stored with the space.
void formatBlock(const CBlockDWG* templateBlock, CBlockDWG* target, CAcadDrawing* drawing)
{
    const double area = target->getArea();
    double rotation = 0.0, height = 0.0, widthFactor = 0.0;
    if (CAttributes* own = target->getAttributes()) {
        rotation = own->getRotation();
        height = own->getTextHeight();
        widthFactor = own->getWidthFactor();
    }
    templateBlock->copyFormatting(target);
    target->setArea(area);
    if (CAttributes* own = target->getAttributes()) {
        own->setRotation(rotation);
        own->setTextHeight(height);
        own->setWidthFactor(widthFactor);
    }
    applyBlock(target, drawing);
}

void restoreAfterFailure(CAcadDrawing* drawing, CAcadDrawingState* before)
{
    // The failure is the caller's to report: putting things back must not replace it.
    if (before)
        cleanUpQuietly([&] { before->applyState(drawing, 0); });
    cleanUpQuietly([&] { drawing->unlock(FALSE); });
}

void switchLayersOn(CLayers* layersOn, CAcadDrawing* drawing, CAcadDrawingState& working)
{
    if (!layersOn)
        return;
    working.setStateAllOff(drawing);
    for (int i = 0; i < layersOn->getCount(); ++i)
        showLayer(working, layersOn->getAt(i)->getName());
}

// Every room of the drawing. Gross-area and site blocks are left out: the category's area
// is the sum of its rooms, which the floor's gross area would count a second time.
OwnedBlocks drawingRooms(CAcadDrawing* drawing)
{
    OwnedBlocks rooms(new CBlocks);
    OwnedBlocks all(new CBlocks);
    all->getKavroDWGBlocks_SS(drawing, nullptr, 1, "f");
    std::vector<std::unique_ptr<CBlock>> others;
    for (int i = 0; i < all->count(); ++i) {
        CBlock* block = all->getAt(i);
        if (block->getBlockType() == kBlockDWGFloor || block->getBlockType() == kBlockDWGSite)
            others.emplace_back(block);
        else
            rooms->addBlock(block);
    }
    // The list lets go of its drawing-side blocks without destroying them.
    all->deleteObjects();
    return rooms;
}

// Formats the rooms after the template and applies them, their layers shown.
void formatRooms(const CBlocks& rooms, const CBlockDWG* templateBlock, CAcadDrawing* drawing,
                 CAcadDrawingState& working)
{
    for (int i = 0; i < rooms.count(); ++i) {
        auto* block = dynamic_cast<CBlockDWG*>(rooms.getAt(i));
        if (!block)
            continue;
        formatBlock(templateBlock, block, drawing);
        showLayer(working, block->getLayer());
    }
}

// Applies the category's assets; gives how many of them the drawing holds.
int applyAssets(CCategory* category, CAcadDrawing* drawing, AcDbDatabase* database, CAcadDrawingState& working)
{
    CAssets* assets = category->getAssets();
    if (!assets)
        return 0;
    // The assets' own problems are collected and not shown.
    CKavroExceptions errors;
    int found = 0;
    for (int i = 0; i < assets->getCount(); ++i) {
        CAsset* asset = assets->getAt(i);
        const AcDbObjectId id = idOf(database, *asset->getAcDbHandle());
        if (id.isNull())
            continue;
        ++found;
        asset->setObjectId(id);
        asset->applyToDWG(drawing, &errors);
        if (const auto entity = openObject<AcDbEntity>(id, AcDb::kForRead))
            showLayer(working, entity->layer());
    }
    return found;
}

// Applies the category's blocks; gives how many space blocks of the drawing they came to
// ("*" counting every room it took). The first "*" takes the rooms read before, if any.
int applyBlocks(CCategory* category, CAcadDrawing* drawing, AcDbDatabase* database, CAcadDrawingState& working,
                OwnedBlocks& readRooms)
{
    CBlocks* walked = category->getBlocks();
    if (!walked)
        return 0;
    acutPrintf("\tcategory contains %d blocks.\n", walked->count());
    int found = 0;
    // Once "*" hands the category a list of the drawing's blocks, the walk goes on over the
    // list it started with, which is then the walk's to destroy.
    OwnedBlocks handedOver;
    for (int i = 0; i < walked->count(); ++i) {
        auto* entry = dynamic_cast<CBlockDWG*>(walked->getAt(i));
        if (!entry)
            continue;
        if (entry->getHandle() == "*") {
            if (!handedOver)
                handedOver.reset(walked);
            else
                DestroyBlocks()(category->getBlocks());
            OwnedBlocks rooms = readRooms ? std::move(readRooms) : drawingRooms(drawing);
            formatRooms(*rooms, entry, drawing, working);
            found += rooms->count();
            category->setBlocks(rooms.release());
            continue;
        }
        const AcDbObjectId id = idOf(database, *entry->getAcDbHandle());
        if (id.isNull())
            continue;
        entry->setObjectId(id);
        std::unique_ptr<CBlockDWG> read;
        {
            const auto entity = openObject<AcDbEntity>(id, AcDb::kForWrite);
            if (!entity) {
                // The reference cannot be opened here (a locked layer, say): the entry is
                // applied as it stands, finding its reference through the id.
                applyBlock(entry, drawing);
                showLayer(working, entry->getLayer());
                ++found;
                continue;
            }
            if (auto* reference = AcDbBlockReference::cast(entity.get()))
                read = std::make_unique<CBlockDWG>(reference, drawing->getDocument());
        }
        if (!read)
            continue;
        ++found;
        formatBlock(entry, read.get(), drawing);
        walked->replaceAt(i, read.release());
        // The list releases a drawing-side block without destroying it.
        if (entry->getBlockType() != kBlock)
            delete entry;
    }
    return found;
}

// Says how much of the category the drawing holds: a report applied to the wrong drawing
// otherwise looks like one that worked. The category's hatch layer is shown when anything
// of it was hatched.
void applyCategory(CCategory* category, CAcadDrawing* drawing, AcDbDatabase* database, CAcadDrawingState& working,
                   OwnedBlocks& readRooms)
{
    const int assets = applyAssets(category, drawing, database, working);
    const int blocks = applyBlocks(category, drawing, database, working, readRooms);
    acutPrintf("\t%d of the category's blocks found in the drawing.\n", blocks);
    if (category->getAssets())
        acutPrintf("\t%d of the category's assets found in the drawing.\n", assets);
    if (blocks + assets > 0)
        showHatchLayer(working, category->getHatch());
}

bool applyCategories(CCategories* categories, CAcadDrawing* drawing, AcDbDatabase* database,
                     CAcadDrawingState& working, OwnedBlocks& readRooms)
{
    if (!categories)
        return false;
    acutPrintf("\tgraphic report contains %d categories.\n", categories->count());
    bool seen = false;
    for (int i = 0; i < categories->count(); ++i) {
        CCategory* category = categories->getAt(i);
        seen = true;
        acutPrintf("\tapplying category %s.\n", CUtilities::oneLine(category->getTitle()));
        applyCategory(category, drawing, database, working, readRooms);
    }
    return seen;
}

// Whether the drawing holds the entity of the handle as a block reference, or an entity it
// cannot open (which the application still applies through its id).
bool holdsReference(AcDbDatabase* database, const CString& handle)
{
    const AcDbObjectId id = idOf(database, AcDbHandle(handle.GetString()));
    if (id.isNull())
        return false;
    const auto entity = openObject<AcDbEntity>(id, AcDb::kForRead);
    return !entity || AcDbBlockReference::cast(entity.get());
}

// What the report names (spaces, assets, link-line ends) and whether the drawing holds any
// of it, looked for before anything is changed: a report for another drawing is then not
// applied at all.
struct Presence
{
    bool named = false;
    bool found = false;
    bool takesRooms = false;
    // The drawing's rooms when they were read, for the first "*" entry to take; else null.
    OwnedBlocks rooms;

    // Names are looked up until one is found; the rooms an entry "*" takes are read only
    // when nothing else was.
    Presence(CCategories* categories, CLinkLines* linkLines, CAcadDrawing* drawing, AcDbDatabase* database)
    {
        found = holdsAny(categories, linkLines, database);
        if (!found && takesRooms) {
            rooms = drawingRooms(drawing);
            found = rooms->count() > 0;
        }
    }

    bool holdsAny(CCategories* categories, CLinkLines* linkLines, AcDbDatabase* database)
    {
        for (int i = 0; categories && i < categories->count(); ++i) {
            const CCategory* category = categories->getAt(i);
            if (const CAssets* assets = category->getAssets())
                for (int j = 0; j < assets->getCount(); ++j) {
                    named = true;
                    if (!idOf(database, *assets->getAt(j)->getAcDbHandle()).isNull())
                        return true;
                }
            if (const CBlocks* blocks = category->getBlocks())
                for (int j = 0; j < blocks->count(); ++j) {
                    named = true;
                    const CString handle = blocks->getAt(j)->getHandle();
                    if (handle == "*")
                        takesRooms = true;
                    else if (holdsReference(database, handle))
                        return true;
                }
        }
        for (int i = 0; linkLines && i < linkLines->getCount(); ++i) {
            named = true;
            const CLinkLine* line = linkLines->getAt(i);
            if (holdsReference(database, line->getStartHandle()) || holdsReference(database, line->getEndHandle()))
                return true;
        }
        return false;
    }
};

// The area unit a marker's units value names, as a preference's does.
CString unitText(int units)
{
    return CMeasureUnits::fromPreference(units).areaText();
}

// The first marker the loader finds in the drawing, held by the list; null when none.
template <class Marker>
Marker* firstMarker(const OwnedBlocks& markers)
{
    return markers->count() > 0 ? dynamic_cast<Marker*>(markers->getAt(0)) : nullptr;
}

// The legend and pie-chart markers of the drawing, read on a full host only.
struct Markers
{
    OwnedBlocks legends{new CBlocks};
    OwnedBlocks pies{new CBlocks};
    const CMarkerBlockLegend* legend = nullptr;
    const CMarkerBlockPie* pie = nullptr;

    explicit Markers(CAcadDrawing* drawing)
    {
        if (!acadHost.isFullHost())
            return;
        legends->getLegendBlock_SS(drawing);
        pies->getPieBlock_SS(drawing);
        legend = firstMarker<CMarkerBlockLegend>(legends);
        pie = firstMarker<CMarkerBlockPie>(pies);
    }
};

// Refuses, before anything is drawn, a marker size or pie offset that the legend or chart
// cannot draw.
void refuseOversized(const Markers& markers, double pieOffset, const char* procSig)
{
    auto refuse = [&](const char* setting, double value) {
        if (!CUtilities::isDrawableSize(value))
            throw new CEXCustom("The " + CString(setting) + " " + CUtilities::DoubleToCString(value, -1)
                                    + " is too large to draw: nothing was applied.",
                                KAVRO_PRODUCT_CAPTION, __FILE__, procSig, 0, nullptr);
    };
    if (markers.legend)
        refuse("marker's LEGENDTEXTSIZE", markers.legend->getTextSize());
    if (markers.pie) {
        refuse("marker's PIETEXTSIZE", markers.pie->getTextSize());
        refuse("marker's PIERADIUS", markers.pie->getRadius());
        refuse("report's grPieXYOffset", pieOffset);
    }
}

// The report's legend table at the drawing's first legend marker, its reference's layer
// and those of its swatches shown.
void drawLegend(CGraphicReport* report, CAcadDrawing* drawing, const CMarkerBlockLegend* marker,
                CAcadDrawingState& working)
{
    if (!marker)
        return;
    AcGePoint3d position = marker->getPosition();
    const CLegendTable legend(drawing, marker->getTextSize(), marker->getPrecision(), unitText(marker->getUnits()), 0,
                              report, marker->getRotation(), &position);
    showReferenceLayer(working, legend.getReferenceId());
    const CCategories* categories = report->getCategories();
    for (int i = 0; i < categories->count(); ++i)
        showHatchLayer(working, categories->getAt(i)->getHatch());
    drawing->regenDrawing();
}

// The report's pie chart at the drawing's first pie-chart marker, its reference's layer and
// those of its wedges shown. A pie marker keeps no units: the chart names the legend
// marker's, so that both give one number one unit.
void drawPieChart(CGraphicReport* report, CAcadDrawing* drawing, const Markers& markers, CAcadDrawingState& working)
{
    const CMarkerBlockPie* marker = markers.pie;
    if (!marker)
        return;
    const int units = markers.legend ? markers.legend->getUnits() : marker->getUnits();
    const AcGePoint3d centre = marker->getCentre();
    const CPieChart chart(drawing, report, marker->getRadius(), report->getPieXYOffset(), marker->getTextSize(),
                          marker->getPrecision(), unitText(units), report->getPieIgnoreEmptySegments(),
                          report->getPieShowLabels(), report->getPieShowLabelSegmentLines(), marker->getRotation(),
                          &centre);
    showReferenceLayer(working, chart.getReferenceId());
    for (int i = 0; chart.getSegments() && i < chart.getSegments()->count(); ++i)
        showHatchLayer(working, chart.getSegments()->getAt(i)->getHatch());
    drawing->regenDrawing();
}

} // namespace

bool CGraphicReport::applyToDrawing(CAcadDrawing* drawing)
{
    const char* procSig = "CGraphicReport::applyToDrawing";
    // The drawing's layout and layers as they were, put back when the application fails
    // after it has switched layers off.
    std::unique_ptr<CAcadDrawingState> before;
    bool locked = false;
    try {
        return kavroGuard(procSig, __FILE__, [&] {
            const Markers markers(drawing);
            refuseOversized(markers, m_pieXYOffset, procSig);
            acutPrintf("applying graphic report %s.\n", CUtilities::oneLine(m_title));
            AcDbDatabase* database = drawing->getDocument()->database();
            if (drawing->lock() != Acad::eOk)
                return false;
            locked = true;
            Presence presence(m_categories, m_linkLines, drawing, database);
            if (presence.named && !presence.found) {
                acutPrintf("No graphic report was applied: none of the report's blocks or assets is in the "
                           "drawing.\n");
                locked = false;
                drawing->unlock(FALSE);
                return false;
            }
            // Reading the layers marks the drawing changed: they are read only for a report
            // that is applied.
            CAcadDrawingState working(drawing);
            before = std::make_unique<CAcadDrawingState>(drawing);
            working.setLayout(m_plotLayout);
            working.setAllLayerLineWeights(0);
            switchLayersOn(m_layersOn, drawing, working);
            if (m_linkLines) {
                acutPrintf("Applying link Lines\n");
                m_linkLines->applyToDrawing(drawing, &working);
            }
            // The legend and the pie chart come only on a full host, and only for a report
            // that has taken up at least one category.
            const bool categoriesSeen = applyCategories(m_categories, drawing, database, working, presence.rooms);
            if (categoriesSeen && acadHost.isFullHost()) {
                drawLegend(this, drawing, markers.legend, working);
                drawPieChart(this, drawing, markers, working);
            }
            working.applyState(drawing, 0);
            locked = false;
            drawing->unlock(FALSE);
            return true;
        });
    } catch (CEXKavro* e) {
        if (locked)
            restoreAfterFailure(drawing, before.get());
        throw;
    }
}
