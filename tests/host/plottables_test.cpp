#include "host/acadutilities.h"
#include "support/exrecords.h"

#include <gtest/gtest.h>

TEST(PlotTables, ScalesSkipTheHostsNineteen)
{
    EXPECT_EQ(CAcadUtilities::convertScale(0), 0);
    EXPECT_EQ(CAcadUtilities::convertScale(18), 18);
    EXPECT_EQ(CAcadUtilities::convertScale(19), 20);
    EXPECT_EQ(CAcadUtilities::convertScale(33), 34);
    EXPECT_EQ(CAcadUtilities::convertScale(34), 0);
    EXPECT_EQ(CAcadUtilities::convertScale(-1), 0);
    EXPECT_EQ(CAcadUtilities::convertToScaleTypeID(18), 18);
    EXPECT_EQ(CAcadUtilities::convertToScaleTypeID(19), 0);
    EXPECT_EQ(CAcadUtilities::convertToScaleTypeID(20), 19);
    EXPECT_EQ(CAcadUtilities::convertToScaleTypeID(34), 33);
    EXPECT_EQ(CAcadUtilities::convertToScaleTypeID(35), 0);
    for (int id = 0; id <= 33; ++id)
        EXPECT_EQ(CAcadUtilities::convertToScaleTypeID(CAcadUtilities::convertScale(id)), id);
}

TEST(PlotTables, IdentifiersOutsideTheirRangeGiveZero)
{
    EXPECT_EQ(CAcadUtilities::convertPlotDevice(3), kPNG);
    EXPECT_EQ(CAcadUtilities::convertPlotDevice(4), kDWF);
    EXPECT_EQ(CAcadUtilities::convertToPlotDeviceID(static_cast<PlotDevice>(9)), 0);
    EXPECT_EQ(CAcadUtilities::convertMediaSize(88), static_cast<MediaSize>(88));
    EXPECT_EQ(CAcadUtilities::convertMediaSize(89), static_cast<MediaSize>(0));
    EXPECT_EQ(CAcadUtilities::convertToMediaSizeID(static_cast<MediaSize>(-2)), 0);
    EXPECT_EQ(CAcadUtilities::convertPlotArea(5), 5);
    EXPECT_EQ(CAcadUtilities::convertPlotArea(6), 0);
    EXPECT_EQ(CAcadUtilities::convertToAreaTypeID(-1), 0);
}

TEST(PlotTables, DevicesAndMediaNames)
{
    EXPECT_EQ(CAcadUtilities::convertPlotDevice(kPDF), "DWG To PDF.pc3");
    EXPECT_EQ(CAcadUtilities::convertPlotDevice(kJPG), "PublishToWeb JPG.pc3");
    EXPECT_EQ(CAcadUtilities::convertPlotDevice(static_cast<PlotDevice>(7)), "DWF6 ePlot.pc3");
    EXPECT_EQ(CAcadUtilities::plotExtension(kPNG), ".png");
    EXPECT_EQ(CAcadUtilities::plotExtension(static_cast<PlotDevice>(7)), ".dwf");
    EXPECT_STREQ(CAcadUtilities::convertMediaSize(static_cast<MediaSize>(0)), "ISO_A1_(841.00_x_594.00_MM)");
    EXPECT_STREQ(CAcadUtilities::convertMediaSize(static_cast<MediaSize>(39)), "ANSI_A_(11.00_x_8.50_Inches)");
    EXPECT_STREQ(CAcadUtilities::convertMediaSize(static_cast<MediaSize>(88)), "ARCH_full_bleed_A_(9.00_x_12.00_Inches)");
    EXPECT_STREQ(CAcadUtilities::convertMediaSize(static_cast<MediaSize>(89)), "ISO_A1_(841.00_x_594.00_MM)");
    EXPECT_STREQ(CAcadUtilities::convertMediaSize(static_cast<MediaSize>(-1)), "ISO_A1_(841.00_x_594.00_MM)");
    // Every name reads group_size_(width_x_height_unit) with two decimals.
    for (int i = 0; i < kMediaSizeCount; ++i) {
        const std::string name = CAcadUtilities::convertMediaSize(static_cast<MediaSize>(i));
        const bool mm = name.rfind("ISO_", 0) == 0;
        EXPECT_EQ(name.substr(name.size() - (mm ? 4 : 8)), mm ? "_MM)" : "_Inches)") << name;
        EXPECT_NE(name.find("_x_"), std::string::npos) << name;
    }
}

TEST(PlotTables, PlotFileNamesTakeTheDevicesExtension)
{
    const struct { const char* in; const char* out; } cases[] = {
        {"report", "report.pdf"}, {"report.pdf", "report.pdf"}, {"report.dwf", "report.pdf"},
        {"report.PDF", "report.pdf"}, {"issue.2", "issue.pdf"}, {"/srv/a.b/plan", "/srv/a.b/plan.pdf"}, {"/srv/a.b/plan.dwf", "/srv/a.b/plan.pdf"}};
    for (const auto& c : cases) {
        CString name(c.in);
        CAcadUtilities::checkPlotFileExtension(name, kPDF);
        EXPECT_EQ(name, c.out) << c.in;
    }
    CString empty;
    try {
        CAcadUtilities::checkPlotFileExtension(empty, kPDF);
        FAIL();
    } catch (CEXKavro* e) {
        EXPECT_EQ(e->getProcSig(), "CAcadUtilities::checkPlotFileExtension");
        EXPECT_EQ(e->getClass(), "acadutilities");
        ASSERT_TRUE(dynamic_cast<CEXInvalidPlotFilename*>(e->getInnerException()));
        EXPECT_EQ(e->getInnerException()->getDescription(), "Invalid Plot Filename - ''");
        CEXKavro::deleteChain(e);
    }
}
