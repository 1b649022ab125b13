// The chart's indicators and kept coordinates: the moving averages and their seeding from the
// previous day, VWAP samples, the volume axis, which slots carry which layers, the labels, the
// trade markers, the right column of a replay and the legend.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "chart/chart_data.h"
#include "chart/indicators.h"
#include "chart/layers.h"
#include "data/day_series.h"

namespace corvala {
namespace {

// Bars t = 0.. of `s` closing at `closes`, each with open = high = low = close.
void SetCloses(DaySeries& s, std::initializer_list<float> closes, int from = 0) {
    int t = from;
    for (float c : closes) {
        DayBar& b = s.bars[static_cast<std::size_t>(t++)];
        b.open = b.high = b.low = b.close = c;
    }
}

TEST(MovingAverageTest, TheChosenDaysLineIsSeededFromThePreviousDay) {
    DaySeries previous, day;
    previous.prevClose = 90;
    day.prevClose = 100;
    const int bars = 60;
    for (int t = 0; t < bars; ++t) previous.bars[static_cast<std::size_t>(t)].close = static_cast<float>(100 + t);
    SetCloses(day, {200, 210, 220, 230, 240, 250});
    // N = 5, a = 5: bar 0 is the previous day's last four closes and today's first.
    const auto seeded = MovingAverage(day, bars, 5, &previous);
    EXPECT_FLOAT_EQ(seeded[0], (156 + 157 + 158 + 159 + 200) / 5.0f);
    EXPECT_FLOAT_EQ(seeded[3], (159 + 200 + 210 + 220 + 230) / 5.0f);
    EXPECT_FLOAT_EQ(seeded[4], (200 + 210 + 220 + 230 + 240) / 5.0f);

    // A zero close of the previous day counts as its previous close, or as the chosen day's
    // when it has none.
    previous.bars[58].close = 0;
    EXPECT_FLOAT_EQ(MovingAverage(day, bars, 5, &previous)[0], (156 + 157 + 90 + 159 + 200) / 5.0f);
    previous.prevClose = 0;
    EXPECT_FLOAT_EQ(MovingAverage(day, bars, 5, &previous)[0], (156 + 157 + 100 + 159 + 200) / 5.0f);

    // The previous day's own line has no point for bars 0 to a − 2; a zero close of the day
    // counts as its previous close.
    const auto own = MovingAverage(previous, bars, 5, nullptr);
    for (int t = 0; t < 4; ++t) EXPECT_EQ(own[static_cast<std::size_t>(t)], 0) << t;
    EXPECT_NE(own[4], 0);
    day.bars[6].close = 0;
    EXPECT_FLOAT_EQ(MovingAverage(day, bars, 1, nullptr)[6], 100);

    // The forming bar: its price so far stands for the close.
    EXPECT_FLOAT_EQ(MovingAverageAt(day, bars, 5, 300, 5, &previous), (210 + 220 + 230 + 240 + 300) / 5.0f);
}

TEST(VolumeAxisTest, TheLargestBarIsRoundedUpAndLabelled) {
    EXPECT_EQ(RoundVolumeMax(1'234), 2'000);
    EXPECT_EQ(RoundVolumeMax(5'600), 6'000);
    EXPECT_EQ(RoundVolumeMax(71'000), 80'000);
    EXPECT_EQ(RoundVolumeMax(10'000), 10'000);
    EXPECT_EQ(RoundVolumeMax(1), 1);
    EXPECT_EQ(RoundVolumeMax(0), 1);
    EXPECT_EQ(RoundVolumeMax(9'001), 10'000);
    EXPECT_EQ(VolumeLabels(6'000), (std::vector<std::string>{"6,000", "3,000", "0"}));
    EXPECT_EQ(VolumeLabels(3), (std::vector<std::string>{"3", "1", "0"}));
    EXPECT_TRUE(VolumeLabels(1).empty());  // no volume: no strip labels
}

// A displayed day in code: the four slots with a few bars each.
class ChartDataTest : public ::testing::Test {
protected:
    ChartDataTest() {
        for (SeriesSlot s : {SeriesSlot::PrevIndex, SeriesSlot::DayIndex, SeriesSlot::PrevStock, SeriesSlot::DayStock}) {
            DaySeries& d = day[s];
            d.loaded = true;
            const bool index = s == SeriesSlot::PrevIndex || s == SeriesSlot::DayIndex;
            d.kind = index ? SeriesKind::Nikkei225 : SeriesKind::Stock;
            const float base = index ? 28'000.0f : 1'000.0f;
            d.prevClose = base;
            d.high = base + 40, d.low = base - 40;
            for (int t = 0; t < 60; ++t) {
                DayBar& b = d.bars[static_cast<std::size_t>(t)];
                b.open = base + static_cast<float>(t % 7);
                b.close = base + static_cast<float>(t % 5);
                b.high = std::max(b.open, b.close) + 3;
                b.low = std::min(b.open, b.close) - 3;
                b.volume = index ? 0 : 10 * (t + 1);
                b.cumVolume = index ? 0 : 5.0 * (t + 1) * (t + 2);
            }
            d.maxBarVolume = index ? 0 : 600;
            d.lastRow = kClosingRow;
            for (int r = 0; r < kReplayRows; ++r) {
                d.vwap[static_cast<std::size_t>(r)] = index ? 0 : base + 1;
                d.timeText[static_cast<std::size_t>(r)] = "09:00:00";
            }
        }
        day.hasVwapColumn = true;
    }
    ChartData Compute(ChartInputs in = {}) { return ComputeChartData(day, in); }

    DayData day;
};

TEST_F(ChartDataTest, LayersBelongToTheirKindsAndBadBarsAreSkipped) {
    day[SeriesSlot::DayStock].bars[3] = DayBar{0, 1010, 990, 1000, 10, 0};  // no open
    day[SeriesSlot::DayStock].bars[4].open = day[SeriesSlot::DayStock].bars[4].close = 1001;  // unchanged
    const ChartData c = Compute();
    const SlotChart& stock = c.slot(SeriesSlot::DayStock);
    const SlotChart& index = c.slot(SeriesSlot::DayIndex);
    EXPECT_FALSE(stock.bars[3].drawn);
    EXPECT_TRUE(stock.bars[4].drawn);
    EXPECT_TRUE(stock.bars[4].filled());  // open = close is drawn filled
    EXPECT_EQ(stock.bars[5].filled(), stock.bars[5].open >= stock.bars[5].close);
    // VWAP only on stocks with the column; volume for stocks and futures, not for an index.
    EXPECT_EQ(stock.vwap.size(), 300u);
    EXPECT_TRUE(index.vwap.empty());
    EXPECT_FALSE(stock.volume.empty());
    EXPECT_TRUE(index.volume.empty());
    EXPECT_EQ(c.vmax[kLowerRow], 600);
    EXPECT_EQ(c.vmax[kUpperRow], 1);
    // The futures carry volume: the upper row gets its bars and its axis.
    for (SeriesSlot f : {SeriesSlot::PrevIndex, SeriesSlot::DayIndex}) {
        day[f].kind = SeriesKind::Futures;
        for (int t = 0; t < 60; ++t) day[f].bars[static_cast<std::size_t>(t)].volume = 100 * (t + 1);
        day[f].maxBarVolume = 6000;
    }
    const ChartData futures = Compute();
    EXPECT_FALSE(futures.slot(SeriesSlot::DayIndex).volume.empty());
    EXPECT_EQ(futures.vmax[kUpperRow], 6000);
    EXPECT_EQ(futures.slot(SeriesSlot::DayIndex).prevCloseY, kNoPoint);  // no previous-close line for futures
    day[SeriesSlot::PrevIndex].kind = day[SeriesSlot::DayIndex].kind = SeriesKind::Nikkei225;

    // The previous-close line for stocks and N225, not for TOPIX.
    EXPECT_NE(index.prevCloseY, kNoPoint);
    day[SeriesSlot::DayIndex].kind = SeriesKind::Topix;
    EXPECT_EQ(Compute().slot(SeriesSlot::DayIndex).prevCloseY, kNoPoint);
    // Every drawn point lies in its row's band.
    for (const BarPoint& b : stock.bars) {
        if (!b.drawn) continue;
        EXPECT_GE(b.yHigh, c.geometry.BandTop(kLowerRow));
        EXPECT_LE(b.yLow, c.geometry.BandBottom(kLowerRow));
        EXPECT_LE(b.yHigh, std::min(b.yOpen, b.yClose));
        EXPECT_GE(b.yLow, std::max(b.yOpen, b.yClose));
    }
}

TEST_F(ChartDataTest, ThePrimeIndexIsLabelledInHundredthsAndNoPreviousDayLeavesTheLeftEmpty) {
    day[SeriesSlot::DayIndex].kind = SeriesKind::Prime;
    const ChartData c = Compute();
    const auto labels = PriceLabels(c, kUpperRow);
    ASSERT_FALSE(labels.empty());
    for (const std::string& l : labels) EXPECT_EQ(l.substr(l.size() - 3, 1), ".") << l;
    EXPECT_EQ(labels.front(), "280.60");  // 28,060 ÷ 100
    EXPECT_EQ(PriceLabels(c, kLowerRow).front(), "1,060");

    day[SeriesSlot::PrevIndex].Clear();
    day[SeriesSlot::PrevStock].Clear();
    const ChartData alone = Compute();
    EXPECT_FALSE(alone.slot(SeriesSlot::PrevStock).loaded);
    ChartPicture p;
    DrawBase(p, alone, ChartLayers{}, ReplayView{}, {false, false});
    const double middle = alone.geometry.Panel(kLowerRow, kRightColumn).left;
    const auto inLeftPanel = [&](const Shape& s) {
        return s.kind != Shape::Kind::Text && s.x1 > 800 && s.x2 < middle && s.y1 > alone.geometry.BandTop(kLowerRow) &&
               s.y1 < alone.geometry.BandBottom(kLowerRow) && !(s.kind == Shape::Kind::Line && s.x1 == s.x2) &&
               s.style == Shape::Style::Solid;
    };
    EXPECT_EQ(std::count_if(p.base.begin(), p.base.end(), inLeftPanel), 0);

    // 当日表示: the scale from the chosen day alone.
    ChartInputs dayOnly;
    dayOnly.dayOnly = true;
    day[SeriesSlot::PrevStock].loaded = true;
    day[SeriesSlot::PrevStock].high = 5000;
    EXPECT_GT(Compute().rows[kLowerRow].max, 4000);
    EXPECT_LT(Compute(dayOnly).rows[kLowerRow].max, 1100);
}

TEST_F(ChartDataTest, TradeMarkersStandAtTheFillAndTheTableHoldsFifty) {
    const ChartData c = Compute();
    TradeMarkers markers;
    ASSERT_TRUE(markers.Add(c, 720, 1000, 0, 0));  // 10:00:00, a new long
    ASSERT_TRUE(markers.Add(c, 1800, 1010, 1, 1));
    EXPECT_DOUBLE_EQ(markers[0].x, static_cast<float>(6830 + 720 * 5941 / 3720.0));
    EXPECT_EQ(markers[0].y, c.Y(kLowerRow, 1000));
    for (int i = 2; i < TradeMarkers::kCapacity; ++i) ASSERT_TRUE(markers.Add(c, i, 1000, 0, 0));
    EXPECT_FALSE(markers.Add(c, 3000, 1000, 0, 0));  // the 51st fill has no marker
    EXPECT_EQ(markers.size(), 50);

    // Drawn in a replay only, over the bar that is forming: long red, short blue; a circle for
    // 新規, a cross for 返済.
    ChartPicture p;
    DrawLive(p, c, day, ChartLayers{}, ReplayView{true, 23, 24 * 60}, markers);
    const auto circles = std::count_if(p.live.begin(), p.live.end(), [](const Shape& s) {
        return s.kind == Shape::Kind::FilledCircle && s.colour == chart_colours::kLongSide;
    });
    const auto crossLines = std::count_if(p.live.begin(), p.live.end(), [](const Shape& s) {
        return s.kind == Shape::Kind::Line && s.colour == chart_colours::kShortSide && s.width == 2;
    });
    EXPECT_EQ(circles, 49);
    EXPECT_EQ(crossLines, 2);
    const auto firstMarker = std::find_if(p.live.begin(), p.live.end(), [](const Shape& s) {
        return s.colour == chart_colours::kLongSide || s.colour == chart_colours::kShortSide;
    });
    EXPECT_TRUE(std::none_of(firstMarker, p.live.end(), [](const Shape& s) { return s.colour == chart_colours::kBar; }));
    ChartPicture display;
    DrawLive(display, c, day, ChartLayers{}, ReplayView{}, markers);
    EXPECT_TRUE(display.live.empty());
    ChartLayers hidden;
    hidden.markers = false;
    DrawLive(display, c, day, hidden, ReplayView{true, 23, 24 * 60}, markers);
    EXPECT_TRUE(std::none_of(display.live.begin(), display.live.end(),
                             [](const Shape& s) { return s.kind == Shape::Kind::FilledCircle; }));

    // A window laid out anew places them again; with 1-minute bars they stay two pixels wide.
    ChartInputs wider;
    wider.w = 4500;
    const ChartData laidOut = Compute(wider);
    markers.Relocate(laidOut);
    EXPECT_EQ(markers.size(), 50);
    EXPECT_DOUBLE_EQ(markers[0].x, static_cast<float>(4500 / 2 + 6830 + 720 * (4500 / 2 + 5941) / 3720.0));
    ChartInputs oneMinute;
    oneMinute.barLength = 1;
    DrawLive(p, Compute(oneMinute), day, ChartLayers{}, ReplayView{true, -1, -1}, markers);
    const auto circle = std::find_if(p.live.begin(), p.live.end(), [](const Shape& s) { return s.kind == Shape::Kind::FilledCircle; });
    ASSERT_NE(circle, p.live.end());
    EXPECT_GE(circle->x2, 2 * kTwipsPerPixel);
}

TEST_F(ChartDataTest, AReplayShowsTheCompletedBarsAndTheFormingOneOnTop) {
    const ChartData c = Compute();
    const auto candles = [&](const std::vector<Shape>& shapes) {
        const double middle = c.geometry.Panel(kLowerRow, kRightColumn).left;
        return std::count_if(shapes.begin(), shapes.end(), [&](const Shape& s) {
            return (s.kind == Shape::Kind::Box || s.kind == Shape::Kind::FilledBox) && s.colour == chart_colours::kBar &&
                   s.x1 > middle && s.y1 > c.geometry.BandTop(kLowerRow);
        });
    };
    ChartPicture p;
    DrawBase(p, c, ChartLayers{}, ReplayView{true, 11, 12 * 60}, {false, false});
    EXPECT_EQ(candles(p.base), 12);
    DrawBase(p, c, ChartLayers{}, ReplayView{}, {false, false});
    EXPECT_EQ(candles(p.base), 60);
    ChartLayers noBars;
    noBars.bars = false;
    DrawBase(p, c, noBars, ReplayView{}, {false, false});
    EXPECT_EQ(candles(p.base), 0);
}

TEST_F(ChartDataTest, TheLegendShowsNoLaterBarThanTheReplayHasDrawn) {
    const ChartData c = Compute();
    const SlotChart& stock = c.slot(SeriesSlot::DayStock);
    // Waiting for play at 08:59:59: nothing yet; at a mid-session start, the bar before it.
    Legend legend = ChartLegend(c, day, ReplayView{true, -1, -1});
    EXPECT_EQ(legend.average1, "");
    EXPECT_EQ(legend.average2, "");
    EXPECT_EQ(legend.vwap, "");
    legend = ChartLegend(c, day, ReplayView{true, 12, -1});
    EXPECT_EQ(legend.average1, FormatLegend({stock.average[0][12], 0, 0}).average1);
    // In a step, the forming bar counts with its price so far.
    legend = ChartLegend(c, day, ReplayView{true, 12, 13 * 60 + 5});
    EXPECT_FALSE(legend.average1.empty());
    EXPECT_EQ(legend.vwap, "1,001.0");
    // A displayed day: the last bar.
    legend = ChartLegend(c, day, ReplayView{});
    EXPECT_EQ(legend.average1, FormatLegend({stock.average[0].back(), 0, 0}).average1);
}

TEST_F(ChartDataTest, TheLegendIsBlankWithoutAValue) {
    const ChartData c = Compute();
    Legend legend = ChartLegend(c, day, ReplayView{});
    EXPECT_FALSE(legend.average1.empty());
    EXPECT_EQ(legend.vwap, "1,001.0");
    for (auto& v : day[SeriesSlot::DayStock].vwap) v = 0;
    legend = ChartLegend(c, day, ReplayView{});
    EXPECT_EQ(legend.vwap, "");
}

}  // namespace
}  // namespace corvala
