// Trading inside a replay: an order placed before the open fills at the first print, shows in
// the lists and the account, and the run is settled and recorded, or discarded, as the user says.

#include "platform/files.h"
#include "replay_fixture.h"

namespace corvala {
namespace {

using test::ReplayFixture;

class TradingSessionTest : public ReplayFixture {
protected:
    static NewOrderForm MarketBuy(const std::string& qty) {
        NewOrderForm f;
        f.quantity = qty;
        f.normalMarket = true;
        return f;
    }
    std::string History(const char* file) {
        const auto bytes = ReadWholeFile(dir.Sub(std::string("売買履歴/") + file));
        return bytes ? DecodeCp932(*bytes) : "<missing>";
    }
    int Lines(const std::string& text) { return static_cast<int>(std::count(text.begin(), text.end(), '\n')); }
};

TEST_F(TradingSessionTest, APreOpenOrderFillsAtTheOpeningPrintAndTheStopSettlesIt) {
    Prepare();
    EXPECT_EQ(History(kRealizedFile), std::string(kRealizedHeader) + "\r\n");  // made at display
    dialogs.answers = {true};  // 表記内容で注文しますか？
    const EntryOutcome placed = sim->trading().PlaceNewOrder(MarketBuy("200"));
    ASSERT_EQ(placed.status, EntryOutcome::Status::Stored);
    ASSERT_EQ(d().pendingLines.size(), 1u);
    EXPECT_EQ(d().pendingLines[0].rfind("08:59 買建   200株       -円", 0), 0u) << d().pendingLines[0];
    Press(kPlayPause);
    ASSERT_TRUE(RunToRow(1));
    ASSERT_EQ(d().executionLines.size(), 1u);
    EXPECT_EQ(d().executionLines[0], "09:00 買建   200株    1000円");  // the opening print's price
    EXPECT_TRUE(d().pendingLines.empty());
    EXPECT_EQ(d().holdingLines[0].rfind("買建   200株  1000.0円", 0), 0u) << d().holdingLines[0];
    EXPECT_EQ(d().buyingPowerText, "2,800,000");  // 3,000,000 − 200 × 1,000
    EXPECT_TRUE(d().controls.orderButtons[1]);    // 返済注文 now has something to close

    dialogs.answers = {true, true};  // stop; settle at the current price
    Press(kStop);
    ASSERT_EQ(dialogs.questions.size(), 3u);
    EXPECT_EQ(dialogs.questions[2].second,
              "現在値で強制決済されますが、宜しいですか？\n「いいえ」の場合、今回の売買履歴は記録しません。");
    const std::string executions = History(kExecutionFile);
    EXPECT_NE(executions.find("信用,新規買建,200,1000,200000"), std::string::npos);
    EXPECT_NE(executions.find("信用,返済売埋,200,1000,200000"), std::string::npos);
    const std::string realized = History(kRealizedFile);
    EXPECT_NE(realized.find(",買建,200,1000,売埋,"), std::string::npos);
    EXPECT_NE(realized.find(",,,,,,,,,,,新規建余力,3000000\r\n"), std::string::npos);
    EXPECT_TRUE(d().holdingLines[0].empty());
}

TEST_F(TradingSessionTest, NoToTheForcedCloseRecordsNothingAndRestoresTheTotals) {
    Prepare();
    dialogs.answers = {true};
    ASSERT_EQ(sim->trading().PlaceNewOrder(MarketBuy("100")).status, EntryOutcome::Status::Stored);
    Press(kPlayPause);
    ASSERT_TRUE(RunToRow(2));
    dialogs.answers = {true, false};
    Press(kStop);
    EXPECT_EQ(History(kExecutionFile), std::string(kExecutionHeader) + "\r\n");
    EXPECT_EQ(sim->trading().account().runPnl, 0);
    EXPECT_EQ(d().buyingPowerText, "3,000,000");
}

TEST_F(TradingSessionTest, TheEndOfTheDaySettlesAtTheCloseWithoutAsking) {
    test::DayFileBuilder b;
    b.Set(b.closingLine(), 3, "1050");
    AddStock("221102", "8473", b);
    Prepare();
    dialogs.answers = {true};
    ASSERT_EQ(sim->trading().PlaceNewOrder(MarketBuy("100")).status, EntryOutcome::Status::Stored);
    const std::size_t asked = dialogs.questions.size();
    sim->replay().speed().SetSpeedScroll(1);
    RunToEnd();
    EXPECT_EQ(dialogs.questions.size(), asked);
    EXPECT_NE(History(kExecutionFile).find("返済売埋,100,1050,105000"), std::string::npos);
    EXPECT_EQ(sim->trading().account().profitTotal, 5000);
    EXPECT_EQ(d().runPnlText, "5,000");
    EXPECT_EQ(d().netPnlAfterTaxText, "3,984");
    EXPECT_EQ(Lines(History(kRealizedFile)), 1 + 1 + 1 + 5 + 2);  // header, row, blank, summary, blanks
}

TEST_F(TradingSessionTest, AClosingLimitOrderRealisesTheResult) {
    test::DayFileBuilder b;
    for (int r = 10; r < 3600; ++r) b.Set(r, 3, "1010");  // the price rises from row 10 on
    AddStock("221102", "8473", b);
    Prepare();
    dialogs.answers = {true};
    ASSERT_EQ(sim->trading().PlaceNewOrder(MarketBuy("300")).status, EntryOutcome::Status::Stored);
    Press(kPlayPause);
    ASSERT_TRUE(RunToRow(2));
    sim->trading().SetCloseQuantity(0, "250");  // whole units: 200 of the 300
    ClosingOrderForm close;
    close.order.price = "1005";
    dialogs.answers = {true};
    ASSERT_EQ(sim->trading().PlaceClosingOrder(close).status, EntryOutcome::Status::Stored);
    ASSERT_EQ(d().pendingLines.size(), 1u);
    EXPECT_EQ(sim->trading().orders().positions[0].committedQty, 200);
    ASSERT_TRUE(RunToRow(12));
    ASSERT_EQ(d().executionLines.size(), 2u);
    EXPECT_EQ(sim->trading().orders().positions[0].quantity, 100);
    // The rise prints through the asks: 500 recorded at 1005 trade, the queue ahead is gone and
    // the order fills at its limit.
    EXPECT_EQ(sim->trading().account().profitTotal, 200 * 5);
    EXPECT_EQ(d().runPnlText, "1,000");
}

TEST_F(TradingSessionTest, CancellingGivesTheReservationBackAndFreesTheShares) {
    Prepare();
    NewOrderForm limit;
    limit.quantity = "500";
    limit.price = "1000";
    dialogs.answers = {true};
    ASSERT_EQ(sim->trading().PlaceNewOrder(limit).status, EntryOutcome::Status::Stored);
    EXPECT_EQ(d().buyingPowerText, "2,500,000");
    dialogs.answers = {false};
    EXPECT_FALSE(sim->trading().CancelOrder(0, false));
    dialogs.answers = {true};
    EXPECT_TRUE(sim->trading().CancelOrder(0, false));
    EXPECT_EQ(dialogs.questions.back(), (std::pair<std::string, std::string>{"注文取消し", "選択行の注文を取消します。"}));
    EXPECT_EQ(d().buyingPowerText, "3,000,000");
    EXPECT_TRUE(d().pendingLines.empty());
    EXPECT_FALSE(d().controls.orderButtons[2]);  // nothing left to correct or cancel
    EXPECT_FALSE(sim->trading().CancelOrder(0, false));    // an empty slot
}

TEST_F(TradingSessionTest, AnOrderBeyondTheBuyingPowerIsRefused) {
    Prepare();
    NewOrderForm big;
    big.quantity = "10000";
    big.price = "1000";
    const EntryOutcome r = sim->trading().PlaceNewOrder(big);
    EXPECT_EQ(r.status, EntryOutcome::Status::NoFunds);
    EXPECT_EQ(r.message, "資金が足りません。");
    EXPECT_TRUE(d().pendingLines.empty());
}

}  // namespace
}  // namespace corvala
