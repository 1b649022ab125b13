// Trading at the edges over exact tapes: the board under the user's orders through a step of
// prints, orders placed between steps, withdrawals, the afternoon opening, a mid-session start,
// a jump back over a stretch already traded, a day without a previous close, and orders with no
// replay loaded.

#include "replay_fixture.h"

namespace corvala {
namespace {

using test::ReplayFixture;

// The fixture's board stands at asks 1001–1005 × 500 and bids 999–995 × 700 at every step.
class TradingEdgesTest : public ReplayFixture {
protected:
    void Given(std::vector<std::string> tape, const std::string& date = "221102") {
        Start();
        sim->day().UseGivenTape(std::move(tape));
        Prepare(date);
    }
    void Play() {
        if (sim->replay().waitingForPlay()) Press(kPlayPause);
    }
    // The quantity the board shows at `price` on the buy side, 0 when no bid is there.
    float BidAt(float price) const {
        const Board& b = sim->trading().market().board;
        for (int i = 5; i < 10; ++i)
            if (b.At(i) == price) return b.Qty(i);
        return 0;
    }
    bool RunToClock(const std::string& clock) {
        return RunUntil([&] { return d().clockText == clock; });
    }
};

TEST_F(TradingEdgesTest, ARestingOrderIsOnTheBoardOnceThroughAStepAndQueuesAsTheRecordingSays) {
    // Row 1 records only 300 at 999. The order stood behind 700 when it was placed; four prints
    // elsewhere must not inflate its level, so the 400 at 999 trades the whole level and fills it.
    stock.Set(1, 29, "300");
    AddStock("221102", "8473", stock);
    Given({"09:00:00 5,000 1,000", "09:00:06 100 1,001", "09:00:06 100 1,001", "09:00:07 100 1,001",
           "09:00:07 100 1,001", "09:00:09 400 999", "09:00:40 100 1,000"});
    ASSERT_EQ(Place("100", "998").status, EntryOutcome::Status::Stored);  // a second resting bid
    ASSERT_EQ(Place("100", "999").status, EntryOutcome::Status::Stored);
    EXPECT_EQ(sim->trading().orders().pendingNewOrders[1].boardQtyAhead, 700);
    Play();
    ASSERT_TRUE(RunToClock("09:00:08"));  // the four prints at 1,001 are through
    EXPECT_EQ(BidAt(999), 300 + 100);
    EXPECT_EQ(BidAt(998), 700 + 100);
    EXPECT_TRUE(sim->trading().fills().empty());
    ASSERT_TRUE(RunToRow(2));
    ASSERT_EQ(sim->trading().fills().size(), 1u);
    EXPECT_EQ(sim->trading().fills()[0].execution.price, 999.0f);
    EXPECT_EQ(FormatTimeOfDay(sim->trading().fills()[0].execution.seconds), "09:00:09");
    EXPECT_EQ(BidAt(998), 700 + 100);  // the other order still once on its level
}

TEST_F(TradingEdgesTest, AnOrderPlacedBetweenStepsIsInTheNextStepsBoardAndTotal) {
    Given({"09:00:00 5,000 1,000", "09:00:40 100 1,000"});
    Play();
    ASSERT_TRUE(RunToClock("09:00:15"));  // the last sub-step of row 2 has been matched
    ASSERT_EQ(Place("100", "997").status, EntryOutcome::Status::Stored);
    EXPECT_EQ(BidAt(997), 800);  // shown at once
    ASSERT_TRUE(RunToRow(3));
    EXPECT_EQ(BidAt(997), 800);
    EXPECT_EQ(sim->replay().clock().boardTotalQty, 5 * 500 + 5 * 700 + 100);
}

TEST_F(TradingEdgesTest, ACancelledOrderLeavesOnlyItsOwnLevel) {
    Given({"09:00:00 5,000 1,000", "09:00:40 100 1,000"});
    Play();
    ASSERT_TRUE(RunToRow(2));
    ASSERT_EQ(Place("100", "996").status, EntryOutcome::Status::Stored);
    EXPECT_EQ(BidAt(996), 800);
    dialogs.answers = {true};
    ASSERT_TRUE(sim->trading().CancelOrder(0, false));
    const Board& b = sim->trading().market().board;
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(b.At(5 + i), 999.0f - static_cast<float>(i)) << i;
        EXPECT_EQ(b.Qty(5 + i), 700) << i;  // the better bids untouched
    }
    EXPECT_TRUE(sim->trading().market().cells.highlighted[8]);  // the withdrawn quantity, at its level
    EXPECT_EQ(d().buyingPowerText, "3,000,000");
}

TEST_F(TradingEdgesTest, OrdersPlacedAtTheLunchBreakFillAtTheAfternoonOpeningPrice) {
    Given({"09:00:00 5,000 1,000", "11:00:00 100 1,003", "12:30:00 4,800 1,010", "12:30:20 100 1,011"});
    Play();
    ASSERT_TRUE(RunUntil([&] { return sim->replay().waitingForPlay() && d().clockText == kLunchClock; }));
    ASSERT_EQ(Place("100", "").status, EntryOutcome::Status::Stored);      // 成行
    ASSERT_EQ(Place("200", "1020").status, EntryOutcome::Status::Stored);  // a marketable limit
    Play();
    ASSERT_TRUE(RunToRow(1801));
    ASSERT_EQ(sim->trading().fills().size(), 2u);
    for (const auto& f : sim->trading().fills()) {
        EXPECT_EQ(f.execution.price, 1010.0f);
        EXPECT_EQ(FormatTimeOfDay(f.execution.seconds).substr(0, 7), "12:30:0");
    }
    // The opening row of the tape list shows the opening price, not the morning's last.
    bool openingShown = false;
    for (const TapeRow& row : sim->trading().market().tapeRows)
        if (row.time == "12:30:00" && row.volume == "5,100") openingShown = row.price == "1,010";
    EXPECT_TRUE(openingShown);
}

TEST_F(TradingEdgesTest, AMidSessionStartRemembersTheLastPriceAndThePassedOpening) {
    Start();
    sim->day().UseGivenTape({"09:00:00 5,000 1,000", "11:00:00 100 1,003", "12:30:00 4,800 1,004",
                       "12:34:00 100 1,006", "12:35:02 100 1,008", "12:36:00 100 1,007"});
    sim->day().SetDateText("221102");
    sim->day().SetCodeText("8473");
    sim->day().SetStartTimeText("12", "35");
    sim->replay().SetSimulationChecked(true);
    ASSERT_EQ(sim->day().DisplayDay(), Simulation::DisplayOutcome::Loaded);
    ASSERT_TRUE(RunUntil([&] { return sim->replay().waitingForPlay(); }));
    EXPECT_EQ(d().clockText, "12:35:00");
    EXPECT_EQ(sim->trading().market().currentPrintPrice, 1006);
    // A market order placed now walks the board; the first line it meets is no opening print.
    ASSERT_EQ(Place("100", "").status, EntryOutcome::Status::Stored);
    // ≪ at once after play goes back over what the start has passed: nothing fills there.
    Play();
    ASSERT_TRUE(Button(kBarBack).Accepts());
    Press(kBarBack);
    ASSERT_TRUE(RunUntil([&] {
        Play();  // the jump to 12:30 meets the afternoon's opening wait
        return !sim->trading().fills().empty();
    }));
    EXPECT_GE(FormatTimeOfDay(sim->trading().fills()[0].execution.seconds), "12:35:00");
    EXPECT_EQ(sim->trading().fills()[0].execution.price, 1001.0f);
}

TEST_F(TradingEdgesTest, AfterAJumpBackNothingFillsUntilTheClockHasCaughtUp) {
    // From 09:02 on the stock trades at 1,011 with asks at 1,011–1,015: the market has left the
    // 1,001 ask behind.
    for (int r = 24; r < 3600; ++r) {
        stock.Set(r, 3, "1011");
        for (int k = 0; k < 5; ++k) stock.Set(r, 14 + k, std::to_string(1011 + k));
    }
    AddStock("221102", "8473", stock);
    Given({"09:00:00 5,000 1,000", "09:02:00 100 1,011", "09:04:10 100 1,011", "09:06:00 100 1,012"});
    Play();
    ASSERT_TRUE(RunToRow(48));  // 09:04:00
    Press(kBarBack);            // back to 09:00:00, where the ask was 1,001
    ASSERT_TRUE(RunToRow(5));
    ASSERT_EQ(Place("100", "").status, EntryOutcome::Status::Stored);
    ASSERT_TRUE(RunToRow(47));
    EXPECT_TRUE(sim->trading().fills().empty()) << "filled at " << sim->trading().fills()[0].execution.price;
    ASSERT_TRUE(RunToRow(50));
    ASSERT_EQ(sim->trading().fills().size(), 1u);
    EXPECT_EQ(sim->trading().fills()[0].execution.price, 1011.0f);
    EXPECT_GE(FormatTimeOfDay(sim->trading().fills()[0].execution.seconds), "09:04:00");
    // A stop there settles where the market had got to, not at the price of the rewound step.
    ASSERT_TRUE(RunToRow(62));
    Press(kBarBack);
    ASSERT_TRUE(RunToRow(3));
    dialogs.answers = {true, true};
    Press(kStop);
    ASSERT_EQ(sim->trading().fills().size(), 2u);
    EXPECT_EQ(sim->trading().fills()[1].execution.price, 1011.0f);  // row 62's price, not row 3's 1,000
    EXPECT_GE(sim->trading().fills()[1].execution.seconds, sim->trading().fills()[0].execution.seconds);
}

TEST_F(TradingEdgesTest, AStockRecordedWithoutAPreviousCloseTradesAtItsPricesWithinLimitsOfItsFirstTrade) {
    stock.SetAll(4, "-");
    stock.SetAll(3, "1000");
    AddStock("221102", "8473", stock);
    Given({"09:00:00 5,000 1,000", "09:00:10 100 1,002", "09:01:00 100 1,003"});
    // Before the open nobody knows the limits: nothing bounds a market order yet.
    EXPECT_EQ(sim->trading().market().limits.upper, 0.0f);
    EXPECT_EQ(Place("100", "").status, EntryOutcome::Status::BadPrice);
    ASSERT_EQ(Place("100", "999").status, EntryOutcome::Status::Stored);  // a limit bounds itself
    Play();
    ASSERT_TRUE(RunToRow(2));
    EXPECT_EQ(sim->trading().market().limits.upper, 1300.0f);  // around the first trade, 1,000
    EXPECT_EQ(Place("10000", "").status, EntryOutcome::Status::NoFunds);  // 10,000 × 1,300
    ASSERT_EQ(Place("100", "", /*sell=*/true).status, EntryOutcome::Status::Stored);
    ASSERT_TRUE(RunToRow(4));
    EXPECT_EQ(d().priceLabel, "1,000");  // the current price is shown
    dialogs.answers = {true, true};
    Press(kStop);
    const auto& fills = sim->trading().fills();
    ASSERT_FALSE(fills.empty());
    // Settled at the market's last trade (1,002), never at 0.
    EXPECT_EQ(fills.back().execution.price, 1002.0f);
    for (const auto& f : fills) EXPECT_GT(f.execution.price, 0);
}

TEST_F(TradingEdgesTest, WithNoReplayLoadedEveryOrderOperationIsRefused) {
    Given({"09:00:00 5,000 1,000", "09:00:40 100 1,000"});
    Play();
    ASSERT_TRUE(RunToRow(2));
    ASSERT_EQ(Place("100", "").status, EntryOutcome::Status::Stored);
    ASSERT_TRUE(RunToRow(3));
    ASSERT_EQ(Place("100", "990").status, EntryOutcome::Status::Stored);
    dialogs.answers = {true, false};  // stop, and do not keep the run
    Press(kStop);
    ASSERT_TRUE(RunUntil([&] { return !sim->replay().running(); }));
    const double power = sim->trading().account().buyingPower;
    const EntryOutcome out = Place("100", "");
    EXPECT_EQ(out.status, EntryOutcome::Status::NoReplay);
    EXPECT_EQ(out.message, "シミュレーションの再生中ではないため、注文できません。");
    ClosingOrderForm close;
    close.order.normalMarket = true;
    EXPECT_EQ(sim->trading().PlaceClosingOrder(close).status, EntryOutcome::Status::NoReplay);
    EXPECT_TRUE(d().pendingLines.empty());
    EXPECT_EQ(sim->trading().account().buyingPower, power);
}

}  // namespace
}  // namespace corvala
