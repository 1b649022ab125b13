// The chart over every demo day: the bar a replay draws while it forms ends as the bar the loader
// built, the right column never shows a bar the replay has not reached, and every fill of a
// replay gets its marker.

#include <gtest/gtest.h>

#include "chart/indicators.h"
#include "data/day_loader.h"
#include "chart/layers.h"
#include "demo_run.h"

namespace corvala {
namespace {

TEST(ChartInvariantsTest, AFormingBarEndsAsTheLoadedBar) {
    ASSERT_TRUE(Demo().ok) << Demo().error;
    int bars = 0;
    for (int n : {5, 1}) {
        DemoRun run(1);
        run.sim.day().SetBarLength(n);
        for (const auto& date : Demo().dateFolders) {
            for (const auto& stock : Demo().stocks) {
                if (!Demo().Find(date, stock.code) || !run.Display(date, stock.code, false)) continue;
                for (SeriesSlot slot : {SeriesSlot::DayIndex, SeriesSlot::DayStock}) {
                    const DaySeries& s = run.sim.day().data()[slot];
                    if (!s.loaded) continue;
                    // The last bar takes the closing line's figures; every other ends as it formed.
                    for (int t = 0; t + 1 < BarsPerDay(n); ++t) {
                        const int lastRow = (t + 1) * n * 12 - 1;
                        const FormingBar f = FormingBarAt(s, lastRow, n);
                        const DayBar& b = s.bars[static_cast<std::size_t>(t)];
                        ASSERT_EQ(f.t, t);
                        if (b.open == 0) continue;  // before a late opening
                        ASSERT_EQ(f.open, b.open) << date << " " << stock.code << " " << SlotName(slot) << " bar " << t;
                        ASSERT_EQ(f.high, b.high) << date << " " << stock.code << " bar " << t;
                        ASSERT_EQ(f.low, b.low) << date << " " << stock.code << " bar " << t;
                        ASSERT_EQ(f.close, b.close) << date << " " << stock.code << " bar " << t;
                        if (HasVolume(s.kind)) {
                            ASSERT_EQ(f.volume, b.volume) << date << " " << stock.code << " bar " << t;
                        }
                        ++bars;
                    }
                }
            }
        }
    }
    EXPECT_GT(bars, 10'000);
}

TEST(ChartInvariantsTest, AReplayShowsNoBarItHasNotReachedAndMarksEveryFill) {
    ASSERT_TRUE(Demo().ok) << Demo().error;
    DemoRun run(2);
    ASSERT_TRUE(run.Display("221104", "8473", true));
    Simulation& sim = run.sim;
    int ahead = 0, steps = 0;
    sim.replay().SetStepObserver([&](int row) {
        ++steps;
        const int completed = sim.chart().view().lastCompletedBar;
        if (completed >= BarOfRow(row, sim.day().barLength())) ++ahead;
        // The picture's right column stops at the completed bars; the forming one is live.
        if (row % 97 == 0) {
            const ChartPicture& p = sim.chart().picture();
            const ChartGeometry& g = sim.chart().data().geometry;
            const double limit = g.BarLeft(kRightColumn, completed + 1);
            for (const Shape& s : p.base)
                if (s.kind == Shape::Kind::FilledBox && s.colour == chart_colours::kBar && s.x1 >= limit - 1) ++ahead;
        }
    });
    bool ordered = false;
    while (sim.replay().running()) {
        if (sim.replay().waitingForPlay()) {
            sim.replay().speed().SetSpeedScroll(1);
            if (!ordered) {
                NewOrderForm buy;
                buy.quantity = "100";
                buy.normalMarket = true;
                for (int i = 0; i < 3; ++i) sim.trading().PlaceNewOrder(buy);
                ordered = true;
            }
            sim.replay().PressPlayback(kPlayPause);
        }
        ASSERT_TRUE(run.scheduler.RunOne());
    }
    EXPECT_EQ(steps, kReplayRows);
    EXPECT_EQ(ahead, 0);
    // The three openings have their markers; the settlement after the replay has none.
    EXPECT_EQ(sim.trading().fills().size(), 6u);
    EXPECT_EQ(sim.chart().tradeMarkers().size(), 3);
    // At the end the whole day is drawn, without the replay's markers.
    EXPECT_FALSE(sim.chart().view().simulation);
}

}  // namespace
}  // namespace corvala
