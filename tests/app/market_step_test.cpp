// The board and the tape inside the replay: built at display time, refreshed every step,
// consumed as the clock passes, and the options around them.

#include "replay_fixture.h"

namespace corvala {
namespace {

using test::ReplayFixture;

class MarketStepTest : public ReplayFixture {};

TEST_F(MarketStepTest, DisplayEstimatesTheTapeAndShowsTheFirstRowsBoard) {
    Prepare();
    const MarketState& m = sim->trading().market();
    EXPECT_GT(m.tape.size(), 3000);
    EXPECT_EQ(m.tapeCursor, 0);
    EXPECT_EQ(m.cells.text[0], "1,001");  // best ask of row 0
    EXPECT_EQ(m.cells.text[5], "999");
    EXPECT_EQ(m.cells.text[10], "500");
    EXPECT_TRUE(m.tapeRows.empty());  // a replay shows lines as it reaches them
}

TEST_F(MarketStepTest, StepsConsumeTheTapeUpToTheClockAndCountTheRows) {
    Prepare();
    sim->replay().speed().SetSpeedScroll(1);
    Press(kPlayPause);
    ASSERT_TRUE(RunToRow(100));
    const MarketState& m = sim->trading().market();
    ASSERT_FALSE(m.tapeRows.empty());
    EXPECT_EQ(d().tapeCounter, std::to_string(m.tapeRows.size()));
    const int clock = ParseTimeOfDay(d().clockText).value_or(0);
    // Every line up to the step's end is taken, none beyond it.
    for (int i = 0; i < m.tapeCursor; ++i)
        ASSERT_LE(ReadTapeLine(m.tape.At(i))->seconds, clock + 5) << m.tape.At(i);
    ASSERT_LT(m.tapeCursor, m.tape.size());
    EXPECT_GT(ReadTapeLine(m.tape.At(m.tapeCursor))->seconds, clock + 5);
    EXPECT_EQ(sim->replay().clock().boardTotalQty, 5 * 500 + 5 * 700);
    RunToEnd();
    EXPECT_EQ(m.tapeCursor, m.tape.size());
    EXPECT_EQ(m.tapeRows.back().time, "15:00:00");
}

TEST_F(MarketStepTest, AChangedQuantityAtAShownPriceIsHighlighted) {
    test::DayFileBuilder b;
    b.Set(6, 24, "800");  // row 6: the best ask's quantity changes, its price stays
    AddStock("221102", "8473", b);
    Prepare();
    sim->replay().speed().SetSpeedScroll(1);
    BoardCells atRow6;
    bool seen = false;
    sim->replay().SetStepObserver([&](int row) {
        if (row == 5) atRow6 = sim->trading().market().cells, seen = true;
    }, /*atStepEnd=*/true);
    Press(kPlayPause);
    ASSERT_TRUE(RunUntil([&] { return seen; }));
    // Row 5's step ends with a marked print, which brings row 6's board: rows carry the same
    // board but for that quantity.
    EXPECT_TRUE(atRow6.highlighted[0]);
    EXPECT_EQ(atRow6.text[10], "800");
    EXPECT_FALSE(atRow6.highlighted[1]);
}

TEST_F(MarketStepTest, TheTapeOptionAndItsStop) {
    Start();
    sim->day().SetDateText("221102");
    sim->replay().SetTapeOption(false);
    ASSERT_EQ(sim->day().DisplayDay(), Simulation::DisplayOutcome::Loaded);
    EXPECT_EQ(sim->trading().market().tape.size(), 0);
    // A replay needs its tape: the option is switched on and given back afterwards.
    sim->replay().SetSimulationChecked(true);
    ASSERT_EQ(sim->day().DisplayDay(), Simulation::DisplayOutcome::Loaded);
    EXPECT_TRUE(d().tapeOption);
    EXPECT_GT(sim->trading().market().tape.size(), 0);
    dialogs.answers = {true};
    sim->replay().SetSimulationChecked(false);
    EXPECT_FALSE(d().tapeOption);

    sim->replay().SetTapeOption(true);
    sim->day().PressTapeStop();  // in display mode: no tape for this day
    EXPECT_FALSE(d().tapeOption);
}

TEST_F(MarketStepTest, MidSessionStartListsTheEarlierPrints) {
    Start();
    sim->day().SetDateText("221102");
    sim->day().SetStartTimeText("10", "00");
    sim->replay().SetSimulationChecked(true);
    ASSERT_EQ(sim->day().DisplayDay(), Simulation::DisplayOutcome::Loaded);
    const MarketState& m = sim->trading().market();
    ASSERT_GT(m.tapeCursor, 0);
    EXPECT_EQ(static_cast<int>(m.tapeRows.size()), m.tapeCursor);
    EXPECT_LT(ReadTapeLine(m.tape.At(m.tapeCursor - 1))->seconds, 10 * 3600);
    EXPECT_GE(ReadTapeLine(m.tape.At(m.tapeCursor))->seconds / 60, 10 * 60);
}

TEST_F(MarketStepTest, HideBoardAndTapeIsClearedAtTheEndOfTheDay) {
    Prepare();
    sim->trading().SetHideBoardAndTape(true);
    sim->replay().speed().SetSpeedScroll(1);
    RunToEnd();
    EXPECT_FALSE(d().hideBoardAndTape);
}

TEST_F(MarketStepTest, APriceCellClickIsRemembered) {
    Prepare();
    sim->orderDialogs().ClickBoardPrice(5);
    EXPECT_EQ(sim->orderDialogs().clickedBoardPrice(), 999);
    sim->orderDialogs().ClickBoardPrice(12);  // not a price cell
    EXPECT_EQ(sim->orderDialogs().clickedBoardPrice(), 999);
}

}  // namespace
}  // namespace corvala
