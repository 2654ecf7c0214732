// Legend tables on real drawings: the table's rows, sizes and texts, the swatch blocks,
// categories without a hatch style or without area, and a second application that
// refills the legend and swatch blocks that references still show. Saved drawings are
// checked with ezdxf.
#include "arx/dbcurves.h"
#include "arx/aced.h"
#include "arx/dbhatch.h"
#include "arx/dbtablestyle.h"
#include "arx/dbtext.h"
#include "blocks/block.h"
#include "blocks/blocks.h"
#include "blocks/hatch.h"
#include "blocks/fixture.h"
#include "common/hostproduct.h"
#include "reports/categories.h"
#include "reports/graphicreport.h"
#include "reports/legendtable.h"

#include <QJsonDocument>
#include <memory>
#include <vector>

namespace {

CCategory* category(const char* title, std::vector<double> areas, const char* pattern = "SOLID",
                    const char* layer = "HATCH_A", int scale = 1)
{
    auto* made = new CCategory;
    made->setTitle(title);
    if (pattern) {
        auto* hatch = new CHatch;
        hatch->setPattern(pattern);
        hatch->setLayer(layer);
        hatch->setScale(scale);
        AcCmColor colour;
        colour.setColorIndex(3);
        hatch->setColour(colour);
        made->setHatch(hatch);
    }
    if (!areas.empty()) {
        auto* blocks = new CBlocks;
        for (double area : areas) {
            auto* block = new CBlock;
            block->setArea(area);
            blocks->addBlock(block);
        }
        made->setBlocks(blocks);
    }
    return made;
}

std::unique_ptr<CGraphicReport> report(const char* title, std::vector<CCategory*> categories)
{
    auto made = std::make_unique<CGraphicReport>();
    made->setTitle(title);
    auto* all = new CCategories;
    for (CCategory* c : categories)
        all->add(c);
    made->setCategories(all);
    return made;
}

class Legend : public DrawingTest
{
protected:
    AcDbObjectId definitionNamed(const char* name)
    {
        AcDbBlockTable* table = nullptr;
        EXPECT_EQ(db->getSymbolTable(table, AcDb::kForRead), Acad::eOk);
        AcDbObjectId id;
        table->getAt(name, id);
        table->close();
        return id;
    }

    // The one table of the legend block, open for read (closed by the caller).
    AcDbTable* tableOf(const char* legendName)
    {
        AcDbBlockTableRecord* legend = nullptr;
        EXPECT_EQ(acdbOpenObject(legend, definitionNamed(legendName), AcDb::kForRead), Acad::eOk);
        if (!legend)
            return nullptr;
        AcDbTable* table = nullptr;
        int live = 0;
        for (const AcDbObjectId& id : legend->entityIds())
            if (!id.isErased() && ++live == 1)
                acdbOpenObject(table, id, AcDb::kForRead);
        legend->close();
        EXPECT_EQ(live, 1);
        return table;
    }

    std::vector<std::string> typesIn(AcDbObjectId definition)
    {
        AcDbBlockTableRecord* record = nullptr;
        EXPECT_EQ(acdbOpenObject(record, definition, AcDb::kForRead), Acad::eOk);
        std::vector<std::string> types;
        for (const AcDbObjectId& id : record->entityIds())
            if (!id.isErased())
                types.push_back(id.object()->isA()->name());
        record->close();
        return types;
    }
};

} // namespace

TEST_F(Legend, RowsSizesAndTextsFollowTheCategories)
{
    auto r = report("Occupancy", {category("Offices", {1000.0, 234.5}), category("Labs", {99.125}),
                                  category("Stores", {12.0}, "ANSI31", "HATCH_B")});
    AcGePoint3d position(100, 200, 0);
    CLegendTable(&drawing, 500.0, 2, "sq.m.", 0, r.get(), 0.0, &position);

    AcDbTable* table = tableOf("[KAVRO_LEGEND]_Occupancy");
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->numRows(), 5);
    EXPECT_EQ(table->numColumns(), 3);
    // Rows are set 1.5 text heights tall; those of the swatches, 2 text heights tall, grow
    // to hold them with the table style's margins above and below.
    const auto* style = AcDbTableStyle::cast(table->tableStyle().object());
    ASSERT_NE(style, nullptr);
    for (int row = 0; row < 5; ++row)
        EXPECT_DOUBLE_EQ(table->rowHeight(row), row < 2 ? 750.0 : 1000.0 + 2 * style->verticalMargin());
    EXPECT_EQ(table->columnWidth(0), 6000.0);   // "Description" and one more
    EXPECT_EQ(table->columnWidth(1), 3000.0);   // "Hatch" and one more, whatever the swatch
    EXPECT_EQ(table->columnWidth(2), 5500.0);   // "Area sq.m." and one more
    EXPECT_TRUE(table->isMergedCell(0, 2));
    EXPECT_EQ(table->textString(0, 0), "Occupancy");
    EXPECT_EQ(table->textString(1, 0), "Description");
    EXPECT_EQ(table->textString(1, 1), "Hatch");
    EXPECT_EQ(table->textString(1, 2), "Area sq.m.");
    EXPECT_EQ(table->textString(2, 0), "Offices");
    EXPECT_EQ(table->textString(2, 2), "1234.50");
    EXPECT_EQ(table->textString(3, 2), "99.13");
    EXPECT_EQ(table->textString(4, 2), "12.00");
    for (int row = 0; row < 5; ++row) {
        EXPECT_EQ(table->textHeight(row, 0), 500.0);
        EXPECT_EQ(table->alignment(row, 2), AcDb::kMiddleCenter);
    }
    const AcDbObjectId swatch = table->blockTableRecordId(4, 1);
    EXPECT_EQ(swatch, definitionNamed("[KAVRO_LEGEND_HATCH]_Occupancy_Stores"));
    EXPECT_FALSE(table->cell(4, 1).autoFit);
    table->close();
    EXPECT_EQ(typesIn(swatch), (std::vector<std::string>{"AcDbPolyline", "AcDbHatch"}));

    const QJsonObject described = saveAndDump();
    EXPECT_TRUE(described["audit"].toArray().isEmpty())
        << QJsonDocument(described["audit"].toArray()).toJson().constData();
    const QJsonObject dump = described["dump"].toObject();
    // The reference of the legend stands at the position in model space.
    const QJsonArray modelSpace = dump["modelspace"].toArray();
    ASSERT_EQ(modelSpace.size(), 1);
    const QJsonObject legend = modelSpace[0].toObject()["dxf"].toObject();
    EXPECT_EQ(legend["name"].toString(), "[KAVRO_LEGEND]_Occupancy");
    EXPECT_EQ(legend["insert"].toArray()[0].toDouble(), 100.0);
    EXPECT_EQ(legend["insert"].toArray()[1].toDouble(), 200.0);
    // The swatch: a 3t by 2t rectangle on the style's layer, hatched in the style.
    for (const QJsonValue& value : dump["blocks"].toArray()) {
        const QJsonObject block = value.toObject();
        if (block["name"].toString() != "[KAVRO_LEGEND_HATCH]_Occupancy_Stores")
            continue;
        const QJsonArray entities = block["entities"].toArray();
        ASSERT_EQ(entities.size(), 2);
        const QJsonObject outline = entities[0].toObject();
        EXPECT_EQ(outline["layer"].toString(), "HATCH_B");
        EXPECT_TRUE(outline["closed"].toBool());
        EXPECT_EQ(outline["points"].toArray()[2].toArray()[0].toDouble(), 1500.0);
        EXPECT_EQ(outline["points"].toArray()[2].toArray()[1].toDouble(), 1000.0);
        const QJsonObject hatch = entities[1].toObject();
        EXPECT_EQ(hatch["pattern"].toString(), "ANSI31");
        EXPECT_EQ(hatch["loops"].toInt(), 1);
        EXPECT_EQ(hatch["layer"].toString(), "HATCH_B");
    }
}

TEST_F(Legend, EmptyUnhatchedAndBackslashedCategories)
{
    auto r = report("A\\B", {category("Empty", {}), category("Plain", {5.0}, nullptr), category("C:\\D", {0.0})});
    CLegendTable(&drawing, 10.0, 1, "sq.ft.", 0, r.get(), 0.0, nullptr);
    AcDbTable* table = tableOf("[KAVRO_LEGEND]_A_B");
    ASSERT_NE(table, nullptr);
    ASSERT_EQ(table->numRows(), 5);
    // Titles show as typed: the report's as well as the categories'.
    EXPECT_EQ(table->textString(0, 0), "A\\\\B");
    EXPECT_EQ(table->textString(2, 2), "0.0");
    EXPECT_TRUE(table->blockTableRecordId(3, 1).isNull());
    EXPECT_EQ(table->textString(4, 0), "C:\\\\D");
    EXPECT_EQ(table->columnWidth(0), 12 * 10.0);   // "Description" and one more
    table->close();
    EXPECT_TRUE(definitionNamed("[KAVRO_LEGEND_HATCH]_A_B_Plain").isNull());
    EXPECT_TRUE(lastReference().isNull());   // no position: the block only

    // With empty categories ignored, those without area get no row.
    auto again = report("Second", {category("Empty", {}), category("Zero", {0.0}), category("Full", {1.0})});
    CLegendTable(&drawing, 10.0, 1, "sq.ft.", 1, again.get(), 0.0, nullptr);
    table = tableOf("[KAVRO_LEGEND]_Second");
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->numRows(), 3);
    EXPECT_EQ(table->textString(2, 0), "Full");
    table->close();
}

TEST_F(Legend, ASecondApplicationRefillsTheBlocksThatReferencesShow)
{
    AcGePoint3d position(0, 0, 0);
    auto first = report("Plan", {category("Offices", {10.0}), category("Labs", {20.0})});
    CLegendTable(&drawing, 100.0, 0, "sq.m.", 0, first.get(), 0.0, &position);
    const AcDbObjectId legend = definitionNamed("[KAVRO_LEGEND]_Plan");
    const AcDbObjectId swatch = definitionNamed("[KAVRO_LEGEND_HATCH]_Plan_Offices");
    const AcDbObjectId reference = lastReference();

    // The same report again, with other areas, at another place.
    position = AcGePoint3d(5000, 0, 0);
    auto second = report("Plan", {category("Offices", {30.0}, "ANSI31"), category("Labs", {40.0})});
    CLegendTable(&drawing, 100.0, 0, "sq.m.", 0, second.get(), 0.0, &position);
    EXPECT_EQ(definitionNamed("[KAVRO_LEGEND]_Plan"), legend);
    EXPECT_EQ(definitionNamed("[KAVRO_LEGEND_HATCH]_Plan_Offices"), swatch);
    EXPECT_EQ(lastReference(), reference);
    EXPECT_EQ(modelSpaceCount(), 1);
    AcDbTable* table = tableOf("[KAVRO_LEGEND]_Plan");
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->textString(2, 2), "30");
    EXPECT_EQ(table->blockTableRecordId(2, 1), swatch);
    table->close();
    AcDbBlockReference* placed = nullptr;
    ASSERT_EQ(acdbOpenObject(placed, reference, AcDb::kForRead), Acad::eOk);
    EXPECT_EQ(placed->position(), AcGePoint3d(5000, 0, 0));
    EXPECT_EQ(placed->blockTableRecord(), legend);
    placed->close();

    const QJsonObject described = saveAndDump();
    EXPECT_TRUE(described["audit"].toArray().isEmpty())
        << QJsonDocument(described["audit"].toArray()).toJson().constData();
    int tableBlocks = 0;
    for (const QJsonValue& value : described["dump"].toObject()["blocks"].toArray()) {
        const QJsonObject block = value.toObject();
        tableBlocks += block["name"].toString().startsWith("*T") ? 1 : 0;
        if (block["name"].toString() == "[KAVRO_LEGEND_HATCH]_Plan_Offices") {
            ASSERT_EQ(block["entities"].toArray().size(), 2);
            EXPECT_EQ(block["entities"].toArray()[1].toObject()["pattern"].toString(), "ANSI31");
        }
    }
    EXPECT_EQ(tableBlocks, 1);   // the replaced table's drawn content went with it
}

TEST_F(Legend, PlacedInTheCurrentUcsAndOnlyDefinedOnALimitedHost)
{
    // A UCS turned a quarter turn about Z and moved: the position and rotation the marker
    // gives are in that UCS.
    ASSERT_EQ(db->setUcs(AcGePoint3d(1000, 0, 0), AcGeVector3d(0, 1, 0), AcGeVector3d(-1, 0, 0)), Acad::eOk);
    AcGePoint3d position(100, 0, 0);
    auto r = report("Turned", {category("Offices", {10.0})});
    CLegendTable(&drawing, 10.0, 2, "sq.m.", 0, r.get(), 0.5, &position);
    AcDbBlockReference* placed = nullptr;
    ASSERT_EQ(acdbOpenObject(placed, lastReference(), AcDb::kForRead), Acad::eOk);
    EXPECT_NEAR(placed->position().x, 1000.0, 1e-9);
    EXPECT_NEAR(placed->position().y, 100.0, 1e-9);
    EXPECT_NEAR(placed->rotation(), 0.5 + 1.5707963267948966, 1e-12);
    EXPECT_TRUE(placed->normal().isEqualTo(AcGeVector3d::kZAxis));
    placed->close();

    const HostProduct limited("AutoCAD LT 2019");
    auto other = report("Limited", {category("Offices", {10.0})});
    CLegendTable(&drawing, 10.0, 2, "sq.m.", 0, other.get(), 0.0, &position);
    EXPECT_FALSE(definitionNamed("[KAVRO_LEGEND]_Limited").isNull());
    EXPECT_EQ(modelSpaceCount(), 1);
}

TEST_F(Legend, ASwatchThatCannotShowItsPatternSaysWhy)
{
    // A swatch is 3 by 2 text sizes: at 1,000 the lines of ANSI31 at scale 1 are too many for a
    // limit of 100; the level lines of LINE at scale 100,000 stand 317.5 m apart, the one
    // through the swatch's corner only runs along its edge.
    resbuf limit{};
    limit.restype = RTLONG;
    limit.resval.rlong = 100;
    ASSERT_EQ(acedSetVar("HPMAXLINES", &limit), RTNORM);
    auto r = report("Marks", {category("Dense", {1.0}, "ANSI31", "HATCH_A", 1),
                              category("Sparse", {1.0}, "LINE", "HATCH_A", 100000),
                              category("Solid", {1.0}, "SOLID", "HATCH_A", 1)});
    CLegendTable(&drawing, 1000.0, 1, "sq.m.", 0, r.get(), 0.0, nullptr);
    limit.resval.rlong = 100000;
    ASSERT_EQ(acedSetVar("HPMAXLINES", &limit), RTNORM);

    const auto marks = [&](const char* name) {
        std::vector<std::string> found;
        AcDbBlockTableRecord* record = nullptr;
        EXPECT_EQ(acdbOpenObject(record, definitionNamed(name), AcDb::kForRead), Acad::eOk);
        if (!record)
            return found;
        for (const AcDbObjectId& id : record->entityIds()) {
            AcDbAttributeDefinition* text = nullptr;
            if (!id.isErased() && acdbOpenObject(text, id, AcDb::kForRead) == Acad::eOk) {
                EXPECT_TRUE(text->isConstant());
                found.push_back(std::string(text->tagConst()) + "|" + text->promptConst() + "|" + text->textStringConst());
                text->close();
            }
        }
        record->close();
        return found;
    };
    EXPECT_EQ(marks("[KAVRO_LEGEND_HATCH]_Marks_Dense"), std::vector<std::string>{"<!|<!|<!"});
    EXPECT_EQ(marks("[KAVRO_LEGEND_HATCH]_Marks_Sparse"), std::vector<std::string>{">!|>!|>!"});
    EXPECT_TRUE(marks("[KAVRO_LEGEND_HATCH]_Marks_Solid").empty());
    EXPECT_EQ(typesIn(definitionNamed("[KAVRO_LEGEND_HATCH]_Marks_Dense")),
              (std::vector<std::string>{"AcDbPolyline", "AcDbAttributeDefinition"}));
    EXPECT_EQ(typesIn(definitionNamed("[KAVRO_LEGEND_HATCH]_Marks_Solid")),
              (std::vector<std::string>{"AcDbPolyline", "AcDbHatch"}));
}
