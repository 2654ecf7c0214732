// Report categories: the "category" element read and written, duplicates, hatch settings
// that come before their pattern, and the blocks and assets lists of a category.
#include "blocks/asset.h"
#include "blocks/assets.h"
#include "blocks/blockdwg.h"
#include "blocks/blocks.h"
#include "blocks/hatch.h"
#include "reports/categories.h"

#include <gtest/gtest.h>

namespace {

constexpr const char* kNs = "urn:test";

// The "categories" element of a document holding the text.
MSXML2::IXMLDOMNodePtr parse(MSXML2::IXMLDOMDocumentPtr& document, const std::string& xml)
{
    document.CreateInstance("Msxml2.DOMDocument");
    EXPECT_TRUE(document->loadXML(xml.c_str()));
    return document->selectSingleNode("/*");
}

CCategory* category(const char* title, const char* pattern = nullptr, int scale = 1)
{
    auto* c = new CCategory;
    c->setTitle(title);
    if (pattern) {
        auto* h = new CHatch;
        h->setPattern(pattern);
        h->setScale(scale);
        c->setHatch(h);
    }
    return c;
}

} // namespace

TEST(Categories, DuplicatesOfTitleAndHatchAreDropped)
{
    CCategories all;
    all.add(category("Offices", "SOLID"));
    all.add(category("Offices", "SOLID"));        // same title and hatch: dropped
    all.add(category("Offices", "SOLID", 2));     // another scale: kept
    all.add(category("Offices"));                 // no hatch against hatches: kept
    all.add(category("Offices"));                 // no hatch against no hatch: dropped
    all.add(category("offices", "SOLID"));        // titles compare exactly
    all.add(nullptr);
    ASSERT_EQ(all.count(), 4);
    EXPECT_EQ(all.getAt(1)->getHatch()->getScale(), 2);
    EXPECT_EQ(all.getAt(2)->getHatch(), nullptr);
    EXPECT_EQ(all.getAt(3)->getTitle(), "offices");
}

TEST(Categories, ElementsReadFromAHandWrittenListAndWrittenBack)
{
    MSXML2::IXMLDOMDocumentPtr document;
    const MSXML2::IXMLDOMNodePtr root = parse(document, R"(<categories>
        <note>skipped</note>
        <category><cTitle>Labs</cTitle><cID>12</cID>
          <cHatchPattern>ANSI31</cHatchPattern><cHatchColour>#00ff80</cHatchColour>
          <cHatchScale>500</cHatchScale><cHatchAngle>45</cHatchAngle><cHatchLayer>HATCH_LABS</cHatchLayer>
          <unknown>x</unknown></category>
        <category><cID>seven</cID><cTitle>Plain</cTitle></category>
        <category><cID>3</cID><cTitle>Early</cTitle><cHatchColour>#FF0000</cHatchColour><cHatchLayer>L</cHatchLayer>
          <cHatchPattern>SOLID</cHatchPattern></category>
        <category/>
        <category><cID>12</cID><cTitle>Labs</cTitle><cHatchPattern>ANSI31</cHatchPattern>
          <cHatchColour>#00FF80</cHatchColour><cHatchScale>500</cHatchScale><cHatchAngle>45</cHatchAngle></category>
      </categories>)");
    CCategories all;
    all.deSerialize(root->get_childNodes());
    ASSERT_EQ(all.count(), 4);   // the last repeats the first and is dropped
    const CCategory* labs = all.getAt(0);
    EXPECT_EQ(labs->getID(), 12);
    const CHatch* hatch = labs->getHatch();
    ASSERT_NE(hatch, nullptr);
    EXPECT_EQ(hatch->getPattern(), "ANSI31");
    EXPECT_EQ(hatch->getColour().red(), 0);
    EXPECT_EQ(hatch->getColour().green(), 255);
    EXPECT_EQ(hatch->getColour().blue(), 128);
    EXPECT_TRUE(hatch->getColour().isByColor());
    EXPECT_EQ(hatch->getScale(), 500);
    EXPECT_EQ(hatch->getAngle(), 45);
    EXPECT_EQ(hatch->getLayer(), "HATCH_LABS");
    EXPECT_EQ(all.getAt(1)->getID(), 0);
    EXPECT_EQ(all.getAt(1)->getHatch(), nullptr);
    // Hatch settings before the pattern have no style to set: only the pattern counts.
    const CHatch* early = all.getAt(2)->getHatch();
    ASSERT_NE(early, nullptr);
    EXPECT_EQ(early->getPattern(), "SOLID");
    EXPECT_EQ(early->getLayer(), "");
    EXPECT_FALSE(early->getColour().isByColor());
    EXPECT_EQ(all.getAt(3)->getTitle(), "");

    const MSXML2::IXMLDOMNodePtr written = all.serialize(kNs);
    EXPECT_EQ(written->get_xml(),
              "<categories xmlns=\"urn:test\"><category><cID>12</cID><cTitle>Labs</cTitle>"
              "<cHatchPattern>ANSI31</cHatchPattern><cHatchColour>#00FF80</cHatchColour><cHatchScale>500</cHatchScale>"
              "<cHatchAngle>45</cHatchAngle><cHatchLayer>HATCH_LABS</cHatchLayer></category>"
              "<category><cID>0</cID><cTitle>Plain</cTitle></category>"
              "<category><cID>3</cID><cTitle>Early</cTitle><cHatchPattern>SOLID</cHatchPattern>"
              "<cHatchColour>#FFFFFF</cHatchColour><cHatchScale>1</cHatchScale><cHatchAngle>0</cHatchAngle>"
              "<cHatchLayer/></category>"
              "<category><cID>0</cID><cTitle/></category></categories>");
    EXPECT_EQ(CCategories().serialize(kNs)->get_xml(), "<categories xmlns=\"urn:test\"/>");
}

TEST(Categories, BlocksAndAssetsAreReadWithTheHatchThatCameBeforeThemAndWrittenLast)
{
    MSXML2::IXMLDOMDocumentPtr document;
    const MSXML2::IXMLDOMNodePtr root = parse(document, R"(<categories xmlns="urn:test">
        <category>
          <kavroBlocks><kavroBlock><mbHandle>1A</mbHandle><mbCode>EARLY</mbCode></kavroBlock></kavroBlocks>
          <cTitle>Labs</cTitle><cID>4</cID><cHatchPattern>ANSI31</cHatchPattern><cHatchLayer>H</cHatchLayer>
          <assets><asset><handle>2B</handle><uniqueDescription>Bench 1</uniqueDescription></asset>
            <note/><asset><handle>3C</handle></asset></assets>
          <kavroBlocks><kavroBlock><mbHandle>4D</mbHandle><mbArea>12.5</mbArea></kavroBlock>
            <kavroBlock><mbHandle>5E</mbHandle></kavroBlock></kavroBlocks>
        </category>
        <category><cID>5</cID><cTitle>Empty lists</cTitle><kavroBlocks/><assets/></category>
      </categories>)");
    CCategories all;
    all.deSerialize(root->get_childNodes());
    ASSERT_EQ(all.count(), 2);
    const CCategory* labs = all.getAt(0);
    // The second "kavroBlocks" replaces the first; it came after the pattern, so its blocks
    // hold copies of the category's hatch.
    const CBlocks* blocks = labs->getBlocks();
    ASSERT_NE(blocks, nullptr);
    ASSERT_EQ(blocks->count(), 2);
    const auto* first = dynamic_cast<const CBlockDWG*>(blocks->getAt(0));
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->getHandle(), "4D");
    EXPECT_EQ(first->getArea(), 12.5);
    ASSERT_NE(first->getHatch(), nullptr);
    EXPECT_NE(first->getHatch(), labs->getHatch());
    EXPECT_EQ(first->getHatch()->getLayer(), "H");
    const CAssets* assets = labs->getAssets();
    ASSERT_NE(assets, nullptr);
    ASSERT_EQ(assets->getCount(), 2);
    EXPECT_EQ(assets->getAt(0)->getUniqueDescription(), "Bench 1");
    EXPECT_EQ(assets->getAt(1)->getHatch()->getPattern(), "ANSI31");
    // Empty list elements give empty lists, which are written back as they were read.
    ASSERT_NE(all.getAt(1)->getBlocks(), nullptr);
    EXPECT_EQ(all.getAt(1)->getBlocks()->count(), 0);
    EXPECT_EQ(all.getAt(1)->getAssets()->getCount(), 0);

    const CString written = all.serialize(kNs)->get_xml();
    EXPECT_EQ(written.Find("EARLY"), -1);
    const int title = written.Find("<cHatchLayer>H</cHatchLayer>");
    const int kavroBlocks = written.Find("<kavroBlocks><kavroBlock><mbHandle>4D</mbHandle>");
    const int assetList = written.Find("<assets><asset><locationID>0</locationID><handle>2B</handle>");
    EXPECT_LT(title, kavroBlocks);
    EXPECT_LT(kavroBlocks, assetList) << written.GetString();
    EXPECT_NE(written.Find("<cTitle>Empty lists</cTitle><kavroBlocks/><assets/></category>"), -1);
}

TEST(Categories, ListsBeforeAnyPatternHaveNoHatch)
{
    MSXML2::IXMLDOMDocumentPtr document;
    const MSXML2::IXMLDOMNodePtr root = parse(document, R"(<category>
        <assets><asset><handle>2B</handle></asset></assets>
        <kavroBlocks><kavroBlock><mbHandle>1A</mbHandle></kavroBlock></kavroBlocks>
        <cHatchPattern>SOLID</cHatchPattern></category>)");
    CCategory category;
    category.deSerialize(root);
    ASSERT_NE(category.getHatch(), nullptr);
    EXPECT_EQ(static_cast<const CBlockDWG*>(category.getBlocks()->getAt(0))->getHatch(), nullptr);
    EXPECT_EQ(category.getAssets()->getAt(0)->getHatch(), nullptr);
}

TEST(HatchStyle, CopiesAreIndependentValues)
{
    CHatch source, target;
    source.setPattern("ANSI31");
    source.setAngle(90);
    source.setScale(500);
    source.setLayer("H");
    AcCmColor colour;
    colour.setRGB(1, 2, 3);
    source.setColour(colour);
    target.setPattern("SOLID");
    target.setLayer("OLD");
    source.copyTo(&target);
    source.setPattern("DOTS");
    source.setScale(2);
    EXPECT_EQ(target.getPattern(), "ANSI31");
    EXPECT_EQ(target.getAngle(), 90);
    EXPECT_EQ(target.getScale(), 500);
    EXPECT_EQ(target.getLayer(), "H");
    EXPECT_EQ(target.getColour(), colour);
}
