// The user's orders against exact tape lines: the queue, prints through the price, market and
// marketable orders, stops, the opening line and the self-cross.

#include <gtest/gtest.h>

#include "account/account.h"
#include "trading/matching.h"
#include "trading/order_tables.h"

namespace corvala {
namespace {

class Recorder final : public MatchingListener {
public:
    void OnExecution(const Execution& e, const OrderBook&) override { fills.push_back(e); }
    void OnStopFired(int slot, bool) override { stops.push_back(slot); }
    std::vector<Execution> fills;
    std::vector<int> stops;
};

class OrderMatchingTest : public ::testing::Test {
protected:
    OrderMatchingTest() {
        // Asks 501–505 with 1,000 each; bids 500–496 with 5,000 each.
        for (int i = 0; i < 5; ++i) {
            market.board[static_cast<std::size_t>(i)] = 501.0f + static_cast<float>(i);
            market.board[static_cast<std::size_t>(10 + i)] = 1000;
            market.board[static_cast<std::size_t>(5 + i)] = 500.0f - static_cast<float>(i);
            market.board[static_cast<std::size_t>(15 + i)] = 5000;
        }
        ShowBoard(market.cells, market.board, false);
        account.buyingPower = 3'000'000;
        engine.Attach(&account, &counters, &recorder);
        ctx.baseSeconds = 10 * 3600;
        ctx.tradingUnit = 100;
        market.tapeCursor = 1;  // past the day's opening line unless a test says otherwise
        market.tape.Add("09:00:00 100 500");
    }
    Order& Place(float side, float qty, float limit, float ahead = 0) {
        const int slot = *LowestFreeSlot(book.pendingNewOrders);
        Order& o = book.pendingNewOrders[static_cast<std::size_t>(slot)];
        o.number = static_cast<float>(counters.newOrderSeq++);
        o.side = side;
        o.quantity = qty;
        o.limitPrice = limit;
        o.isMarket = limit == 0 ? 1 : 0;
        o.boardQtyAhead = ahead;
        o.reservedAmount = limit * qty;
        return o;
    }
    void Print(const std::string& line, int second = 1) {
        market.tape.Add(line);
        engine.MatchPendingOrders(second, ctx);
    }
    void SetAsks(std::initializer_list<std::pair<float, float>> levels) {
        for (int i = 0; i < 5; ++i) market.board[static_cast<std::size_t>(i)] = market.board[static_cast<std::size_t>(10 + i)] = 0;
        int i = 0;
        for (auto [price, qty] : levels) {
            market.board[static_cast<std::size_t>(i)] = price;
            market.board[static_cast<std::size_t>(10 + i)] = qty;
            ++i;
        }
        ShowBoard(market.cells, market.board, ctx.decimalPrices);
    }

    MarketState market;
    OrderBook book;
    Account account;
    OrderCounters counters;
    Recorder recorder;
    MatchingEngine engine{market, book};
    MatchContext ctx;  // no stock: the board stays as set, so each case is exact
};

TEST_F(OrderMatchingTest, ARestingBuyFillsWhenTheQueueAheadHasTraded) {
    Place(kSideMarginBuy, 100, 500, 3000);
    Print("10:00:01 1,000 501.0");  // another price: does not count
    Print("10:00:01 1,000 500.0");
    Print("10:00:01 1,000 500.0");
    EXPECT_TRUE(recorder.fills.empty());
    EXPECT_EQ(book.pendingNewOrders[0].volumeAtPrice, 2000);
    Print("10:00:01 1,000 500.0");
    ASSERT_EQ(recorder.fills.size(), 1u);
    EXPECT_EQ(recorder.fills[0].price, 500);
    EXPECT_EQ(recorder.fills[0].seconds, 10 * 3600 + 1);
    EXPECT_FALSE(book.pendingNewOrders[0].InUse());
    ASSERT_TRUE(book.positions[0].InUse());
    EXPECT_EQ(book.positions[0].number, 200);
    // The reservation comes back and the cost goes: 3,000,000 − 50,000 reserved … + 50,000 − 50,000.
    EXPECT_EQ(account.buyingPower, 3'000'000 + 50'000 - 50'000);
    EXPECT_EQ(market.tapeRows.back().volume, "1,100");  // the line shows the print with the fill
}

TEST_F(OrderMatchingTest, APrintBelowTheBestBidCountsAtTheBestBid) {
    market.board[5] = 498;  // best bid 498 with 5,000
    ShowBoard(market.cells, market.board, false);
    Place(kSideMarginBuy, 100, 498, 4000);
    Place(kSideMarginBuy, 100, 499);
    Print("10:00:01 1,000 495.0");
    ASSERT_EQ(recorder.fills.size(), 1u);
    EXPECT_EQ(recorder.fills[0].orderNumber, 101);  // the 499 buy, through the price
    EXPECT_EQ(recorder.fills[0].price, 498);
    EXPECT_EQ(book.pendingNewOrders[0].volumeAtPrice, 1000);  // the 498 buy queues
}

TEST_F(OrderMatchingTest, APrintThroughTheLimitFillsAtThePrint) {
    Place(kSideMarginBuy, 100, 500, 3000);
    market.board[5] = 499;  // the print at 499 is the best bid now
    ShowBoard(market.cells, market.board, false);
    Print("10:00:01 100 499.0");
    ASSERT_EQ(recorder.fills.size(), 1u);
    EXPECT_EQ(recorder.fills[0].price, 499);
}

TEST_F(OrderMatchingTest, APrintThatTakesTheWholeLevelFillsTheQueue) {
    market.board[15] = 1000;  // only 1,000 shown at 500
    ShowBoard(market.cells, market.board, false);
    Place(kSideMarginBuy, 100, 500, 3000);
    Print("10:00:01 1,000 500.0");
    ASSERT_EQ(recorder.fills.size(), 1u);
    EXPECT_EQ(recorder.fills[0].price, 500);
}

TEST_F(OrderMatchingTest, MarketOrdersWalkTheBoardAndRoundUpToTheStep) {
    SetAsks({{500, 100}, {501, 500}});
    Place(kSideMarginBuy, 300, 0);
    Print("10:00:01 100 500.0");
    ASSERT_EQ(recorder.fills.size(), 1u);
    EXPECT_EQ(recorder.fills[0].price, 501);  // 150,200 / 300 = 500.67

    SetAsks({{500, 1000}, {501, 500}});
    Place(kSideMarginBuy, 100, 0);
    Print("10:00:01 100 500.0");
    EXPECT_EQ(recorder.fills.back().price, 500);

    SetAsks({{500, 100}});
    Place(kSideMarginBuy, 300, 0);
    Print("10:00:01 100 500.0");
    EXPECT_EQ(recorder.fills.back().price, 500);  // the side ran out: its farthest shown level

    SetAsks({{500, 100}, {501, 100}, {502, 100}, {503, 100}, {504, 100}});
    Place(kSideMarginBuy, 1000, 0);
    Print("10:00:01 100 500.0");
    EXPECT_EQ(recorder.fills.back().price, 504);  // a full side: its fifth level
}

TEST_F(OrderMatchingTest, AMarketableLimitFillsAtTheFirstLevelBeyondTheAverage) {
    SetAsks({{500, 1000}, {501, 500}});
    Place(kSideMarginBuy, 100, 505);
    Print("10:00:01 100 500.0");
    ASSERT_EQ(recorder.fills.size(), 1u);
    EXPECT_EQ(recorder.fills[0].price, 501);

    ctx.decimalPrices = true;
    SetAsks({{500, 1000}, {501, 500}});
    Place(kSideMarginBuy, 100, 500.5f);
    Print("10:00:01 100 500.0");
    EXPECT_EQ(recorder.fills.back().price, 500.5f);  // never worse than the limit
}

TEST_F(OrderMatchingTest, StopsFireOnTheirTriggerOnly) {
    Order& up = Place(kSideMarginBuy, 100, 0);
    up.kind = kKindStop;
    up.isMarket = 0;
    up.triggerPrice = 510;
    up.triggerDirection = 0;
    up.stopExecution = 1;
    Order& never = Place(kSideMarginBuy, 100, 0);
    never.kind = kKindStop;
    never.isMarket = 0;
    never.triggerPrice = 0;  // a trigger of 0 never fires
    never.stopExecution = 1;
    Order& down = Place(kSideMarginSell, 100, 0);
    down.kind = kKindStop;
    down.isMarket = 0;
    down.triggerPrice = 495;
    down.triggerDirection = 1;
    down.stopExecution = 1;
    Print("10:00:01 100 509.0");
    EXPECT_TRUE(recorder.stops.empty());
    Print("10:00:01 100");  // a line without a price: the print price stays 509
    EXPECT_TRUE(recorder.stops.empty());
    Print("10:00:01 100 510.0");
    ASSERT_EQ(recorder.stops, std::vector<int>{0});
    ASSERT_EQ(recorder.fills.size(), 1u);  // turned market, it filled on the same line
    EXPECT_TRUE(book.pendingNewOrders[1].InUse());
    EXPECT_TRUE(book.pendingNewOrders[2].InUse());
}

TEST_F(OrderMatchingTest, PreOpenOrdersFillAtTheFirstLinesPrice) {
    market.tape = DayTape{};
    market.tapeCursor = 0;
    Place(kSideMarginBuy, 100, 0);
    Place(kSideMarginSell, 200, 495);
    Print("09:00:00 34,500 498", 0);
    ASSERT_EQ(recorder.fills.size(), 2u);
    EXPECT_EQ(recorder.fills[0].price, 498);
    EXPECT_EQ(recorder.fills[1].price, 498);
}

TEST_F(OrderMatchingTest, AFiredShortSaleStopKeepsWhatItWillSellAt) {
    // 売建 stop: 以下 499, then a limit of 1 yen, which sells at the 500 bid at once.
    Order& stop = Place(kSideMarginSell, 2000, 0);
    stop.isMarket = 0;
    stop.kind = kKindStop;
    stop.triggerPrice = 499;
    stop.triggerDirection = 1;
    stop.stopLimitPrice = 1;
    stop.reservedAmount = 500.0 * 2000;
    account.buyingPower = 3'000'000 - stop.reservedAmount;
    Print("10:00:01 100 499.0");
    ASSERT_EQ(recorder.stops.size(), 1u);
    EXPECT_EQ(book.pendingNewOrders[0].reservedAmount, 500.0 * 2000);  // not 1 yen a share
    EXPECT_EQ(account.buyingPower, 2'000'000);
    // A buy stop that turns into a limit holds its limit, as before.
    Order& buy = Place(kSideMarginBuy, 100, 0);
    buy.isMarket = 0;
    buy.kind = kKindStop;
    buy.triggerPrice = 499;
    buy.triggerDirection = 1;
    buy.stopLimitPrice = 450;
    buy.reservedAmount = 45'000;
    Print("10:00:02 100 499.0");
    EXPECT_EQ(book.pendingNewOrders[1].reservedAmount, 45'000);
}

TEST_F(OrderMatchingTest, DecimalPricesOfALineEqualTheSamePricesTyped) {
    // 999.8 read from a line and 999.8 typed into an order are the same single-precision price.
    ctx.decimalPrices = true;
    for (int i = 0; i < 5; ++i) {
        market.board[static_cast<std::size_t>(i)] = static_cast<float>(999.9 + 0.1 * i);
        market.board[static_cast<std::size_t>(5 + i)] = static_cast<float>(999.8 - 0.1 * i);
    }
    ShowBoard(market.cells, market.board, true);
    Place(kSideMarginBuy, 100, 999.8f, 200);
    Order& stop = Place(kSideMarginSell, 100, 0);
    stop.isMarket = 0;
    stop.kind = kKindStop;
    stop.triggerPrice = 999.8f;
    stop.triggerDirection = 1;  // 以下
    stop.stopExecution = 1;
    Print("10:00:01 300 999.8");  // trades the 200 ahead of the bid, and is the stop's trigger
    ASSERT_EQ(recorder.stops.size(), 1u);
    ASSERT_EQ(recorder.fills.size(), 2u);
    EXPECT_EQ(recorder.fills[0].price, 999.8f);  // the queue at the bid
    EXPECT_EQ(recorder.fills[1].side, kSideMarginSell);
}

TEST_F(OrderMatchingTest, WithTheSimulationOffNoOrderIsTested) {
    ctx.simulationOn = false;
    Place(kSideMarginBuy, 100, 0);
    Print("10:00:01 100 501.0");
    EXPECT_TRUE(recorder.fills.empty());
    EXPECT_EQ(market.tapeRows.size(), 1u);
}

TEST_F(OrderMatchingTest, OwnOrdersAtOnePriceCrossAndTheRestStaysPending) {
    Place(kSideMarginBuy, 100, 500);
    Place(kSideMarginSell, 300, 500);  // just confirmed
    market.newOrderFlag = true;
    engine.MatchPendingOrders(1, ctx);
    ASSERT_EQ(recorder.fills.size(), 2u);
    EXPECT_EQ(recorder.fills[0].quantity, 100);
    EXPECT_EQ(recorder.fills[1].quantity, 100);
    EXPECT_EQ(recorder.fills[1].price, 500);
    const Order& rest = book.pendingNewOrders[2];  // the lowest slot free at the split
    ASSERT_TRUE(rest.InUse());
    EXPECT_EQ(rest.number, 102);
    EXPECT_EQ(rest.quantity, 200);
    EXPECT_EQ(rest.side, kSideMarginSell);
    EXPECT_EQ(rest.reservedAmount, 100'000);
}

}  // namespace
}  // namespace corvala
