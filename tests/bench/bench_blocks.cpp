// Loading every space block of a floor plan and recalculating its area and perimeter: the
// time per space must not grow faster than log n. The drawings are generated floor plans
// whose room outlines are made space blocks with the module's own insertion.
#include "arx/acdocman.h"
#include "arx/dbcurves.h"
#include "arx/dbdatabase.h"
#include "arx/dbsymtb.h"
#include "blocks/attributes.h"
#include "blocks/blockdwg.h"
#include "blocks/blockdwgroom.h"
#include "blocks/blocks.h"
#include "blocks/kavroattribute.h"
#include "common/tempdir.h"
#include "host/acaddrawing.h"

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
    CString code;
    code.Format("R%d", number);
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

} // namespace

BENCHMARK(loadAndRecalculate)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oNLogN);
BENCHMARK_MAIN();
