// The replay loop on virtual time: set-up, steps and their timing, the lunch break, the end of
// the day, jumps and forward counts.

#include "app/replay_fixture.h"

namespace corvala {
namespace {

using test::ReplayFixture;

constexpr std::int64_t kPreOpenMs = 3000 + 800;  // the notice, then the message flash
constexpr std::int64_t kSpeed5StepMs = 5 * (5300 / 6);

class ReplayEngineTest : public ReplayFixture {};

TEST_F(ReplayEngineTest, SetUpWaitsForPlayAtEightFiftyNineWithSpeedFive) {
    Start();
    sim->replay().speed().SetSpeedScroll(3);  // speed 28 before the display
    sim->replay().speed().SetLowSpeed(true);
    sim->day().SetDateText("221102");
    sim->replay().SetSimulationChecked(true);
    ASSERT_EQ(sim->day().DisplayDay(), Simulation::DisplayOutcome::Loaded);

    EXPECT_EQ(d().clockText, "08:59:59");
    EXPECT_TRUE(d().busy.visible);
    EXPECT_EQ(d().busy.text, "寄り前の注文があれば、注文し再生ボタンを押して下さい。");
    EXPECT_EQ(d().busy.foreground, colours::kPreOpenText);
    EXPECT_EQ(d().speed.speed, 5);
    EXPECT_FALSE(d().speed.lowSpeed);
    EXPECT_EQ(d().navigationState, kWaiting);
    EXPECT_EQ(EnabledButtons(), std::vector<int>{kStop});
    EXPECT_FALSE(d().controls.displayButtonEnabled);
    EXPECT_TRUE(d().controls.orderButtons[0]);
    EXPECT_TRUE(sim->replay().clock().preOpenPhase);

    // A speed chosen while the set-up runs is the replay's.
    sim->replay().speed().SetSpeedScroll(1);
    EXPECT_EQ(d().speed.speed, 30);

    scheduler.Advance(kPreOpenMs - 1);
    EXPECT_FALSE(Button(kPlayPause).enabled);
    scheduler.Advance(1);
    EXPECT_TRUE(sim->replay().waitingForPlay());
    EXPECT_FALSE(d().busy.visible);
    EXPECT_EQ(Button(kPlayPause).caption, "＞");
    EXPECT_EQ(EnabledButtons(), (std::vector<int>{kPlayPause, kStop}));
    EXPECT_EQ(d().speed.speed, 30);
    EXPECT_TRUE(steps.empty());
}

TEST_F(ReplayEngineTest, PlayBlinksUntilPressedAndSetsNineOClockAtOnce) {
    Prepare();
    bool sawBlink = false, sawFace = false;
    for (int i = 0; i < 20; ++i) {
        scheduler.Advance(100);
        sawBlink = sawBlink || Button(kPlayPause).background == colours::kBlink;
        sawFace = sawFace || Button(kPlayPause).background == colours::kButtonFace;
    }
    EXPECT_TRUE(sawBlink);
    EXPECT_TRUE(sawFace);
    EXPECT_EQ(d().controls.newOrderBackground == colours::kBlink,
              Button(kPlayPause).background == colours::kBlink);

    Press(kPlayPause);
    EXPECT_EQ(d().clockText, "09:00:00");  // before any step ran
    EXPECT_TRUE(steps.empty());
    EXPECT_EQ(d().navigationState, kRunning);
    EXPECT_EQ(Button(kPlayPause).caption, "||");
    scheduler.Advance(5000);
    EXPECT_EQ(Button(kPlayPause).background, colours::kButtonFace);
    ASSERT_FALSE(steps.empty());
    EXPECT_EQ(steps.front().row, 0);
    EXPECT_EQ(steps.front().clock, "09:00:00");
}

TEST_F(ReplayEngineTest, WholeDayAtSpeedFiveTakesTheDescribedDelays) {
    Prepare();
    const std::int64_t start = 0;
    RunToEnd();
    ASSERT_EQ(steps.size(), 3600u);
    EXPECT_EQ(sim->replay().clock().stepsRun, 3600);
    // Pre-open notice and flash, one 300 ms slice waiting for play, the same at lunch with a
    // 100 ms slice, and five slices of ⌊5300/6⌋ ms in each of the 3600 steps.
    EXPECT_EQ(scheduler.NowMs() - start, kPreOpenMs + 300 + kPreOpenMs + 100 + 3600 * kSpeed5StepMs);
    EXPECT_EQ(steps[1].ms - steps[0].ms, kSpeed5StepMs);
    for (std::size_t i = 0; i < steps.size(); ++i) ASSERT_EQ(steps[i].row, static_cast<int>(i));
    EXPECT_EQ(d().clockText, "15:00:00");
    EXPECT_EQ(d().navigationState, kIdle);
    EXPECT_FALSE(sim->replay().clock().replayReady);
    EXPECT_FALSE(sim->replay().clock().simulationMode);
    EXPECT_TRUE(d().controls.displayButtonEnabled);
    EXPECT_TRUE(d().controls.inputsEnabled);
    EXPECT_EQ(d().controls.orderButtons, (std::array<bool, 3>{false, false, false}));
}

TEST_F(ReplayEngineTest, SubStepsShowEverySecondOfTheStep) {
    Prepare();
    Press(kPlayPause);
    ASSERT_TRUE(RunToRow(0));
    std::vector<std::string> clocks;
    for (int i = 0; i < 5; ++i) {
        scheduler.Advance(5300 / 6);
        clocks.push_back(d().clockText);
    }
    EXPECT_EQ(clocks, (std::vector<std::string>{"09:00:01", "09:00:02", "09:00:03", "09:00:04",
                                                "09:00:05"}));
}

TEST_F(ReplayEngineTest, LunchBreakStopsAtRow1800EvenWhileFastForwarding) {
    Prepare();
    sim->replay().speed().SetSpeedScroll(1);  // speed 30
    Press(kPlayPause);
    ASSERT_TRUE(RunToRow(1770));
    Press(kBarForward);  // 60 steps asked for, 30 of them beyond the break
    ASSERT_TRUE(RunUntil([&] { return sim->replay().waitingForPlay(); }));
    EXPECT_EQ(steps.back().row, 1799);
    EXPECT_EQ(d().clockText, "12:29:59");
    EXPECT_EQ(sim->replay().clock().currentRow, 1800);
    EXPECT_EQ(sim->replay().clock().stepForwardCount, 0);
    EXPECT_EQ(d().busy.text, "後場寄り前の注文があれば、注文し再生ボタンを押して下さい。");
    EXPECT_EQ(d().navigationState, kWaiting);
    EXPECT_EQ(EnabledButtons(), (std::vector<int>{kPlayPause, kStop}));

    scheduler.Advance(60'000);  // nobody presses play: the clock holds
    EXPECT_EQ(d().clockText, "12:29:59");
    EXPECT_EQ(steps.back().row, 1799);

    Press(kPlayPause);
    EXPECT_EQ(d().clockText, "12:30:00");
    EXPECT_FALSE(sim->replay().clock().preOpenPhase);
    EXPECT_EQ(EnabledButtons(), (std::vector<int>{kPlayPause, kStop, kBarBack, kMinuteForward,
                                                  kBarForward}));
    ASSERT_TRUE(RunToRow(1800));
    EXPECT_EQ(steps.back().clock, "12:30:00");
    RunToEnd();
    EXPECT_EQ(steps.size(), 3600u);
}

TEST_F(ReplayEngineTest, SpeedThirtyRunsTheDayWithoutWaitingBetweenSteps) {
    Prepare();
    sim->replay().speed().SetSpeedScroll(1);
    EXPECT_EQ(sim->replay().clock().stepDelay, 0);
    const std::int64_t before = scheduler.NowMs();
    RunToEnd();
    EXPECT_EQ(steps.size(), 3600u);
    EXPECT_EQ(scheduler.NowMs() - before, 300 + kPreOpenMs + 100);
}

TEST_F(ReplayEngineTest, BarForwardWhilePausedRunsSixtyStepsAndWaitsAgain) {
    Prepare();
    Press(kPlayPause);
    ASSERT_TRUE(RunToRow(10));
    Press(kPlayPause);  // pause
    EXPECT_EQ(d().navigationState, kPaused);
    scheduler.Advance(20'000);
    const std::size_t pausedAt = steps.size();
    EXPECT_EQ(steps.back().row, 10);  // nothing runs while paused

    Press(kBarForward);
    EXPECT_FALSE(d().tapeListVisible);
    scheduler.Advance(20'000);
    ASSERT_EQ(steps.size(), pausedAt + 60);
    int fast = 0;
    for (std::size_t i = pausedAt; i < steps.size(); ++i) fast += steps[i].fastForward ? 1 : 0;
    EXPECT_EQ(fast, 59);
    EXPECT_FALSE(steps.back().fastForward);
    EXPECT_TRUE(d().tapeListVisible);
    EXPECT_TRUE(sim->replay().clock().paused);
    scheduler.Advance(60'000);
    EXPECT_EQ(steps.size(), pausedAt + 60);
}

TEST_F(ReplayEngineTest, ForwardCountsWhilePausedAreOneAndTwelveSteps) {
    Prepare();
    Press(kPlayPause);
    ASSERT_TRUE(RunToRow(3));
    Press(kPlayPause);
    scheduler.Advance(10'000);
    std::size_t n = steps.size();
    Press(kStepForward);
    scheduler.Advance(10'000);
    EXPECT_EQ(steps.size(), n + 1);
    n = steps.size();
    scheduler.Advance(300);  // the pressed button comes back after 300 ms
    Press(kMinuteForward);
    scheduler.Advance(10'000);
    EXPECT_EQ(steps.size(), n + 12);
}

TEST_F(ReplayEngineTest, BarForwardWhileRunningSkipsTheDelaysButTheLast) {
    Prepare();
    Press(kPlayPause);
    ASSERT_TRUE(RunToRow(60));
    Press(kBarForward);
    ASSERT_TRUE(RunToRow(120));
    // Row 60's step ends at once; 59 steps then run without waiting, the 60th at speed 5.
    ASSERT_TRUE(RunToRow(121));
    const auto& s = steps;
    EXPECT_TRUE(s[s.size() - 3].fastForward);   // row 119
    EXPECT_FALSE(s[s.size() - 2].fastForward);  // row 120
    EXPECT_EQ(s[s.size() - 2].ms - s[s.size() - 3].ms, 0);
    EXPECT_EQ(s.back().ms - s[s.size() - 2].ms, kSpeed5StepMs);
    EXPECT_FALSE(sim->replay().clock().paused);
}

TEST_F(ReplayEngineTest, BarBackGoesToThePreviousBarEarlyInABarElseToItsStart) {
    // Pressed while row `at` of the 09:10 bar runs; the next check is at the following step.
    for (auto [at, target] : {std::pair{121, 60}, std::pair{122, 60}, std::pair{123, 120},
                              std::pair{125, 120}}) {
        steps.clear();
        sim.reset();
        Prepare();
        sim->replay().speed().SetSpeedScroll(1);
        Press(kPlayPause);
        ASSERT_TRUE(RunToRow(at));
        Press(kBarBack);
        ASSERT_TRUE(RunUntil([&, at = at] { return steps.back().row != at; }));
        EXPECT_EQ(steps.back().row, target) << at;
        EXPECT_EQ(steps.back().clock, test::DayFileBuilder::TimeOfRow(target)) << at;
    }
}

TEST_F(ReplayEngineTest, BarBackWhilePausedWaitsAtTheBarStart) {
    Prepare();
    Press(kPlayPause);
    ASSERT_TRUE(RunToRow(1));
    Press(kPlayPause);
    scheduler.Advance(10'000);
    Press(kBarBack);  // on the first bar it cannot go further back than 09:00:00
    scheduler.Advance(10'000);
    EXPECT_EQ(d().clockText, "09:00:00");
    EXPECT_EQ(sim->replay().clock().backRequest, 0);
    Press(kPlayPause);
    ASSERT_TRUE(RunUntil([&] { return steps.back().row == 0; }));
}

TEST_F(ReplayEngineTest, SpeedsNineteenAndTwentyMeetWithoutAJump) {
    Prepare();
    Press(kPlayPause);
    sim->replay().speed().SetSpeedScroll(12);  // speed 19
    EXPECT_EQ(sim->replay().clock().stepDelay, 1100);
    ASSERT_TRUE(RunToRow(2));
    ASSERT_TRUE(RunToRow(3));
    EXPECT_EQ(steps[3].ms - steps[2].ms, 5 * (1100 / 6));
    sim->replay().speed().SetSpeedScroll(11);  // speed 20, applied from the next slice
    EXPECT_EQ(sim->replay().clock().stepDelay, 1000);
    ASSERT_TRUE(RunToRow(5));
    EXPECT_EQ(steps[5].ms - steps[4].ms, 5 * (1000 / 6));
}

TEST_F(ReplayEngineTest, LowSpeedStepsTakeSevenAndAHalfSecondsOrFourAndAHalf) {
    Prepare();
    Press(kPlayPause);
    sim->replay().speed().SetLowSpeed(true);
    EXPECT_EQ(d().speed.lowSpeedBackground, colours::kLowSpeedOn);
    ASSERT_TRUE(RunToRow(2));
    ASSERT_TRUE(RunToRow(3));
    EXPECT_EQ(steps[3].ms - steps[2].ms, 7500);
    sim->orderDialogs().OpenNewOrderDialog();
    ASSERT_TRUE(RunToRow(5));
    EXPECT_EQ(steps[5].ms - steps[4].ms, 4500);
    sim->orderDialogs().CancelNewOrderDialog();

    // Clearing the box ends the slow sub-steps of the running step.
    ASSERT_TRUE(RunToRow(6));
    scheduler.Advance(1600);
    sim->replay().speed().SetLowSpeed(false);
    EXPECT_EQ(d().speed.lowSpeedBackground, colours::kLowSpeedOff);
    ASSERT_TRUE(RunToRow(7));
    EXPECT_LT(steps[7].ms - steps[6].ms, 7500);
}

TEST_F(ReplayEngineTest, QuoteLabelsFollowThePriceAndIgnoreRowsWithoutATrade) {
    test::DayFileBuilder b;
    b.SetAll(4, "1000");
    b.Set(0, 3, "1012").Set(0, 6, "1012");
    b.Set(1, 3, "0");
    b.Set(2, 3, "-");
    b.Set(3, 3, "987");
    b.Set(0, 35, "1005.4").Set(1, 35, "0");
    AddStock("221102", "8473", b);
    Prepare();
    sim->replay().speed().SetSpeedScroll(1);
    Press(kPlayPause);
    ASSERT_TRUE(RunToRow(0));
    EXPECT_EQ(d().priceLabel, "1,012");
    EXPECT_EQ(d().changeLabel, "+12");
    EXPECT_EQ(d().changePercentLabel, "1.20%");
    EXPECT_EQ(d().vwapLabel, "1,005.4");
    EXPECT_EQ(d().volumeLabel, "10");
    ASSERT_TRUE(RunToRow(2));
    EXPECT_EQ(d().priceLabel, "1,012");  // rows 1 and 2 had no trade
    EXPECT_EQ(d().vwapLabel, "1,000.0");
    ASSERT_TRUE(RunToRow(3));
    EXPECT_EQ(d().priceLabel, "987");
    EXPECT_EQ(d().changeLabel, "-13");
    EXPECT_EQ(d().changePercentLabel, "-1.30%");
}

TEST_F(ReplayEngineTest, PercentChangeIsFlooredForDecimalPrices) {
    test::DayFileBuilder b;
    b.SetAll(4, "1000.0").SetAll(3, "987.66").SetAll(6, "987.66");
    for (int col = 14; col < 24; ++col) b.SetAll(col, "987.5");
    AddStock("221102", "8473", b);
    Prepare();
    sim->replay().speed().SetSpeedScroll(1);
    Press(kPlayPause);
    ASSERT_TRUE(RunToRow(0));
    ASSERT_TRUE(sim->day().data().decimalPrices);
    EXPECT_EQ(d().priceLabel, "987.7");
    EXPECT_EQ(d().changeLabel, "-12.3");
    EXPECT_EQ(d().changePercentLabel, "-1.24%");
}

TEST_F(ReplayEngineTest, MidSessionStartBeginsAtTheChosenBar) {
    Start();
    sim->day().SetDateText("221102");
    sim->day().SetStartTimeText("10", "07");
    sim->replay().SetSimulationChecked(true);
    ASSERT_EQ(sim->day().DisplayDay(), Simulation::DisplayOutcome::Loaded);
    EXPECT_EQ(d().startMinute, "05");
    EXPECT_EQ(d().clockText, "10:05:00");
    EXPECT_EQ(d().busy.text, "現時点の注文があれば、注文し再生ボタンを押して下さい。");
    ASSERT_TRUE(RunUntil([&] { return sim->replay().waitingForPlay(); }));
    Press(kPlayPause);
    ASSERT_TRUE(RunUntil([&] { return !steps.empty(); }));
    EXPECT_EQ(steps.front().row, 13 * 60);
    EXPECT_EQ(steps.front().clock, "10:05:00");
    RunToEnd();
    EXPECT_EQ(steps.size(), 3600u - 13 * 60);
    EXPECT_EQ(sim->replay().clock().startBar, 0);  // the next display starts at the open again
}

TEST_F(ReplayEngineTest, NavigationStatesFollowTheReplay) {
    Prepare();
    EXPECT_EQ(d().navigationState, kWaiting);
    EXPECT_FALSE(d().controls.inputsEnabled);
    Press(kPlayPause);
    EXPECT_EQ(d().navigationState, kRunning);
    EXPECT_EQ(Button(kBarBack).tooltip, "現在の5分足始め");
    ASSERT_TRUE(RunToRow(0));
    EXPECT_EQ(EnabledButtons(), (std::vector<int>{kPlayPause, kStop, kBarBack, kMinuteForward,
                                                  kBarForward}));
    Press(kPlayPause);
    EXPECT_EQ(d().navigationState, kPaused);
    EXPECT_EQ(Button(kPlayPause).caption, "＞");
    EXPECT_EQ(Button(kBarBack).tooltip, "前回の5分足始め");
    EXPECT_TRUE(Button(kStepForward).enabled);
    Press(kPlayPause);
    EXPECT_FALSE(Button(kStepForward).enabled);
    EXPECT_EQ(Button(kPlayPause).caption, "||");
    EXPECT_FALSE(d().controls.chartOptionsEnabled);
}

}  // namespace
}  // namespace corvala
