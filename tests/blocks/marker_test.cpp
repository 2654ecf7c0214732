// Legend and pie-chart markers: the definition made from the user's outline, the reference
// inserted at the outline's top-left corner (a circle's centre) on a layer switched off,
// and the settings read back from the reference's attributes, as the user may have edited
// them. Saved drawings are checked with ezdxf.
#include "arx/dbcurves.h"
#include "blocks/attributes.h"
#include "blocks/markerblocklegend.h"
#include "blocks/markerblockpie.h"
#include "fixture.h"

#include <QJsonDocument>
#include <cmath>
#include <cstring>
#include <map>

namespace {

constexpr double kQuarterTurn = 1.5707963267948966;

class MarkerBlocks : public DrawingTest
{
protected:
    // Makes a marker from the outline; the host status of the insertion.
    int insert(AcDbObjectId outline, int units, int precision, double textSize, double rotation = 0.0)
    {
        AcDbPolyline* polyline = nullptr;
        EXPECT_EQ(acdbOpenObject(polyline, outline, AcDb::kForRead), Acad::eOk);
        polyline->close();
        return CMarkerBlockLegend().insertMarkerBlock(&drawing, polyline, units, precision, textSize, rotation);
    }

    std::unique_ptr<CMarkerBlockLegend> read(AcDbObjectId referenceId)
    {
        AcDbBlockReference* reference = nullptr;
        EXPECT_EQ(acdbOpenObject(reference, referenceId, AcDb::kForRead), Acad::eOk);
        auto marker = std::make_unique<CMarkerBlockLegend>(reference, document);
        reference->close();
        return marker;
    }

    // Sets the texts of the reference's attributes by tag, stored under the given tag.
    void edit(AcDbObjectId referenceId, const std::map<std::string, std::pair<std::string, std::string>>& changes)
    {
        AcDbBlockReference* reference = nullptr;
        ASSERT_EQ(acdbOpenObject(reference, referenceId, AcDb::kForRead), Acad::eOk);
        CAttributes::forEachAttribute(reference, AcDb::kForWrite, [&](AcDbAttribute* attribute) {
            if (const auto change = changes.find(attribute->tagConst()); change != changes.end()) {
                attribute->setTag(change->second.first.c_str());
                attribute->setTextString(change->second.second.c_str());
            }
        });
        reference->close();
    }

    bool definitionExists(const char* name)
    {
        AcDbBlockTable* table = nullptr;
        EXPECT_EQ(db->getSymbolTable(table, AcDb::kForRead), Acad::eOk);
        const bool found = table->has(name);
        table->close();
        return found;
    }
};

QJsonObject blockNamed(const QJsonObject& dump, const char* name)
{
    for (const QJsonValue& block : dump["blocks"].toArray())
        if (block.toObject()["name"].toString() == name)
            return block.toObject();
    return {};
}

QJsonObject layerNamed(const QJsonObject& dump, const char* name)
{
    for (const QJsonValue& layer : dump["layers"].toArray())
        if (layer.toObject()["name"].toString() == name)
            return layer.toObject();
    return {};
}

} // namespace

TEST_F(MarkerBlocks, LegendMarkerDefinedFromTheOutlineAndInsertedAtItsTopLeftCorner)
{
    const AcDbObjectId outline = rectangle(10, 20, 30, 30);   // (10,50) to (40,20)
    ASSERT_EQ(insert(outline, 0, 2, 2.5), 0);
    const AcDbObjectId reference = lastReference();
    ASSERT_FALSE(reference.isNull());

    const QJsonObject described = saveAndDump();
    EXPECT_TRUE(described["audit"].toArray().isEmpty())
        << QJsonDocument(described["audit"].toArray()).toJson().constData();
    const QJsonObject dump = described["dump"].toObject();
    const QJsonArray entities = blockNamed(dump, "MARKER-LEGEND")["entities"].toArray();
    ASSERT_EQ(entities.size(), 6);
    // The outline moved so that its top-left corner is the block's origin.
    const QJsonArray points = entities[0].toObject()["points"].toArray();
    ASSERT_EQ(points.size(), 4);
    EXPECT_EQ(points[0].toArray()[0].toDouble(), 0.0);
    EXPECT_EQ(points[0].toArray()[1].toDouble(), -30.0);
    EXPECT_EQ(points[2].toArray()[0].toDouble(), 30.0);
    EXPECT_EQ(points[2].toArray()[1].toDouble(), 0.0);
    // Five settings stacked downward one text height apart.
    const char* tags[] = {"LEGENDTITLE", "LEGENDTEXTSIZE", "LEGENDPRECISION", "LEGENDROTATION", "LEGENDUNITS"};
    const char* texts[] = {"LEGEND BLOCK", "2.50", "2", "0.00", "0"};
    const char* prompts[] = {"", "Enter legend text size", "Enter precision", "Enter Rotation", "Enter legend units"};
    for (int k = 1; k <= 5; ++k) {
        const QJsonObject definition = entities[k].toObject();
        const QJsonObject dxf = definition["dxf"].toObject();
        EXPECT_EQ(definition["type"].toString(), "ATTDEF");
        EXPECT_EQ(definition["layer"].toString(), "KAVRO_LEGEND_MARKER");
        EXPECT_EQ(dxf["tag"].toString(), tags[k - 1]);
        EXPECT_EQ(dxf["text"].toString(), texts[k - 1]);
        EXPECT_EQ(dxf["prompt"].toString(""), prompts[k - 1]);
        EXPECT_EQ(dxf["insert"].toArray()[1].toDouble(), -2.5 * k) << tags[k - 1];
        EXPECT_EQ(dxf["field_length"].toInt(), static_cast<int>(std::strlen(texts[k - 1])) + 1);
    }
    // The reference stands where the outline was drawn, on its own layer, which is off.
    const QJsonArray modelSpace = dump["modelspace"].toArray();
    ASSERT_EQ(modelSpace.size(), 1);
    const QJsonObject insertion = modelSpace[0].toObject();
    EXPECT_EQ(insertion["layer"].toString(), "KAVRO_LEGEND_MARKER");
    EXPECT_EQ(insertion["dxf"].toObject()["insert"].toArray()[0].toDouble(), 10.0);
    EXPECT_EQ(insertion["dxf"].toObject()["insert"].toArray()[1].toDouble(), 50.0);
    EXPECT_EQ(insertion["attribs"].toArray().size(), 5);
    EXPECT_FALSE(layerNamed(dump, "KAVRO_LEGEND_MARKER")["on"].toBool(true));

    const auto marker = read(reference);
    EXPECT_EQ(marker->getTextSize(), 2.5);
    EXPECT_EQ(marker->getPrecision(), 2);
    EXPECT_EQ(marker->getUnits(), 0);
    EXPECT_EQ(marker->getPosition(), AcGePoint3d(10, 50, 0));
    EXPECT_EQ(marker->getBlockName(), "MARKER-LEGEND");
}

TEST_F(MarkerBlocks, EditedSettingsAreReadBackWhateverTheTagCase)
{
    ASSERT_EQ(insert(rectangle(0, 0, 100, 50), 1, 2, 250.0), 0);
    const AcDbObjectId reference = lastReference();
    EXPECT_EQ(read(reference)->getUnits(), 1);
    edit(reference, {{"LEGENDTEXTSIZE", {"legendTextSize", "5"}}, {"LEGENDPRECISION", {"LEGENDPRECISION", "two"}}});
    const auto marker = read(reference);
    EXPECT_EQ(marker->getTextSize(), 5.0);
    EXPECT_EQ(marker->getPrecision(), 0);
}

TEST_F(MarkerBlocks, SettingsAreWrittenWithTheDecimalsTheirValueNeeds)
{
    EXPECT_EQ(CMarkerBlock::settingText(2.5, 0), "2.5");
    EXPECT_EQ(CMarkerBlock::settingText(2.5, 2), "2.50");
    EXPECT_EQ(CMarkerBlock::settingText(500.0, 0), "500");
    EXPECT_EQ(CMarkerBlock::settingText(0.125, 1), "0.125");

    // A text size of 2.5 at precision 0 reads back as 2.5, not 3.
    ASSERT_EQ(insert(rectangle(0, 0, 100, 50), 0, 0, 2.5), 0);
    const auto marker = read(lastReference());
    EXPECT_EQ(marker->getTextSize(), 2.5);
    EXPECT_EQ(marker->getPrecision(), 0);
}

TEST_F(MarkerBlocks, RotationIsMeasuredInTheCurrentUcs)
{
    ASSERT_EQ(insert(rectangle(0, 0, 100, 50), 0, 2, 10.0, kQuarterTurn), 0);
    const AcDbObjectId reference = lastReference();
    EXPECT_NEAR(read(reference)->getRotation(), kQuarterTurn, 1e-12);
    // Under a UCS turned by the same quarter turn the marker stands unrotated, at the
    // outline's corner expressed in that UCS.
    ASSERT_EQ(db->setUcs(AcGePoint3d::kOrigin, AcGeVector3d(0, 1, 0), AcGeVector3d(-1, 0, 0)), Acad::eOk);
    const auto marker = read(reference);
    EXPECT_NEAR(marker->getRotation(), 0.0, 1e-12);
    EXPECT_NEAR(marker->getPosition().x, 50.0, 1e-9);
    EXPECT_NEAR(marker->getPosition().y, 0.0, 1e-9);
}

TEST_F(MarkerBlocks, AnOutlineThatCannotMoveMakesNoMarkerAndStaysWhereItWas)
{
    addLayer("FROZEN_IN_PLACE", true);
    const AcDbObjectId outline = rectangle(10, 20, 30, 30, AcDbObjectId(), "FROZEN_IN_PLACE");
    EXPECT_EQ(insert(outline, 0, 2, 2.5), Acad::eOnLockedLayer);
    EXPECT_FALSE(definitionExists("MARKER-LEGEND"));
    AcDbPolyline* polyline = nullptr;
    ASSERT_EQ(acdbOpenObject(polyline, outline, AcDb::kForRead), Acad::eOk);
    EXPECT_EQ(polyline->ownerId(), db->modelSpaceId());
    AcGePoint3d corner;
    polyline->getPointAt(0, corner);
    polyline->close();
    EXPECT_EQ(corner, AcGePoint3d(10, 20, 0));
    EXPECT_TRUE(lastReference().isNull());
}

TEST_F(MarkerBlocks, PieMarkerDefinedFromACircleAndReadBack)
{
    auto* circle = new AcDbCircle(AcGePoint3d(3000, 4000, 0), AcGeVector3d::kZAxis, 1000.0);
    const AcDbObjectId circleId = post(circle);
    ASSERT_EQ(acdbOpenObject(circle, circleId, AcDb::kForRead), Acad::eOk);
    circle->close();
    ASSERT_EQ(CMarkerBlockPie().insertMarkerBlock(&drawing, circle, 1, 2, 250.0, 0.0), 0);
    const AcDbObjectId reference = lastReference();

    const QJsonObject described = saveAndDump();
    EXPECT_TRUE(described["audit"].toArray().isEmpty())
        << QJsonDocument(described["audit"].toArray()).toJson().constData();
    const QJsonObject dump = described["dump"].toObject();
    const QJsonArray entities = blockNamed(dump, "MARKER-PIECHART")["entities"].toArray();
    ASSERT_EQ(entities.size(), 6);
    EXPECT_EQ(entities[0].toObject()["type"].toString(), "CIRCLE");
    EXPECT_EQ(entities[0].toObject()["dxf"].toObject()["center"].toArray()[0].toDouble(), 0.0);
    const char* texts[] = {"PIE BLOCK", "250.00", "2", "1000.00", "500.00"};
    for (int k = 1; k <= 5; ++k) {
        const QJsonObject dxf = entities[k].toObject()["dxf"].toObject();
        EXPECT_EQ(dxf["text"].toString(), texts[k - 1]);
        EXPECT_EQ(dxf["insert"].toArray()[1].toDouble(), -250.0 * k);
        EXPECT_EQ(entities[k].toObject()["layer"].toString(), "KAVRO_PIECHART_MARKER");
    }
    EXPECT_FALSE(layerNamed(dump, "KAVRO_PIECHART_MARKER")["on"].toBool(true));

    AcDbBlockReference* opened = nullptr;
    ASSERT_EQ(acdbOpenObject(opened, reference, AcDb::kForRead), Acad::eOk);
    const CMarkerBlockPie marker(opened, document);
    opened->close();
    EXPECT_EQ(marker.getCentre(), AcGePoint3d(3000, 4000, 0));
    EXPECT_EQ(marker.getRadius(), 1000.0);
    EXPECT_EQ(marker.getTextSize(), 250.0);
    EXPECT_EQ(marker.getPrecision(), 2);
}

TEST_F(MarkerBlocks, PieSettingsAtPrecisionZeroKeepTheirValue)
{
    auto* circle = new AcDbCircle(AcGePoint3d(0, 0, 0), AcGeVector3d::kZAxis, 12.5);
    const AcDbObjectId circleId = post(circle);
    ASSERT_EQ(acdbOpenObject(circle, circleId, AcDb::kForRead), Acad::eOk);
    circle->close();
    ASSERT_EQ(CMarkerBlockPie().insertMarkerBlock(&drawing, circle, 0, 0, 2.5, 0.0), 0);
    AcDbBlockReference* opened = nullptr;
    ASSERT_EQ(acdbOpenObject(opened, lastReference(), AcDb::kForRead), Acad::eOk);
    std::map<std::string, std::string> texts;
    CAttributes::forEachAttribute(opened, AcDb::kForRead,
                                  [&](AcDbAttribute* a) { texts[a->tagConst()] = a->textString().GetString(); });
    const CMarkerBlockPie marker(opened, document);
    opened->close();
    EXPECT_EQ(texts["PIEXYOFFSETVALUE"], "500");
    EXPECT_EQ(texts["PIERADIUS"], "12.5");
    EXPECT_EQ(marker.getRadius(), 12.5);
    EXPECT_EQ(marker.getTextSize(), 2.5);
}
