// A report's categories read from the real PostgreSQL server (tests/database/sql:
// 50-reports.sql).
#include "blocks/hatch.h"
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

TEST(ReportLinkLines, RowsBecomeLinesWithoutDuplicates)
{
    run("INSERT INTO graphic_reports (graphic_report_id) VALUES (8301), (8302);"
        "INSERT INTO graphic_report_link_lines (graphic_report_id, start_handle, end_handle, layer_name, "
        "label_text) VALUES "
        "(8301, '1A', '2B', 'NET', 'feeds'),"
        "(8301, '1A', '2B', 'OTHER', NULL),"
        "(8301, '2B', '1A', NULL, NULL),"
        "(8301, NULL, '3C', 'NET', '')");
    auto proc = procedure();
    CLinkLines none;
    none.getGraphicReportLinkLines(proc.get(), 8302, 10);
    EXPECT_EQ(none.getCount(), 0);

    CLinkLines lines;
    lines.getGraphicReportLinkLines(proc.get(), 8301, 12);
    EXPECT_EQ(proc->getTimeout(), 12);
    ASSERT_EQ(lines.getCount(), 3);   // the second row repeats the first's handles
    EXPECT_EQ(lines.getAt(0)->getLabel(), "feeds");
    EXPECT_EQ(lines.getAt(0)->getLayer(), "NET");
    EXPECT_EQ(lines.getAt(1)->getStartHandle(), "2B");
    EXPECT_EQ(lines.getAt(1)->getLayer(), "");   // NULL columns leave the fields empty
    EXPECT_EQ(lines.getAt(2)->getStartHandle(), "");
}
