// Drawing layer states on real drawings: applying sets every layer flag, line weight and
// viewport freeze (checked with ezdxf on the saved drawing); the XML form reads back.
#include "arx/dblayout.h"
#include "arx/dbviewport.h"
#include "host/acaddrawingstate.h"
#include "layerfixture.h"

namespace {

using CAcadDrawingStateTest = LayerDrawingTest;

CString activeLayout()
{
    CString name;
    acdbLayoutManager()->getActiveLayoutName(name, true);
    return name;
}

std::vector<std::string> layerNames(const CLayers* layers)
{
    std::vector<std::string> result;
    for (int i = 0; layers && i < layers->getCount(); ++i)
        result.emplace_back(layers->getAt(i)->getName().GetString());
    return result;
}

} // namespace

TEST_F(CAcadDrawingStateTest, ApplyingAChangedStateWritesEveryFlagAndLineWeightAndASnapshotRestoresThem)
{
    addLayer("WALLS", false, false, false, true, AcDb::kLnWt025);
    addLayer("FURNITURE", true, true, true, false, AcDb::kLnWt100);
    CAcadDrawingState snapshot(&drawing);
    EXPECT_EQ(snapshot.getLayout(), "Model");

    CAcadDrawingState state(&drawing);
    state.setLayerState("walls", 1, 1, 1, 0);
    state.setLayerState("Furniture", 0, 0, 0, 1);
    state.setLayerState("NEW<LAYER>", 0, 1, 0, 0);
    state.setLayerState("newlayer", 0, 0, 1, 1);
    state.setAllLayerLineWeights(AcDb::kLnWt035);
    EXPECT_EQ(state.getLayers()->getCount(), 4) << "a second call for a name changes the layer it added";
    EXPECT_EQ(layerState("WALLS"), "0 0 0 1 25") << "nothing reaches the drawing before applyState";

    state.applyState(&drawing, 0);
    SavedDrawing saved = saveAndRead();
    const SavedLayer& walls = saved.layers.at("WALLS");
    EXPECT_TRUE(!walls.on && walls.frozen && walls.locked && !walls.plot && walls.lineWeight == 35);
    const SavedLayer& furniture = saved.layers.at("FURNITURE");
    EXPECT_TRUE(furniture.on && !furniture.frozen && !furniture.locked && furniture.plot && furniture.lineWeight == 35);
    const SavedLayer& added = saved.layers.at("NEWLAYER");
    EXPECT_TRUE(!added.on && !added.frozen && !added.locked && added.plot && added.lineWeight == 35);

    snapshot.applyState(&drawing, 0);
    saved = saveAndRead();
    EXPECT_TRUE(saved.layers.at("WALLS").on && !saved.layers.at("WALLS").frozen);
    EXPECT_EQ(saved.layers.at("WALLS").lineWeight, 25);
    const SavedLayer& restored = saved.layers.at("FURNITURE");
    EXPECT_TRUE(!restored.on && restored.frozen && restored.locked && !restored.plot && restored.lineWeight == 100);
}

TEST_F(CAcadDrawingStateTest, ViewportsOfTheSavedLayoutFreezeAndThawTheStatesLayers)
{
    addLayer("ROOMS");
    addLayer("HATCH", true);
    addLayer("GRID");
    const AcDbObjectIdArray sheet = layoutWithViewports("Sheet", 2);
    layoutWithViewports("Other", 1);
    AcDbViewport* viewport = nullptr;
    ASSERT_EQ(acdbOpenObject(viewport, sheet[1], AcDb::kForWrite), Acad::eOk);
    AcDbLayerTable* table = nullptr;
    ASSERT_EQ(db->getSymbolTable(table, AcDb::kForRead), Acad::eOk);
    AcDbObjectId roomsId;
    table->getAt("ROOMS", roomsId);
    table->close();
    viewport->freezeLayersInViewport({roomsId});
    viewport->close();

    CAcadDrawingState state(&drawing);
    state.setLayout("Sheet");
    state.setLayerState("GRID", 1, 0, 0, 1);
    state.applyState(&drawing, 0);
    EXPECT_EQ(saveAndRead().viewportFrozen["Sheet"], (std::vector<std::string>{"", "ROOMS"}))
        << "without the viewports flag no viewport changes";

    state.applyState(&drawing, 1);
    SavedDrawing saved = saveAndRead();
    EXPECT_FALSE(saved.modelShown);
    EXPECT_EQ(activeLayout(), "Sheet");
    EXPECT_EQ(saved.viewportFrozen["Sheet"], (std::vector<std::string>{"GRID,HATCH", "GRID,HATCH"}));
    EXPECT_EQ(saved.viewportFrozen["Other"], (std::vector<std::string>{""}));

    // On model space the flag touches no viewport.
    state.setLayout("Model");
    state.setLayerState("GRID", 0, 0, 0, 1);
    state.applyState(&drawing, 1);
    saved = saveAndRead();
    EXPECT_TRUE(saved.modelShown);
    EXPECT_EQ(saved.viewportFrozen["Sheet"], (std::vector<std::string>{"GRID,HATCH", "GRID,HATCH"}));
}

TEST_F(CAcadDrawingStateTest, TakeOffShowsModelSpaceWithEveryLayerOnAndAllOffKeepsTheLayout)
{
    addLayer("A", true, true, true, false);
    addLayer("B");
    layoutWithViewports("Sheet", 1);
    acdbLayoutManager()->setCurrentLayout("Sheet");

    CAcadDrawingState allOff(&drawing);
    EXPECT_EQ(allOff.getLayout(), "Sheet");
    allOff.setStateAllOff(&drawing);
    SavedDrawing saved = saveAndRead();
    EXPECT_FALSE(saved.modelShown);
    for (const char* name : {"0", "A", "B"}) {
        const SavedLayer& layer = saved.layers.at(name);
        EXPECT_TRUE(!layer.on && !layer.frozen && !layer.locked && layer.plot) << name;
    }

    CAcadDrawingState takeOff(&drawing);
    takeOff.setStateForTakeOff(&drawing);
    EXPECT_EQ(takeOff.getLayout(), "Model");
    saved = saveAndRead();
    EXPECT_TRUE(saved.modelShown);
    for (const char* name : {"0", "A", "B"})
        EXPECT_TRUE(saved.layers.at(name).on && !saved.layers.at(name).frozen) << name;

    // A state without layers only switches the layout.
    CAcadDrawingState bare;
    bare.setLayout("Sheet");
    bare.setLayers(nullptr);
    bare.applyState(&drawing, 1);
    EXPECT_EQ(activeLayout(), "Sheet");
}

TEST_F(CAcadDrawingStateTest, TheXmlFormReadsBackAndReplacesTheListOnlyWhenItHasOne)
{
    addLayer("Rooms");
    CAcadDrawingState state(&drawing);
    state.setLayout("Sheet 1");
    state.getLayers()->getAt(1)->setDescription("the rooms");
    const MSXML2::IXMLDOMNodePtr xml = state.serialize("urn:q");

    CAcadDrawingState back;
    back.deSerialize(xml);
    EXPECT_EQ(back.getLayout(), "Sheet 1");
    EXPECT_EQ(layerNames(back.getLayers()), layerNames(state.getLayers()));
    EXPECT_EQ(back.getLayers()->getAt(1)->getDescription(), "the rooms");

    // Another element name changes nothing; one without "layersOn" keeps the list.
    MSXML2::IXMLDOMDocumentPtr document = MSXML2::IXMLDOMDocument::create();
    ASSERT_TRUE(document->loadXML("<r><acadDrawingState><layout>X</layout></acadDrawingState>"
                                  "<AcadDrawingState><layout>Y</layout></AcadDrawingState></r>"));
    const MSXML2::IXMLDOMNodePtr root = document->get_documentElement();
    back.deSerialize(root->childAt(0));
    EXPECT_EQ(back.getLayout(), "Sheet 1");
    back.deSerialize(root->childAt(1));
    EXPECT_EQ(back.getLayout(), "Y");
    EXPECT_EQ(back.getLayers()->getCount(), 2);

    // The list given is the state's, and giving the same list again keeps it.
    back.setLayers(back.getLayers());
    back.setLayers(new CLayers);
    EXPECT_EQ(back.getLayers()->getCount(), 0);
    back.setLayers(nullptr);
    EXPECT_EQ(std::string(back.serialize("")->get_xml().GetString()),
              "<AcadDrawingState><layout>Y</layout></AcadDrawingState>");
}
