#include "geometry/outlinecrossing.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <gtest/gtest.h>
#include <numbers>
#include <optional>
#include <string>

namespace {

struct Corner
{
    double x, y, bulge = 0;
};

// Where the closed outline through the corners moved by (dx, dy) meets itself, found pair by
// pair or by the sweep.
std::optional<OutlineMeeting> crossingOf(const std::vector<Corner>& corners, double dx = 0, double dy = 0,
                                         bool sweep = false)
{
    AcDbPolyline outline;
    for (const Corner& c : corners)
        outline.addVertexAt(outline.numVerts(), AcGePoint2d(c.x + dx, c.y + dy), c.bulge);
    outline.setClosed(true);
    return sweep ? findSelfCrossing(outline, 0) : findSelfCrossing(outline);
}

const AcGePoint2d kFar(2.6e9, 1.2e9);

bool movesExactly(const std::vector<Corner>& corners)
{
    return std::all_of(corners.begin(), corners.end(), [](const Corner& c) {
        return c.x + kFar.x - kFar.x == c.x && c.y + kFar.y - kFar.y == c.y;
    });
}

const double kQuarter = std::tan(std::numbers::pi / 8); // the bulge of a quarter circle

enum Found { kNone, kTouches, kCrosses };

Found kindOf(const std::optional<OutlineMeeting>& met)
{
    return !met ? kNone : met->crosses ? kCrosses : kTouches;
}

struct Case
{
    const char* name;
    std::vector<Corner> corners;
    Found found;
    std::optional<AcGePoint2d> at = std::nullopt;
};

const std::vector<Case> kCases = {
    {"bow tie", {{0, 0}, {4000, 3000}, {4000, 0}, {0, 3000}}, kCrosses, AcGePoint2d(2000, 1500)},
    {"bow tie crossing at a vertex of both passages",
     {{0, 0}, {2000, 1500}, {4000, 3000}, {4000, 0}, {2000, 1500}, {0, 3000}}, kCrosses, AcGePoint2d(2000, 1500)},
    {"square traced twice", {{0, 0}, {3, 0}, {3, 3}, {0, 3}, {0, 0}, {3, 0}, {3, 3}, {0, 3}}, kCrosses},
    {"figure eight touching at a vertex", {{0, 0}, {2, 1}, {4, 0}, {4, 2}, {2, 1}, {0, 2}}, kTouches, AcGePoint2d(2, 1)},
    {"squares meeting at a corner, turning opposite ways",
     {{0, 0}, {2, 0}, {2, 2}, {0, 2}, {0, 0}, {0, -2}, {-2, -2}, {-2, 0}}, kCrosses, AcGePoint2d(0, 0)},
    {"circles touching, turning opposite ways", {{0, 0, 1}, {-2, 0, 1}, {0, 0, -1}, {2, 0, -1}}, kCrosses,
     AcGePoint2d(0, 0)},
    {"loop inside touching at a corner, turning alike",
     {{0, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 0}, {4, 1}, {4, 4}, {1, 4}}, kCrosses, AcGePoint2d(0, 0)},
    {"vertex on another edge", {{0, 0}, {6, 0}, {6, 4}, {3, 0}, {0, 4}}, kTouches, AcGePoint2d(3, 0)},
    {"vertex rounded onto another edge", {{0, 0}, {0.6, 0.3}, {0.6, 0.9}, {0.1 + 0.2, 0.15}, {0, 0.9}}, kTouches},
    {"tips touching within rounding",
     {{0, 0}, {2, 1}, {0, 2}, {0, 6}, {8, 6}, {8, 2}, {2 + 1e-12, 1}, {8, 0}, {8, -4}, {0, -4}},
     kTouches},
    {"hole joined by a slit",
     {{0, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 5}, {3, 5}, {3, 7}, {6, 7}, {6, 3}, {3, 3}, {3, 5}, {0, 5}},
     kTouches},
    {"slit to a hole, then a crossing",
     {{0, 5}, {3, 5}, {3, 7}, {6, 7}, {6, 3}, {3, 3}, {3, 5}, {0, 5}, {0, 0}, {10, 0}, {20, 10}, {20, 0}, {10, 10}, {0, 10}},
     kCrosses, AcGePoint2d(15, 5)},
    {"vertex just clear of another edge", {{0, 0}, {6, 0}, {6, 4}, {3, 1e-6}, {0, 4}}, kNone},
    {"repeated vertices", {{0, 0}, {0, 0}, {5, 0}, {5, 0}, {5, 3}, {0, 3}, {0, 0}}, kNone},
    {"spike out and back", {{0, 0}, {5, 0}, {5, 1}, {8, 1}, {5, 1}, {5, 3}, {0, 3}}, kNone},
    {"spike with a bend", {{0, 0}, {5, 0}, {5, 1}, {7, 1}, {7, 2}, {7, 1}, {5, 1}, {5, 3}, {0, 3}}, kNone},
    {"spike folding back past its base", {{0, 0}, {6, 0}, {4, 0}, {4, 3}, {0, 3}}, kNone},
    {"spike along an arc", {{0, 0}, {4, 0, 0.5}, {6, 2, -0.5}, {4, 0}, {4, 3}, {0, 3}}, kNone},
    {"spike along an arc of a large bulge", {{900, 400}, {800, 900}, {300, 400, 1119492.9122608509}, {500, 400}}, kNone},
    {"rectangle", {{0, 0}, {5000, 0}, {5000, 3000}, {0, 3000}}, kNone},
    {"star winding twice, every corner turning alike", {{0, 10}, {6, -8}, {-9, 3}, {9, 3}, {-6, -8}}, kCrosses},
    {"L-shaped room", {{0, 0}, {6, 0}, {6, 2}, {2, 2}, {2, 5}, {0, 5}}, kNone},
    {"room with bulged corners",
     {{1, 0}, {9, 0, kQuarter}, {10, 1}, {10, 5, kQuarter}, {9, 6}, {1, 6, kQuarter}, {0, 5}, {0, 1, kQuarter}},
     kNone},
    {"round end whose arcs meet a hair off its rightmost point",
     {{0, 0}, {4, 0, kQuarter}, {5, 1 + 1e-8, kQuarter}, {4, 2}, {0, 2, kQuarter}, {-1, 1, kQuarter}},
     kNone},
    {"circle of two bulges", {{0, 0, 1}, {2, 0, 1}}, kNone},
    {"circle of three quarters and a quarter", {{1, 0, std::tan(3 * std::numbers::pi / 8)}, {0, -1, kQuarter}}, kNone},
    {"circle drawn twice", {{0, 0, 1}, {2, 0, 1}, {0, 0, 1}, {2, 0, 1}}, kCrosses},
    {"arc crossing the segment before it", {{0, 0}, {4, 0, 1.5}, {2, -1}}, kCrosses, AcGePoint2d(19.0 / 12, 0)},
    {"two arcs crossing", {{0, 0, 0.8}, {4, 0}, {4, -1, 0.8}, {0, -1}}, kCrosses},
    {"vertex beside an arc rising steeply from a joint, the next side leaving it between them",
     {{0, 0, -0.5}, {248e-9, 248e-9}, {0, 8e-9}, {232e-9, 136e-9}, {1, 0}, {248e-9, 128e-9}}, kTouches},
    {"vertex beside an upright side, the next side leaving its top between them",
     {{0, 0}, {0, 27e-9}, {31e-9, 6e-9}, {1, 0}, {21e-9, 1e-9}, {31e-9, 0}, {0.5e-9, 23e-9}, {16e-9, 0}}, kTouches},
    {"sides meeting across an arc of a tolerance's width",
     {{2.5e-9, 0}, {1.5e-9, 15.5e-9, 2}, {2.5e-9, 15.5e-9, -0.5}, {15.5e-9, 15.5e-9, -0.5}, {15.5e-9, 13.5e-9}, {1, 0}}, kTouches},
};

class OutlineCrossing : public testing::TestWithParam<Case>
{
};

TEST_P(OutlineCrossing, IsFoundWhereTheOutlineMeetsItself)
{
    const Case& c = GetParam();
    const std::optional<OutlineMeeting> found = crossingOf(c.corners);
    ASSERT_EQ(kindOf(found), c.found);
    EXPECT_EQ(kindOf(crossingOf(c.corners, 0, 0, true)), c.found);
    if (c.at) {
        EXPECT_NEAR(found->at.x, c.at->x, 1e-9);
        EXPECT_NEAR(found->at.y, c.at->y, 1e-9);
    }
    // The same outline far off gives the same answer, when its corners keep their places exactly.
    if (!movesExactly(c.corners))
        return;
    const std::optional<OutlineMeeting> far = crossingOf(c.corners, kFar.x, kFar.y);
    ASSERT_EQ(kindOf(far), c.found);
    if (found) {
        EXPECT_NEAR(far->at.x - kFar.x, found->at.x, 5e-7);
        EXPECT_NEAR(far->at.y - kFar.y, found->at.y, 5e-7);
    }
}

INSTANTIATE_TEST_SUITE_P(Outlines, OutlineCrossing, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<Case>& info) {
                             std::string name = info.param.name;
                             std::replace_if(name.begin(), name.end(), [](char c) { return !std::isalnum(c); }, '_');
                             return name;
                         });

// A comb of 5,000 teeth (20,002 vertices); with `crossed`, the second tooth leans over the third.
std::vector<Corner> comb(bool crossed)
{
    std::vector<Corner> corners;
    for (int i = 0; i < 5000; ++i)
        for (const Corner c : {Corner{2.0 * i, 0}, {2.0 * i, 10}, {2.0 * i + 1, 10}, {2.0 * i + 1, 0}})
            corners.push_back(c);
    corners.push_back({9999, -1});
    corners.push_back({0, -1});
    if (crossed)
        corners[6].x = 4.5;
    return corners;
}

// A strip of arcs wound 50 times about the origin: 10,000 vertices out along its inner edge and
// back along its outer one. With `crossed`, one inner vertex stands out across the outer edge.
std::vector<Corner> spiral(bool crossed)
{
    std::vector<Corner> inner, outer;
    for (int i = 0; i < 10000; ++i) {
        const double angle = 2 * std::numbers::pi * i / 200, radius = 1 + angle / std::numbers::pi;
        const double out = radius + (crossed && i == 5000 ? 1.5 : 0);
        inner.push_back({out * std::cos(angle), out * std::sin(angle), 0.01});
        outer.push_back({(radius + 0.5) * std::cos(angle), (radius + 0.5) * std::sin(angle), 0.01});
    }
    inner.insert(inner.end(), outer.rbegin(), outer.rend());
    return inner;
}

TEST(OutlineCrossing, CombsAndSpiralsOfTwentyThousandVertices)
{
    using Maker = std::vector<Corner> (*)(bool);
    for (const Maker make : {comb, spiral}) {
        EXPECT_EQ(kindOf(crossingOf(make(false))), kNone);
        EXPECT_EQ(kindOf(crossingOf(make(true))), kCrosses);
    }
}

} // namespace
