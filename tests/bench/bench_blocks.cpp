// Loading every space block of a floor plan and recalculating its area and perimeter: the
// time per space must not grow faster than log n. The drawings are generated floor plans
// whose room outlines are made space blocks with the module's own insertion.
//
// The space updates (what "kus", "kut" and "krt" do to every space block) on grids of n
// space blocks, each with its own definition or all showing one shared definition: the
// time per space must not grow with n in either.
#include "arx/acdocman.h"
#include "arx/acedview.h"
#include "arx/dbcurves.h"
#include "arx/dbdatabase.h"
#include "arx/dbidmapping.h"
#include "arx/dbsymtb.h"
#include "blocks/attributes.h"
#include "blocks/blockdwg.h"
#include "blocks/blockdwgroom.h"
#include "blocks/blocks.h"
#include "blocks/kavroattribute.h"
#include "common/tempdir.h"
#include "host/acaddrawing.h"
#include "support/kavroexceptions.h"
#include "support/utilities.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <map>
#include <memory>
#include <stdexcept>

namespace {

// The ids of the room outlines: the closed polylines on the "ROOMS" layers.
AcDbObjectIdArray roomOutlines(AcDbDatabase* db)
{
    AcDbObjectIdArray outlines;
    AcDbBlockTableRecord* space = nullptr;
    acdbOpenObject(space, db->modelSpaceId(), AcDb::kForRead);
    for (const AcDbObjectId& id : space->entityIds()) {
        AcDbPolyline* polyline = nullptr;
        if (acdbOpenObject(polyline, id, AcDb::kForRead) != Acad::eOk)
            continue;
        if (polyline->layer().Left(5) == "ROOMS")
            outlines.push_back(id);
        polyline->close();
    }
    space->close();
    return outlines;
}

void makeSpace(CAcadDrawing& drawing, AcDbObjectId outlineId, int number)
{
    AcDbPolyline* outline = nullptr;
    acdbOpenObject(outline, outlineId, AcDb::kForRead);
    AcGePoint3d base;
    outline->getPointAt(0, base);
    outline->close();
    CBlockDWGRoom room;
    const CString code = "R" + std::to_string(number);
    room.setBlockName("ROOM-" + code);
    room.setUnits(0);
    room.setPrecision(2);
    auto* set = new CAttributes;
    auto* name = new CKavroAttribute;
    name->setKind(kNameAttribute);
    name->setValue(code);
    set->add(name, 0);
    room.setAttributes(set);
    if (room.insertBlock(&drawing, outline, base, 250.0, 1.0, 0.0) != Acad::eOk)
        throw std::runtime_error("a space block could not be made");
}

// The floor plan of n rooms as the current drawing, its rooms made space blocks (once per n).
AcApDocument* floorPlan(int rooms)
{
    static std::map<int, AcApDocument*> plans;
    if (const auto found = plans.find(rooms); found != plans.end()) {
        acDocManager->setCurDocument(found->second);
        return found->second;
    }
    TempDir dir;
    const std::string path = dir.file("plan.dxf");
    const std::string command = "/usr/bin/python3 " QV_SOURCE_DIR "/scripts/gen_floorplan.py --rooms " +
                                std::to_string(rooms) + " " + path;
    if (std::system(command.c_str()) != 0 || acDocManager->appContextOpenDocument(path.c_str()) != Acad::eOk)
        throw std::runtime_error("the floor plan could not be made");
    AcApDocument* document = acDocManager->curDocument();
    CAcadDrawing drawing;
    drawing.setDocument(document);
    drawing.setOpen(TRUE);
    drawing.setKeepOpen(TRUE);
    int number = 0;
    for (const AcDbObjectId& outline : roomOutlines(document->database()))
        makeSpace(drawing, outline, ++number);
    return plans[rooms] = document;
}

void loadAndRecalculate(benchmark::State& state)
{
    AcApDocument* document = floorPlan(static_cast<int>(state.range(0)));
    CAcadDrawing drawing;
    drawing.setDocument(document);
    drawing.setOpen(TRUE);
    drawing.setKeepOpen(TRUE);
    int loaded = 0;
    for (auto _ : state) {
        CBlocks blocks;
        blocks.getKavroDWGBlocks_SS(&drawing, nullptr, 0, "f");
        for (int i = 0; i < blocks.count(); ++i) {
            auto* block = static_cast<CBlockDWG*>(blocks.getAt(i));
            block->recalculateArea(document);
            block->recalculatePerimeter(document);
        }
        loaded = blocks.count();
        blocks.destroyBlocks();
    }
    state.counters["spaces"] = loaded;
    state.SetItemsProcessed(state.iterations() * loaded);
    state.SetComplexityN(state.range(0));
}

// ---- space updates on shared and unshared definitions ----

constexpr double kRoom = 5000, kPitch = 6000;   // millimetres
constexpr int kRoomsPerRow = 50;

AcGeVector3d cell(int i) { return AcGeVector3d(i % kRoomsPerRow * kPitch, i / kRoomsPerRow * kPitch, 0); }

AcDbObjectId addRoomOutline(AcDbDatabase* db, const AcGeVector3d& at)
{
    auto* outline = new AcDbPolyline;
    for (unsigned k = 0; k < 4; ++k)
        outline->addVertexAt(k, AcGePoint2d(at.x + (k == 1 || k == 2 ? kRoom : 0), at.y + (k >= 2 ? kRoom : 0)));
    outline->setClosed(true);
    outline->setLayer("ROOMS");
    AcDbBlockTableRecord* space = nullptr;
    acdbOpenObject(space, db->modelSpaceId(), AcDb::kForWrite);
    AcDbObjectId id;
    space->appendAcDbEntity(id, outline);
    outline->close();
    space->close();
    return id;
}

AcDbObjectId lastEntity(AcDbDatabase* db)
{
    const auto* space = AcDbBlockTableRecord::cast(db->modelSpaceId().object());
    return space->entityIds().back();
}

// Copies the space block (reference, attributes and XData) to the cell: another reference
// of the same definition.
void copySpace(AcDbDatabase* db, AcDbObjectId reference, int i)
{
    AcDbIdMapping map;
    if (db->deepCloneObjects({reference}, db->modelSpaceId(), map) != Acad::eOk)
        throw std::runtime_error("a space block could not be copied");
    AcDbEntity* copy = nullptr;
    acdbOpenObject(copy, lastEntity(db), AcDb::kForWrite);
    copy->transformBy(AcGeMatrix3d::translation(cell(i)));
    copy->close();
}

// A new drawing of n space blocks in a grid, made with the module's own insertion; when
// shared, the first is copied to the other cells, so every reference shows its definition.
AcApDocument* spaceGrid(int n, bool shared)
{
    static std::map<std::pair<int, bool>, AcApDocument*> grids;
    if (const auto found = grids.find({n, shared}); found != grids.end()) {
        acDocManager->setCurDocument(found->second);
        return found->second;
    }
    if (acDocManager->appContextNewDocument() != Acad::eOk)
        throw std::runtime_error("no new drawing");
    AcApDocument* document = acDocManager->curDocument();
    AcDbDatabase* db = document->database();
    CAcadDrawing drawing;
    drawing.setDocument(document);
    drawing.setOpen(TRUE);
    drawing.setKeepOpen(TRUE);
    for (int i = 0; i < (shared ? 1 : n); ++i)
        makeSpace(drawing, addRoomOutline(db, cell(i)), i + 1);
    const AcDbObjectId first = lastEntity(db);
    for (int i = 1; shared && i < n; ++i)
        copySpace(db, first, i);
    return grids[{n, shared}] = document;
}

struct SpaceUpdate {
    CAcadDrawing drawing;
    CBlocks blocks;
    explicit SpaceUpdate(AcApDocument* document)
    {
        drawing.setDocument(document);
        drawing.setOpen(TRUE);
        drawing.setKeepOpen(TRUE);
        blocks.getKavroDWGBlocks_SS(&drawing, nullptr, 0, "f");
    }
    ~SpaceUpdate() { blocks.destroyBlocks(); }
    CBlockDWG* at(int i) const { return static_cast<CBlockDWG*>(blocks.getAt(i)); }
    void writeBack(int i)
    {
        CKavroExceptions errors;
        at(i)->applyToDWG(&drawing, &errors);
    }
};

// Runs one kind of update on every space block of the grid, then a spatial query (which
// brings the index up to date with everything the update changed).
template <class Update>
void spaceUpdate(benchmark::State& state, Update update)
{
    const int n = static_cast<int>(state.range(0));
    AcApDocument* document = spaceGrid(n, state.range(1) != 0);
    int spaces = 0;
    for (auto _ : state) {
        SpaceUpdate run(document);
        for (int i = 0; i < run.blocks.count(); ++i)
            update(run, i);
        qv::zoomExtents(document->database());
        spaces = run.blocks.count();
    }
    if (spaces != n)
        state.SkipWithError("the grid lacks space blocks");
    state.counters["shared"] = static_cast<double>(state.range(1));
    state.SetItemsProcessed(state.iterations() * spaces);
    state.SetComplexityN(n);
}

void updateSpaces(benchmark::State& state)
{
    spaceUpdate(state, [&](SpaceUpdate& run, int i) {
        CBlockDWG* block = run.at(i);
        block->setPrecision(2);
        block->setUnits(0);
        block->recalculateArea(run.drawing.getDocument());
        if (CAttribute* area = block->getAttributes()->getAtAttribute(kAreaAttribute))
            area->setValue(CUtilities::DoubleToCString(block->getArea(), 2) + "sq.m.");
        block->recalculatePerimeter(run.drawing.getDocument());
        run.writeBack(i);
    });
}

void updateText(benchmark::State& state)
{
    spaceUpdate(state, [](SpaceUpdate& run, int i) {
        CAttributes* attributes = run.at(i)->getAttributes();
        attributes->setTextHeight(200.0 + i % 2 * 50.0);
        attributes->setWidthFactor(1.0);
        attributes->setRotation(0.0);
        run.writeBack(i);
    });
}

void refreshTags(benchmark::State& state)
{
    spaceUpdate(state, [](SpaceUpdate& run, int i) {
        AcGeMatrix3d transform;
        run.at(i)->updateAttributes(transform, nullptr);
    });
}

void gridSizes(benchmark::internal::Benchmark* b)
{
    for (const int shared : {0, 1})
        for (const int n : {500, 1000, 2000, 4000})
            b->Args({n, shared});
    b->ArgNames({"n", "shared"})->Unit(benchmark::kMillisecond);
}

} // namespace

BENCHMARK(updateSpaces)->Apply(gridSizes);
BENCHMARK(updateText)->Apply(gridSizes);
BENCHMARK(refreshTags)->Apply(gridSizes);
BENCHMARK(loadAndRecalculate)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oNLogN);
BENCHMARK_MAIN();
