// Pie charts of graphic reports drawn into real drawings. The saved drawings are read back
// with ezdxf, which measures every wedge itself; the expected shares are worked out here
// from the category areas.
#include "chartfixture.h"

#include "arx/dbtext.h"
#include "blocks/block.h"
#include "blocks/blocks.h"
#include "blocks/hatch.h"
#include "common/hostproduct.h"
#include "reports/categories.h"
#include "reports/graphicreport.h"
#include "reports/piechart.h"
#include "reports/piesegments.h"

#include <cmath>
#include <numbers>

namespace {

struct CategorySpec
{
    const char* title;
    const char* pattern;   // null: no hatch style
    const char* layer;
    std::vector<double> areas;
};

std::unique_ptr<CGraphicReport> reportOf(const char* title, double total, const std::vector<CategorySpec>& specs)
{
    auto report = std::make_unique<CGraphicReport>();
    report->setTitle(title);
    report->setTotalChildAreas(total);
    auto* categories = new CCategories;
    report->setCategories(categories);
    for (const CategorySpec& spec : specs) {
        auto* category = new CCategory;
        category->setTitle(spec.title);
        if (spec.pattern) {
            auto* hatch = new CHatch;
            hatch->setPattern(spec.pattern);
            hatch->setLayer(spec.layer);
            AcCmColor colour;
            colour.setRGB(200, 30, static_cast<Adesk::UInt8>(spec.areas.size() * 40));
            hatch->setColour(colour);
            category->setHatch(hatch);
        }
        auto* blocks = new CBlocks;
        for (double area : spec.areas) {
            auto* block = new CBlock;
            block->setArea(area);
            blocks->addBlock(block);
        }
        category->setBlocks(blocks);
        categories->add(category);
    }
    return report;
}

constexpr double kRadius = 1000.0;
constexpr double kText = 100.0;

std::unique_ptr<CPieChart> chartAt(CAcadDrawing* drawing, CGraphicReport* report, const AcGePoint3d* centre,
                                   double explode = 0.0)
{
    return std::make_unique<CPieChart>(drawing, report, kRadius, explode, kText, 2, "sq.m.", 1, 1, 1, 0.0, centre);
}

std::string text(const QJsonObject& entity)
{
    return entity["dxf"].toObject()["text"].toString().toStdString();
}

double coordinate(const QJsonObject& entity, const char* key, int axis)
{
    return entity["dxf"].toObject()[key].toArray()[axis].toDouble();
}

class PieChartTest : public ReportDrawingTest
{
protected:
    AcDbObjectId chartBlock(const char* name)
    {
        AcDbBlockTable* table = nullptr;
        EXPECT_EQ(db->getSymbolTable(table, AcDb::kForRead), Acad::eOk);
        AcDbObjectId id;
        table->getAt(name, id);
        table->close();
        return id;
    }
};

} // namespace

TEST_F(PieChartTest, WedgesTakeTheirCategoryShareOfTheTotal)
{
    const double offices = 100.0 + 60.5, stores = 120.0, plain = 50.0, total = 400.0;
    auto report = reportOf("Floor 1 (East)", total,
                           {{"Offices", "ANSI31", "PIE_OFFICES", {100.0, 60.5}},
                            {"Stores", "SOLID", "PIE_STORES", {120.0}},
                            {"Vacant", "SOLID", "PIE_VACANT", {}},
                            {"Plain", nullptr, "", {50.0}},
                            // Same title, another style: the category is kept, its wedge is not.
                            {"Offices", "NET", "PIE_OTHER", {30.0}}});
    ASSERT_EQ(report->getCategories()->count(), 5);
    const AcGePoint3d centre(5000, 3000, 0);
    const auto chart = chartAt(&drawing, report.get(), &centre);
    EXPECT_DOUBLE_EQ(chart->getSegments()->getTotal(), offices + stores + plain);
    EXPECT_EQ(chart->getName(), "[KAVRO_PIECHART]_Floor 1 _East_");

    const QJsonObject check = saveAndCheck();
    EXPECT_TRUE(check["audit"].toArray().isEmpty()) << check["audit"].toArray().first().toString().toStdString();
    const QJsonArray entities = blockEntities(check, "[KAVRO_PIECHART]_Floor 1 _East_");
    const auto wedges = ofType(entities, "LWPOLYLINE");
    ASSERT_EQ(wedges.size(), 3u);

    const double values[] = {offices, stores, plain};
    const char* layers[] = {"PIE_OFFICES", "PIE_STORES", "0"};
    double start = 0.0;
    for (size_t i = 0; i < 3; ++i) {
        const double share = values[i] / total;
        const double measured = check["areas"].toObject()[wedges[i]["handle"].toString()].toDouble();
        EXPECT_NEAR(measured / (std::numbers::pi * kRadius * kRadius), share, 1e-9) << i;
        // The arc begins where the previous wedge ended, clockwise from 12 o'clock.
        const QJsonArray arcStart = wedges[i]["points"].toArray()[1].toArray();
        const double angle = start / total * 2 * std::numbers::pi;
        EXPECT_NEAR(arcStart[0].toDouble(), kRadius * std::sin(angle), 1e-6) << i;
        EXPECT_NEAR(arcStart[1].toDouble(), kRadius * std::cos(angle), 1e-6) << i;
        EXPECT_EQ(wedges[i]["layer"].toString().toStdString(), layers[i]);
        start += values[i];
    }

    // Two wedges have a hatch style; the one without is drawn unhatched.
    const auto hatches = ofType(entities, "HATCH");
    ASSERT_EQ(hatches.size(), 2u);
    EXPECT_EQ(hatches[0]["pattern"].toString(), "ANSI31");
    EXPECT_EQ(hatches[1]["layer"].toString(), "PIE_STORES");
    EXPECT_EQ(ofType(entities, "LINE").size(), 3u);
    // The hatches lie under everything else of the chart, each sent to the back as it is made.
    const QJsonArray order = check["draworder"].toObject()["[KAVRO_PIECHART]_Floor 1 _East_"].toArray();
    ASSERT_EQ(order.size(), entities.size());
    EXPECT_EQ(order[0].toString(), hatches[1]["handle"].toString());
    EXPECT_EQ(order[1].toString(), hatches[0]["handle"].toString());

    std::vector<std::string> texts;
    for (const QJsonObject& definition : ofType(entities, "ATTDEF"))
        texts.push_back(text(definition));
    EXPECT_EQ(texts, (std::vector<std::string>{"Offices (160.50 sq.m.)", "Stores (120.00 sq.m.)",
                                               "Plain (50.00 sq.m.)", "Floor 1 (East)", "Total: 400.00sq.m."}));
    const auto definitions = ofType(entities, "ATTDEF");
    // The first label lies right of the centre line and below half the radius.
    EXPECT_EQ(definitions[0]["dxf"].toObject()["halign"].toInt(), 0);
    EXPECT_EQ(definitions[0]["dxf"].toObject()["valign"].toInt(), 3);
    EXPECT_EQ(definitions[1]["dxf"].toObject()["halign"].toInt(), 2);
    EXPECT_NEAR(coordinate(definitions[3], "align_point", 1), 1.5 * kRadius + kText, 1e-9);
    EXPECT_NEAR(coordinate(definitions[4], "align_point", 1), kText - 1.5 * kRadius, 1e-9);

    const auto inserts = ofType(check["dump"].toObject()["modelspace"].toArray(), "INSERT");
    ASSERT_EQ(inserts.size(), 1u);
    EXPECT_EQ(inserts[0]["dxf"].toObject()["name"].toString(), "[KAVRO_PIECHART]_Floor 1 _East_");
    EXPECT_NEAR(coordinate(inserts[0], "insert", 0), 5000.0, 1e-9);
    EXPECT_NEAR(coordinate(inserts[0], "insert", 1), 3000.0, 1e-9);
}

TEST_F(PieChartTest, OneCategoryOfTheWholeTotalIsAFullCircleAndExplodedWedgesMoveOut)
{
    auto whole = reportOf("Whole", 250.0, {{"All", "SOLID", "W", {250.0}}});
    chartAt(&drawing, whole.get(), nullptr);
    auto halves = reportOf("Halves", 100.0, {{"A", "SOLID", "H", {25.0}}, {"B", "SOLID", "H", {75.0}}});
    const double offset = 200.0;
    chartAt(&drawing, halves.get(), nullptr, offset);

    const QJsonObject check = saveAndCheck();
    const auto circle = ofType(blockEntities(check, "[KAVRO_PIECHART]_Whole"), "LWPOLYLINE");
    ASSERT_EQ(circle.size(), 1u);
    EXPECT_EQ(circle[0]["points"].toArray().size(), 3);
    EXPECT_NEAR(check["areas"].toObject()[circle[0]["handle"].toString()].toDouble(),
                std::numbers::pi * kRadius * kRadius, 1e-6);

    // The leader line of the second wedge (bisector at 225 degrees) starts at the offset.
    const auto lines = ofType(blockEntities(check, "[KAVRO_PIECHART]_Halves"), "LINE");
    ASSERT_EQ(lines.size(), 2u);
    const double bisector = (25.0 + 75.0 / 2) / 100.0 * 2 * std::numbers::pi;
    EXPECT_NEAR(coordinate(lines[1], "start", 0), offset * std::sin(bisector), 1e-6);
    EXPECT_NEAR(coordinate(lines[1], "start", 1), offset * std::cos(bisector), 1e-6);
    EXPECT_NEAR(coordinate(lines[1], "end", 0), (0.95 * 1.25 * kRadius + offset) * std::sin(bisector), 1e-6);
}

TEST_F(PieChartTest, SegmentsAreComparedWithTheTotalAfterFlooring)
{
    auto within = reportOf("Within", 100.2, {{"A", "SOLID", "L", {100.7}}});
    EXPECT_EQ(raised([&] { chartAt(&drawing, within.get(), nullptr); }), nullptr);
    EXPECT_FALSE(chartBlock("[KAVRO_PIECHART]_Within").isNull());

    auto over = reportOf("Over", 100.9, {{"A", "SOLID", "L", {101.0}}});
    const auto error = raised([&] { chartAt(&drawing, over.get(), nullptr); });
    ASSERT_NE(error, nullptr);
    const CEXKavro* inner = error.get();
    while (inner->getInnerException())
        inner = inner->getInnerException();
    EXPECT_EQ(inner->getDescription(), "Unable to calculate pie chart percentages the total segment area (101.00) "
                                        "is greater than the specified total area (100.90).");
    EXPECT_TRUE(chartBlock("[KAVRO_PIECHART]_Over").isNull());
    EXPECT_FALSE(drawing.isLocked());
}

TEST_F(PieChartTest, ASecondApplicationRefillsTheDefinitionThatReferencesShow)
{
    const AcGePoint3d first(0, 0, 0), second(8000, 0, 0);
    auto before = reportOf("Levels", 100.0, {{"Labs", "SOLID", "L", {40.0}}});
    const auto chart = chartAt(&drawing, before.get(), &first);
    const AcDbObjectId block = chart->getBlockId().isNull() ? chartBlock("[KAVRO_PIECHART]_Levels")
                                                             : chart->getBlockId();
    // A copy of the chart kept in paper space must show the new content too.
    reference(block, AcGePoint3d(10, 10, 0), db->paperSpaceId());

    auto after = reportOf("Levels", 100.0, {{"Labs", "SOLID", "L", {70.0}}, {"Desks", "SOLID", "D", {30.0}}});
    chartAt(&drawing, after.get(), &second);
    EXPECT_EQ(chartBlock("[KAVRO_PIECHART]_Levels"), block);

    const QJsonObject check = saveAndCheck();
    EXPECT_TRUE(check["audit"].toArray().isEmpty());
    const QJsonArray entities = blockEntities(check, "[KAVRO_PIECHART]_Levels");
    EXPECT_EQ(ofType(entities, "LWPOLYLINE").size(), 2u);
    EXPECT_EQ(text(ofType(entities, "ATTDEF")[0]), "Labs (70.00 sq.m.)");
    // Model space holds the chart once, at the new marker.
    const auto inserts = ofType(check["dump"].toObject()["modelspace"].toArray(), "INSERT");
    ASSERT_EQ(inserts.size(), 1u);
    EXPECT_NEAR(coordinate(inserts[0], "insert", 0), 8000.0, 1e-9);
}

TEST_F(PieChartTest, NothingIsDrawnWithoutCategoriesTotalOrSegments)
{
    const AcGePoint3d centre(0, 0, 0);
    const int before = modelSpaceCount();
    CGraphicReport bare;
    bare.setTitle("Bare");
    bare.setTotalChildAreas(100.0);
    EXPECT_TRUE(chartAt(&drawing, &bare, &centre)->getBlockId().isNull());
    auto zero = reportOf("Zero", 0.0, {{"A", "SOLID", "L", {10.0}}});
    EXPECT_TRUE(chartAt(&drawing, zero.get(), &centre)->getBlockId().isNull());
    // Every category empty and left out: no definition, and no reference to a missing one.
    auto empty = reportOf("Empty", 100.0, {{"A", "SOLID", "L", {}}, {"B", nullptr, "", {0.0}}});
    const auto chart = chartAt(&drawing, empty.get(), &centre);
    EXPECT_TRUE(chart->getBlockId().isNull());
    EXPECT_TRUE(chart->getReferenceId().isNull());
    EXPECT_EQ(modelSpaceCount(), before);
    EXPECT_TRUE(chartBlock("[KAVRO_PIECHART]_Empty").isNull());
}

TEST_F(PieChartTest, AnEmptyCategoryKeptByTheReportHasAFlatWedge)
{
    auto report = reportOf("Kept", 100.0, {{"None", "SOLID", "N", {}}, {"Half", "SOLID", "H", {50.0}}});
    const AcGePoint3d centre(0, 0, 0);
    const auto chart = std::make_unique<CPieChart>(&drawing, report.get(), kRadius, 0.0, kText, 1, "sq.ft.", 0, 1, 0,
                                                   0.0, &centre);
    ASSERT_EQ(chart->getSegments()->count(), 2);
    const QJsonObject check = saveAndCheck();
    EXPECT_TRUE(check["audit"].toArray().isEmpty());
    const QJsonArray entities = blockEntities(check, "[KAVRO_PIECHART]_Kept");
    const auto wedges = ofType(entities, "LWPOLYLINE");
    ASSERT_EQ(wedges.size(), 2u);
    EXPECT_NEAR(check["areas"].toObject()[wedges[0]["handle"].toString()].toDouble(), 0.0, 1e-9);
    EXPECT_NEAR(check["areas"].toObject()[wedges[1]["handle"].toString()].toDouble(),
                std::numbers::pi * kRadius * kRadius / 2, 1e-6);
    // Labels without leader lines.
    EXPECT_EQ(ofType(entities, "LINE").size(), 0u);
    EXPECT_EQ(text(ofType(entities, "ATTDEF")[0]), "None (0.0 sq.ft.)");
    EXPECT_EQ(text(ofType(entities, "ATTDEF")[3]), "Total: 100.0sq.ft.");
}

TEST_F(PieChartTest, OnALimitedHostTheChartIsOnlyDefined)
{
    const HostProduct lt("AutoCAD LT 2019");
    const AcGePoint3d centre(0, 0, 0);
    auto report = reportOf("Limited", 100.0, {{"A", "SOLID", "L", {10.0}}});
    const auto chart = chartAt(&drawing, report.get(), &centre);
    EXPECT_FALSE(chart->getBlockId().isNull());
    EXPECT_TRUE(chart->getReferenceId().isNull());
    EXPECT_EQ(modelSpaceCount(), 0);
}

TEST(PieSegments, ASecondSegmentOfTheSameNameIsRefusedAndNotCounted)
{
    CPieSegments segments;
    EXPECT_EQ(segments.add(new CPieSegment("Offices", nullptr, 10.0, 2, "sq.m.")), 1);
    EXPECT_EQ(segments.add(new CPieSegment("Stores", nullptr, 5.0, 2, "sq.m.")), 2);
    EXPECT_EQ(segments.add(new CPieSegment("Offices", nullptr, 7.0, 2, "sq.m.")), 1);
    EXPECT_EQ(segments.add(new CPieSegment("offices", nullptr, 1.0, 2, "sq.m.")), 3);
    EXPECT_EQ(segments.count(), 3);
    EXPECT_DOUBLE_EQ(segments.getTotal(), 16.0);
}
