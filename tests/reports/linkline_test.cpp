// Link lines: the "linkLines" element read and written, duplicates, and lines drawn between
// asset references of a real drawing, checked with ezdxf.
#include "chartfixture.h"

#include "arx/dbsymtb.h"
#include "host/acaddrawingstate.h"
#include "host/hostguards.h"
#include "reports/linklines.h"

#include <cmath>
#include <numbers>

namespace {

CLinkLine* line(const char* start, const char* end, const char* layer = "", const char* label = "")
{
    auto* l = new CLinkLine;
    l->setStartHandle(start);
    l->setEndHandle(end);
    l->setLayer(layer);
    l->setLabel(label);
    return l;
}

CString handleOf(AcDbObjectId id)
{
    char text[17];
    id.handle().getIntoAsciiBuffer(text, sizeof text);
    return text;
}

} // namespace

TEST(LinkLines, TheSameStartAndEndAreHeldOnceButTheReverseLineIsKept)
{
    CLinkLines lines;
    lines.add(line("1A", "2B", "L1"));
    lines.add(line("1A", "2B", "L2", "other label"));
    lines.add(line("2B", "1A"));
    lines.add(line("1a", "2B"));   // handles compare as texts, exactly
    lines.add(nullptr);
    ASSERT_EQ(lines.getCount(), 3);
    EXPECT_EQ(lines.getAt(0)->getLayer(), "L1");
    EXPECT_EQ(lines.getAt(1)->getStartHandle(), "2B");
}

TEST(LinkLines, ElementsWrittenAndReadBack)
{
    CLinkLines lines;
    lines.add(line("1A", "2B", "NET", "feeds"));
    lines.add(line("3C", "4D", "NET"));
    const MSXML2::IXMLDOMNodePtr element = lines.serialize("urn:test");
    ASSERT_EQ(element->childCount(), 2);
    EXPECT_EQ(element->childAt(0)->childCount(), 4);
    EXPECT_EQ(element->childAt(1)->childCount(), 3);   // no label, no "linkLineText"
    EXPECT_EQ(element->childAt(0)->childAt(3)->get_nodeName(), "linkLineText");

    CLinkLines read;
    read.deSerialize(element);
    ASSERT_EQ(read.getCount(), 2);
    EXPECT_EQ(read.getAt(0)->getLabel(), "feeds");
    EXPECT_EQ(read.getAt(1)->getEndHandle(), "4D");

    // Children in any order; others ignored; a missing child leaves its field alone.
    MSXML2::IXMLDOMDocumentPtr document;
    document.CreateInstance("Msxml2.DOMDocument");
    ASSERT_TRUE(document->loadXML(R"(<anything><note/><linkLine><linkLineText>T</linkLineText><x/>
        <linkEndHandle>E</linkEndHandle><linkStartHandle>S</linkStartHandle></linkLine></anything>)"));
    CLinkLines hand;
    hand.deSerialize(document->selectSingleNode("/*"));
    ASSERT_EQ(hand.getCount(), 1);
    EXPECT_EQ(hand.getAt(0)->getStartHandle(), "S");
    EXPECT_EQ(hand.getAt(0)->getLabel(), "T");
    EXPECT_EQ(hand.getAt(0)->getLayer(), "");
}

TEST(LinkLines, LabelsRunAlongTheLineAndNeverUpsideDown)
{
    const AcGePoint3d o(10, 10, 0);
    EXPECT_DOUBLE_EQ(CLinkLine::labelRotation(o, AcGePoint3d(50, 10, 0)), 0.0);
    EXPECT_DOUBLE_EQ(CLinkLine::labelRotation(o, AcGePoint3d(20, 20, 0)), std::numbers::pi / 4);
    EXPECT_DOUBLE_EQ(CLinkLine::labelRotation(o, AcGePoint3d(0, 0, 0)), std::numbers::pi / 4);
    EXPECT_DOUBLE_EQ(CLinkLine::labelRotation(o, AcGePoint3d(10, 90, 0)), std::numbers::pi / 2);
    EXPECT_DOUBLE_EQ(CLinkLine::labelRotation(o, AcGePoint3d(10, -90, 0)), -std::numbers::pi / 2);
    // Both ends at the same place: no direction, no rotation (never a NaN in the drawing).
    EXPECT_DOUBLE_EQ(CLinkLine::labelRotation(o, AcGePoint3d(10, 10, 500)), 0.0);
}

using LinkLineDrawingTest = ReportDrawingTest;

TEST_F(LinkLineDrawingTest, LinesAreDrawnBetweenAssetsOnTheirLayersWithTheDashedLinetype)
{
    addLayer("ASSETS");
    const AcDbObjectId asset = definition("ASSET");
    const AcDbObjectId a = reference(asset, AcGePoint3d(1000, 1000, 0));
    const AcDbObjectId b = reference(asset, AcGePoint3d(3000, 3000, 0));
    {
        AcDbEntity* entity = nullptr;
        ASSERT_EQ(acdbOpenObject(entity, b, AcDb::kForWrite), Acad::eOk);
        entity->setLayer("ASSETS");
        entity->close();
    }
    const AcDbObjectId outline = rectangle(0, 0, 10, 10);

    CLinkLines lines;
    lines.add(line(handleOf(a), handleOf(b), "", "feeds"));
    lines.add(line(handleOf(b), "FFFFF", "NET"));               // unresolved: ends at the origin
    lines.add(line(handleOf(a), handleOf(outline), "NET", "x")); // not a reference: the origin too
    lines.add(line(handleOf(a), handleOf(a), "N/E:T", "self")); // on the layer made of its cleaned name
    CAcadDrawingState state;
    {
        DrawingLock lock(&drawing);
        lines.applyToDrawing(&drawing, &state);
    }
    EXPECT_EQ(lines.getAt(0)->getLayer(), "_KAVRO");
    ASSERT_NE(state.getLayers()->getAtLayer("_KAVRO"), nullptr);
    ASSERT_NE(state.getLayers()->getAtLayer("ASSETS"), nullptr);
    EXPECT_EQ(state.getLayers()->getAtLayer("ASSETS")->getOff(), 0);
    EXPECT_EQ(state.getLayers()->getAtLayer("ASSETS")->getPlottable(), 1);
    // A layer the report names is shown too: an earlier application may have switched it off.
    ASSERT_NE(state.getLayers()->getAtLayer("NET"), nullptr);
    EXPECT_EQ(state.getLayers()->getAtLayer("NET")->getOff(), 0);

    const QJsonObject check = saveAndCheck();
    EXPECT_TRUE(check["audit"].toArray().isEmpty()) << check["audit"].toArray().first().toString().toStdString();
    const QJsonArray modelSpace = check["dump"].toObject()["modelspace"].toArray();
    const auto drawn = ofType(modelSpace, "LINE");
    ASSERT_EQ(drawn.size(), 4u);
    for (const QJsonObject& l : drawn) {
        EXPECT_EQ(l["dxf"].toObject()["linetype"].toString(), "T_E_S_T");
        EXPECT_EQ(l["dxf"].toObject()["true_color"].toInt(), 0xFF0000);
    }
    EXPECT_EQ(drawn[0]["layer"].toString(), "_KAVRO");
    EXPECT_EQ(drawn[3]["layer"].toString(), "NET");
    EXPECT_EQ(drawn[1]["dxf"].toObject()["end"].toArray()[0].toDouble(), 0.0);
    EXPECT_EQ(drawn[2]["dxf"].toObject()["end"].toArray()[1].toDouble(), 0.0);

    const auto labels = ofType(modelSpace, "TEXT");
    ASSERT_EQ(labels.size(), 3u);
    const QJsonObject feeds = labels[0]["dxf"].toObject();
    EXPECT_EQ(feeds["text"].toString(), "feeds");
    EXPECT_NEAR(feeds["rotation"].toDouble(), 45.0, 1e-9);
    EXPECT_NEAR(feeds["height"].toDouble(), 150.0, 1e-9);
    EXPECT_NEAR(feeds["align_point"].toArray()[0].toDouble(), 2000.0, 1e-9);
    EXPECT_NEAR(feeds["align_point"].toArray()[1].toDouble(), 2000.0, 1e-9);
    EXPECT_NEAR(labels[2]["dxf"].toObject()["rotation"].toDouble(), 0.0, 1e-12);

    // The pattern length is the dash and the gap together.
    const QJsonArray pattern = check["linetypes"].toObject()["T_E_S_T"].toArray();
    ASSERT_EQ(pattern.size(), 3);
    EXPECT_DOUBLE_EQ(pattern[0].toDouble(), 100.0);
    EXPECT_DOUBLE_EQ(pattern[1].toDouble(), 50.0);
    EXPECT_DOUBLE_EQ(pattern[2].toDouble(), -50.0);
}

TEST_F(LinkLineDrawingTest, ADrawingThatHoldsTheLinetypeKeepsItsRecord)
{
    AcDbLinetypeTable* table = nullptr;
    ASSERT_EQ(db->getSymbolTable(table, AcDb::kForWrite), Acad::eOk);
    auto* record = new AcDbLinetypeTableRecord;
    record->setName("T_E_S_T");
    record->setPatternLength(30.0);
    record->setNumDashes(2);
    record->setDashLengthAt(0, 20.0);
    record->setDashLengthAt(1, -10.0);
    AcDbObjectId kept;
    ASSERT_EQ(table->add(kept, record), Acad::eOk);
    record->close();
    table->close();

    AcDbObjectId found;
    CLinkLine().ensureLinetypeExists(found, db);
    EXPECT_EQ(found, kept);
    const QJsonObject check = saveAndCheck();
    EXPECT_DOUBLE_EQ(check["linetypes"].toObject()["T_E_S_T"].toArray()[0].toDouble(), 30.0);
}
