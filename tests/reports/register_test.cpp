// A report's categories read from the real PostgreSQL server (tests/database/sql:
// 50-reports.sql).
#include "blocks/asset.h"
#include "blocks/assets.h"
#include "blocks/blockdwg.h"
#include "blocks/blocks.h"
#include "blocks/hatch.h"
#include "blocks/hyperlinks.h"
#include "common/chain.h"
#include "common/pgserver.h"
#include "database/sqlstatement.h"
#include "database/storedprocedure.h"
#include "reports/categories.h"
#include "reports/linklines.h"

#include <gtest/gtest.h>
#include <memory>

namespace {

std::unique_ptr<CStoredProcedure> procedure()
{
    return std::make_unique<CStoredProcedure>(qvtest::pgServer(), qvtest::pgDatabase(), qvtest::pgUser(),
                                              qvtest::pgPassword(), 10);
}

void run(const char* sql)
{
    CSQLStatement(qvtest::pgServer(), qvtest::pgDatabase(), qvtest::pgUser(), qvtest::pgPassword(), 10)
        .execSQLNoReturn(sql);
}

} // namespace

TEST(ReportCategories, RowsBecomeCategoriesWithTheirHatches)
{
    run("INSERT INTO graphic_reports (graphic_report_id) VALUES (8101), (8102);"
        "INSERT INTO graphic_report_categories (category_id, graphic_report_id, title, hatch_pattern, hatch_angle, "
        "hatch_colour, hatch_scale, hatch_layer) VALUES "
        "(81011, 8101, 'Offices', 'ANSI31', 45, '#00FF80', 500, 'H_OFF'),"
        "(81012, 8101, 'Stores', 'SOLID', NULL, NULL, NULL, NULL),"
        "(81013, 8101, 'Plain', '', 30, '#FFFFFF', 2, 'X'),"
        "(81014, 8101, NULL, NULL, NULL, NULL, NULL, NULL),"
        "(81015, 8101, 'Offices', 'ANSI31', 45, '#00FF80', 500, 'other layer')");
    auto proc = procedure();
    CCategories none;
    none.getReportCategories(proc.get(), 8102, 10);
    EXPECT_EQ(none.count(), 0);

    CCategories all;
    all.getReportCategories(proc.get(), 8101, 11);
    EXPECT_EQ(proc->getTimeout(), 11);
    ASSERT_EQ(all.count(), 4);   // the last row repeats the first's title and hatch
    const CCategory* offices = all.getAt(0);
    EXPECT_EQ(offices->getID(), 81011);
    const CHatch* h = offices->getHatch();
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(h->getAngle(), 45);
    EXPECT_EQ(h->getScale(), 500);
    EXPECT_EQ(h->getColour().green(), 255);
    EXPECT_EQ(h->getLayer(), "H_OFF");
    EXPECT_EQ(all.getAt(1)->getHatch()->getLayer(), "_Kavro");
    EXPECT_EQ(all.getAt(2)->getHatch(), nullptr);   // an empty pattern gives no hatch
    EXPECT_EQ(all.getAt(3)->getTitle(), "");
    EXPECT_EQ(all.getAt(3)->getBlocks(), nullptr);
}

TEST(ReportCategories, ABadColourFailsTheReadAndKeepsWhatCameBefore)
{
    run("INSERT INTO graphic_reports (graphic_report_id) VALUES (8201);"
        "INSERT INTO graphic_report_categories (category_id, graphic_report_id, title, hatch_pattern, "
        "hatch_colour) VALUES (82011, 8201, 'Good', 'SOLID', '#010203'), (82012, 8201, 'Bad', 'SOLID', 'red')");
    auto proc = procedure();
    CCategories all;
    const Chain error = caught([&] { all.getReportCategories(proc.get(), 8201, 10); });
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(error->getProcSig(), "CCategories::getReportCategories");
    EXPECT_EQ(all.count(), 1);
}

TEST(ReportCategories, EachCategoryTakesItsOwnBlocksAndAssetsWithCopiesOfItsHatch)
{
    run("INSERT INTO graphic_reports (graphic_report_id) VALUES (8301);"
        "INSERT INTO graphic_report_categories (category_id, graphic_report_id, title, hatch_pattern, hatch_scale) "
        "VALUES (83011, 8301, 'Offices', 'ANSI31', 20), (83012, 8301, 'Empty', NULL, NULL),"
        "(83013, 8301, 'Stores', NULL, NULL), (83014, 8301, 'Offices', 'ANSI31', 20);"
        "INSERT INTO category_blocks (category_id, handle_text, block_name, block_code, area) VALUES "
        "(83011, '1F', 'Room 1', 'R1', 12.5), (83011, '2A', 'Room 2', 'R2', 7), (83014, '3B', 'Dropped', 'D', 1);"
        "INSERT INTO category_assets (category_id, handle_text, block_description, unique_description) VALUES "
        "(83011, '4C', 'Desk', 'Desk 1'), (83013, '5D', 'Shelf', 'Shelf 1'), (83014, '6E', 'Dropped', 'D');"
        "INSERT INTO category_block_hyperlinks (category_id, handle_text, href, description) VALUES "
        "(83011, '2A', 'plan.pdf', 'Plan')");
    auto proc = procedure();
    CCategories all;
    all.getReportCategories(proc.get(), 8301, 10);
    ASSERT_EQ(all.count(), 3);   // the fourth repeats the first, lists and all

    const CCategory* offices = all.getAt(0);
    const CBlocks* blocks = offices->getBlocks();
    ASSERT_NE(blocks, nullptr);
    ASSERT_EQ(blocks->count(), 2);
    EXPECT_EQ(blocks->getAt(0)->getHandle(), "1F");
    EXPECT_EQ(blocks->getAt(1)->getCode(), "R2");
    EXPECT_EQ(blocks->getAt(1)->getHyperlinks()->getCount(), 1);
    const auto* room = dynamic_cast<const CBlockDWG*>(blocks->getAt(0));
    ASSERT_NE(room, nullptr);
    ASSERT_NE(room->getHatch(), nullptr);
    EXPECT_NE(room->getHatch(), offices->getHatch()) << "each block holds a copy of the category's hatch";
    EXPECT_EQ(room->getHatch()->getPattern(), "ANSI31");
    EXPECT_EQ(room->getHatch()->getScale(), 20);
    ASSERT_NE(offices->getAssets(), nullptr);
    ASSERT_EQ(offices->getAssets()->getCount(), 1);
    const CAsset* desk = offices->getAssets()->getAt(0);
    EXPECT_EQ(desk->getUniqueDescription(), "Desk 1");
    ASSERT_NE(desk->getHatch(), nullptr);
    EXPECT_NE(desk->getHatch(), offices->getHatch());

    // No rows give no list at all, not an empty one.
    EXPECT_EQ(all.getAt(1)->getBlocks(), nullptr);
    EXPECT_EQ(all.getAt(1)->getAssets(), nullptr);
    const CCategory* stores = all.getAt(2);
    EXPECT_EQ(stores->getBlocks(), nullptr);
    ASSERT_NE(stores->getAssets(), nullptr);
    EXPECT_EQ(stores->getAssets()->getAt(0)->getHandle(), "5D");
    EXPECT_EQ(stores->getAssets()->getAt(0)->getHatch(), nullptr) << "a category without hatch gives none";
    EXPECT_EQ(proc->getParameters(), nullptr);
}

TEST(ReportCategories, CategoriesFromTheServerWrittenToAFileReadBackTheSame)
{
    run("INSERT INTO graphic_reports (graphic_report_id) VALUES (8401);"
        "INSERT INTO graphic_report_categories (category_id, graphic_report_id, title, hatch_pattern, hatch_colour, "
        "hatch_layer) VALUES (84011, 8401, 'Labs', 'SOLID', '#10A0FF', 'H_LABS'), (84012, 8401, 'Other', NULL, NULL, "
        "NULL);"
        "INSERT INTO category_blocks (category_id, handle_text, block_name, block_code, area, swap_name, swap_aux) "
        "VALUES (84011, 'A1', 'Lab & <1>', 'L1', 40.25, 'Lab one', 'wet'), (84012, 'B2', 'Hall', 'H', NULL, NULL, "
        "NULL);"
        "INSERT INTO category_assets (category_id, handle_text, block_description, unique_description) VALUES "
        "(84011, 'C3', 'Bench', 'Bench 1');"
        "INSERT INTO category_block_hyperlinks (category_id, handle_text, href, description) VALUES "
        "(84011, 'A1', 'lab.htm', 'Lab')");
    auto proc = procedure();
    CCategories read;
    read.getReportCategories(proc.get(), 8401, 10);
    ASSERT_EQ(read.count(), 2);
    const CString written = read.serialize("urn:test")->get_xml();
    for (const char* part : {"<kavroBlock><mbHandle>A1</mbHandle>", "<mbSwapName>Lab one</mbSwapName>",
                             "<hyperlinks>", "<assets><asset>", "<handle>C3</handle>"})
        EXPECT_NE(written.Find(part), -1) << part << " in " << written.GetString();

    MSXML2::IXMLDOMDocumentPtr document;
    document.CreateInstance("Msxml2.DOMDocument");
    ASSERT_TRUE(document->loadXML(written));
    CCategories back;
    back.deSerialize(document->selectSingleNode("/*")->get_childNodes());
    EXPECT_EQ(back.serialize("urn:test")->get_xml(), written);
    const auto* lab = dynamic_cast<const CBlockDWG*>(back.getAt(0)->getBlocks()->getAt(0));
    ASSERT_NE(lab, nullptr);
    EXPECT_EQ(lab->getName(), "Lab & <1>");
    EXPECT_EQ(lab->getHatch()->getLayer(), "H_LABS");
    EXPECT_EQ(back.getAt(0)->getAssets()->getAt(0)->getHatch()->getColour().blue(), 255);
}

TEST(ReportLinkLines, RowsBecomeLinesWithoutDuplicates)
{
    run("INSERT INTO graphic_reports (graphic_report_id) VALUES (8501), (8502);"
        "INSERT INTO graphic_report_link_lines (graphic_report_id, start_handle, end_handle, layer_name, "
        "label_text) VALUES "
        "(8501, '1A', '2B', 'NET', 'feeds'),"
        "(8501, '1A', '2B', 'OTHER', NULL),"
        "(8501, '2B', '1A', NULL, NULL),"
        "(8501, NULL, '3C', 'NET', '')");
    auto proc = procedure();
    CLinkLines none;
    none.getGraphicReportLinkLines(proc.get(), 8502, 10);
    EXPECT_EQ(none.getCount(), 0);

    CLinkLines lines;
    lines.getGraphicReportLinkLines(proc.get(), 8501, 12);
    EXPECT_EQ(proc->getTimeout(), 12);
    ASSERT_EQ(lines.getCount(), 3);   // the second row repeats the first's handles
    EXPECT_EQ(lines.getAt(0)->getLabel(), "feeds");
    EXPECT_EQ(lines.getAt(0)->getLayer(), "NET");
    EXPECT_EQ(lines.getAt(1)->getStartHandle(), "2B");
    EXPECT_EQ(lines.getAt(1)->getLayer(), "");   // NULL columns leave the fields empty
    EXPECT_EQ(lines.getAt(2)->getStartHandle(), "");
}
