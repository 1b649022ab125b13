// The chart's price scale per row and its geometry: the step-rounding loop, the previous close
// pulled in, the balance of a simulation, the price mapping, and the bar and time scales.

#include "chart/row_scale.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "chart/geometry.h"
#include "data/day_series.h"

namespace corvala {
namespace {

std::unique_ptr<DaySeries> Day(float high, float low, float prevClose) {
    auto s = std::make_unique<DaySeries>();
    s->loaded = true;
    s->high = high;
    s->low = low;
    s->prevClose = prevClose;
    return s;
}

TEST(RowScaleTest, TheRangeIsRoundedToTheFirstStepThatHoldsItInEightLabels) {
    // 1,234 / 1,180: R = 54, steps 1, 2 and 5 cannot hold it; 10 gives 1,240 / 1,170.
    const auto day = Day(1234, 1180, 1200);
    const RowScale s = ComputeRowScale({nullptr, day.get(), false});
    EXPECT_EQ(s.max, 1240);
    EXPECT_EQ(s.min, 1170);
    EXPECT_EQ(s.step, 10);
    EXPECT_EQ(s.span, 70);

    // max' is one step above max even on a multiple; 10 would need nine labels here, so 20.
    const RowScale onMultiple = RoundRowScale(1240, 1170);
    EXPECT_EQ(onMultiple.max, 1260);
    EXPECT_EQ(onMultiple.min, 1160);
    EXPECT_EQ(onMultiple.step, 20);
    EXPECT_EQ(onMultiple.span, 100);

    // Index points: R = 757 fits 100 × 8, but rounded out it spans 900, so 200 it is.
    const RowScale index = RoundRowScale(28'412.5f, 27'655.1f);
    EXPECT_EQ(index.step, 200);
    EXPECT_EQ(index.max, 28'600);
    EXPECT_EQ(index.min, 27'600);
    EXPECT_EQ(index.span, 1000);
}

TEST(RowScaleTest, ThePreviousCloseIsPulledInAndASimulationBalancesAroundIt) {
    // A previous close above the high raises max to its integer part before rounding.
    const auto above = Day(1234, 1180, 1250.7f);
    EXPECT_EQ(ComputeRowScale({nullptr, above.get(), false}).max, RoundRowScale(1250, 1180).max);

    // 開 始 with the previous close at 1,000, a high of 1,100 and a low of 990: the low side is
    // widened to 1,000 − 0.7 × 100 = 930 before rounding.
    const auto day = Day(1100, 990, 1000);
    const RowScale display = ComputeRowScale({nullptr, day.get(), false});
    const RowScale simulation = ComputeRowScale({nullptr, day.get(), true});
    EXPECT_EQ(display.min, 980);
    const RowScale expected = RoundRowScale(1100, 930);
    EXPECT_EQ(simulation.min, expected.min);
    EXPECT_EQ(simulation.max, expected.max);
    EXPECT_EQ(simulation.step, 50);
}

TEST(RowScaleTest, BothDaysShareTheScaleAndEmptySlotsDoNotCount) {
    const auto previous = Day(1300, 1150, 1200);
    const auto chosen = Day(1234, 1180, 1200);
    const RowScale both = ComputeRowScale({previous.get(), chosen.get(), false});
    EXPECT_GE(both.max, 1300);
    EXPECT_LE(both.min, 1150);

    // A previous day without trades (low 0) does not pull the scale to 0.
    const auto untraded = Day(0, 0, 1200);
    EXPECT_EQ(ComputeRowScale({untraded.get(), chosen.get(), false}).min, 1170);
    // A slot that was never loaded does not count either.
    DaySeries missing;
    EXPECT_EQ(ComputeRowScale({&missing, chosen.get(), false}).min, 1170);

    // Nothing at all: no scale, and no price maps.
    DaySeries none;
    const RowScale empty = ComputeRowScale({&none, &none, false});
    EXPECT_FALSE(empty.Usable());
    EXPECT_FALSE(PriceY(empty, 100, 1000, 500));
}

TEST(RowScaleTest, PricesMapIntoTheBandAndPointsOutsideItAreDropped) {
    const RowScale s{1240, 1170, 10, 70};
    EXPECT_EQ(*PriceY(s, 1240, 5000, 3480), 5000 - 3480);
    EXPECT_EQ(*PriceY(s, 1170, 5000, 3480), 5000);
    EXPECT_EQ(*PriceY(s, 1205, 5000, 3480), 5000 - 1740);
    EXPECT_FALSE(PriceY(s, 1241, 5000, 3480));
    EXPECT_FALSE(PriceY(s, 1169, 5000, 3480));
}

TEST(ChartGeometryTest, BarsPerDayPitchAndWidthFollowTheBarLength) {
    const ChartGeometry five(0, 0, 5);
    EXPECT_EQ(five.barsPerDay(), 60);
    EXPECT_DOUBLE_EQ(five.pitchFactor(), 2);
    EXPECT_NEAR(five.barWidth(), 5941 / (12 * 5.167 * 2 - 1), 1e-9);
    const ChartGeometry one(0, 0, 1);
    EXPECT_EQ(one.barsPerDay(), 300);
    EXPECT_DOUBLE_EQ(one.pitchFactor(), 1.05);
    const ChartGeometry ten(0, 0, 10);
    EXPECT_EQ(ten.barsPerDay(), 30);
    EXPECT_DOUBLE_EQ(ten.pitchFactor(), 2);
    // Whatever N, a day's bars fit in their panel.
    for (int n : {1, 2, 3, 4, 5, 10})
        for (int w : {0, 4000}) {
            const ChartGeometry g(w, 0, n);
            EXPECT_LE(g.BarLeft(kLeftColumn, g.barsPerDay() - 1) + g.barWidth(), g.Panel(0, kLeftColumn).right) << n;
            EXPECT_LE(g.BarLeft(kRightColumn, g.barsPerDay() - 1) + g.barWidth(), g.Panel(0, kRightColumn).right) << n;
        }
    // Bands and strips as tabled.
    const ChartGeometry g(3000, 1500, 5);
    EXPECT_EQ(g.plotHeight(), 750 + 3480);
    EXPECT_EQ(g.BandTop(kLowerRow), 750 + 4710);
    EXPECT_EQ(g.BandBottom(kLowerRow), 1500 + 8190);
    EXPECT_EQ(g.area(), (TwipsRect{800, 300, 15800, 10500}));
    EXPECT_EQ(g.Strip(kUpperRow, kRightColumn), (TwipsRect{1500 + 6800, 750 + 3800, 15800, 750 + 4600}));
}

TEST(ChartGeometryTest, TheTimeGridStandsAtTheSessionHoursAndStretchesWithTheWindow) {
    const ChartGeometry design(0, 0, 5);
    std::vector<int> xs;
    for (int minute : {60, 120, 150, 180, 240, 300}) xs.push_back(design.GridX(kLeftColumn, minute));
    EXPECT_EQ(xs, (std::vector<int>{1980, 3130, 3705, 4280, 5430, 6580}));
    const ChartGeometry wide(3000, 1500, 5);
    EXPECT_LT(wide.GridX(kLeftColumn, 300), wide.Panel(0, kLeftColumn).right);  // 15:00 stays in its panel
    EXPECT_GT(wide.GridX(kRightColumn, 60), wide.Panel(0, kRightColumn).left);
}

}  // namespace
}  // namespace corvala
