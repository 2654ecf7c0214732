// The XML forms of space blocks, their assets and hyperlinks: written to a file and read
// back, read from files written by hand, and the records the register rows make.
#include "blocks/assets.h"
#include "blocks/attributes.h"
#include "blocks/blockdwgroom.h"
#include "blocks/blocks.h"
#include "blocks/hatch.h"
#include "blocks/hyperlinks.h"
#include "blocks/kavroattribute.h"
#include "support/exkavro.h"
#include "common/tempdir.h"

#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace {

const CString kNamespace = "urn:kavro:report";

CKavroAttribute* kavro(int kind, const char* value)
{
    auto* attribute = new CKavroAttribute;
    attribute->setKind(kind);
    attribute->setValue(value);
    return attribute;
}

CAsset* asset(int location, const char* handle, const char* name, double x, double y)
{
    auto* made = new CAsset(location, 12, handle, name, "Desk", "Desk by the window", x, y, 1);
    made->setAttributes(new CAttributes);
    made->getAttributes()->add(new CAttribute("ASSET_NO", "A-17", 1), 0);
    return made;
}

// A room with all that its XML form carries.
CBlockDWG* furnishedRoom()
{
    auto* room = new CBlockDWGRoom;
    room->setHandle(CString("2F1"));
    room->setName("Meeting room");
    room->setCode("R-101");
    room->setArea(24.567);
    room->setPrecision(3);
    room->setUnits(CMeasureUnits::kMetric);
    room->setTagType("Office");
    room->setAttributes(new CAttributes);
    room->getAttributes()->add(kavro(kNameAttribute, "R-101"), 0);
    room->getAttributes()->add(kavro(kAreaAttribute, "24.57 sq.m."), 0);
    room->getAttributes()->add(kavro(kAuxAttribute, "Level 1"), 0);
    room->setHyperlinks(new CHyperlinks);
    room->getHyperlinks()->add(new CHyperlink("plan.htm", "Plan"));
    room->getHyperlinks()->add(new CHyperlink("photo.jpg", ""));
    room->getHyperlinks()->add(new CHyperlink("http://register/rooms?id=101&view=1", "Register <room>"));
    room->setAssets(new CAssets);
    room->getAssets()->add(asset(7, "3A0", "DESK-1", 12.5, -3.125));
    room->getAssets()->add(asset(7, "3A1", "CHAIR", 0.123456, 1e6));
    return room;
}

// Writes the element as the root of a file and loads the file again.
MSXML2::IXMLDOMNodePtr throughFile(const MSXML2::IXMLDOMNodePtr& element, const TempDir& dir)
{
    const MSXML2::IXMLDOMDocumentPtr written = MSXML2::IXMLDOMDocument::create();
    written->appendChild(element);
    const std::string path = dir.file("report.xml");
    written->save(path.c_str());
    const MSXML2::IXMLDOMDocumentPtr read = MSXML2::IXMLDOMDocument::create();
    EXPECT_TRUE(read->load(path.c_str())) << read->parseErrorReason().GetString();
    return read->get_documentElement();
}

MSXML2::IXMLDOMNodePtr parsed(const char* text)
{
    static std::vector<MSXML2::IXMLDOMDocumentPtr> documents;
    documents.push_back(MSXML2::IXMLDOMDocument::create());
    EXPECT_TRUE(documents.back()->loadXML(text)) << documents.back()->parseErrorReason().GetString();
    return documents.back()->get_documentElement();
}

std::vector<std::string> childNames(const MSXML2::IXMLDOMNodePtr& element)
{
    std::vector<std::string> names;
    for (long i = 0; i < element->childCount(); ++i)
        names.emplace_back(element->childAt(i)->get_nodeName().GetString());
    return names;
}

std::vector<std::pair<std::string, std::string>> linksOf(const CHyperlinks* list)
{
    std::vector<std::pair<std::string, std::string>> links;
    for (int i = 0; list && i < list->getCount(); ++i)
        links.emplace_back(list->getAt(i)->getHref().GetString(), list->getAt(i)->getDescription().GetString());
    return links;
}

CString swap(const CBlockDWG* block, int kind)
{
    const CAttribute* attribute = block->getAttributes() ? block->getAttributes()->getAtAttribute(kind) : nullptr;
    return attribute ? attribute->getValue() : CString("<none>");
}

// Blocks read from XML belong to whoever read them.
class ReadBlocks : public ::testing::Test
{
protected:
    void TearDown() override { blocks.destroyBlocks(); }

    CBlockDWG* at(int index) const { return dynamic_cast<CBlockDWG*>(blocks.getAt(index)); }

    CBlocks blocks;
};

using SpaceBlockXML = ReadBlocks;

} // namespace

TEST_F(SpaceBlockXML, BlocksWithAssetsAndHyperlinksComeBackFromAFileAsTheyWere)
{
    // The collection goes first: it only releases the drawing-side blocks.
    std::unique_ptr<CBlockDWG> room(furnishedRoom());
    CBlockDWG bare;
    bare.setHandle(CString("A"));
    CBlocks written;
    written.addBlock(room.get());
    written.addBlock(new CBlock);
    written.addBlock(&bare);

    TempDir dir;
    const MSXML2::IXMLDOMNodePtr root = throughFile(written.serialize(kNamespace), dir);
    ASSERT_EQ(root->get_nodeName(), "kavroBlocks");
    EXPECT_EQ(root->get_namespaceURI(), kNamespace);
    // The plain record is no drawing-side block and has no XML form.
    ASSERT_EQ(root->childCount(), 2);
    EXPECT_EQ(childNames(root->childAt(0)),
              (std::vector<std::string>{"mbHandle", "mbName", "mbCode", "mbArea", "mbSwapName", "mbSwapArea",
                                        "mbSwapAux", "hyperlinks", "assets"}));
    EXPECT_EQ(root->childAt(0)->childAt(3)->get_text(), "24.57");
    EXPECT_EQ(childNames(root->childAt(1)), std::vector<std::string>{"mbHandle"});

    blocks.deSerialize(root->get_childNodes(), nullptr);
    ASSERT_EQ(blocks.count(), 2);
    const CBlockDWG* read = at(0);
    EXPECT_EQ(read->getHandle(), "2F1");
    EXPECT_EQ(read->getObjectId(), AcDbObjectId());
    EXPECT_EQ(read->getName(), "Meeting room");
    EXPECT_EQ(read->getCode(), "R-101");
    EXPECT_DOUBLE_EQ(read->getArea(), 24.57);
    EXPECT_EQ(swap(read, kNameAttribute), "R-101");
    EXPECT_EQ(swap(read, kAreaAttribute), "24.57 sq.m.");
    EXPECT_EQ(swap(read, kAuxAttribute), "Level 1");
    EXPECT_EQ(read->getAttributes()->getAtAttribute(kAuxAttribute)->getTag(), "AUX");
    EXPECT_EQ(linksOf(read->getHyperlinks()), linksOf(room->getHyperlinks()));
    EXPECT_EQ(read->getHatch(), nullptr);
    // What the XML form does not carry reads as a new block's defaults, whatever the kind.
    EXPECT_EQ(read->getBlockType(), kBlockDWG);
    EXPECT_EQ(read->getUnits(), CMeasureUnits::kUnknown);
    EXPECT_EQ(read->getPrecision(), -1);
    EXPECT_EQ(read->getTagType(), "<Not Set>");

    const CAssets* assets = read->getAssets();
    ASSERT_NE(assets, nullptr);
    ASSERT_EQ(assets->getCount(), 2);
    for (int i = 0; i < 2; ++i) {
        const CAsset* before = room->getAssets()->getAt(i);
        const CAsset* after = assets->getAt(i);
        EXPECT_EQ(after->getLocationID(), 7);
        EXPECT_EQ(after->getHandle(), before->getHandle());
        EXPECT_EQ(after->getBlockIdentifier(), before->getBlockIdentifier());
        EXPECT_EQ(after->getBlockDescription(), "Desk");
        EXPECT_EQ(after->getUniqueDescription(), "Desk by the window");
        // Neither the drawing id, the presence flag nor the attributes travel.
        EXPECT_EQ(after->getDrawingID(), 0);
        EXPECT_EQ(after->getExistsInLocation(), 0);
        EXPECT_EQ(after->getAttributes(), nullptr);
        EXPECT_EQ(after->getHatch(), nullptr);
    }
    EXPECT_DOUBLE_EQ(assets->getAt(0)->getPointX(), 12.5);
    EXPECT_DOUBLE_EQ(assets->getAt(0)->getPointY(), -3.125);
    EXPECT_DOUBLE_EQ(assets->getAt(1)->getPointX(), 0.12346);
    EXPECT_DOUBLE_EQ(assets->getAt(1)->getPointY(), 1e6);

    EXPECT_EQ(at(1)->getHandle(), "A");
    EXPECT_EQ(at(1)->getAttributes(), nullptr);
    EXPECT_EQ(at(1)->getHyperlinks(), nullptr);
    EXPECT_EQ(at(1)->getAssets(), nullptr);
}

TEST_F(SpaceBlockXML, ChildrenAreWrittenOnlyForWhatTheBlockHas)
{
    CBlockDWG block;
    block.setHandle(CString("1C"));
    block.setArea(12.5);
    block.setPrecision(3);
    block.setAttributes(new CAttributes);
    block.getAttributes()->add(kavro(kNameAttribute, "N"), 0);
    block.getAttributes()->add(kavro(kAuxAttribute, ""), 0);
    block.setHyperlinks(new CHyperlinks);
    block.setAssets(new CAssets);
    const MSXML2::IXMLDOMNodePtr element = block.serialize(kNamespace);
    EXPECT_EQ(childNames(element), (std::vector<std::string>{"mbHandle", "mbArea", "mbSwapName", "mbSwapAux",
                                                              "hyperlinks", "assets"}));
    EXPECT_EQ(element->childAt(1)->get_text(), "12.50");
    EXPECT_FALSE(element->childAt(4)->hasChildNodes());
    EXPECT_FALSE(element->childAt(5)->hasChildNodes());

    // Empty lists read back as empty lists, not as none.
    CBlockDWG read;
    read.deSerialize(element, nullptr);
    EXPECT_DOUBLE_EQ(read.getArea(), 12.5);
    ASSERT_NE(read.getAttributes(), nullptr);
    EXPECT_EQ(read.getAttributes()->getCount(), 2);
    EXPECT_EQ(swap(&read, kAreaAttribute), "<none>");
    EXPECT_EQ(swap(&read, kAuxAttribute), "");
    ASSERT_NE(read.getHyperlinks(), nullptr);
    EXPECT_EQ(read.getHyperlinks()->getCount(), 0);
    ASSERT_NE(read.getAssets(), nullptr);
    EXPECT_EQ(read.getAssets()->getCount(), 0);

    // A hyperlink without a description has no description element.
    CHyperlink link("plan.htm", "");
    EXPECT_EQ(childNames(link.serialize(kNamespace)), std::vector<std::string>{"bhHref"});
}

TEST_F(SpaceBlockXML, HandWrittenFilesReadAsFarAsTheyGo)
{
    CBlockDWG earlier;
    blocks.addBlock(&earlier);
    const MSXML2::IXMLDOMNodePtr root = parsed(R"(<?xml version="1.0"?>
<q:kavroBlocks xmlns:q="urn:kavro:report" xmlns="urn:kavro:report">
  <!-- exported by hand -->
  <q:kavroBlock>
    <q:mbHandle>1A</q:mbHandle>
    <q:mbSwapName>first</q:mbSwapName>
    <q:mbSwapName>second</q:mbSwapName>
    <q:colour>red</q:colour>
    <mbArea>not a number</mbArea>
    <hyperlinks>
      <hyperlink><bhDescription>only a description</bhDescription></hyperlink>
      <hyperlink><bhDescription>another one</bhDescription></hyperlink>
      <hyperlink><bhHref>b.htm</bhHref><bhHref>c.htm</bhHref></hyperlink>
      <q:hyperlink><bhHref>prefixed.htm</bhHref></q:hyperlink>
      <link><bhHref>d.htm</bhHref></link>
    </hyperlinks>
    <assets>
      <asset><handle>2B</handle><locationID>x7</locationID><pointX>3.5m</pointX><pointY>north</pointY></asset>
      <Asset><handle>2C</handle></Asset>
      <asset/>
    </assets>
  </q:kavroBlock>
  <other><mbHandle>FF</mbHandle></other>
  <kavroBlock><mbName>Second</mbName></kavroBlock>
  <kavroBlock xmlns="urn:elsewhere"><mbCode>Third</mbCode></kavroBlock>
</q:kavroBlocks>)");
    CHatch style;
    style.setPattern("ANSI31");
    style.setAngle(1);
    style.setScale(50);
    style.setLayer("HATCH");
    AcCmColor colour;
    colour.setColorIndex(3);
    style.setColour(colour);
    blocks.deSerialize(root->get_childNodes(), &style);

    ASSERT_EQ(blocks.count(), 4);
    EXPECT_EQ(blocks.getAt(0), &earlier);
    blocks.replaceAt(0, new CBlock);

    const CBlockDWG* first = at(1);
    EXPECT_EQ(first->getHandle(), "1A");
    EXPECT_EQ(first->getName(), "");
    EXPECT_DOUBLE_EQ(first->getArea(), 0.0);
    EXPECT_EQ(first->getAttributes()->getCount(), 1);
    EXPECT_EQ(swap(first, kNameAttribute), "first");
    // Hyperlinks: two without address are one item; the last of a repeated child wins;
    // elements of other names (qualified names compared) are skipped.
    EXPECT_EQ(linksOf(first->getHyperlinks()),
              (std::vector<std::pair<std::string, std::string>>{{"", "only a description"}, {"c.htm", ""}}));
    const CAssets* assets = first->getAssets();
    ASSERT_EQ(assets->getCount(), 2);
    EXPECT_EQ(assets->getAt(0)->getHandle(), "2B");
    EXPECT_EQ(assets->getAt(0)->getLocationID(), 0);
    EXPECT_DOUBLE_EQ(assets->getAt(0)->getPointX(), 3.5);
    EXPECT_DOUBLE_EQ(assets->getAt(0)->getPointY(), 0.0);
    EXPECT_EQ(assets->getAt(1)->getHandle(), "0");
    // A space block's assets take no hatch style.
    EXPECT_EQ(assets->getAt(0)->getHatch(), nullptr);

    EXPECT_EQ(at(2)->getName(), "Second");
    EXPECT_EQ(at(2)->getHandle(), "");
    EXPECT_EQ(at(3)->getCode(), "Third");
    // Every block has its own copy of the style.
    for (int i = 1; i < 4; ++i) {
        const CHatch* hatch = at(i)->getHatch();
        ASSERT_NE(hatch, nullptr);
        EXPECT_NE(hatch, &style);
        EXPECT_EQ(hatch->getPattern(), "ANSI31");
        EXPECT_EQ(hatch->getAngle(), 1);
        EXPECT_EQ(hatch->getScale(), 50);
        EXPECT_EQ(hatch->getLayer(), "HATCH");
        EXPECT_EQ(hatch->getColour().colorIndex(), 3);
    }
    EXPECT_NE(at(1)->getHatch(), at(2)->getHatch());

    // Nothing to read is no error.
    const int before = blocks.count();
    blocks.deSerialize(nullptr, &style);
    CBlockDWG untouched;
    untouched.deSerialize(parsed("<kavroBlocks><mbName>x</mbName></kavroBlocks>"), &style);
    EXPECT_EQ(untouched.getName(), "");
    EXPECT_EQ(untouched.getHatch(), nullptr);
    EXPECT_EQ(blocks.count(), before);
}

TEST(SpaceBlockXMLFile, AMalformedFileIsAClearErrorAndReadsNothing)
{
    TempDir dir;
    const std::string path = dir.file("broken.xml");
    writeFile(path, "<kavroBlocks><kavroBlock><mbHandle>1A</mbHandle></kavroBlocks>");
    const MSXML2::IXMLDOMDocumentPtr document = MSXML2::IXMLDOMDocument::create();
    EXPECT_FALSE(document->load(path.c_str()));
    EXPECT_FALSE(document->parseErrorReason().IsEmpty());
    EXPECT_EQ(document->get_documentElement(), nullptr);
}

TEST(AssetRecord, RegisterRowsAndTheXMLFormKeepTheirFields)
{
    const auto row = [](const char* status) {
        return CAsset(4, 9, "1F", "DESK", "Desk", "Desk 1", 1.0, 2.0, CString(status)).getExistsInLocation();
    };
    EXPECT_EQ(row("0"), 0);
    EXPECT_EQ(row(""), 1);
    EXPECT_EQ(row("00"), 1);
    EXPECT_EQ(row("1"), 1);

    CAsset full(4, 9, "1f", "DESK", "Desk", "Desk 1", 12.5, -3.25, 1);
    EXPECT_EQ(full.getLocationID(), 4);
    EXPECT_EQ(full.getDrawingID(), 9);
    EXPECT_EQ(full.getHandle(), "1F");
    EXPECT_EQ(full.getObjectId(), AcDbObjectId());
    const MSXML2::IXMLDOMNodePtr element = full.serialize(kNamespace);
    EXPECT_EQ(childNames(element), (std::vector<std::string>{"locationID", "handle", "blockIdentifier",
                                                              "blockDescription", "uniqueDescription", "pointX",
                                                              "pointY"}));
    EXPECT_EQ(element->childAt(5)->get_text(), "12.50000");
    EXPECT_EQ(element->childAt(6)->get_text(), "-3.25000");

    // Two assets of one category each own a copy of the category's style.
    CHatch style;
    style.setPattern("SOLID");
    CAssets category;
    const MSXML2::IXMLDOMNodePtr list = parsed("<assets><asset><handle>1</handle></asset>"
                                               "<asset><handle>2</handle></asset><assets/></assets>");
    category.deSerialize(list->get_childNodes(), &style);
    ASSERT_EQ(category.getCount(), 2);
    EXPECT_NE(category.getAt(0)->getHatch(), category.getAt(1)->getHatch());
    EXPECT_EQ(category.getAt(1)->getHatch()->getPattern(), "SOLID");
    EXPECT_EQ(category.getAt(1)->getHandle(), "2");
    // A foreign element leaves the asset as it was.
    CAsset kept(4, 9, "1F", "DESK", "Desk", "Desk 1", 1.0, 2.0, 1);
    kept.deSerialize(parsed("<Asset><handle>2</handle></Asset>"), &style);
    EXPECT_EQ(kept.getHandle(), "1F");
    EXPECT_EQ(kept.getHatch(), nullptr);
}
