// Report categories: the "category" element read and written, duplicates, and hatch
// settings that come before their pattern.
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
