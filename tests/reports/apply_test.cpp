// Applying graphic reports to real drawings: layers switched to the report's states, the
// space blocks of each category hatched in its style ("*" for every room, or by handle),
// unknown handles passed over, and what the command line shows.
#include "arx/acutprintf.h"
#include "arx/dbcurves.h"
#include "arx/dbhatch.h"
#include "blocks/blocks.h"
#include "blocks/fixture.h"
#include "blocks/hatch.h"
#include "blocks/markerblocklegend.h"
#include "blocks/markerblockpie.h"
#include "common/chain.h"
#include "common/modelspace.h"
#include "host/layer.h"
#include "host/layers.h"
#include "reports/categories.h"
#include "reports/graphicreport.h"

#include <QJsonDocument>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

CHatch* solid(const char* layer, int colourIndex)
{
    auto* hatch = new CHatch;
    hatch->setPattern("SOLID");
    hatch->setLayer(layer);
    AcCmColor colour;
    colour.setColorIndex(static_cast<Adesk::UInt16>(colourIndex));
    hatch->setColour(colour);
    return hatch;
}

// A category whose block entries name the handles, each entry carrying the hatch style.
CCategory* category(const char* title, CHatch* hatch, std::initializer_list<CString> handles)
{
    auto* made = new CCategory;
    made->setTitle(title);
    made->setHatch(hatch);
    auto* blocks = new CBlocks;
    for (const CString& handle : handles) {
        auto* entry = new CBlockDWG;
        entry->setHandle(handle);
        auto* copy = new CHatch;
        hatch->copyTo(copy);
        entry->setHatch(copy);
        blocks->addBlock(entry);
    }
    made->setBlocks(blocks);
    return made;
}

class ApplyReport : public DrawingTest
{
protected:
    void SetUp() override
    {
        DrawingTest::SetUp();
        qv::setOutputSink([this](const std::string& text) { printed += text; });
    }
    void TearDown() override
    {
        qv::setOutputSink(nullptr);
        DrawingTest::TearDown();
    }

    // Two rooms and a gross-area block on the layer "Spaces", walls on "Walls", and a
    // layer "Notes" that no report names.
    void furnish()
    {
        addLayer("Spaces");
        addLayer("Walls");
        addLayer("Notes");
        rectangle(-100, -100, 20000, 20000, AcDbObjectId(), "Walls");
        auto a = newRoom("Office", "R1");
        a->setArea(12.0);
        roomA = insertSpace(*a, rectangle(0, 0, 4000, 3000), AcGePoint3d(0, 0, 0));
        AcDbEntity* reference = nullptr;
        EXPECT_EQ(acdbOpenObject(reference, roomA, AcDb::kForWrite), Acad::eOk);
        reference->setLayer("Spaces");
        reference->close();
        auto b = newRoom("Store", "R2");
        roomB = insertSpace(*b, rectangle(5000, 0, 2000, 3000), AcGePoint3d(5000, 0, 0));
        auto gross = newRoom("GROSS AREA", "GROSS_AREA");
        gross->setBlockName("ROOM-GROSS_AREA");
        grossArea = insertSpace(*gross, rectangle(-50, -50, 8000, 4000), AcGePoint3d(-50, -50, 0));
    }

    std::string handleOf(AcDbObjectId id)
    {
        AcDbObject* object = nullptr;
        EXPECT_EQ(acdbOpenObject(object, id, AcDb::kForRead), Acad::eOk);
        char text[20];
        object->objectId().handle().getIntoAsciiBuffer(text);
        object->close();
        return text;
    }

    // The number of hatches in model space on each layer.
    std::map<std::string, int> hatchesByLayer()
    {
        std::map<std::string, int> counts;
        EXPECT_TRUE(forEachModelSpaceEntity(*db, [&counts](AcDbEntity* entity) {
            if (AcDbHatch::cast(entity))
                ++counts[entity->layer().GetString()];
        }));
        return counts;
    }

    // The layer's states as the drawing holds them now: frozen, locked, off.
    std::string layer(const char* name)
    {
        CLayers layers;
        layers.getDWGLayers(&drawing);
        const CLayer* found = layers.getAtLayer(name);
        if (!found)
            return "missing";
        return std::to_string(found->getFrozen()) + std::to_string(found->getLocked()) +
               std::to_string(found->getOff());
    }

    // A legend marker and a pie-chart marker beside the plan.
    void markers()
    {
        AcDbPolyline* outline = nullptr;
        ASSERT_EQ(acdbOpenObject(outline, rectangle(30000, 0, 6000, 4000), AcDb::kForRead), Acad::eOk);
        outline->close();
        ASSERT_EQ(CMarkerBlockLegend().insertMarkerBlock(&drawing, outline, 0, 2, 250.0, 0.0), 0);
        AcDbCircle* circle = nullptr;
        ASSERT_EQ(acdbOpenObject(circle, post(new AcDbCircle(AcGePoint3d(45000, 0, 0), AcGeVector3d::kZAxis, 2000)),
                                 AcDb::kForRead),
                  Acad::eOk);
        circle->close();
        ASSERT_EQ(CMarkerBlockPie().insertMarkerBlock(&drawing, circle, 0, 2, 250.0, 0.0), 0);
    }

    // The layer of each reference in model space of a block whose name has the prefix.
    std::vector<std::string> referenceLayers(const std::string& prefix)
    {
        std::vector<std::string> layers;
        EXPECT_TRUE(forEachModelSpaceEntity(*db, [&](AcDbEntity* entity) {
            const AcDbBlockReference* reference = AcDbBlockReference::cast(entity);
            AcDbBlockTableRecord* definition = nullptr;
            if (!reference || acdbOpenObject(definition, reference->blockTableRecord(), AcDb::kForRead) != Acad::eOk)
                return;
            if (std::string(definition->name()).starts_with(prefix))
                layers.push_back(entity->layer().GetString());
            definition->close();
        }));
        return layers;
    }

    // A layers-on list of the named layers.
    static CLayers* layersOn(std::initializer_list<const char*> names)
    {
        auto* on = new CLayers;
        for (const char* name : names) {
            auto* layer = new CLayer;
            layer->setName(name);
            on->add(layer);
        }
        return on;
    }

    std::string printed;
    AcDbObjectId roomA, roomB, grossArea;
};

} // namespace

TEST_F(ApplyReport, LayersAndEveryRoomOfAStarCategory)
{
    furnish();
    CGraphicReport report;
    report.setTitle("Use");
    report.setLayersOn(layersOn({"Walls", "Furniture"}));
    auto* categories = new CCategories;
    categories->add(category("All rooms", solid("H_ROOMS", 3), {"*"}));
    report.setCategories(categories);

    printed.clear();
    report.applyToDrawing(&drawing);

    EXPECT_EQ(printed, "applying graphic report Use.\n\tgraphic report contains 1 categories.\n"
                       "\tapplying category All rooms.\n\tcategory contains 1 blocks.\n"
                       "\t2 of the category's blocks found in the drawing.\n");
    // The two rooms hatched, the gross-area block not.
    EXPECT_EQ(hatchesByLayer(), (std::map<std::string, int>{{"H_ROOMS", 2}}));
    // The listed layers and the rooms' layers on; every other layer off; all line weights 0.
    EXPECT_EQ(layer("Walls"), "000");
    EXPECT_EQ(layer("Furniture"), "000");   // a listed layer the drawing lacked is made
    EXPECT_EQ(layer("Spaces"), "000");
    EXPECT_EQ(layer("0"), "000");           // the second room stands on "0"
    EXPECT_EQ(layer("Notes"), "001");
    // The category now holds the drawing's rooms, and not the gross-area block, whose area
    // would count the rooms twice.
    const CBlocks* held = report.getCategories()->getAt(0)->getBlocks();
    ASSERT_NE(held, nullptr);
    EXPECT_EQ(held->count(), 2);
    EXPECT_EQ(held->getAt(CString(handleOf(grossArea).c_str())), nullptr);
    EXPECT_NE(held->getAt(CString(handleOf(roomB).c_str())), nullptr);
    // Formatting leaves the rooms' measured areas as they were.
    ASSERT_NE(held->getAt(CString(handleOf(roomA).c_str())), nullptr);
    EXPECT_EQ(held->getAt(CString(handleOf(roomA).c_str()))->getArea(), 12.0);
    EXPECT_EQ(readBlock(roomA)->getArea(), 12.0);
    EXPECT_FALSE(drawing.isLocked());

    const QJsonObject dump = saveAndDump();
    EXPECT_TRUE(dump["audit"].toArray().isEmpty()) << QJsonDocument(dump["audit"].toArray()).toJson().constData();
}

TEST_F(ApplyReport, EntriesByHandleUnknownHandlesAndTheEntriesReplaced)
{
    furnish();
    CGraphicReport report;
    report.setTitle("Stores");
    auto* categories = new CCategories;
    categories->add(category("Stores", solid("H_STORE", 5), {CString(handleOf(roomB).c_str()), "FFFFF"}));
    categories->add(category("Empty", solid("H_NONE", 1), {}));
    report.setCategories(categories);

    printed.clear();
    report.applyToDrawing(&drawing);

    EXPECT_EQ(printed, "applying graphic report Stores.\n\tgraphic report contains 2 categories.\n"
                       "\tapplying category Stores.\n\tcategory contains 2 blocks.\n"
                       "\t1 of the category's blocks found in the drawing.\n"
                       "\tapplying category Empty.\n\tcategory contains 0 blocks.\n"
                       "\t0 of the category's blocks found in the drawing.\n");
    EXPECT_EQ(hatchesByLayer(), (std::map<std::string, int>{{"H_STORE", 1}}));
    // Without layers-on no layer is switched off.
    EXPECT_EQ(layer("Notes"), "000");
    // The found entry is replaced by the block read from the drawing; the unknown one stays.
    const CBlocks* held = report.getCategories()->getAt(0)->getBlocks();
    ASSERT_EQ(held->count(), 2);
    const auto* read = dynamic_cast<const CBlockDWG*>(held->getAt(0));
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->getCode(), "R2");
    EXPECT_EQ(read->getBlockName(), "ROOM-R2");

    // A second application walks the blocks read from the drawing the first time, and
    // replaces the hatch it drew then.
    printed.clear();
    report.applyToDrawing(&drawing);
    EXPECT_NE(printed.find("category contains 2 blocks"), std::string::npos);
    EXPECT_EQ(hatchesByLayer(), (std::map<std::string, int>{{"H_STORE", 1}}));
}

// Each application leaves on the layers of what it draws, although the one before made
// them and the next switches every layer off first: the hatches, the legend with its
// swatches (an empty category's too) and the pie chart.
TEST_F(ApplyReport, WhatItDrawsStaysShownWhenAppliedAgain)
{
    furnish();
    markers();
    CGraphicReport report;
    report.setTitle("Offices");
    report.setTotalChildAreas(1000.0);
    report.setLayersOn(layersOn({"Walls"}));
    auto* categories = new CCategories;
    categories->add(category("Offices", solid("H_OFFICE", 5), {CString(handleOf(roomA).c_str())}));
    categories->add(category("Empty", solid("H_NONE", 1), {}));
    report.setCategories(categories);

    for (int application = 1; application <= 2; ++application) {
        ASSERT_TRUE(report.applyToDrawing(&drawing));
        EXPECT_EQ(hatchesByLayer(), (std::map<std::string, int>{{"H_OFFICE", 1}}));
        EXPECT_EQ(layer("H_OFFICE") + layer("H_NONE"), "000000") << application;
        for (const char* placed : {"[KAVRO_LEGEND]_", "[KAVRO_PIECHART]_"}) {
            const std::vector<std::string> layers = referenceLayers(placed);
            ASSERT_EQ(layers.size(), 1u) << placed;
            EXPECT_EQ(layer(layers[0].c_str()), "000") << placed << application;
        }
        EXPECT_EQ(layer("Notes"), "001");
    }
}

TEST_F(ApplyReport, ALockThatFailsChangesNothing)
{
    furnish();
    CGraphicReport report;
    report.setTitle("Locked");
    report.setLayersOn(layersOn({"Walls"}));
    acDocManager->setLockDecider([](AcApDocument*) { return Acad::eLockViolation; });
    printed.clear();
    report.applyToDrawing(&drawing);
    acDocManager->setLockDecider(nullptr);
    EXPECT_EQ(printed, "applying graphic report Locked.\n");
    EXPECT_EQ(layer("Notes"), "000");
    EXPECT_TRUE(hatchesByLayer().empty());
}

TEST_F(ApplyReport, AFailureAfterTheLayersWentOffPutsThemBackAndReleasesTheLock)
{
    furnish();
    // A pie-chart marker, and a report whose total is smaller than its rooms' areas: the
    // chart refuses to draw after the layers were switched off.
    const AcDbObjectId circleId = post(new AcDbCircle(AcGePoint3d(30000, 0, 0), AcGeVector3d::kZAxis, 2000));
    AcDbCircle* circle = nullptr;
    ASSERT_EQ(acdbOpenObject(circle, circleId, AcDb::kForRead), Acad::eOk);
    circle->close();
    CMarkerBlockPie marker;
    ASSERT_EQ(marker.insertMarkerBlock(&drawing, circle, 0, 2, 250.0, 0.0), 0);
    const std::string before = layer("Notes") + layer("Walls") + layer("Spaces");
    CGraphicReport report;
    report.setTitle("Too small");
    report.setTotalChildAreas(1.0);
    report.setLayersOn(layersOn({"Walls"}));
    auto* categories = new CCategories;
    categories->add(category("All rooms", solid("H_ROOMS", 3), {"*"}));
    report.setCategories(categories);

    const Chain error = caught([&] { report.applyToDrawing(&drawing); });
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(error->getProcSig(), "CGraphicReport::applyToDrawing");
    EXPECT_EQ(layer("Notes") + layer("Walls") + layer("Spaces"), before);
    EXPECT_FALSE(drawing.isLocked());
}
