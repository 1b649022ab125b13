// Whole trading runs over exact tapes: the prints are given, so each fill's time and price, the
// sounds, the account and the history files can be checked to the yen.

#include <filesystem>
#include <stdexcept>

#include "platform/files.h"
#include "replay_fixture.h"

namespace corvala {
namespace {

using test::ReplayFixture;

class TradingScenarioTest : public ReplayFixture {
protected:
    void Given(std::vector<std::string> tape) {
        Start();
        sim->day().UseGivenTape(std::move(tape));
        Prepare();
    }
    void PlayTo(int row) {
        if (sim->replay().waitingForPlay()) Press(kPlayPause);
        ASSERT_TRUE(RunToRow(row));
    }
    std::vector<std::string> Fills() const {
        std::vector<std::string> out;
        for (const auto& f : sim->trading().fills())
            out.push_back(FormatTimeOfDay(f.execution.seconds) + " " + SideText(f.execution.side, f.execution.closing) +
                          " " + Format(f.execution.quantity, "0") + "@" + Format(f.execution.price, "0.0"));
        return out;
    }
    std::string History(const char* file) {
        const auto bytes = ReadWholeFile(dir.Sub(std::string("売買履歴/") + file));
        return bytes ? DecodeCp932(*bytes) : "<missing>";
    }
};

// The fixture's board stands at asks 1001–1005 × 500 and bids 999–995 × 700 at every step.

TEST_F(TradingScenarioTest, APreOpenMarketOrderTakesTheOpeningPrintAndARestingBidWaitsForItsQueue) {
    Given({"09:00:00 5,000 1,000", "09:00:10 300 999", "09:00:20 300 999", "09:00:30 300 999",
           "09:01:00 100 1,000"});
    ASSERT_EQ(Place("200", "").status, EntryOutcome::Status::Stored);
    ASSERT_EQ(Place("100", "999").status, EntryOutcome::Status::Stored);
    PlayTo(5);  // 09:00:25: two prints of 300 have traded at 999, 600 of the 700 ahead
    EXPECT_EQ(Fills(), std::vector<std::string>{"09:00:01 買建 200@1000.0"});
    ASSERT_EQ(d().pendingLines.size(), 1u);
    PlayTo(7);
    ASSERT_EQ(sim->trading().fills().size(), 2u);
    EXPECT_EQ(Fills()[1].substr(0, 7), "09:00:3");  // the third print
    EXPECT_EQ(Fills()[1].substr(9), "買建 100@999.0");
    EXPECT_TRUE(d().pendingLines.empty());
    EXPECT_EQ(d().buyingPowerText, "2,700,100");  // 3,000,000 − 200,000 − 99,900
    EXPECT_EQ(d().executionLines.size(), 2u);
}

// Closing the program with a position open asks how to leave: キャンセル keeps the program and the
// run as they were; いいえ leaves without settling and records nothing of the run.
TEST_F(TradingScenarioTest, ClosingWithAPositionOpenCanBeCancelled) {
    Given({"09:00:00 5,000 1,000", "09:00:20 100 1,002"});
    ASSERT_EQ(Place("100", "").status, EntryOutcome::Status::Stored);
    PlayTo(6);
    ASSERT_EQ(sim->trading().fills().size(), 1u);
    const std::string before = History(kRealizedFile);
    dialogs.questions.clear();
    dialogs.cancels = 1;
    EXPECT_FALSE(sim->replay().RequestClose());
    ASSERT_EQ(dialogs.questions.size(), 1u);
    const std::string& text = dialogs.questions[0].second;
    EXPECT_EQ(text.rfind("現在値で強制決済されますが、宜しいですか？", 0), 0u);
    for (const char* answer : {"はい：", "いいえ：", "キャンセル："}) EXPECT_NE(text.find(answer), std::string::npos) << answer;
    EXPECT_TRUE(sim->replay().running());
    EXPECT_FALSE(d().holdingLines[0].empty());
    PlayTo(8);  // the replay goes on

    dialogs.answers = {false};
    EXPECT_TRUE(sim->replay().RequestClose());
    EXPECT_EQ(dialogs.questions.size(), 2u);
    EXPECT_EQ(History(kRealizedFile), before);
    EXPECT_EQ(sim->trading().fills().size(), 1u);
}

TEST_F(TradingScenarioTest, TheQueueAheadOfARestingBidCountsDownWithThePrintsAtItsPriceToItsFill) {
    Given({"09:00:00 5,000 1,000", "09:00:10 300 999", "09:00:20 300 999", "09:00:30 300 999",
           "09:01:00 100 1,000"});
    ASSERT_EQ(Place("200", "").status, EntryOutcome::Status::Stored);  // a market order: no queue
    ASSERT_EQ(Place("100", "999").status, EntryOutcome::Status::Stored);
    EXPECT_EQ(sim->trading().PendingQueueTexts(), (std::vector<std::string>{"", "700"}));
    std::vector<std::string> seen;  // the order's figure after each step, "-" once it is gone
    sim->replay().SetStepObserver([&](int) {
        const auto texts = sim->trading().PendingQueueTexts();
        seen.push_back(texts.empty() ? "-" : texts.back());
    }, /*atStepEnd=*/true);
    PlayTo(1);
    // The best bid, 999, shows the order's place: 700 of the level's quantity ahead of it.
    const auto marks = sim->trading().BoardQueueMarks();
    ASSERT_TRUE(marks[5].has_value());
    EXPECT_DOUBLE_EQ(marks[5]->ahead, 700);
    EXPECT_GE(marks[5]->levelQuantity, 700);
    for (int level = 0; level < kBoardLevels; ++level)
        EXPECT_EQ(marks[static_cast<std::size_t>(level)].has_value(), level == 5) << level;
    PlayTo(7);
    ASSERT_EQ(sim->trading().fills().size(), 2u);
    // 700 ahead until the first print of 300 at 999, then 400, then 100; the third print, more
    // than what stood ahead, fills it and it leaves the list.
    ASSERT_GE(seen.size(), 6u);
    EXPECT_EQ(std::vector<std::string>(seen.begin(), seen.begin() + 6),
              (std::vector<std::string>{"700", "400", "400", "100", "100", "-"}));
    EXPECT_FALSE(sim->trading().BoardQueueMarks()[5].has_value());
}

TEST_F(TradingScenarioTest, ClosingTheWindowAfterTradesWithNothingOpenAsksWhetherToKeepTheRun) {
    // Trades whose results are in the totals would otherwise be missing from the history.
    for (const bool keep : {true, false}) {
        Given({"09:00:00 5,000 1,000", "09:00:10 300 1,001", "09:00:20 300 1,001", "09:01:00 100 1,000"});
        // (The totals the kept run of the first round left in the history start the second.)
        const double startTotals = sim->trading().account().profitTotal + sim->trading().account().lossTotal;
        ASSERT_EQ(Place("100", "").status, EntryOutcome::Status::Stored);
        PlayTo(1);
        sim->trading().SetBulkClose(kSideMarginBuy, true);
        ClosingOrderForm close;
        close.side = kSideMarginBuy;
        close.order.normalMarket = true;
        dialogs.answers = {true};
        ASSERT_EQ(sim->trading().PlaceClosingOrder(close).status, EntryOutcome::Status::Stored);
        PlayTo(4);
        ASSERT_EQ(sim->trading().fills().size(), 2u);
        ASSERT_TRUE(d().holdingLines[0].empty());
        const double profit = sim->trading().account().profitTotal, loss = sim->trading().account().lossTotal;
        ASSERT_GT(profit + loss, 0);
        dialogs.questions.clear();
        dialogs.answers = {keep};
        const std::string before = History(kRealizedFile);
        EXPECT_TRUE(sim->replay().RequestClose());
        ASSERT_EQ(dialogs.questions.size(), 1u);
        EXPECT_EQ(dialogs.questions[0].second.rfind("取引結果を記録として残しますか？", 0), 0u);
        const std::string realized = History(kRealizedFile);
        EXPECT_EQ(realized.size() > before.size() && realized.find(",買建,100,", before.size()) != std::string::npos,
                  keep)
            << realized;
        // Not kept: the run's results leave the totals with its rows.
        EXPECT_EQ(sim->trading().account().profitTotal + sim->trading().account().lossTotal,
                  keep ? profit + loss : startTotals);
    }
}

TEST_F(TradingScenarioTest, AFiredStopIsHeardWaitsAndSellsNoBetterThanThePrintThatFiredIt) {
    Given({"09:00:00 1,000 1,000", "09:00:30 100 998", "09:01:00 100 997", "09:02:00 100 1,000"});
    PlayTo(2);
    NewOrderForm stop;
    stop.kind = kKindStop;
    stop.sell = true;
    stop.quantity = "100";
    stop.trigger = "997";
    stop.triggerBelow = true;
    stop.stopMarket = true;
    dialogs.answers = {true};
    ASSERT_EQ(sim->trading().PlaceNewOrder(stop).status, EntryOutcome::Status::Stored);
    PlayTo(11);  // 998 does not reach the trigger
    EXPECT_TRUE(sim->trading().fills().empty());
    EXPECT_TRUE(sound.played.empty());
    PlayTo(14);
    // The bids still show 999, but the print at 997 has traded through them.
    EXPECT_EQ(Fills(), std::vector<std::string>{"09:01:00 売建 100@997.0"});
    ASSERT_EQ(sound.played.size(), 2u);
    EXPECT_EQ(sound.played[0].first, "逆指音.mp3");
    EXPECT_EQ(sound.played[1].first, "約定音.mp3");
    // The step that fired the stop took 300 ms longer than its neighbours.
    std::vector<std::int64_t> lengths;
    for (std::size_t i = 1; i < steps.size(); ++i) lengths.push_back(steps[i].ms - steps[i - 1].ms);
    ASSERT_GE(lengths.size(), 12u);
    EXPECT_EQ(lengths[11] - lengths[10], kStopSoundWaitMs);

    sim->trading().SetFillSoundOption(false);
    ASSERT_EQ(Place("100", "").status, EntryOutcome::Status::Stored);
    PlayTo(16);
    EXPECT_EQ(sim->trading().fills().size(), 2u);
    EXPECT_EQ(sound.played.size(), 2u);  // 約定音 is off
}

TEST_F(TradingScenarioTest, AMarketableLimitFillsAtOnceAtTheFirstLevelBeyondItsAverage) {
    Given({"09:00:00 1,000 1,000", "09:00:40 100 1,000"});
    PlayTo(2);
    const int placedAt = ParseTimeOfDay(d().clockText).value_or(0);
    ASSERT_EQ(Place("600", "1010").status, EntryOutcome::Status::Stored);
    PlayTo(4);
    // 500 at 1001 and 100 at 1002 average 1001.17: the fill is at 1002, before the next print.
    ASSERT_EQ(sim->trading().fills().size(), 1u);
    EXPECT_EQ(sim->trading().fills()[0].execution.price, 1002.0f);
    EXPECT_LE(sim->trading().fills()[0].execution.seconds, placedAt + 1);
    EXPECT_EQ(d().buyingPowerText, "2,398,800");
}

TEST_F(TradingScenarioTest, AClosingOrderOverTwoPositionsRealisesOneResultAndWritesItsRows) {
    clock.secondsOfDay = 13 * 3600 + 5 * 60 + 7;  // the wall clock stamps the rows
    Given({"09:00:00 5,000 1,000", "09:00:10 300 999", "09:00:20 300 999", "09:00:30 300 999",
           "09:01:10 300 1,001", "09:01:20 300 1,001", "09:01:30 100 1,000"});
    ASSERT_EQ(Place("100", "").status, EntryOutcome::Status::Stored);
    ASSERT_EQ(Place("100", "999").status, EntryOutcome::Status::Stored);
    PlayTo(9);
    ASSERT_EQ(sim->trading().fills().size(), 2u);
    sim->trading().SetBulkClose(kSideMarginBuy, true);
    ClosingOrderForm close;
    close.side = kSideMarginBuy;
    close.order.price = "1001";
    dialogs.answers = {true};
    ASSERT_EQ(sim->trading().PlaceClosingOrder(close).status, EntryOutcome::Status::Stored);
    EXPECT_EQ(sim->trading().orders().positions[0].committedQty + sim->trading().orders().positions[1].committedQty, 200);
    PlayTo(17);  // 600 of the 500 ahead at 1001 have traded by the second print (09:01:20)
    ASSERT_EQ(sim->trading().fills().size(), 3u);
    EXPECT_EQ(Fills()[2].substr(0, 7), "09:01:2");
    EXPECT_EQ(Fills()[2].substr(9), "売埋 200@1001.0");
    EXPECT_EQ(sim->trading().fills()[2].positionNumbers.size(), 2u);
    EXPECT_EQ(sim->trading().account().profitTotal, 100 + 200);  // (1001 − 1000) × 100 + (1001 − 999) × 100
    EXPECT_EQ(sim->trading().account().lossTotal, 0);
    EXPECT_TRUE(d().holdingLines[0].empty());

    dialogs.answers = {true, true, true};
    Press(kStop);
    const std::string realized = History(kRealizedFile);
    EXPECT_NE(realized.find(",買建,100,1000,売埋,"), std::string::npos) << realized;
    EXPECT_NE(realized.find(",買建,100,999,売埋,"), std::string::npos) << realized;
    EXPECT_NE(realized.find(",1001,200,100100\r\n"), std::string::npos) << realized;
    EXPECT_NE(realized.find(",,,,,,,,,,,今回の損益,300\r\n"), std::string::npos) << realized;
    const std::string lead = "2022/11/10 13:05:07,2022/11/02,";
    EXPECT_EQ(History(kExecutionFile), std::string(kExecutionHeader) + "\r\n" +
                                           lead + "09:00:01,8473,テスト証券,信用,新規買建,100,1000,100000\r\n" +
                                           lead + "09:00:30,8473,テスト証券,信用,新規買建,100,999,99900\r\n" +
                                           lead + "09:01:20,8473,テスト証券,信用,返済売埋,200,1001,200200\r\n\r\n");
}

TEST_F(TradingScenarioTest, AResetBetweenTwoKeptRunsIsMarkedInTheRealisedHistory) {
    Given({"09:00:00 5,000 1,000", "09:00:20 100 1,000"});
    ASSERT_EQ(Place("100", "").status, EntryOutcome::Status::Stored);
    PlayTo(6);
    ASSERT_EQ(sim->trading().fills().size(), 1u);
    dialogs.answers = {true, true, true};
    Press(kStop);  // settled at the current price: 1000, no gain
    ASSERT_TRUE(RunUntil([&] { return !sim->replay().running(); }));
    sim->trading().RestoreAccount(kDefaultInvestment, 5000, 1000, false);  // totals of earlier runs
    EXPECT_EQ(d().netPnlText, "4,000");
    dialogs.answers = {true};
    sim->trading().PressResetTotals();
    EXPECT_EQ(d().netPnlText, "0");
    EXPECT_EQ(d().investmentText, "1,000,000");

    steps.clear();  // the second run counts its own steps
    Prepare();
    ASSERT_EQ(Place("100", "").status, EntryOutcome::Status::Stored);
    PlayTo(6);
    dialogs.answers = {true, true, true};
    Press(kStop);
    const std::string realized = History(kRealizedFile);
    const std::size_t marker = realized.find("******************************   2022/11/10全損益をリセットしました");
    ASSERT_NE(marker, std::string::npos) << realized;
    const std::size_t first = realized.find(",買建,100,1000,売埋,");
    const std::size_t second = realized.find(",買建,100,1000,売埋,", first + 1);
    EXPECT_LT(first, marker);
    EXPECT_GT(second, marker);
    EXPECT_NE(realized.find("リセットしました   ******************************\r\n\r\n\r\n"), std::string::npos);
}

TEST_F(TradingScenarioTest, AFailedAppendIsKeptWithItsSummaryForTheNextKeptRun) {
    Given({"09:00:00 5,000 1,000", "09:00:20 100 1,002"});
    // 約定履歴.csv cannot be written: a folder stands in its place.
    std::filesystem::remove(dir.Sub("売買履歴/約定履歴.csv"));
    std::filesystem::create_directory(dir.Sub("売買履歴/約定履歴.csv"));
    ASSERT_EQ(Place("100", "").status, EntryOutcome::Status::Stored);
    PlayTo(6);
    dialogs.answers = {true, true, true};
    Press(kStop);  // settled at the current price
    ASSERT_TRUE(RunUntil([&] { return !sim->replay().running(); }));
    EXPECT_TRUE(sim->trading().historyPending());
    EXPECT_NE(d().message.text.find("約定履歴.csv"), std::string::npos);
    const std::string before = History(kRealizedFile);
    EXPECT_EQ(before.find("今回の損益"), std::string::npos);  // neither file took the run
    // A reset in between is marked after the run it follows.
    sim->trading().RestoreAccount(kDefaultInvestment, 5000, 0, false);
    dialogs.answers = {true};
    sim->trading().PressResetTotals();
    EXPECT_TRUE(sim->trading().historyPending());

    ASSERT_TRUE(std::filesystem::remove(dir.Sub("売買履歴/約定履歴.csv")));
    steps.clear();
    Prepare();
    ASSERT_EQ(Place("100", "").status, EntryOutcome::Status::Stored);
    PlayTo(6);
    dialogs.answers = {true, true, true};
    Press(kStop);
    EXPECT_FALSE(sim->trading().historyPending()) << d().message.text;
    const std::string realized = History(kRealizedFile);
    const std::size_t first = realized.find(",,,,,,,,,,,今回の損益,");
    const std::size_t marker = realized.find("全損益をリセットしました");
    const std::size_t second = realized.find(",,,,,,,,,,,今回の損益,", first + 1);
    ASSERT_NE(first, std::string::npos) << realized;
    ASSERT_NE(marker, std::string::npos) << realized;
    ASSERT_NE(second, std::string::npos) << realized;
    EXPECT_LT(first, marker);
    EXPECT_LT(marker, second);
    // The buying power of each summary block is one plain number.
    const std::string key = ",,,,,,,,,,,新規建余力,";
    const std::size_t power = realized.find(key);
    ASSERT_NE(power, std::string::npos) << realized;
    const std::size_t from = power + key.size();
    const std::string figure = realized.substr(from, realized.find("\r\n", from) - from);
    EXPECT_TRUE(!figure.empty() && IsAllDigits(figure)) << figure;
    const std::string executions = History(kExecutionFile);
    EXPECT_EQ(executions.rfind(kExecutionHeader, 0), 0u);
    std::size_t fills = 0;
    for (std::size_t at = executions.find("新規買建"); at != std::string::npos; at = executions.find("新規買建", at + 1)) ++fills;
    EXPECT_EQ(fills, 2u);
}

TEST_F(TradingScenarioTest, ARunStillUnwrittenAtExitIsOfferedAgainUntilItIsWrittenOrGivenUp) {
    for (const bool giveUp : {false, true}) {
        SCOPED_TRACE(giveUp);
        steps.clear();
        Given({"09:00:00 5,000 1,000", "09:00:20 100 1,002"});
        const std::string blocked = dir.Sub("売買履歴/約定履歴.csv");  // a folder in its place
        std::filesystem::remove_all(blocked);
        std::filesystem::create_directory(blocked);
        // Nor can the rows wait beside the history: this program holds the only copy.
        std::filesystem::create_directories(dir.Sub("売買履歴_未書込.dat"));
        const std::string realizedBefore = History(kRealizedFile);
        ASSERT_EQ(Place("100", "").status, EntryOutcome::Status::Stored);
        PlayTo(6);
        dialogs.answers = {true, true, true};
        Press(kStop);
        ASSERT_TRUE(RunUntil([&] { return !sim->replay().running(); }));
        ASSERT_TRUE(sim->trading().historyPending());
        ASSERT_TRUE(sim->replay().RequestClose());

        // はい meets the same fault and is asked again; the second answer is the user's choice.
        dialogs.questions.clear();
        int asked = 0;
        dialogs.whileAsking = [&] {
            if (++asked == 2 && !giveUp) std::filesystem::remove(blocked);
        };
        dialogs.answers = {true, !giveUp};
        sim->trading().KeepHistoryAtExit();
        dialogs.whileAsking = nullptr;
        ASSERT_EQ(dialogs.questions.size(), 2u);
        for (const auto& [title, text] : dialogs.questions) {
            EXPECT_NE(text.find("約定履歴.csv"), std::string::npos) << text;
            EXPECT_NE(text.find("残らないまま終了します"), std::string::npos) << text;
        }
        EXPECT_FALSE(sim->trading().historyPending());
        const std::string realized = History(kRealizedFile);
        EXPECT_EQ(realized.find("今回の損益", realizedBefore.size()) != std::string::npos, !giveUp);
        EXPECT_EQ(History(kExecutionFile).find("新規買建") != std::string::npos, !giveUp);
        std::filesystem::remove(dir.Sub("売買履歴_未書込.dat"));
    }
}

TEST_F(TradingScenarioTest, AProgramEndedBeforeItSavedItsSettingsStartsFromTheTotalsItsHistoryHolds) {
    Given({"09:00:00 5,000 1,000", "09:00:20 100 1,002"});
    ASSERT_EQ(Place("100", "").status, EntryOutcome::Status::Stored);
    PlayTo(6);
    dialogs.answers = {true, true, true};
    Press(kStop);
    ASSERT_TRUE(RunUntil([&] { return !sim->replay().running(); }));
    ASSERT_FALSE(sim->trading().historyPending());
    const Account kept = sim->trading().account();
    ASSERT_GT(kept.profitTotal + kept.lossTotal, 0);
    // Killed here: the history holds the run, the settings file the totals from before it.
    const auto restart = [&] {
        sim = std::make_unique<Simulation>(Ports{dialogs, clock, random, scheduler, &sound}, dir.path());
        sim->LoadSettings("");
        EXPECT_TRUE(sim->StartUp());
    };
    restart();
    EXPECT_EQ(sim->trading().account().profitTotal, kept.profitTotal);
    EXPECT_EQ(sim->trading().account().lossTotal, kept.lossTotal);
    // Saved and reset by hand afterwards, the settings file's totals stand.
    ASSERT_TRUE(sim->SaveSettings(true));
    dialogs.answers = {true};
    sim->trading().PressResetTotals();
    ASSERT_TRUE(sim->SaveSettings(true));
    restart();
    EXPECT_EQ(sim->trading().account().profitTotal + sim->trading().account().lossTotal, 0);
}

TEST_F(TradingScenarioTest, AStartCompletesTheRunAKilledProgramLeftAndRemovesItsTemporaries) {
    const std::string history = dir.Sub("売買履歴");
    std::filesystem::create_directories(history);
    // The other program ended between the two files.
    AppendHooks killed;
    killed.reached = [](AppendStage at) {
        if (at == AppendStage::RealizedAppended) throw std::runtime_error("killed");
    };
    EXPECT_THROW(AppendHistory(history, {"a,realised,row\r\n", "an,execution,row\r\n"}, killed), std::runtime_error);
    ASSERT_EQ(History(kExecutionFile), "<missing>");
    test::WriteFile(dir.Sub("setsim.tmpAb12Cd"), "half a save");
    test::WriteFile(history + "/約定履歴.csv.tmpXy34Zw", "half a header");
    Start();
    EXPECT_EQ(History(kExecutionFile), std::string(kExecutionHeader) + "\r\nan,execution,row\r\n");
    EXPECT_EQ(History(kRealizedFile), std::string(kRealizedHeader) + "\r\na,realised,row\r\n");
    EXPECT_FALSE(FileExists(dir.Sub("setsim.tmpAb12Cd")));
    EXPECT_EQ(ListFiles(history), (std::vector<std::string>{kRealizedFile, kExecutionFile}));
}

TEST_F(TradingScenarioTest, TheAccountPanelIsLockedWhileTheDayRuns) {
    Given({"09:00:00 1,000 1,000"});
    sim->trading().SetCashOnly(true);
    EXPECT_FALSE(sim->trading().account().cashOnly);
    EXPECT_EQ(d().buyingPowerCaption, "新規建余力");
    dialogs.answers = {true};
    sim->trading().PressResetTotals();
    sim->trading().SetInvestmentEditing(true);
    EXPECT_FALSE(d().investmentEditing);
    EXPECT_TRUE(dialogs.questions.empty());
}

TEST_F(TradingScenarioTest, ACorrectionOfAnOrderThatIsGoneIsRefused) {
    Given({"09:00:00 1,000 1,000", "09:00:20 100 1,000"});
    ASSERT_EQ(Place("100", "990").status, EntryOutcome::Status::Stored);
    NewOrderForm f;
    f.quantity = "100";
    f.price = "995";
    dialogs.answers = {true};
    ASSERT_EQ(sim->trading().PlaceNewOrder(f, 0).status, EntryOutcome::Status::Stored);
    EXPECT_EQ(sim->trading().orders().pendingNewOrders[0].limitPrice, 995.0f);
    EXPECT_EQ(d().buyingPowerText, "2,900,500");  // only the difference more
    dialogs.answers = {true};
    ASSERT_TRUE(sim->trading().CancelOrder(0, false));
    dialogs.answers = {true};
    const EntryOutcome late = sim->trading().PlaceNewOrder(f, 0);
    EXPECT_EQ(late.status, EntryOutcome::Status::Declined);
    EXPECT_FALSE(late.message.empty());
    EXPECT_FALSE(sim->trading().orders().pendingNewOrders[0].InUse());
    EXPECT_EQ(d().buyingPowerText, "3,000,000");
}

// The recorded board and price of 221102 stand around `price` from `row` on.
void CentreDayOn(test::DayFileBuilder& b, int row, int price) {
    for (int line = row; line < b.closingLine(); ++line) {
        b.Set(line, 3, std::to_string(price));
        for (int k = 0; k < 5; ++k) {
            b.Set(line, 14 + k, std::to_string(price + 1 + k));
            b.Set(line, 19 + k, std::to_string(price - 1 - k));
        }
    }
}

// Limits 840–1,140. A short of 2,600 at 1,000 is covered at 1,136 (−353,600); the 2,646,400 of
// buying power left buys 2,300 at 1,136, and the fall to 845 leaves the account worth −22,900.
TEST_F(TradingScenarioTest, AnAccountWorthNothingTakesNoNewOrderAndShowsNoBuyingPower) {
    stock.Set(0, 0, "2022/11/02");
    CentreDayOn(stock, 12, 1135);  // 09:01:00
    CentreDayOn(stock, 36, 845);   // 09:03:00
    AddStock("221102", "8473", stock);
    Given({"09:00:00 5,000 1,000", "09:01:00 100 1,135", "09:03:00 100 845", "09:10:00 100 845"});
    ASSERT_EQ(Place("2600", "1000", true).status, EntryOutcome::Status::Stored);
    PlayTo(13);
    sim->trading().SetBulkClose(kSideMarginSell, true);
    ClosingOrderForm cover;
    cover.side = kSideMarginSell;
    cover.order.price = "1136";
    dialogs.answers = {true};
    ASSERT_EQ(sim->trading().PlaceClosingOrder(cover).status, EntryOutcome::Status::Stored);
    PlayTo(15);
    ASSERT_EQ(Place("2300", "1136").status, EntryOutcome::Status::Stored);
    PlayTo(20);
    ASSERT_EQ(Fills(), (std::vector<std::string>{"09:00:01 売建 2600@1000.0", "09:01:06 買埋 2600@1136.0",
                                                 "09:01:16 買建 2300@1136.0"}));
    // A loss that leaves the account worth something keeps the running figure.
    EXPECT_EQ(d().investmentText, "646,400");
    EXPECT_EQ(d().buyingPowerText, "33,600");  // 2,646,400 − 2,612,800
    PlayTo(37);  // 09:03:05, valued at 845: 646,400 − 669,300 ≤ 0
    EXPECT_EQ(d().buyingPowerText, "");  // 0, as "###,###" shows it
    const auto refused = [&](const EntryOutcome& out) {
        return out.status == EntryOutcome::Status::NoFunds && out.message == "資金が足りません。";
    };
    EXPECT_TRUE(refused(Place("100", "")));
    EXPECT_TRUE(refused(Place("100", "845", true)));
    // Closing still works; the realised loss keeps the account under water although the sale
    // gives back 1,943,500 of buying power.
    sim->trading().SetBulkClose(kSideMarginBuy, true);
    ClosingOrderForm sell;
    sell.side = kSideMarginBuy;
    sell.order.normalMarket = true;
    dialogs.answers = {true};
    ASSERT_EQ(sim->trading().PlaceClosingOrder(sell).status, EntryOutcome::Status::Stored);
    PlayTo(40);
    ASSERT_EQ(sim->trading().fills().size(), 4u);
    EXPECT_LT(sim->trading().account().InvestmentField(), 0);
    EXPECT_GT(sim->trading().account().buyingPower, 1'900'000);
    EXPECT_EQ(d().buyingPowerText, "");
    EXPECT_TRUE(refused(Place("100", "")));
    dialogs.answers = {true, true, true};
    Press(kStop);
    ASSERT_TRUE(RunUntil([&] { return !sim->replay().running(); }));
    EXPECT_EQ(d().buyingPowerText, "");  // never a leveraged debt
    EXPECT_NE(History(kRealizedFile).find("新規建余力,0\r\n"), std::string::npos) << History(kRealizedFile);
}

}  // namespace
}  // namespace corvala
