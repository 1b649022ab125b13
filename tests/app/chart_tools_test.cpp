// The chart worked with the mouse in the simulation: readouts by pointing outside a replay (and
// none during one), the time cursor with the playback buttons and ■, trend lines during a
// replay, marks, and a resize that shows the day anew.

#include "replay_fixture.h"

namespace corvala {
namespace {

using test::ReplayFixture;

class ChartToolsTest : public ReplayFixture {
protected:
    void Display() {
        Start();
        sim->day().SetDateText("221102");
        sim->day().SetCodeText("8473");
        ASSERT_EQ(sim->day().DisplayDay(), Simulation::DisplayOutcome::Loaded);
    }
    double RowX(int row) const { return sim->chart().data().geometry.RowX(row); }
    int ToolLines(Shape::Style style) {
        const ChartPicture& p = sim->chart().picture();
        return static_cast<int>(std::count_if(p.tools.begin(), p.tools.end(), [&](const Shape& s) {
            return s.kind == Shape::Kind::Line && s.style == style;
        }));
    }
};

TEST_F(ChartToolsTest, PointingAtTheRightColumnReadsThatMomentOfTheDay) {
    stock.Set(720, 3, "1012");
    stock.Set(720, 5, "800000");
    stock.Set(720, 35, "1005.5");
    stock.Set(720, 14, "1013");  // best ask of that row
    AddStock("221102", "8473", stock);
    Display();
    sim->chart().Move(RowX(720), 3000, false);
    ASSERT_TRUE(sim->chart().readout());
    EXPECT_EQ(sim->chart().readout()->row, 720);
    EXPECT_EQ(d().clockText, "10:00:00");
    EXPECT_EQ(d().priceLabel, "1,012");
    EXPECT_EQ(d().changeLabel, "+22");  // the previous close is 990
    EXPECT_EQ(d().changePercentLabel, "2.22%");
    EXPECT_EQ(d().volumeLabel, "800,000");  // 8,000 units of 100
    EXPECT_EQ(d().vwapLabel, "1,005.5");
    EXPECT_FALSE(d().average1Label.empty());
    EXPECT_EQ(sim->trading().market().cells.text[0], "1,013");  // the board of that row
    // Outside the right column nothing changes.
    sim->chart().Move(2000, 3000, false);
    EXPECT_FALSE(sim->chart().readout());
    EXPECT_EQ(d().clockText, "10:00:00");
    // A fall reads as the replay shows it: floored to hundredths (-1.3131 % is -1.32%).
    stock.Set(1440, 3, "977");
    AddStock("221102", "8473", stock);
    sim->day().SetCodeText("8473");
    ASSERT_EQ(sim->day().DisplayDay(), Simulation::DisplayOutcome::Loaded);
    sim->chart().Move(RowX(1440), 3000, true);  // also while a button is held
    EXPECT_EQ(d().changeLabel, "-13");
    EXPECT_EQ(d().changePercentLabel, "-1.32%");
}

TEST_F(ChartToolsTest, DuringAReplayPointingLeavesTheReadoutsToTheReplay) {
    Prepare();
    Press(kPlayPause);
    ASSERT_TRUE(RunToRow(30));
    const std::string clock = d().clockText, price = d().priceLabel;
    sim->chart().Move(RowX(2000), 3000, false);
    EXPECT_FALSE(sim->chart().readout());
    EXPECT_EQ(d().clockText, clock);
    EXPECT_EQ(d().priceLabel, price);
    // Trend lines still work during a replay; the cursor does not.
    sim->chart().Press(ChartState::MouseButton::Left, 2000, 3000);
    sim->chart().Move(2600, 3200, true);
    EXPECT_EQ(ToolLines(Shape::Style::Dotted), 1);  // the rubber band
    sim->chart().Release(2600, 3200);
    EXPECT_EQ(ToolLines(Shape::Style::Dotted), 0);
    EXPECT_EQ(ToolLines(Shape::Style::Solid), 1);
    sim->chart().DoubleClick(9000, 3000);
    EXPECT_FALSE(sim->chart().timeCursor().on);
    sim->chart().Press(ChartState::MouseButton::Right, 2700, 3300);  // 100 from its end
    EXPECT_EQ(ToolLines(Shape::Style::Solid), 0);
}

TEST_F(ChartToolsTest, TheTimeCursorIsFixedMovedByTheButtonsAndRemovedByStop) {
    Display();
    sim->chart().DoubleClick(RowX(720), 3000);
    ASSERT_TRUE(sim->chart().timeCursor().on);
    EXPECT_EQ(d().clockText, "10:00:00");
    EXPECT_EQ(ToolLines(Shape::Style::DashDot), 2);
    // While it is on, pointing reads nothing new and no line can be started.
    sim->chart().Move(RowX(1000), 3000, false);
    EXPECT_EQ(d().clockText, "10:00:00");
    sim->chart().Press(ChartState::MouseButton::Left, 2000, 3000);
    sim->chart().Move(2600, 3200, true);
    sim->chart().Release(2600, 3200);
    EXPECT_EQ(ToolLines(Shape::Style::Solid), 0);
    // → one step, ≫ sixty, ≪ back sixty; never before 09:00:00.
    EXPECT_TRUE(Button(kStepForward).Accepts());
    Press(kStepForward);
    EXPECT_EQ(d().clockText, "10:00:05");
    Press(kBarForward);
    EXPECT_EQ(d().clockText, "10:05:05");
    sim->chart().DoubleClick(0, 0);  // off
    sim->chart().DoubleClick(RowX(2), 3000);
    Press(kBarBack);
    EXPECT_EQ(d().clockText, "09:00:00");
    Press(kStop);
    EXPECT_FALSE(sim->chart().timeCursor().on);
    EXPECT_EQ(ToolLines(Shape::Style::DashDot), 0);
    EXPECT_FALSE(Button(kStepForward).enabled);
}

TEST_F(ChartToolsTest, WithTheCursorFixedTheNextReplayStartsAtItsBar) {
    // On the day shown, then the simulation box: the boxes take the cursor's bar.
    Display();
    sim->chart().DoubleClick(RowX(1500), 3000);  // 11:05:00
    sim->replay().SetSimulationChecked(true);
    EXPECT_EQ(d().startHour + ":" + d().startMinute, "11:05");
    EXPECT_FALSE(sim->chart().timeCursor().on);
    // After a finished replay, 開 始 with the cursor fixed starts the next one there.
    sim->day().SetStartTimeText("14", "50");
    ASSERT_EQ(sim->day().DisplayDay(), Simulation::DisplayOutcome::Loaded);
    RunToEnd();
    ASSERT_TRUE(sim->chart().showsDay());
    sim->chart().DoubleClick(RowX(2270), 3000);  // 13:09:10, in the bar of 13:05
    ASSERT_TRUE(sim->chart().timeCursor().on);
    ASSERT_EQ(sim->day().DisplayDay(), Simulation::DisplayOutcome::Loaded);
    EXPECT_EQ(d().startHour + ":" + d().startMinute, "13:05");
    ASSERT_TRUE(RunUntil([&] { return sim->replay().waitingForPlay(); }));
    EXPECT_EQ(d().clockText, "13:05:00");
}

TEST_F(ChartToolsTest, MarksFollowTheDateLabelsAndAResizeShowsTheDayAnew) {
    Display();
    sim->chart().DoubleClickDateLabel(0);
    EXPECT_EQ(sim->chart().markMode(), MarkMode::Circle);
    sim->chart().Press(ChartState::MouseButton::Left, 3000, 3000);
    sim->chart().Release(3000, 3000);
    const ChartPicture& p = sim->chart().picture();
    EXPECT_EQ(std::count_if(p.tools.begin(), p.tools.end(), [](const Shape& s) { return s.kind == Shape::Kind::Circle; }), 1);
    sim->chart().DoubleClickDateLabel(1);
    EXPECT_EQ(sim->chart().markMode(), MarkMode::None);
    sim->chart().DoubleClickDateLabel(1);
    EXPECT_EQ(sim->chart().markMode(), MarkMode::Box);

    sim->chart().Press(ChartState::MouseButton::Left, 2000, 3000);
    sim->chart().Move(2600, 3200, true);
    sim->chart().Release(2600, 3200);
    ASSERT_FALSE(sim->chart().trendLines().lines()[0].empty());
    sim->chart().DoubleClick(RowX(720), 3000);
    sim->chart().SetSize(4800, 3300);  // 1600 × 1000
    EXPECT_EQ(sim->chart().data().geometry.w(), 4800);
    EXPECT_TRUE(sim->chart().showsDay());
    EXPECT_TRUE(sim->chart().trendLines().lines()[0].empty());
    EXPECT_FALSE(sim->chart().timeCursor().on);
    EXPECT_EQ(sim->chart().picture().area.right, 4800 + 12800);
}

TEST_F(ChartToolsTest, TheToolsGoWithTheDayAndMarksWithTheNextRedraw) {
    Prepare();
    sim->chart().DoubleClickDateLabel(0);
    Press(kPlayPause);
    ASSERT_TRUE(RunToRow(30));
    sim->chart().Press(ChartState::MouseButton::Left, 2000, 3000);
    sim->chart().Move(2600, 3200, true);
    sim->chart().Release(2600, 3200);
    sim->chart().Press(ChartState::MouseButton::Left, 9000, 6000);  // a mark
    sim->chart().Release(9000, 6000);
    const auto circles = [&] {
        const ChartPicture& p = sim->chart().picture();
        return std::count_if(p.tools.begin(), p.tools.end(), [](const Shape& s) { return s.kind == Shape::Kind::Circle; });
    };
    EXPECT_EQ(circles(), 2);  // in a mark mode every left press marks, the line's too
    ASSERT_TRUE(RunToRow(70));  // a bar completed: the marks stay
    EXPECT_EQ(circles(), 2);
    sim->chart().Press(ChartState::MouseButton::Right, 100, 100);  // a right click redraws the chart
    EXPECT_EQ(circles(), 0);
    EXPECT_EQ(ToolLines(Shape::Style::Solid), 1);
    // ■: the empty frame, without the lines drawn on the day.
    dialogs.answers = {true};
    Press(kStop);
    EXPECT_FALSE(sim->chart().showsDay());
    EXPECT_TRUE(sim->chart().picture().tools.empty());

    // A cursor and a line on a displayed day go with a change of code.
    Start();
    sim->day().SetDateText("221102");
    sim->day().SetCodeText("8473");
    ASSERT_EQ(sim->day().DisplayDay(), Simulation::DisplayOutcome::Loaded);
    sim->chart().DoubleClick(RowX(720), 3000);
    ASSERT_TRUE(sim->chart().timeCursor().on);
    sim->day().SetCodeText("6501");
    EXPECT_FALSE(sim->chart().timeCursor().on);
    EXPECT_FALSE(Button(kStepForward).enabled);
    EXPECT_TRUE(sim->chart().picture().tools.empty());
    Press(kStepForward);  // nothing to move, nothing written
    EXPECT_EQ(d().priceLabel, "");
}

TEST_F(ChartToolsTest, AfterAReplayPointingScrollsTheTapeToThatTime) {
    Start();
    sim->day().UseGivenTape({"09:00:00 5,000 1,000", "09:30:00 100 1,001", "10:00:00 100 1,002", "10:00:10 100 1,003",
                       "11:00:00 100 1,004"});
    Prepare();
    RunToEnd();
    ASSERT_GE(sim->trading().market().tapeRows.size(), 5u);
    sim->chart().Move(RowX(725), 3000, false);  // 10:00:25
    ASSERT_TRUE(sim->chart().readout());
    const auto& rows = sim->trading().market().tapeRows;
    ASSERT_GE(d().tapeScrollRow, 0);
    EXPECT_EQ(rows[static_cast<std::size_t>(d().tapeScrollRow)].time, "10:00:10");
}

}  // namespace
}  // namespace corvala
