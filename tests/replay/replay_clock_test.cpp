#include "replay/replay_clock.h"

#include <gtest/gtest.h>

#include "replay/navigation.h"

namespace corvala {
namespace {

StartPosition Start(const std::string& hour, const std::string& minute, int n = 5,
                    StartTimeBoxes* out = nullptr) {
    StartTimeBoxes boxes{hour, minute};
    const StartPosition p = ValidateStartTime(boxes, n);
    if (out) *out = boxes;
    return p;
}

TEST(ReplayClockTest, StartTimeRoundsDownToABarAndSkipsTheLunch) {
    StartPosition p = Start("9", "03");
    EXPECT_EQ(p.startBar, 0);
    EXPECT_EQ(p.startTime, "09:00:00");
    EXPECT_FALSE(p.midSessionStart);

    p = Start("10", "07");
    EXPECT_EQ(p.startBar, 13);
    EXPECT_EQ(p.startTime, "10:05:00");
    EXPECT_TRUE(p.midSessionStart);

    p = Start("13", "00");
    EXPECT_EQ(p.startBar, 36);
    EXPECT_EQ(p.startTime, "13:00:00");

    p = Start("14", "59");
    EXPECT_EQ(p.startBar, 59);
    EXPECT_EQ(p.startTime, "14:55:00");

    p = Start("10", "07", 15);  // quarter-hour bars start at 10:00
    EXPECT_EQ(p.startBar, 4);
    EXPECT_EQ(p.startTime, "10:00:00");
}

TEST(ReplayClockTest, StartTimeBoxesAreNormalised) {
    StartTimeBoxes boxes;
    EXPECT_EQ(Start("15", "30", 5, &boxes).startBar, 6);  // 9:30
    EXPECT_EQ(boxes.hour, "9");
    Start("8", "10", 5, &boxes);
    EXPECT_EQ(boxes.hour, "9");
    EXPECT_EQ(boxes.minute, "10");
    Start("10", "61", 5, &boxes);
    EXPECT_EQ(boxes.minute, "00");
    Start("10", "7", 5, &boxes);
    EXPECT_EQ(boxes.minute, "05");
    Start("010", "-3", 5, &boxes);
    EXPECT_EQ(boxes.hour, "10");
    EXPECT_EQ(boxes.minute, "00");
    Start("時", "分", 5, &boxes);
    EXPECT_EQ(boxes.hour, "9");
    EXPECT_EQ(boxes.minute, "00");
    EXPECT_EQ(Start("", "", 5, &boxes).startTime, "09:00:00");
}

TEST(ReplayClockTest, LastBarAndRowClock) {
    EXPECT_EQ(LastBar(1), 299);
    EXPECT_EQ(LastBar(5), 59);
    EXPECT_EQ(LastBar(15), 19);
    for (int n : {1, 2, 3, 4, 5, 10}) EXPECT_EQ((LastBar(n) + 1) * 12 * n, 3600) << n;
    EXPECT_EQ(RowClockText(0), "09:00:00");
    EXPECT_EQ(RowClockText(1799), "11:29:55");
    EXPECT_EQ(RowClockText(1800), "12:30:00");
    EXPECT_EQ(RowClockText(3599), "14:59:55");
}

TEST(ReplayClockTest, StepDelayFallsWithSpeedAndTheTwoFormulasMeet) {
    EXPECT_EQ(StepDelayForSpeed(1), 6500);
    EXPECT_EQ(StepDelayForSpeed(5), 5300);
    EXPECT_EQ(StepDelayForSpeed(10), 3800);
    EXPECT_EQ(StepDelayForSpeed(19), 1100);
    EXPECT_EQ(StepDelayForSpeed(20), 1000);
    EXPECT_EQ(StepDelayForSpeed(30), 0);
    for (int s = 2; s <= 30; ++s) {
        EXPECT_LT(StepDelayForSpeed(s), StepDelayForSpeed(s - 1)) << s;
        EXPECT_LE(StepDelayForSpeed(s - 1) - StepDelayForSpeed(s), 300) << s;
    }
}

TEST(ReplayClockTest, GaugeClicks) {
    EXPECT_EQ(SpeedForGaugeX(-5), 1);
    EXPECT_EQ(SpeedForGaugeX(24), 1);
    EXPECT_EQ(SpeedForGaugeX(25), 1);
    EXPECT_EQ(SpeedForGaugeX(75), 2);
    EXPECT_EQ(SpeedForGaugeX(1474), 29);
    EXPECT_EQ(SpeedForGaugeX(1525), 30);
    EXPECT_EQ(SpeedForGaugeX(1600), 30);
    // The fill drawn for a speed ends inside that speed's cell.
    for (int s = 1; s <= 30; ++s) EXPECT_EQ(SpeedForGaugeX(s * 50 + 15 - 10), s) << s;
}

std::vector<int> Enabled(const ControlStates& c) {
    std::vector<int> out;
    for (int i = 0; i < kPlaybackButtons; ++i)
        if (c.playback[static_cast<std::size_t>(i)].enabled) out.push_back(i);
    return out;
}

TEST(NavigationTest, EachStateEnablesItsButtonsAndInputs) {
    ControlStates c;
    InitPlaybackButtons(c, 5);
    SetNavigationState(c, kRunning, 5);
    EXPECT_EQ(Enabled(c), (std::vector<int>{0, 1, 2, 6, 7}));
    EXPECT_FALSE(c.inputsEnabled);
    EXPECT_FALSE(c.dayInputsEnabled);
    EXPECT_FALSE(c.chartOptionsEnabled);
    EXPECT_EQ(c.playback[2].tooltip, "現在の5分足始め");
    EXPECT_EQ(c.playback[7].tooltip, "5分後");

    SetNavigationState(c, kPaused, 5);
    EXPECT_EQ(Enabled(c), (std::vector<int>{0, 1, 2, 5, 6, 7}));
    EXPECT_EQ(c.playback[2].tooltip, "前回の5分足始め");
    EXPECT_EQ(c.playback[3].tooltip, "1分前");
    EXPECT_EQ(c.playback[4].tooltip, "5秒前");
    EXPECT_EQ(c.playback[5].tooltip, "5秒後");
    EXPECT_EQ(c.playback[6].tooltip, "1分後");

    SetNavigationState(c, kWaiting, 10);
    EXPECT_EQ(Enabled(c), std::vector<int>{1});
    EXPECT_FALSE(c.investmentEnabled);
    EXPECT_FALSE(c.quizEnabled);
    EXPECT_EQ(c.playback[2].tooltip, "現在の10分足始め");
    EXPECT_EQ(c.playback[7].tooltip, "10分後");

    c.orderButtons = {true, true, true};
    SetNavigationState(c, kIdle, 10);
    EXPECT_EQ(Enabled(c), std::vector<int>{});
    EXPECT_TRUE(c.inputsEnabled);
    EXPECT_TRUE(c.displayButtonEnabled);
    EXPECT_TRUE(c.investmentEnabled);
    EXPECT_TRUE(c.quizEnabled);
    EXPECT_EQ(c.orderButtons, (std::array<bool, 3>{false, false, false}));

    EXPECT_TRUE(c.dayInputsEnabled);
    SetNavigationState(c, kIdle, 10, true);  // the quiz keeps the day's inputs locked
    EXPECT_FALSE(c.dayInputsEnabled);
    EXPECT_TRUE(c.inputsEnabled);
    EXPECT_TRUE(c.displayButtonEnabled);
    EXPECT_TRUE(c.quizEnabled);
}

TEST(NavigationTest, CaptionsAndFixedTooltips) {
    ControlStates c;
    InitPlaybackButtons(c, 1);
    const char* captions[] = {"||", "■", "≪", "<", "←", "→", ">", "≫"};
    for (int i = 0; i < kPlaybackButtons; ++i)
        EXPECT_EQ(c.playback[static_cast<std::size_t>(i)].caption, captions[i]);
    EXPECT_EQ(c.playback[0].tooltip, "再生・一時停止");
    EXPECT_EQ(c.playback[1].tooltip, "ストップ");
    EXPECT_EQ(c.playback[7].tooltip, "1分後");
}

}  // namespace
}  // namespace corvala

#include "replay/speed_gauge.h"

namespace corvala {
namespace {

TEST(SpeedGaugeTest, BaselineThirtyOneTicksAndAFillToTheSpeed) {
    const GaugeDrawing g = SpeedGaugeDrawing(5);
    ASSERT_EQ(g.lines.size(), 32u);
    EXPECT_EQ(g.lines[0].x1, 25);
    EXPECT_EQ(g.lines[0].x2, 1500);
    EXPECT_EQ(g.lines[1].y2 - g.lines[1].y1, 150);  // every fifth tick is ±75
    EXPECT_EQ(g.lines[2].y2 - g.lines[2].y1, 60);   // the others ±30
    EXPECT_EQ(g.lines[31].x1, 25 + 50 * 30);
    EXPECT_EQ(g.fillRight, 265);
    EXPECT_EQ(g.fillBottom - g.fillTop, 150);
    // A click inside the fill's last cell gives the speed back.
    for (int s = 1; s <= 30; ++s) EXPECT_EQ(SpeedForGaugeX(SpeedGaugeDrawing(s).fillRight - 1), s);
}

}  // namespace
}  // namespace corvala
