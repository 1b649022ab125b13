#include "chart/chart_frame.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace corvala {
namespace {

std::vector<int> GridXs(const ChartFrame& f, int top) {
    std::vector<int> xs;
    for (const auto& l : f.lines)
        if (!l.dotted && l.y1 == top) xs.push_back(l.x1);
    std::sort(xs.begin(), xs.end());
    return xs;
}

TEST(ChartFrameTest, TimeGridStandsAtTheSessionHoursAtDesignSize) {
    const ChartFrame f = EmptyChartFrame(0, 0, {false, false});
    const std::vector<int> xs = GridXs(f, 300);
    ASSERT_EQ(xs.size(), 12u);
    const std::vector<int> left(xs.begin(), xs.begin() + 6);
    EXPECT_EQ(left, (std::vector<int>{1980, 3130, 3705, 4280, 5430, 6580}));
    EXPECT_EQ(f.area.right, 12800);
    EXPECT_EQ(f.area.bottom, 9000);
    EXPECT_EQ(f.outlines.size(), 8u);
    EXPECT_TRUE(f.texts.empty());
}

TEST(ChartFrameTest, GridAndPanelsFollowTheExtraSpace) {
    const ChartFrame f = EmptyChartFrame(3000, 1500, {false, true});
    EXPECT_EQ(f.area.right, 15800);
    EXPECT_EQ(f.area.bottom, 10500);
    const std::vector<int> xs = GridXs(f, 300);
    EXPECT_LT(xs[5], 3000 / 2 + 6800);  // the left column's 15:00 line stays in its panel
    EXPECT_GT(xs[6], 3000 / 2 + 6800);
    ASSERT_EQ(f.texts.size(), 2u);      // データ未取得 in both stock panels
    EXPECT_EQ(f.texts[0].text, "データ未取得");
    EXPECT_GT(f.texts[0].y, 1500 / 2 + 4700);
}

}  // namespace
}  // namespace corvala
