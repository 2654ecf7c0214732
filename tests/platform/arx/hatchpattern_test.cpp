// Hatch patterns: the predefined table, and the evaluation that counts a pattern's lines
// across its loops against the host's limit.
#include "arx/aced.h"
#include "arx/dbhatch.h"
#include "arx/dbhatchpatterns.h"

#include <gtest/gtest.h>
#include <memory>

namespace {

// A hatch of the pattern over a w × h rectangle at (x, y) in the world plane.
std::unique_ptr<AcDbHatch> rectangleHatch(const char* pattern, double scale, double w, double h, double x = 0,
                                          double y = 0)
{
    auto hatch = std::make_unique<AcDbHatch>();
    hatch->setPattern(AcDbHatch::kPreDefined, pattern);
    hatch->setPatternScale(scale);
    hatch->appendLoop(AcDbHatch::kOutermost, std::vector<AcGePoint2d>{{x, y}, {x + w, y}, {x + w, y + h}, {x, y + h}},
                      {});
    return hatch;
}

class MaxLines : public ::testing::Test
{
protected:
    void TearDown() override { AcDbHatchPatterns::setMaxLines(100000); }
};

} // namespace

TEST(HatchPatterns, TheStandardFamiliesAreDefinedWithUsableLines)
{
    for (const char* name : {"SOLID", "ANSI31", "ANSI32", "ANSI33", "ANSI34", "ANSI35", "ANSI36", "ANSI37", "ANSI38",
                             "ISO02W100", "ISO07W100", "ISO15W100", "LINE", "NET", "DASH", "DOTS", "BRICK", "HONEY",
                             "EARTH", "GRASS", "AR-B816", "AR-BRSTD", "AR-CONC", "AR-HBONE", "AR-PARQ1", "AR-SAND"})
        EXPECT_NE(AcDbHatchPatterns::find(name), nullptr) << name;
    EXPECT_NE(AcDbHatchPatterns::find("ansi31"), nullptr);
    EXPECT_EQ(AcDbHatchPatterns::find("NO_SUCH"), nullptr);
    EXPECT_TRUE(AcDbHatchPatterns::find("SOLID")->empty());
    // Every family has lines that step across each other, and a dash pattern that moves on.
    for (const std::string& name : AcDbHatchPatterns::names()) {
        for (const AcDbHatchPatterns::Family& f : *AcDbHatchPatterns::find(name)) {
            EXPECT_GT(std::abs(f.offsetY), 1e-9) << name << " lines coincide at " << f.angle;
            double period = 0;
            for (double d : f.dashes)
                period += std::abs(d);
            EXPECT_TRUE(f.dashes.empty() || period > 0) << name;
        }
    }
}

TEST(HatchPatterns, PatternLinesFollowScaleAndAngle)
{
    AcDbHatch hatch;
    ASSERT_EQ(hatch.setPattern(AcDbHatch::kPreDefined, "iso02w100"), Acad::eOk);
    EXPECT_STREQ(hatch.patternName(), "ISO02W100");
    hatch.setPatternScale(2);
    hatch.setPatternAngle(kPi / 2);
    ASSERT_EQ(hatch.patternLines().size(), 1u);
    const AcDbHatch::PatternLine& line = hatch.patternLines()[0];
    EXPECT_NEAR(line.angle, kPi / 2, 1e-12);
    EXPECT_NEAR(line.offset.x, -10, 1e-9);   // 5 mm apart, doubled, turned with the lines
    EXPECT_NEAR(line.offset.y, 0, 1e-9);
    EXPECT_EQ(line.dashes, (std::vector<double>{24, -6}));
}

TEST_F(MaxLines, EvaluationCountsLinesAcrossTheLoopsAgainstTheLimit)
{
    // LINE: horizontal lines 3.175 apart; a 100 × 31.75 box holds the 9 inside ones (the
    // lines along its lower and upper sides touch it only).
    const auto lines = rectangleHatch("LINE", 1, 100, 31.75);
    EXPECT_DOUBLE_EQ(lines->patternLineCount(), 9);
    EXPECT_EQ(lines->evaluateHatch(), Acad::eOk);
    // Dashes count one by one unless an estimate that may be low is asked for.
    const auto dashes = rectangleHatch("DASH", 1, 63.5, 31.75);
    EXPECT_DOUBLE_EQ(dashes->patternLineCount(true), 9);
    EXPECT_DOUBLE_EQ(dashes->patternLineCount(false), 90);

    // Too fine for a large outline, too coarse for a small one: statuses 420 and 5.
    const auto fine = rectangleHatch("ANSI31", 1, 500000, 500000);
    EXPECT_EQ(fine->evaluateHatch(true), Acad::eHatchTooDense);
    const auto coarse = rectangleHatch("ANSI31", 100000, 5000, 4000, 6000, 10);
    EXPECT_EQ(coarse->evaluateHatch(true), Acad::eAmbiguousOutput);
    EXPECT_EQ(rectangleHatch("SOLID", 1, 500000, 500000)->evaluateHatch(), Acad::eOk);
    EXPECT_EQ(rectangleHatch("NO_SUCH", 1, 10, 10)->evaluateHatch(), Acad::eHatchPatternNotFound);
    AcDbHatch empty;
    empty.setPattern(AcDbHatch::kPreDefined, "ANSI31");
    EXPECT_EQ(empty.evaluateHatch(), Acad::eInvalidExtents);

    // The limit is the host setting HPMAXLINES: 149 lines pass the default and not 100.
    const auto medium = rectangleHatch("LINE", 1, 10, 3.175 * 150);
    EXPECT_EQ(medium->evaluateHatch(), Acad::eOk);
    resbuf value{};
    ASSERT_EQ(acedGetVar("hpmaxlines", &value), RTNORM);
    EXPECT_EQ(value.restype, RTLONG);
    EXPECT_EQ(value.resval.rlong, 100000);
    value.resval.rlong = 100;
    ASSERT_EQ(acedSetVar("HPMAXLINES", &value), RTNORM);
    EXPECT_EQ(medium->evaluateHatch(), Acad::eHatchTooDense);
    value.resval.rlong = 99;
    EXPECT_EQ(acedSetVar("HPMAXLINES", &value), RTERROR);
    EXPECT_EQ(AcDbHatchPatterns::maxLines(), 100);
}

TEST(HatchPatterns, EvaluationWorksInTheHatchPlaneAndSurvivesExtremeScales)
{
    // A hatch on a plane facing down, away from the origin: the count is the same as in
    // the world plane.
    auto tilted = rectangleHatch("LINE", 1, 100, 31.75, 1000, 2000);
    const double flat = tilted->patternLineCount();
    EXPECT_DOUBLE_EQ(flat, 10);
    tilted->transformBy(AcGeMatrix3d::rotation(kPi, AcGeVector3d::kXAxis));
    EXPECT_DOUBLE_EQ(tilted->patternLineCount(), flat);
    // The smallest scale a hatch takes still counts without overflow.
    auto tiny = rectangleHatch("ANSI37", 1e-12, 1e6, 1e6);
    EXPECT_EQ(tiny->evaluateHatch(), Acad::eHatchTooDense);
}
