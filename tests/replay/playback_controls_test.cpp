// The controls around the replay: stop and its questions, the simulation box, the close request,
// speed, the pressed-button hold-off, and the date and code spinners.

#include <filesystem>

#include "app/replay_fixture.h"
#include "replay/replay_clock.h"

namespace corvala {
namespace {

using test::ReplayFixture;

class PlaybackControlsTest : public ReplayFixture {};

TEST_F(PlaybackControlsTest, StopAsksFirstAndNoKeepsTheReplayRunning) {
    Prepare();
    Press(kPlayPause);
    ASSERT_TRUE(RunToRow(5));
    dialogs.answers = {false};
    Press(kStop);
    ASSERT_EQ(dialogs.questions.size(), 1u);
    EXPECT_EQ(dialogs.questions[0].first, "問い合わせ");
    EXPECT_EQ(dialogs.questions[0].second, "シミュレーションを停止しますか？");
    EXPECT_TRUE(sim->replay().clock().replayReady);
    ASSERT_TRUE(RunToRow(6));
    EXPECT_EQ(d().navigationState, kRunning);
}

TEST_F(PlaybackControlsTest, StopWithYesEndsTheLoopAndClearsTheWindow) {
    Prepare();
    Press(kPlayPause);
    ASSERT_TRUE(RunToRow(5));
    dialogs.answers = {true};
    Press(kStop);
    // No position and no trade: nothing more is asked.
    EXPECT_EQ(dialogs.questions.size(), 1u);
    EXPECT_EQ(d().navigationState, kIdle);
    EXPECT_EQ(EnabledButtons(), std::vector<int>{});
    EXPECT_EQ(d().priceLabel, "");
    EXPECT_EQ(Button(kPlayPause).caption, "||");
    EXPECT_TRUE(RunUntil([&] { return !sim->replay().running(); }, 10'000));
    EXPECT_EQ(steps.back().row, 5);
    EXPECT_NE(d().clockText, "15:00:00");
    EXPECT_TRUE(d().controls.displayButtonEnabled);
    EXPECT_FALSE(sim->replay().clock().stopRequested);

    // A new display starts a new replay from the open.
    steps.clear();
    Prepare();
    Press(kPlayPause);
    ASSERT_TRUE(RunToRow(0));
}

TEST_F(PlaybackControlsTest, StopBeforeTheOpenEndsTheReplay) {
    Prepare();
    dialogs.answers = {true};
    Press(kStop);
    EXPECT_TRUE(RunUntil([&] { return !sim->replay().running(); }, 10'000));
    EXPECT_TRUE(steps.empty());
    EXPECT_EQ(d().navigationState, kIdle);
    EXPECT_EQ(EnabledButtons(), std::vector<int>{});  // nothing woke up on the way out
}

TEST_F(PlaybackControlsTest, StopWhilePausedLeavesTheClearedWindowAlone) {
    Prepare();
    Press(kPlayPause);
    ASSERT_TRUE(RunToRow(4));
    Press(kPlayPause);
    scheduler.Advance(10'000);
    const std::string clockAtStop = d().clockText;
    dialogs.answers = {true};
    Press(kStop);
    EXPECT_TRUE(RunUntil([&] { return !sim->replay().running(); }, 10'000));
    EXPECT_EQ(steps.back().row, 4);
    EXPECT_EQ(d().priceLabel, "");
    EXPECT_EQ(d().clockText, clockAtStop);
    EXPECT_EQ(EnabledButtons(), std::vector<int>{});
}

TEST_F(PlaybackControlsTest, StopMidStepShowsNoFurtherSecond) {
    Prepare();
    Press(kPlayPause);
    ASSERT_TRUE(RunToRow(4));
    scheduler.Advance(1000);  // one sub-step in
    const std::string clockAtStop = d().clockText;
    dialogs.answers = {true};
    Press(kStop);
    EXPECT_TRUE(RunUntil([&] { return !sim->replay().running(); }, 10'000));
    EXPECT_EQ(d().clockText, clockAtStop);
}

TEST_F(PlaybackControlsTest, NoToTheStopQuestionAtTheLunchKeepsWaitingForPlay) {
    Prepare();
    sim->replay().speed().SetSpeedScroll(1);
    Press(kPlayPause);
    ASSERT_TRUE(RunUntil([&] { return sim->replay().waitingForPlay() && d().clockText == "12:29:59"; }));
    dialogs.answers = {false};
    Press(kStop);
    EXPECT_TRUE(sim->replay().clock().replayReady);
    scheduler.Advance(10'000);
    EXPECT_EQ(d().clockText, "12:29:59");
    Press(kPlayPause);
    ASSERT_TRUE(RunToRow(1800));
}

// During the wait after 開 始 the speed chosen holds and play is taken, said on the message
// line, and done once the replay is ready: nothing the user did is dropped.
TEST_F(PlaybackControlsTest, SpeedAndPlayDuringThePreOpenNoticeAreKept) {
    Start();
    sim->day().SetDateText("221102");
    sim->replay().SetSimulationChecked(true);
    ASSERT_EQ(sim->day().DisplayDay(), Simulation::DisplayOutcome::Loaded);
    scheduler.Advance(1000);
    ASSERT_TRUE(sim->replay().clock().preparing);
    sim->replay().speed().SetSpeedScroll(1);
    EXPECT_EQ(d().speed.speed, 30);
    Press(kPlayPause);
    EXPECT_EQ(d().message.text, "再生の準備をしています。準備ができしだい再生します。");
    ASSERT_TRUE(RunToRow(3));  // played without another press
    EXPECT_EQ(d().speed.speed, 30);
    EXPECT_FALSE(sim->replay().waitingForPlay());
}

TEST_F(PlaybackControlsTest, StopDuringThePreOpenNoticeAllowsANewStartAtOnce) {
    Start();
    sim->day().SetDateText("221102");
    sim->replay().SetSimulationChecked(true);
    ASSERT_EQ(sim->day().DisplayDay(), Simulation::DisplayOutcome::Loaded);
    scheduler.Advance(1000);
    dialogs.answers = {true};
    Press(kStop);
    EXPECT_TRUE(d().controls.displayButtonEnabled);
    EXPECT_EQ(sim->day().DisplayDay(), Simulation::DisplayOutcome::Loaded);  // no wait for the old one
    ASSERT_TRUE(RunUntil([&] { return sim->replay().waitingForPlay(); }));
    Press(kPlayPause);
    ASSERT_TRUE(RunToRow(0));
    EXPECT_EQ(steps.size(), 1u);
}

TEST_F(PlaybackControlsTest, QuestionBoxHoldsTheReplay) {
    // While a question is open nothing of the loop runs, as with a modal box.
    Prepare();
    Press(kPlayPause);
    ASSERT_TRUE(RunToRow(5));
    std::size_t stepsDuringQuestion = 0;
    // The scripted answer runs the scheduler for a minute while the box is "open".
    class HoldingDialogs final : public Dialogs {
    public:
        HoldingDialogs(VirtualScheduler& s, const std::vector<test::StepRecord>& steps,
                       std::size_t& out)
            : s_(s), steps_(steps), out_(out) {}
        void ShowError(int, const std::string&) override {}
        void ShowNotice(const std::string&, const std::string&) override {}
        bool Ask(const std::string&, const std::string&) override {
            const std::size_t before = steps_.size();
            s_.Advance(60'000);
            out_ = steps_.size() - before;
            return false;
        }

    private:
        VirtualScheduler& s_;
        const std::vector<test::StepRecord>& steps_;
        std::size_t& out_;
    };
    HoldingDialogs holding(scheduler, steps, stepsDuringQuestion);
    auto second = std::make_unique<Simulation>(Ports{holding, clock, random, scheduler}, dir.path());
    sim.reset();
    steps.clear();
    sim = std::move(second);
    ASSERT_TRUE(sim->StartUp());
    sim->replay().SetStepObserver([this](int row) { steps.push_back({row, "", scheduler.NowMs(), false}); });
    Prepare();
    Press(kPlayPause);
    ASSERT_TRUE(RunToRow(5));
    Press(kStop);
    EXPECT_EQ(stepsDuringQuestion, 0u);
    ASSERT_TRUE(RunToRow(6));  // the No lets it go on
}

TEST_F(PlaybackControlsTest, ClearingTheSimulationBoxStopsOnlyAfterYes) {
    Prepare();
    Press(kPlayPause);
    ASSERT_TRUE(RunToRow(2));
    dialogs.answers = {false};
    sim->replay().SetSimulationChecked(false);
    EXPECT_TRUE(d().simulationChecked);
    EXPECT_TRUE(sim->replay().clock().replayReady);
    ASSERT_TRUE(RunToRow(3));

    dialogs.answers = {true};
    sim->replay().SetSimulationChecked(false);
    EXPECT_FALSE(d().simulationChecked);
    EXPECT_STREQ(d().DisplayButtonCaption(), "表 示");
    EXPECT_FALSE(d().controls.speedEnabled);
    EXPECT_TRUE(RunUntil([&] { return !sim->replay().running(); }, 10'000));
    EXPECT_NE(d().clockText, "15:00:00");
    EXPECT_EQ(d().navigationState, kIdle);
}

TEST_F(PlaybackControlsTest, CloseRequestDuringAReplayEndsItSafely) {
    Prepare();
    Press(kPlayPause);
    ASSERT_TRUE(RunToRow(3));
    EXPECT_TRUE(sim->replay().RequestClose());
    EXPECT_FALSE(sim->replay().running());
    const std::size_t n = steps.size();
    scheduler.Advance(60'000);  // callbacks queued for the loop find nothing to resume
    EXPECT_EQ(steps.size(), n);
    sim.reset();
    scheduler.Advance(60'000);
}

TEST_F(PlaybackControlsTest, PressedJumpButtonIsHeldOffFor300Ms) {
    Prepare();
    Press(kPlayPause);
    ASSERT_TRUE(RunToRow(1));
    Press(kMinuteForward);
    EXPECT_TRUE(Button(kMinuteForward).enabled);
    EXPECT_FALSE(Button(kMinuteForward).Accepts());
    EXPECT_EQ(sim->replay().clock().stepForwardCount, 12);
    Press(kMinuteForward);  // ignored: one press is one request
    EXPECT_EQ(sim->replay().clock().stepForwardCount, 12);
    scheduler.Advance(299);
    EXPECT_FALSE(Button(kMinuteForward).Accepts());
    scheduler.Advance(1);
    EXPECT_TRUE(Button(kMinuteForward).Accepts());
}

TEST_F(PlaybackControlsTest, OneMinuteAndFiveSecondsBackDoNothingDuringAReplay) {
    Prepare();
    Press(kPlayPause);
    ASSERT_TRUE(RunToRow(20));
    Press(kPlayPause);
    // Even if a later state enabled them, they would not move the replay.
    const int before = sim->replay().clock().backRequest + sim->replay().clock().stepForwardCount;
    Press(kMinuteBack);
    Press(kStepBack);
    EXPECT_EQ(sim->replay().clock().backRequest + sim->replay().clock().stepForwardCount, before);
}

TEST_F(PlaybackControlsTest, SpeedControlsAndTheGauge) {
    Start();
    sim->replay().speed().SetSpeedScroll(26);
    EXPECT_EQ(d().speed.speed, 5);
    EXPECT_EQ(d().speed.ScrollValue(), 26);
    EXPECT_EQ(sim->replay().clock().stepDelay, 5300);
    sim->replay().speed().SetSpeedScroll(0);  // the bar's 0 counts as 1
    EXPECT_EQ(d().speed.speed, 30);
    EXPECT_EQ(sim->replay().clock().stepDelay, 0);

    sim->replay().speed().SetLowSpeed(true);
    sim->services().SetMessage("何か");
    sim->replay().speed().ClickSpeedGauge(24);
    EXPECT_EQ(d().speed.speed, 1);
    EXPECT_FALSE(d().speed.lowSpeed);
    EXPECT_EQ(d().message.text, "");
    sim->replay().speed().ClickSpeedGauge(1600);
    EXPECT_EQ(d().speed.speed, 30);
    sim->replay().speed().ClickSpeedGauge(275);
    EXPECT_EQ(d().speed.speed, 6);
    EXPECT_EQ(d().speed.ScrollValue(), 25);
    sim->replay().speed().ClickSlowestLabel();
    EXPECT_EQ(d().speed.speed, 1);
    EXPECT_EQ(sim->replay().clock().stepDelay, 6500);
}

TEST_F(PlaybackControlsTest, SpeedCutOnAFillOnlyAboveTen) {
    Start();
    sim->replay().speed().SetSpeedScroll(6);  // speed 25
    sim->replay().speed().CutOnFill(false);
    EXPECT_EQ(d().speed.speed, 10);
    const std::string blanks = [] {
        std::string s;
        for (int i = 0; i < 41; ++i) s += "　";
        return s;
    }();
    EXPECT_EQ(d().message.text, blanks + "新規注文が約定しましたので、速度を10に落としています。");
    EXPECT_EQ(d().message.background, colours::kFlash);
    scheduler.Advance(19'999);
    EXPECT_FALSE(d().message.text.empty());
    scheduler.Advance(1);
    EXPECT_TRUE(d().message.text.empty());

    sim->replay().speed().SetSpeedScroll(23);  // speed 8
    sim->replay().speed().CutOnFill(false);
    EXPECT_EQ(d().speed.speed, 8);
    EXPECT_TRUE(d().message.text.empty());

    sim->replay().speed().SetSpeedScroll(1);
    sim->replay().speed().SetLowSpeed(true);  // low speed without an order dialog keeps its pace
    sim->replay().speed().CutOnFill(false);
    EXPECT_EQ(d().speed.speed, 30);
}

TEST_F(PlaybackControlsTest, DayOnlyRedisplaysAShownDayWithoutStartingAReplay) {
    Start();
    sim->day().SetDateText("221102");
    sim->day().SetDayOnly(true);  // nothing loaded yet: nothing to redraw
    EXPECT_FALSE(sim->day().dayLoaded());
    ASSERT_EQ(sim->day().DisplayDay(), Simulation::DisplayOutcome::Loaded);
    sim->day().SetDayOnly(false);
    EXPECT_TRUE(sim->day().dayLoaded());
    EXPECT_FALSE(sim->replay().running());

    sim->replay().SetSimulationChecked(true);
    Prepare();
    sim->replay().speed().SetSpeedScroll(1);
    RunToEnd();
    sim->day().SetDayOnly(true);
    EXPECT_FALSE(sim->replay().running());
    EXPECT_EQ(d().clockText, "15:00:00");

    // 設定 opens the settings over the finished day: a display would prepare a new replay.
    sim->PressSettings();
    EXPECT_TRUE(sim->settings().dialog().visible);
    EXPECT_FALSE(sim->replay().running());
    EXPECT_EQ(d().clockText, "15:00:00");
    EXPECT_TRUE(sim->day().dayLoaded());
}

TEST_F(PlaybackControlsTest, DateSpinnerStepsThroughTheDataFolder) {
    Start();
    sim->day().SetDateText("221102");
    sim->day().SetStartTimeText("10", "30");
    sim->day().SpinDate(true);
    EXPECT_EQ(d().dateText, "221104");  // 221103 has no folder
    EXPECT_EQ(d().startHour, "9");
    EXPECT_EQ(d().startMinute, "00");
    sim->day().SpinDate(true);
    EXPECT_EQ(d().dateText, "221104");  // nothing later within 20 days
    sim->day().SpinDate(false);
    EXPECT_EQ(d().dateText, "221102");
    sim->day().SpinDate(false);
    EXPECT_EQ(d().dateText, "221101");
    sim->day().SpinDate(false);
    EXPECT_EQ(d().dateText, "221101");  // no earlier trading day

    // A folder with the marker is skipped going forward.
    test::WriteFile(dir.Sub("日中データ/221103/データ未取得"), "");
    sim->day().SetDateText("221102");
    sim->day().SpinDate(true);
    EXPECT_EQ(d().dateText, "221104");

    sim->day().SetDateText("");
    sim->day().SpinDate(true);  // empty: the first usable folder, then one step on
    EXPECT_EQ(d().dateText, "221102");
    EXPECT_TRUE(dialogs.errors.empty());
}

TEST_F(PlaybackControlsTest, DateSpinnerErrors) {
    Start();
    std::filesystem::remove_all(dir.Sub("日中データ"));
    sim->day().SpinDate(true);
    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_EQ(dialogs.errors[0].number, 1015);
    EXPECT_EQ(dialogs.errors[0].text, DataFolderErrorText());

    std::filesystem::create_directories(dir.Sub("日中データ/221114"));
    test::WriteFile(dir.Sub("日中データ/221114/データ未取得"), "");
    sim->day().SetDateText("");
    sim->day().SpinDate(false);
    ASSERT_EQ(dialogs.errors.size(), 2u);
    EXPECT_EQ(dialogs.errors[1].number, 1016);
}

TEST_F(PlaybackControlsTest, CodeSpinnerMovesThroughTheDatesFiles) {
    AddStock("221104", "1301", test::DayFileBuilder());
    AddStock("221104", "9984", test::DayFileBuilder());
    Start();
    sim->day().SetDateText("221104");
    sim->day().SetCodeText("6501");
    sim->day().SpinCode(true);
    EXPECT_EQ(d().codeText, "8473");
    EXPECT_EQ(d().nameLabel, "テスト証券 ");
    sim->day().SpinCode(true);
    EXPECT_EQ(d().codeText, "9984");
    sim->day().SpinCode(true);
    EXPECT_EQ(d().codeText, "9984");  // the last one
    sim->day().SpinCode(false);
    sim->day().SpinCode(false);
    sim->day().SpinCode(false);
    EXPECT_EQ(d().codeText, "1301");
    sim->day().SetCodeText("5000");  // not listed: the nearest one in the direction
    sim->day().SpinCode(true);
    EXPECT_EQ(d().codeText, "6501");

    // A file that went away is skipped.
    std::filesystem::remove(dir.Sub("日中データ/221104/8473.csv"));
    sim->day().SpinCode(true);
    EXPECT_EQ(d().codeText, "9984");
}

}  // namespace
}  // namespace corvala
