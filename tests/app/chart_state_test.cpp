// The chart inside a replay: the right column and the legends before play, after a jump back and
// at each step, the marker box acting at once while paused, and a resized window keeping the
// replay's fills.

#include "chart/indicators.h"
#include "platform/text.h"
#include "replay_fixture.h"
#include "review/report_picture.h"

namespace corvala {
namespace {

using test::ReplayFixture;

class ChartStateTest : public ReplayFixture {
protected:
    void Given(std::vector<std::string> tape) {
        Start();
        sim->day().UseGivenTape(std::move(tape));
        Prepare();
    }
    bool MarkersDrawn() {
        const ChartPicture& p = sim->chart().picture();
        return std::any_of(p.live.begin(), p.live.end(),
                           [](const Shape& s) { return s.colour == chart_colours::kLongSide; });
    }
};

TEST_F(ChartStateTest, BeforePlayTheRightColumnAndTheLegendsShowNothingOfTheDay) {
    Given({"09:00:00 5,000 1,000"});
    EXPECT_TRUE(sim->chart().showsDay());
    EXPECT_EQ(sim->chart().view().lastCompletedBar, -1);
    EXPECT_EQ(d().average1Label, "");
    EXPECT_EQ(d().average2Label, "");
    EXPECT_TRUE(sim->chart().picture().live.empty());
}

TEST_F(ChartStateTest, AJumpBackStartsItsBarAnewWithItsLegend) {
    Given({"09:00:00 5,000 1,000"});
    Press(kPlayPause);
    ASSERT_TRUE(RunToRow(70));  // 09:05:50, bar 1
    EXPECT_EQ(sim->chart().view().lastCompletedBar, 0);
    EXPECT_EQ(sim->chart().view().currentRow, 70);
    Press(kPlayPause);
    ASSERT_TRUE(RunUntil([&] { return sim->replay().clock().paused && !sim->replay().clock().inStep; }));
    Press(kBarBack);
    ASSERT_TRUE(RunUntil([&] { return sim->replay().clock().backRequest == 0; }));
    EXPECT_EQ(sim->chart().view().currentRow, -1);  // the bar is drawn again from its first step
    EXPECT_EQ(sim->chart().view().lastCompletedBar, 0);
    const float average = sim->chart().data().slot(SeriesSlot::DayStock).average[0][0];
    EXPECT_EQ(d().average1Label, Format(average, "###,###.0"));
}

TEST_F(ChartStateTest, TheMarkerBoxActsAtOnceAndAResizeKeepsTheReplaysFills) {
    Given({"09:00:00 5,000 1,000", "09:00:40 100 1,000"});
    ASSERT_EQ(Place("100", "").status, EntryOutcome::Status::Stored);
    Press(kPlayPause);
    ASSERT_TRUE(RunToRow(10));
    ASSERT_EQ(sim->chart().tradeMarkers().size(), 1);
    EXPECT_TRUE(MarkersDrawn());
    Press(kPlayPause);
    ASSERT_TRUE(RunUntil([&] { return sim->replay().clock().paused && !sim->replay().clock().inStep; }));
    sim->trading().SetTradeMarkerOption(false);
    EXPECT_FALSE(MarkersDrawn());  // while paused, not at the next step
    sim->trading().SetTradeMarkerOption(true);
    EXPECT_TRUE(MarkersDrawn());

    const float before = sim->chart().tradeMarkers()[0].x;
    sim->chart().SetSize(3000, 1500);
    ASSERT_EQ(sim->chart().tradeMarkers().size(), 1);
    EXPECT_GT(sim->chart().tradeMarkers()[0].x, before);  // placed again on the wider right column
    EXPECT_TRUE(MarkersDrawn());
}


// 値幅を隠す: at every step the stock's scale holds each price played and none still to come, and
// its volume axis the forming bar's volume so far (当日表示 on: no previous day to lean on); the
// scale changes only at the steps whose prints leave it, and by the end it is the whole day's.
TEST_F(ChartStateTest, WithTheRangeHiddenTheScaleFollowsOnlyThePricesPlayed) {
    for (int row = 600; row < 1200; ++row) stock.Set(row, 3, "1100");
    for (int row = 1200; row < stock.closingLine(); ++row) stock.Set(row, 3, "1300");
    AddStock("221102", "8473", stock);
    Start();
    sim->chart().SetHideRange(true);
    sim->day().SetDayOnly(true);
    Prepare();
    std::vector<int> changedAt;
    RowScale last = sim->chart().data().rows[kLowerRow];
    EXPECT_LT(last.max, 1100);
    bool held = true;
    sim->replay().SetStepObserver([&](int row) {
        const RowScale& now = sim->chart().data().rows[kLowerRow];
        const float price = row >= 1200 ? 1300 : row >= 600 ? 1100 : 1000;
        held = held && now.max >= price && now.min <= price && (row >= 1200 || now.max < 1300);
        const DaySeries& day = sim->day().data()[SeriesSlot::DayStock];
        const int bar = BarOfRow(row, 5);
        const double forming = day.cumVolume[static_cast<std::size_t>(row)] -
                               (bar > 0 ? day.bars[static_cast<std::size_t>(bar - 1)].cumVolume : 0);
        held = held && forming <= sim->chart().data().vmax[kLowerRow];
        if (now.max != last.max || now.min != last.min) changedAt.push_back(row);
        last = now;
    });
    RunToEnd();
    EXPECT_TRUE(held);
    EXPECT_EQ(changedAt, (std::vector<int>{0, 600, 1200}));  // row 0: the first print leaves the close's scale
    sim->chart().SetHideRange(false);
    EXPECT_EQ(sim->chart().data().rows[kLowerRow].max, last.max);
}

// 値幅を隠す: a run stopped before the afternoon's rise leaves a report whose picture knows the day
// only as far as it was played, on the scale of what was played.
TEST_F(ChartStateTest, WithTheRangeHiddenTheReportDrawsOnlyTheDayPlayed) {
    for (int row = 1800; row <= stock.closingLine(); ++row) stock.Set(row, 3, "1400");
    AddStock("221102", "8473", stock);
    Start();
    sim->chart().SetHideRange(true);
    Prepare();
    ASSERT_EQ(Place("100", "").status, EntryOutcome::Status::Stored);
    Press(kPlayPause);
    ASSERT_TRUE(RunToRow(1700));
    dialogs.answers = {true, true, true};
    Press(kStop);
    ASSERT_TRUE(RunUntil([&] { return !sim->replay().running(); }));
    const SessionRecord& record = sim->trading().record();
    ASSERT_TRUE(record.kept());
    ASSERT_GE(record.prices().size(), 1701u);
    EXPECT_LE(record.prices().size(), 1702u);  // to the step the stop came in
    const std::vector<Shape> picture = DrawSessionCurves(record.prices(), 3600, record, 9000, 6000);
    const auto text = std::find_if(picture.begin(), picture.end(), [](const Shape& s) { return s.kind == Shape::Kind::Text; });
    ASSERT_NE(text, picture.end());
    EXPECT_LT(ReadFormattedNumber(text->text), 1100);  // the price panel's top: 1,000 and a little
    // One segment of the price line per row played, none beyond.
    const auto segments = std::count_if(picture.begin(), picture.end(), [](const Shape& s) {
        return s.kind == Shape::Kind::Line && s.colour == Rgb{255, 255, 255};
    });
    EXPECT_LE(segments, 1701);
}

}  // namespace
}  // namespace corvala
