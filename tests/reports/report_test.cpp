// The graphic-report file: what a new report holds, files written by hand and read, files
// written and read back (categories with their blocks and assets too), and files that are
// not reports.
#include "blocks/asset.h"
#include "blocks/assets.h"
#include "blocks/attributes.h"
#include "blocks/blockdwg.h"
#include "blocks/blocks.h"
#include "blocks/hatch.h"
#include "blocks/hyperlink.h"
#include "blocks/hyperlinks.h"
#include "blocks/kavroattribute.h"
#include "common/chain.h"
#include "common/tempdir.h"
#include "host/layers.h"
#include "reports/categories.h"
#include "reports/graphicreport.h"

#include <gtest/gtest.h>

namespace {

std::string report(const char* children)
{
    std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<graphicReport xmlns=\"urn:other\">";
    text.append(children).append("</graphicReport>\n");
    return text;
}

// The names of the root's children, in order.
std::string childNames(const std::string& path)
{
    MSXML2::IXMLDOMDocumentPtr document;
    document.CreateInstance("Msxml2.DOMDocument");
    EXPECT_TRUE(document->load(path.c_str()));
    const MSXML2::IXMLDOMNodePtr root = document->selectSingleNode("/*");
    CString names = root->get_nodeName() + ":";
    for (long i = 0; i < root->childCount(); ++i)
        names += " " + root->childAt(i)->get_nodeName();
    return names.GetString();
}

} // namespace

TEST(GraphicReport, NewReportAndPathSetters)
{
    CGraphicReport r;
    EXPECT_EQ(r.getID(), 0);
    EXPECT_EQ(r.getTitle(), "");
    EXPECT_EQ(r.getPlotTypeID(), 0);
    EXPECT_EQ(r.getPlotUseSettings(), 1);
    EXPECT_EQ(r.getPlotCentred(), 1);
    EXPECT_EQ(r.getTotalChildAreas(), 0.0);
    EXPECT_EQ(r.getPieIgnoreEmptySegments() + r.getPieShowLabels() + r.getPieShowLabelSegmentLines(), 3);
    EXPECT_EQ(r.getCategories(), nullptr);
    EXPECT_EQ(r.getLayersOn(), nullptr);
    r.setDrawingPath("/plans/level<1>");
    EXPECT_EQ(r.getDrawingPath(), "/plans/level1/");
    r.setDrawingFilename("a*.dxf");
    EXPECT_EQ(r.getDrawingFilename(), "a*.dxf");
}

TEST(GraphicReport, HandWrittenFileIsReadInAnyOrder)
{
    TempDir dir;
    const std::string path = dir.file("report.xml");
    writeFile(path, report(R"(
        <grPieShowLabels>True</grPieShowLabels><unknown>9</unknown>
        <grID>41</grID><grTitle>Level 1 use</grTitle><grDrawingPath>/plans</grDrawingPath>
        <grDrawingFilename>level1.dxf</grDrawingFilename><grPlotTypeID>1</grPlotTypeID>
        <grPlotAreaTypeID>4</grPlotAreaTypeID><grPlotMediaSizeID>12</grPlotMediaSizeID>
        <grPlotScaleTypeID>19</grPlotScaleTypeID><grPlotCentred>true</grPlotCentred>
        <grSaveCopyTo>/copies/</grSaveCopyTo><grPlotLayout>A3</grPlotLayout>
        <grTotalChildAreas>12.5</grTotalChildAreas><grPieXYOffset>x</grPieXYOffset>
        <grPieIgnoreEmptySegments>yes</grPieIgnoreEmptySegments><grPieShowLabelSegmentLines>1</grPieShowLabelSegmentLines>
        <categories><category><cID>1</cID><cTitle>Offices</cTitle><cHatchPattern>SOLID</cHatchPattern>
          <cHatchColour>#FF8000</cHatchColour><cHatchScale>1</cHatchScale><cHatchAngle>0</cHatchAngle>
          <cHatchLayer>H_OFF</cHatchLayer></category></categories>
        <layersOn><layerOn><loName>Walls</loName><loDescription>outer</loDescription></layerOn></layersOn>
        <grID>42</grID>)"));
    CGraphicReport r;
    r.setSaveCopyTo("kept");
    ASSERT_TRUE(r.deSerialize(path.c_str())) << r.getReadProblem().GetString();
    EXPECT_EQ(r.getID(), 42);   // a repeated element overrides
    EXPECT_EQ(r.getTitle(), "Level 1 use");
    EXPECT_EQ(r.getDrawingPath(), "/plans");   // taken as written
    EXPECT_EQ(r.getPlotTypeID(), 1);
    EXPECT_EQ(r.getPlotAreaTypeID(), 4);
    EXPECT_EQ(r.getPlotMediaSizeID(), 12);
    EXPECT_EQ(r.getPlotScaleTypeID(), 20);
    EXPECT_EQ(r.getPlotCentred(), 1);
    EXPECT_EQ(r.getSaveCopyTo(), "kept");   // never read
    EXPECT_EQ(r.getPlotLayout(), "A3");
    EXPECT_DOUBLE_EQ(r.getTotalChildAreas(), 12.5);
    EXPECT_EQ(r.getPieXYOffset(), 0.0);
    EXPECT_EQ(r.getPieShowLabels(), 0);   // only "1" and "true" are true
    EXPECT_EQ(r.getPieIgnoreEmptySegments(), 0);
    EXPECT_EQ(r.getPieShowLabelSegmentLines(), 1);
    ASSERT_NE(r.getCategories(), nullptr);
    ASSERT_EQ(r.getCategories()->count(), 1);
    EXPECT_EQ(r.getCategories()->getAt(0)->getHatch()->getLayer(), "H_OFF");
    ASSERT_NE(r.getLayersOn(), nullptr);
    ASSERT_EQ(r.getLayersOn()->getCount(), 1);
    EXPECT_EQ(r.getLayersOn()->getAt(0)->getName(), "Walls");
}

TEST(GraphicReport, WrittenFileReadsBackTheSame)
{
    TempDir dir;
    const std::string path = dir.file("out.xml");
    writeFile(path, "an older file that is replaced");
    CGraphicReport r;
    r.setID(7);
    r.setTitle("Use & <areas>");
    r.setDrawingPath("/plans/");
    r.setDrawingFilename("l1.dxf");
    r.setPlotTypeID(3);
    r.setPlotScaleTypeID(20);
    r.setPlotCentred(0);
    r.setTotalChildAreas(2500000);
    r.setPieXYOffset(1234.56789);
    r.setPieShowLabels(0);
    auto* categories = new CCategories;
    auto* offices = new CCategory;
    offices->setID(1);
    offices->setTitle("Offices");
    auto* hatch = new CHatch;
    hatch->setPattern("ANSI31");
    AcCmColor colour;
    colour.setRGB(1, 2, 254);
    hatch->setColour(colour);
    hatch->setScale(500);
    hatch->setAngle(90);
    hatch->setLayer("H");
    offices->setHatch(hatch);
    categories->add(offices);
    r.setCategories(categories);
    r.serialize(path.c_str());
    EXPECT_EQ(childNames(path),
              "graphicReport: grID grTitle grDrawingPath grDrawingFilename grPlotTypeID grPlotAreaTypeID "
              "grPlotMediaSizeID grPlotScaleTypeID grPlotCentred grTotalChildAreas grPieXYOffset "
              "grPieIgnoreEmptySegments grPieShowLabels grPieShowLabelSegmentLines categories");
    const std::string text = readFile(path);
    // Numbers are written to read back as the same values, never cut to six digits.
    EXPECT_NE(text.find("<grTotalChildAreas>2500000</grTotalChildAreas>"), std::string::npos) << text;
    EXPECT_NE(text.find("<grPieXYOffset>1234.56789</grPieXYOffset>"), std::string::npos) << text;
    EXPECT_NE(text.find("<grPlotScaleTypeID>19</grPlotScaleTypeID>"), std::string::npos) << text;

    CGraphicReport back;
    ASSERT_TRUE(back.deSerialize(path.c_str()));
    EXPECT_EQ(back.getID(), 7);
    EXPECT_EQ(back.getTitle(), "Use & <areas>");
    EXPECT_EQ(back.getPlotTypeID(), 3);
    EXPECT_EQ(back.getPlotScaleTypeID(), 20);   // the same scale after every round trip
    EXPECT_EQ(back.getPlotCentred(), 0);
    EXPECT_EQ(back.getPieShowLabels(), 0);
    EXPECT_EQ(back.getTotalChildAreas(), 2.5e6);
    EXPECT_EQ(back.getPieXYOffset(), 1234.56789);
    EXPECT_EQ(back.getLayersOn(), nullptr);
    const CHatch* read = back.getCategories()->getAt(0)->getHatch();
    EXPECT_EQ(read->getColour().blue(), 254);
    EXPECT_EQ(read->getScale(), 500);
    EXPECT_EQ(read->getAngle(), 90);
    back.serialize(path.c_str());
    CGraphicReport again;
    ASSERT_TRUE(again.deSerialize(path.c_str()));
    EXPECT_EQ(again.getPlotScaleTypeID(), 20);
}

TEST(GraphicReport, CategoriesWithBlocksAndAssetsReadBackTheSame)
{
    TempDir dir;
    const std::string first = dir.file("first.xml");
    const std::string second = dir.file("second.xml");
    auto* labs = new CCategory;
    labs->setID(3);
    labs->setTitle("Labs");
    auto* hatch = new CHatch;
    hatch->setPattern("ANSI37");
    hatch->setLayer("H_LABS");
    labs->setHatch(hatch);
    auto* room = new CBlockDWG;
    room->setHandle(CString("2F"));
    room->setName("Lab <wet> & dry \xc3\xa9");
    room->setCode("L-1");
    room->setArea(40.25);
    auto* swaps = new CAttributes;
    for (const auto& [kind, value] : {std::pair{kNameAttribute, "Lab one"}, std::pair{kAuxAttribute, "wet"}}) {
        auto* attribute = new CKavroAttribute;
        attribute->setKind(kind);
        attribute->setValue(value);
        swaps->adopt(attribute);
    }
    room->setAttributes(swaps);
    auto* links = new CHyperlinks;
    links->adopt(new CHyperlink("lab.htm", "Lab"));
    room->setHyperlinks(links);
    room->setAssets(new CAssets);
    room->getAssets()->add(new CAsset(0, "5A", "SINK", "Sink", "Sink 1", 1.5, -2.25, 1));
    auto* blocks = new CBlocks;
    blocks->addBlock(room);
    labs->setBlocks(blocks);
    labs->setAssets(new CAssets);
    labs->getAssets()->add(new CAsset(12, 0, "6B", "BENCH", "Bench", "Bench 1", 1234.56789, 0.5, 1));
    auto* categories = new CCategories;
    categories->add(labs);
    CGraphicReport r;
    r.setTitle("Round trip");
    r.setCategories(categories);
    r.serialize(first.c_str());

    CGraphicReport back;
    ASSERT_TRUE(back.deSerialize(first.c_str()));
    back.serialize(second.c_str());
    EXPECT_EQ(readFile(second), readFile(first));
    const std::string text = readFile(first);
    const size_t layer = text.find("<cHatchLayer>H_LABS</cHatchLayer>");
    const size_t handle = text.find("<mbHandle>2F</mbHandle>");
    const size_t benchAt = text.find("<handle>6B</handle>");
    EXPECT_LT(layer, handle);
    EXPECT_LT(handle, benchAt);
    EXPECT_NE(benchAt, std::string::npos) << text;

    const CCategory* read = back.getCategories()->getAt(0);
    ASSERT_NE(read->getBlocks(), nullptr);
    const auto* lab = dynamic_cast<const CBlockDWG*>(read->getBlocks()->getAt(0));
    ASSERT_NE(lab, nullptr);
    EXPECT_EQ(lab->getName(), "Lab <wet> & dry \xc3\xa9");
    EXPECT_EQ(lab->getArea(), 40.25);
    EXPECT_EQ(lab->getAttributes()->getAtAttribute(kAuxAttribute)->getValue(), "wet");
    EXPECT_EQ(lab->getHyperlinks()->getAt(0)->getHref(), "lab.htm");
    EXPECT_EQ(lab->getAssets()->getAt(0)->getPointY(), -2.25);
    EXPECT_EQ(lab->getHatch()->getLayer(), "H_LABS") << "the category's hatch reaches its blocks";
    const CAsset* bench = read->getAssets()->getAt(0);
    EXPECT_EQ(bench->getLocationID(), 12);
    EXPECT_EQ(bench->getHandle(), "6B");
    EXPECT_DOUBLE_EQ(bench->getPointX(), 1234.56789);
    EXPECT_EQ(bench->getHatch()->getPattern(), "ANSI37");
}

TEST(GraphicReport, FilesThatAreNotReportsReadNothingAndSayWhy)
{
    TempDir dir;
    struct Case {
        std::string name, content, problem;
    };
    const Case cases[] = {
        {"missing.xml", "", "the file does not exist"},
        {"broken.xml", "<graphicReport><grID>1</grID>", "the file is not an XML document"},
        {"empty.xml", "", "the file is not an XML document"},
        {"foreign.xml", "<errorLog><grID>5</grID></errorLog>", "its root element is \"errorLog\", not \"graphicReport\""},
        {"case.xml", "<graphicreport><grID>5</grID></graphicreport>",
         "its root element is \"graphicreport\", not \"graphicReport\""},
        {"bare.xml", "<graphicReport/>", "the report holds nothing"},
    };
    for (const Case& c : cases) {
        const std::string path = dir.file(c.name);
        if (c.name != "missing.xml")
            writeFile(path, c.content);
        CGraphicReport r;
        r.setID(3);
        r.setTitle("before");
        EXPECT_FALSE(r.deSerialize(path.c_str())) << c.name;
        EXPECT_EQ(r.getReadProblem().GetString(), c.problem) << c.name;
        EXPECT_EQ(r.getID(), 3) << c.name;
        EXPECT_EQ(r.getTitle(), "before") << c.name;
        EXPECT_EQ(r.getCategories(), nullptr) << c.name;
    }
    // An empty categories element still gives a collection.
    const std::string path = dir.file("nocats.xml");
    writeFile(path, report("<categories/>"));
    CGraphicReport r;
    ASSERT_TRUE(r.deSerialize(path.c_str()));
    ASSERT_NE(r.getCategories(), nullptr);
    EXPECT_EQ(r.getCategories()->count(), 0);
}

TEST(GraphicReport, WritingWhereNoFileCanBeMadeFailsWithItsName)
{
    CGraphicReport r;
    const Chain error = caught([&] { r.serialize("/nonexistent-folder/report.xml"); });
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(error->getProcSig(), "CGraphicReport::serialize");
}
