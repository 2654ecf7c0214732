// Layer lists on real drawings (saved and read back with ezdxf), from XML, and the making
// of a coloured layer and of the current layer.
#include "host/layers.h"
#include "layerfixture.h"

#include <memory>

namespace {

using CLayersTest = LayerDrawingTest;

MSXML2::IXMLDOMNodePtr parsed(const char* xml)
{
    MSXML2::IXMLDOMDocumentPtr document = MSXML2::IXMLDOMDocument::create();
    EXPECT_TRUE(document->loadXML(xml)) << xml;
    return document->get_documentElement();
}

std::vector<std::string> names(const CLayers& layers)
{
    std::vector<std::string> result;
    for (int i = 0; i < layers.getCount(); ++i)
        result.emplace_back(layers.getAt(i)->getName().GetString());
    return result;
}

CLayer* named(const char* name)
{
    auto* layer = new CLayer;
    layer->setName(name);
    return layer;
}

} // namespace

TEST_F(CLayersTest, ReadsEveryLayerOnceUpperCasedAndFindsThemInAnyCase)
{
    addLayer("Walls", true, true, true, false, AcDb::kLnWt050);
    addLayer("doors");
    CLayers layers;
    layers.getDWGLayers(&drawing);
    layers.getDWGLayers(&drawing);
    EXPECT_EQ(names(layers), (std::vector<std::string>{"0", "WALLS", "DOORS"}));

    const CLayer* walls = layers.getAtLayer("walls");
    ASSERT_NE(walls, nullptr);
    EXPECT_EQ(walls, layers.getAt(1));
    EXPECT_EQ(walls->getModified(), 1);
    EXPECT_EQ(std::vector<int>({walls->getFrozen(), walls->getLocked(), walls->getOff(), walls->getPlottable(),
                                walls->getLineWeight()}),
              std::vector<int>({1, 1, 1, 0, AcDb::kLnWt050}));
    EXPECT_EQ(layers.getAtLayer("windows"), nullptr);

    // An exact duplicate is refused (and stays the caller's); a name differing in case is not.
    std::unique_ptr<CLayer> duplicate(named("DOORS"));
    layers.add(duplicate.get());
    EXPECT_EQ(layers.getCount(), 3);
    layers.add(named("Doors"));
    EXPECT_EQ(layers.getCount(), 4);
}

TEST_F(CLayersTest, SwitchingAllLayersSparesTheModuleLayersAndIsWrittenOnlyWhenApplied)
{
    for (const char* name : {"A-WALL", "##HATCH", "##HYPERLINKS", "att-name", "ATT-AREA", "Att-Aux"})
        addLayer(name);
    addLayer("FROZEN", true);
    CLayers layers;
    layers.getDWGLayers(&drawing);
    layers.setAllLayersOff(1);
    layers.setAllLayersFrozen(0);
    EXPECT_EQ(layerState("A-WALL"), "0 0 0 1 25") << "nothing is written before applyToDWG";

    layers.applyToDWG(&drawing);
    const SavedDrawing saved = saveAndRead();
    for (const char* name : {"0", "A-WALL", "FROZEN"}) {
        EXPECT_FALSE(saved.layers.at(name).on) << name;
        EXPECT_FALSE(saved.layers.at(name).frozen) << name;
    }
    for (const char* name : {"##HATCH", "##HYPERLINKS", "att-name", "ATT-AREA", "Att-Aux"})
        EXPECT_TRUE(saved.layers.at(name).on) << name;

    // Read from XML the names keep their case, and a lower-case one is not spared.
    CLayers fromXml;
    fromXml.deSerialize(parsed("<layersOn><layerOn><loName>att-name</loName></layerOn>"
                               "<layerOn><loName>ATT-NAME</loName></layerOn></layersOn>")
                            ->get_childNodes());
    fromXml.setAllLayersOff(1);
    EXPECT_EQ(fromXml.getAt(0)->getOff(), 1);
    EXPECT_EQ(fromXml.getAt(1)->getOff(), 0);
}

TEST_F(CLayersTest, SortsIdsByFrozenFlagAppendingToBothLists)
{
    const AcDbObjectId a = addLayer("A", true), b = addLayer("B"), c = addLayer("C", true);
    CLayers layers;
    layers.getDWGLayers(&drawing);
    // A layer the drawing has no record of is in neither list.
    CLayer* unwritten = new CLayer();
    unwritten->setName("NOT-IN-DRAWING");
    unwritten->setFrozen(1);
    layers.add(unwritten);
    AcDbObjectIdArray thawed{AcDbObjectId()}, frozen;
    layers.getFrozenThawedIds(thawed, frozen);
    EXPECT_EQ(frozen, (AcDbObjectIdArray{a, c}));
    ASSERT_EQ(thawed.size(), 3u);
    EXPECT_EQ(thawed[2], b);
}

TEST_F(CLayersTest, MakesAColouredLayerOnlyUnderTheCallersLock)
{
    CLayers layers;
    AcCmColor red;
    red.setColorIndex(1);
    EXPECT_EQ(layers.ensureLayerExists(&drawing, "LEGEND", red), 1);
    EXPECT_EQ(layerState("LEGEND"), "missing");

    ASSERT_EQ(drawing.lock(), Acad::eOk);
    EXPECT_EQ(layers.ensureLayerExists(&drawing, "LE<GE>ND", red), 1);
    drawing.unlock(FALSE);
    EXPECT_EQ(layers.getCount(), 0);
    AcDbLayerTable* table = nullptr;
    ASSERT_EQ(db->getSymbolTable(table, AcDb::kForRead), Acad::eOk);
    AcDbLayerTableRecord* record = nullptr;
    ASSERT_EQ(table->getAt("LEGEND", record), Acad::eOk);
    EXPECT_EQ(record->color().colorIndex(), 1);
    record->close();
    table->close();
}

TEST_F(CLayersTest, TheLastLayerOnAndInTheDrawingBecomesCurrentButNeverLayerZero)
{
    addLayer("ROOMS");
    addLayer("TEXTS", false, false, true);
    CLayers layers;
    layers.getDWGLayers(&drawing);
    layers.setOnLayerToCurrent(&drawing);
    EXPECT_EQ(saveAndRead().currentLayer, "ROOMS") << "TEXTS is off, 0 never made current";

    // Only layer zero on, and a layer whose name is stored in lower case: nothing changes.
    addLayer("lower");
    CLayers zeroOnly;
    zeroOnly.add(named("0"));
    zeroOnly.add(named("lower"));
    zeroOnly.setOnLayerToCurrent(&drawing);
    EXPECT_EQ(saveAndRead().currentLayer, "ROOMS");
    EXPECT_EQ(document->lockCount(), 0);

    // A refused host lock passes the layer over.
    acDocManager->setLockDecider([](AcApDocument*) { return Acad::eLockViolation; });
    CLayers lower;
    lower.add(named("LOWER"));
    lower.setOnLayerToCurrent(&drawing);
    acDocManager->setLockDecider(nullptr);
    EXPECT_EQ(saveAndRead().currentLayer, "ROOMS");
}

TEST_F(CLayersTest, XmlKeepsNamesAndDescriptionsAndSkipsOtherNodesAndDuplicates)
{
    CLayers empty;
    EXPECT_EQ(empty.serialize("urn:q")->get_xml(), "<layersOn xmlns=\"urn:q\"/>");

    CLayers layers;
    layers.deSerialize(nullptr);
    layers.deSerialize(parsed("<layersOn><layerOn><loName>Rooms</loName><loDescription>all rooms</loDescription>"
                              "</layerOn><other><loName>X</loName></other><LayerOn><loName>Y</loName></LayerOn>"
                              "<layerOn><loName>a&lt;b</loName></layerOn>"
                              "<layerOn><loName>Rooms</loName></layerOn></layersOn>")
                           ->get_childNodes());
    EXPECT_EQ(names(layers), (std::vector<std::string>{"Rooms", "a<b"}));
    EXPECT_EQ(layers.getAt(0)->getModified(), 0);

    CLayers back;
    back.deSerialize(parsed(layers.serialize("")->get_xml())->get_childNodes());
    EXPECT_EQ(names(back), names(layers));
    EXPECT_EQ(back.getAt(0)->getDescription(), "all rooms");
    EXPECT_EQ(back.getAt(1)->getDescription(), "");
}
