// The screening window as the program drives it: a search in slices, the conditions kept for the
// next start, and a picked row that becomes a replay waiting at its start.

#include "platform/files.h"
#include "replay_fixture.h"
#include "settings/settings_files.h"

namespace corvala {
namespace {

class ScreeningStateTest : public test::ReplayFixture {
protected:
    ScreeningStateTest() {
        // 8473 has its day files; 1301 has none (×).
        test::WriteFile(SearchFilePath(dir.path(), "202211"),
                        "221104,8473,3180,09:00,10:40,10:10,09:25,09:10,1.0,-1.0,1.0,-1.0,-1.0,1.0,-1.0,6.5,2.0,12345\r\n"
                        "221104,1301,300,09:00,09:35,10:20,09:25,09:10,1.0,-1.0,1.0,-1.0,-1.0,1.0,-1.0,1.0,9.0,800\r\n");
        test::WriteFile(SearchFilePath(dir.path(), "202210"), "");
    }
    // 検　索 with the rise over 5 %, run to its end; the place of the 8473 row.
    int SearchRise(bool nearStart) {
        sim->screening().Open();
        sim->screening().SetDirection(kRise);
        sim->screening().SetThreshold("5");
        sim->screening().SetOption(ScreeningState::Option::StartNearStart, nearStart);
        sim->screening().PressSearch();
        EXPECT_TRUE(sim->screening().model().searching());
        EXPECT_TRUE(RunUntil([&] { return !sim->screening().model().searching(); }));
        for (int place = 0; place < static_cast<int>(sim->screening().model().shown().size()); ++place)
            if (sim->screening().model().RowAt(place)->code == 8473) return place;
        ADD_FAILURE() << "no 8473 row";
        return -1;
    }
};

TEST_F(ScreeningStateTest, APickedRowIsReplayedFromJustBeforeItsMove) {
    Start();
    const int row = SearchRise(/*nearStart=*/true);
    EXPECT_EQ(sim->screening().model().counterText, "2 件");
    EXPECT_EQ(sim->screening().model().MonthText(), "2022/11");  // the newest month
    sim->screening().UseRow(row);
    // The rise from the low began at 10:10 (field 15's window); N = 5 and a lead of 3 bars
    // (the fixed random 0.5 of 2–3): bar 14 − 3 = 11, 09:55:00.
    EXPECT_EQ(d().dateText, "221104");
    EXPECT_EQ(d().codeText, "8473");
    EXPECT_TRUE(d().simulationChecked);
    EXPECT_EQ(d().startHour, "9");
    EXPECT_EQ(d().startMinute, "55");
    EXPECT_EQ(sim->replay().clock().startBar, 11);
    EXPECT_EQ(sim->replay().clock().startTime, "09:55:00");
    ASSERT_TRUE(RunUntil([&] { return sim->replay().waitingForPlay(); }));
    EXPECT_EQ(d().clockText, "09:55:00");
    // A second pick is refused while that replay runs.
    sim->screening().UseRow(row);
    EXPECT_EQ(sim->screening().model().message, "シミュレーション中は反映できません。停止してから選んで下さい。");
}

TEST_F(ScreeningStateTest, WithoutTheNearStartOptionTheReplayStartsAtTheOpenWhateverTheBoxesSay) {
    Start();
    sim->day().SetStartTimeText("10", "30");
    const int row = SearchRise(/*nearStart=*/false);
    sim->screening().UseRow(row);
    EXPECT_EQ(sim->replay().clock().startBar, 0);
    EXPECT_FALSE(sim->replay().clock().midSessionStart);
    ASSERT_TRUE(RunUntil([&] { return sim->replay().waitingForPlay(); }));
    EXPECT_EQ(d().clockText, "08:59:59");
    RunToEnd();
    // The next display reads the boxes again.
    sim->day().SetStartTimeText("10", "30");
    sim->replay().SetSimulationChecked(true);
    ASSERT_EQ(sim->day().DisplayDay(), Simulation::DisplayOutcome::Loaded);
    EXPECT_EQ(sim->replay().clock().startBar, 18);  // 10:30 with 5-minute bars
}

TEST_F(ScreeningStateTest, ARowWithoutItsDayFileIsNotUsedAndSaysWhy) {
    Start();
    SearchRise(false);
    const std::string dateBefore = d().dateText;
    int missing = -1;
    for (int place = 0; place < 2; ++place)
        if (!sim->screening().model().RowAt(place)->available) missing = place;
    ASSERT_GE(missing, 0);
    sim->screening().SelectRow(missing);
    EXPECT_FALSE(sim->screening().model().useEnabled);
    sim->screening().UseRow(missing);
    EXPECT_NE(sim->screening().model().message.find("日中データフォルダに該当銘柄のファイルがありません。"), std::string::npos);
    EXPECT_EQ(d().dateText, dateBefore);
    EXPECT_FALSE(sim->replay().running());
}

TEST_F(ScreeningStateTest, TheConditionsAreSavedAndComeBackAtTheNextOpening) {
    Start();
    sim->screening().Open();
    sim->screening().SetMonth(0);
    sim->screening().SetDirection(kBoth);
    sim->screening().SetThreshold("12");
    sim->screening().SetOption(ScreeningState::Option::UpTo930, true);
    sim->screening().SetOption(ScreeningState::Option::HideEndTime, true);
    sim->screening().SetOption(ScreeningState::Option::StartNearStart, true);
    sim->screening().Close();
    ASSERT_TRUE(sim->SaveSettings());
    const Settings saved = ReadSettings(ReadWholeFile(dir.Sub(kSettingsFile)).value_or(""));
    EXPECT_EQ(saved.screening.laterMonth, "2022/10");
    EXPECT_EQ(saved.screening.direction, kBoth);
    EXPECT_EQ(saved.screening.threshold, 12);
    EXPECT_TRUE(saved.screening.upTo930);
    EXPECT_FALSE(saved.screening.hideStartTime);
    EXPECT_TRUE(saved.screening.hideEndTime);
    EXPECT_TRUE(saved.screening.startNearStart);

    sim = std::make_unique<Simulation>(Ports{dialogs, clock, random, scheduler, &sound}, dir.path());
    sim->LoadSettings("");
    ASSERT_TRUE(sim->StartUp());
    sim->screening().Open();
    EXPECT_EQ(sim->screening().model().MonthText(), "2022/10");
    EXPECT_EQ(sim->screening().model().thresholdText, "12");
    EXPECT_EQ(sim->screening().model().RelationLabel(), "％範囲外");
    EXPECT_EQ(sim->screening().model().conditions, saved.screening);
}

}  // namespace
}  // namespace corvala
