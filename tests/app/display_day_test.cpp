#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "app/simulation.h"
#include "platform/cp932.h"
#include "platform/files.h"
#include "platform/virtual_scheduler.h"
#include "test_support.h"

namespace corvala {
namespace {

using test::DayFileBuilder;
using Outcome = Simulation::DisplayOutcome;

// An install folder with a stock list and a small data tree under 日中データ.
class DisplayDayTest : public ::testing::Test {
protected:
    DisplayDayTest() {
        test::WriteFile(dir.Sub("銘柄リスト.csv"),
                        EncodeCp932("8473,8473.T,テスト証券ホールディングス\r\n6501,6501.OS,大証電機\r\n"));
        test::WriteFile(dir.Sub("銘柄リストold.csv"), EncodeCp932("1111,1111.T,旧リスト商事\r\n"));
        for (const char* date : {"221101", "221102"}) {
            AddFile(date, "8473");
            AddFile(date, "N225", true);
            AddFile(date, "先物", true);
        }
        test::WriteFile(dir.Sub("日中データ/221114/データ未取得"), "");
        AddFile("221104", "8473");  // no market series on this date
    }

    void AddFile(const std::string& date, const std::string& code, bool series = false) {
        DayFileBuilder b;
        if (series) b.SetAll(34, "-");
        test::WriteFile(dir.Sub("日中データ/" + date + "/" + code + ".csv"), b.Bytes());
    }

    Simulation& Start(const std::string& configured = {}) {
        sim = std::make_unique<Simulation>(Ports{dialogs, clock, random, scheduler}, dir.path());
        started = sim->StartUp(configured);
        return *sim;
    }

    Outcome Display(const std::string& date, const std::string& code,
                    const std::string& series = "日経225") {
        sim->day().SetDateText(date);
        sim->day().SetCodeText(code);
        sim->day().SelectSeries(series);
        return sim->day().DisplayDay();
    }

    const std::string& Message() const { return sim->display().message.text; }

    test::TempDir dir;
    test::ScriptedDialogs dialogs;
    test::FixedClock clock{Ymd{2022, 11, 2}};
    test::FixedRandom random;
    VirtualScheduler scheduler;
    std::unique_ptr<Simulation> sim;
    bool started = false;
};

TEST_F(DisplayDayTest, StartUpWithoutStockListEndsWithError1013) {
    std::filesystem::remove(dir.Sub("銘柄リスト.csv"));
    Start();
    EXPECT_FALSE(started);
    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_EQ(dialogs.errors[0].number, 1013);
    EXPECT_EQ(dialogs.errors[0].text, "インストールフォルダ内に銘柄リスト.csvファイルがありません。");
}

TEST_F(DisplayDayTest, StartUpFindsTheInstallDataAndFillsTheBoxes) {
    Simulation& s = Start("/no/such/folder");
    ASSERT_TRUE(started);
    EXPECT_TRUE(DirExists(dir.Sub("売買履歴")));
    EXPECT_EQ(s.settings().dataFolder(), dir.Sub("日中データ") + "/");
    EXPECT_EQ(s.display().dateText, "221104");  // newest date; 221114 only has the marker
    EXPECT_EQ(s.display().codeText, "8473");
    EXPECT_EQ(s.display().nameLabel, "テスト証券ホールディング ");
    EXPECT_EQ(s.display().marketLabel, "東証 ");
    EXPECT_EQ(s.display().seriesText, "日経225");
    EXPECT_EQ(s.display().seriesItems.size(), 7u);
    EXPECT_STREQ(s.display().DisplayButtonCaption(), "表 示");
}

TEST_F(DisplayDayTest, LoadsTheDayAndItsPreviousTradingDay) {
    Start();
    EXPECT_EQ(Display("221102", "8473"), Outcome::Loaded);
    EXPECT_TRUE(dialogs.errors.empty());
    EXPECT_EQ(sim->day().prevTradingDay(), "221101");
    EXPECT_EQ(sim->display().dayLabel, "2022年11月02日 (水)");
    EXPECT_EQ(sim->display().prevDayLabel, "2022年11月01日 (火)");
    EXPECT_EQ(Message(), "");
    EXPECT_TRUE(sim->day().replayAllowed());
    for (int slot = 0; slot < kSlotCount; ++slot)
        EXPECT_TRUE(sim->day().data()[static_cast<SeriesSlot>(slot)].loaded) << slot;
    EXPECT_EQ(sim->day().data()[SeriesSlot::DayIndex].kind, SeriesKind::Nikkei225);
    EXPECT_FALSE(sim->display().busy.visible);
}

TEST_F(DisplayDayTest, PreviousTradingDayIsSearchedTwentyDaysBack) {
    Start();
    std::filesystem::remove_all(dir.Sub("日中データ/221114"));
    AddFile("221122", "8473");
    AddFile("221122", "N225", true);
    EXPECT_EQ(Display("221122", "8473"), Outcome::Loaded);
    EXPECT_EQ(sim->day().prevTradingDay(), "221104");  // 18 days back
    AddFile("221124", "8473");
    AddFile("221124", "N225", true);
    std::filesystem::remove_all(dir.Sub("日中データ/221122"));
    EXPECT_EQ(Display("221124", "8473"), Outcome::Loaded);
    EXPECT_EQ(sim->day().prevTradingDay(), "221104");  // exactly 20 days back
    AddFile("221125", "8473");
    AddFile("221125", "N225", true);
    std::filesystem::remove_all(dir.Sub("日中データ/221124"));
    EXPECT_EQ(Display("221125", "8473"), Outcome::Loaded);
    EXPECT_EQ(sim->day().prevTradingDay(), "no");
    EXPECT_EQ(sim->display().prevDayLabel, "");
    EXPECT_FALSE(sim->day().data()[SeriesSlot::PrevStock].loaded);
}

TEST_F(DisplayDayTest, AFolderWithOnlyTheMarkerStillCountsAsATradingDay) {
    Start();
    AddFile("221115", "8473");
    AddFile("221115", "N225", true);
    EXPECT_EQ(Display("221115", "8473"), Outcome::Loaded);
    EXPECT_EQ(sim->day().prevTradingDay(), "221114");
    EXPECT_FALSE(sim->day().data()[SeriesSlot::PrevStock].loaded);
    EXPECT_TRUE(sim->display().noDataMark[1]);  // the previous day's panels show the marker
}

TEST_F(DisplayDayTest, BadBoxesFallBackToTodayAndTheDefaultCode) {
    Start();
    sim->day().SetDateText("2211");
    sim->day().SetCodeText("12");
    EXPECT_EQ(sim->day().DisplayDay(), Outcome::Loaded);
    EXPECT_EQ(sim->display().dateText, "221102");
    EXPECT_EQ(sim->display().codeText, "8473");
    sim->day().SetDateText("22a102");
    EXPECT_EQ(sim->day().DisplayDay(), Outcome::Loaded);
    EXPECT_EQ(sim->display().dateText, "221102");
}

TEST_F(DisplayDayTest, MissingDataFolderIsError1012AndMissingDateIs1014) {
    std::filesystem::remove_all(dir.Sub("日中データ"));
    Start("/no/such/folder");
    EXPECT_EQ(Display("221102", "8473"), Outcome::Error);
    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_EQ(dialogs.errors[0].number, 1012);
    EXPECT_EQ(dialogs.errors[0].text,
              "データのあるフォルダが正しく設定されていません。\n"
              "設定ボタンを押し、『①日中データフォルダ指定』 に\n"
              "データフォルダを設定して下さい。");
    EXPECT_FALSE(sim->display().busy.visible);

    test::TempDir data;
    Start(data.path());
    dialogs.errors.clear();
    EXPECT_EQ(Display("221102", "8473"), Outcome::Error);
    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_EQ(dialogs.errors[0].number, 1014);
    EXPECT_EQ(dialogs.errors[0].text, "設定された日付のデータは存在しません。日付を変更して下さい。");
    EXPECT_FALSE(sim->day().replayAllowed());
}

TEST_F(DisplayDayTest, MarkerFolderSaysThereIsNoDataForTheDate) {
    Start();
    EXPECT_EQ(Display("221114", "8473"), Outcome::NoData);
    EXPECT_EQ(Message(), "　　この日付のデータはありません。");
    EXPECT_TRUE(dialogs.errors.empty());
    EXPECT_FALSE(sim->day().replayAllowed());
    EXPECT_TRUE(sim->display().noDataMark[0]);
    EXPECT_TRUE(sim->display().noDataMark[1]);
    EXPECT_EQ(sim->display().navigationState, 0);
}

TEST_F(DisplayDayTest, MissingSeriesFileAsksToUnpackIt) {
    Start();
    EXPECT_EQ(Display("221104", "8473", "大証先物"), Outcome::NoData);
    EXPECT_EQ(Message(),
              "　　大証先物 (先物.csv) のファイルがありません。日中データ内の221104フォルダ内に"
              "大証先物 (先物.csv) ファイルを解凍して入れて下さい。");
    EXPECT_FALSE(sim->day().replayAllowed());
    EXPECT_TRUE(sim->day().data()[SeriesSlot::DayStock].loaded);  // the stock is there all the same
}

TEST_F(DisplayDayTest, MissingStockFileEndsTheDisplay) {
    Start();
    EXPECT_EQ(Display("221102", "6501"), Outcome::NoData);
    EXPECT_EQ(Message(), "　　　6501のこの日のデータはありません。");
    EXPECT_EQ(sim->display().nameLabel, "大証電機 ");
    EXPECT_EQ(sim->display().navigationState, 0);
    EXPECT_FALSE(sim->day().replayAllowed());
    EXPECT_FALSE(sim->day().dayLoaded());
}

TEST_F(DisplayDayTest, AValidCodeAfterAMissingOneIsDisplayed) {
    Start();
    EXPECT_EQ(Display("221102", "6501"), Outcome::NoData);
    EXPECT_EQ(Display("221102", "8473"), Outcome::Loaded);
    EXPECT_EQ(Message(), "");
    EXPECT_TRUE(sim->day().replayAllowed());
}

TEST_F(DisplayDayTest, AnUnchangedDayIsNotReadAgain) {
    Start();
    ASSERT_EQ(Display("221102", "8473"), Outcome::Loaded);
    DayFileBuilder changed;
    changed.SetAll(3, "2000");
    test::WriteFile(dir.Sub("日中データ/221102/8473.csv"), changed.Bytes());
    EXPECT_EQ(sim->day().DisplayDay(), Outcome::Loaded);
    EXPECT_EQ(sim->day().data()[SeriesSlot::DayStock].close, 1000);
    sim->day().SelectSeries("大証先物");  // any change of the boxes forgets the loaded day
    EXPECT_EQ(sim->day().DisplayDay(), Outcome::Loaded);
    EXPECT_EQ(sim->day().data()[SeriesSlot::DayStock].close, 2000);
    EXPECT_EQ(sim->day().data()[SeriesSlot::DayIndex].kind, SeriesKind::Futures);
}

// A series picked while a day is on screen shows at once; in simulation mode 開 始 applies it, and
// the message line says so.
TEST_F(DisplayDayTest, APickedSeriesRedrawsTheDayShownOrSaysThatStartAppliesIt) {
    Start();
    ASSERT_EQ(Display("221102", "8473"), Outcome::Loaded);
    sim->day().ChooseSeries("大証先物");
    EXPECT_TRUE(sim->day().dayLoaded());
    EXPECT_TRUE(sim->chart().showsDay());
    EXPECT_EQ(sim->day().data()[SeriesSlot::DayIndex].kind, SeriesKind::Futures);

    sim->replay().SetSimulationChecked(true);
    sim->day().ChooseSeries("日経225");
    EXPECT_FALSE(sim->day().dayLoaded());  // nothing is prepared until 開 始
    EXPECT_EQ(Message(), kSeriesOnStart);
}

TEST_F(DisplayDayTest, MalformedFileIsReportedAndNoReplayStarts) {
    Start();
    test::WriteFile(dir.Sub("日中データ/221102/8473.csv"), "2022/11/02,09:00:00,09:00,1000\r\n");
    EXPECT_EQ(Display("221102", "8473"), Outcome::Rejected);
    EXPECT_NE(Message().find("221102フォルダの8473.csv を読み込めません。1行目の項目数が35未満です。"),
              std::string::npos);
    EXPECT_FALSE(sim->day().replayAllowed());
    EXPECT_FALSE(sim->day().data()[SeriesSlot::DayStock].loaded);
    EXPECT_TRUE(dialogs.errors.empty());
}

TEST_F(DisplayDayTest, MessagesFlashYellowThenTurnLightRed) {
    Start();
    sim->services().SetMessage("テスト");
    EXPECT_EQ(sim->display().message.background, colours::kFlash);
    EXPECT_EQ(sim->display().message.foreground, colours::kBlack);
    scheduler.Advance(799);
    EXPECT_EQ(sim->display().message.background, colours::kFlash);
    scheduler.Advance(1);
    EXPECT_EQ(sim->display().message.background, colours::kBlack);
    EXPECT_EQ(sim->display().message.foreground, colours::kMessageText);
    // A second flash inside the first keeps the line yellow for its own 800 ms.
    sim->services().SetMessage("一");
    scheduler.Advance(500);
    sim->services().SetMessage("二");
    scheduler.Advance(400);
    EXPECT_EQ(sim->display().message.background, colours::kFlash);
    scheduler.Advance(400);
    EXPECT_EQ(sim->display().message.background, colours::kBlack);
}

TEST_F(DisplayDayTest, ClearDataMessageKeepsNoDataMessages) {
    Start();
    sim->services().SetMessage("　　　8473のこの日のデータはありません。");
    sim->replay().ClearDataMessage();
    EXPECT_EQ(Message(), "　　　8473のこの日のデータはありません。");
    sim->services().SetMessage("ほかのメッセージ");
    sim->replay().ClearDataMessage();
    EXPECT_EQ(Message(), "");
    EXPECT_EQ(sim->display().message.background, colours::kBlack);
}

TEST_F(DisplayDayTest, CodeBoxChangeHandler) {
    Start();
    sim->day().SetCodeText("12a4");
    EXPECT_EQ(sim->display().codeText, "");
    EXPECT_EQ(sim->display().nameLabel, "");
    sim->day().SetCodeText("111");
    EXPECT_EQ(sim->display().nameLabel, "");
    sim->day().SetCodeText("1111");
    EXPECT_EQ(sim->display().nameLabel, "旧リスト商事 ");
    EXPECT_EQ(sim->display().marketLabel, " ");
    EXPECT_EQ(sim->day().stockCode(), 1111);
}

TEST_F(DisplayDayTest, DateChangeRebuildsTheSelector) {
    Start();
    sim->day().SelectSeries("ﾌﾟﾗｲﾑ");
    sim->services().SetMessage("古いメッセージ");
    sim->day().SetDateText("220401");
    EXPECT_EQ(sim->display().seriesText, "日経225");
    EXPECT_EQ(sim->display().seriesItems.size(), 5u);
    EXPECT_EQ(sim->display().seriesItems[3], "日経JAS");
    EXPECT_EQ(Message(), "");
    EXPECT_EQ(sim->day().chosenDate(), "220401");
}

TEST_F(DisplayDayTest, ClearListsBlanksTheQuoteArea) {
    Start();
    ASSERT_EQ(Display("221102", "8473"), Outcome::Loaded);
    // Without a replay the tape list shows the day's closing print only.
    EXPECT_EQ(sim->display().tapeCounter, "1");
    ASSERT_EQ(sim->trading().market().tapeRows.size(), 1u);
    EXPECT_EQ(sim->trading().market().tapeRows[0].time, "15:00:00");
    sim->trading().ClearLists();
    EXPECT_EQ(sim->display().tapeCounter, "0");
    EXPECT_TRUE(sim->trading().market().tapeRows.empty());
    EXPECT_EQ(sim->display().priceLabel, "");
    EXPECT_EQ(sim->display().changePercentLabel, "");
}

// Without a replay the same day shows the same tape at every 表 示, whatever the program's own
// draws; another day draws its own.
TEST_F(DisplayDayTest, TheSameDayShowsTheSameTapeEveryTime) {
    class Counting final : public Random {
    public:
        double Next() override { return static_cast<double>(n_++ % 97) / 97.0; }

    private:
        int n_ = 0;
    } counting;
    DayFileBuilder b;
    for (int r = 0; r <= b.closingLine(); ++r) {
        b.Set(r, 3, std::to_string(1000 + r % 7));
        b.Set(r, 5, std::to_string(100 * r + (r == b.closingLine() ? 32'800 : 0)));
    }
    test::WriteFile(dir.Sub("日中データ/221102/8473.csv"), b.Bytes());
    test::WriteFile(dir.Sub("日中データ/221101/8473.csv"), b.Bytes());
    sim = std::make_unique<Simulation>(Ports{dialogs, clock, counting, scheduler}, dir.path());
    ASSERT_TRUE(sim->StartUp({}));
    const auto tape = [&](const std::string& date) {
        EXPECT_EQ(Display(date, "8473"), Outcome::Loaded);
        std::string rows;
        for (const TapeRow& r : sim->trading().market().tapeRows) rows += r.time + " " + r.volume + " " + r.price + "\n";
        return rows;
    };
    const std::string first = tape("221102");
    ASSERT_FALSE(first.empty());
    EXPECT_EQ(tape("221102"), first);
    tape("221101");
    EXPECT_EQ(tape("221102"), first);
}

}  // namespace
}  // namespace corvala
