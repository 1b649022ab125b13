// The user's orders against exact tape lines: the queue, prints through the price, market and
// marketable orders, stops, the opening line, and orders of the user's that never trade together.

#include <algorithm>

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
    void OnHeldBack(int number) override { heldBack.push_back(number); }
    std::vector<Execution> fills;
    std::vector<int> stops;
    std::vector<int> heldBack;
};

class OrderMatchingTest : public ::testing::Test {
protected:
    OrderMatchingTest() {
        // Asks 501–505 with 1,000 each; bids 500–496 with 5,000 each.
        for (int i = 0; i < 5; ++i) {
            market.marketBoard.At(i) = 501 + i;
            market.marketBoard.Qty(i) = 1000;
            market.marketBoard.At(5 + i) = 500 - i;
            market.marketBoard.Qty(5 + i) = 5000;
        }
        market.limits = DailyPriceBand(500);  // 400–600
        Show();
        account.buyingPower = 3'000'000;
        engine.Attach(&account, &counters, &recorder);
        ctx.baseSeconds = 10 * 3600;
        ctx.tradingUnit = 100;
        market.tapeCursor = 1;  // past the day's opening line unless a test says otherwise
        market.tape.Add("09:00:00 100 500");
    }
    Order& Place(Side side, Shares qty, double limit, Shares ahead = 0) {
        const int slot = *LowestFreeSlot(book.pendingNewOrders);
        Order& o = book.pendingNewOrders[static_cast<std::size_t>(slot)];
        o.number = counters.newOrderSeq++;
        o.side = side;
        o.quantity = qty;
        o.limitPrice = Price::Nearest(limit);
        o.isMarket = limit == 0;
        o.boardQtyAhead = ahead;
        // What the entry reserves: a market order at the upper limit, a limit at its price.
        o.reservedAmount = Money::FromTenths((limit == 0 ? market.limits.upper : o.limitPrice).tenths() * qty);
        return o;
    }
    // A stop order: 以下 when `below`, then a limit at `stopLimit`, or 成行 when it is 0.
    Order& PlaceStop(Side side, Shares qty, double trigger, bool below, double stopLimit) {
        Order& o = Place(side, qty, 0);
        o.isMarket = false;
        o.kind = kKindStop;
        o.triggerPrice = Price::Nearest(trigger);
        o.triggerDirection = below ? StopDirection::AtOrBelow : StopDirection::AtOrAbove;
        o.stopExecution = stopLimit == 0 ? StopExecution::Market : StopExecution::Limit;
        o.stopLimitPrice = Price::Nearest(stopLimit);
        return o;
    }
    // The board shown: the market's with the user's orders laid on.
    void Show() {
        market.RefreshOverlay(book);
        market.ComposeBoard(false);
        ShowBoard(market.cells, market.board, ctx.decimalPrices);
    }
    void Print(const std::string& line, int second = 1) {
        Show();
        market.tape.Add(line);
        engine.MatchPendingOrders(second, ctx);
    }
    void SetAsks(std::initializer_list<std::pair<int, Shares>> levels) {
        for (int i = 0; i < 5; ++i)
            market.marketBoard.At(i) = market.marketBoard.Qty(i) = 0;
        int i = 0;
        for (auto [price, qty] : levels) {
            market.marketBoard.At(i) = price;
            market.marketBoard.Qty(i) = qty;
            ++i;
        }
        Show();
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
    market.marketBoard.At(5) = 498;  // the market's best bid 498 with 5,000
    Place(kSideMarginBuy, 100, 498, 4000);
    Place(kSideMarginBuy, 100, 499);  // the best bid shown, alone at its price
    Print("10:00:01 1,000 495.0");
    ASSERT_EQ(recorder.fills.size(), 1u);
    EXPECT_EQ(recorder.fills[0].orderNumber, 101);  // a seller at 495 met the 499 bid first
    EXPECT_EQ(recorder.fills[0].price, 499);        // at its own price, as at an exchange
    EXPECT_TRUE(book.pendingNewOrders[0].InUse());  // the 498 buy waits behind the 499 bid
}

TEST_F(OrderMatchingTest, APrintThroughARestingLimitFillsItAtItsPrice) {
    Place(kSideMarginBuy, 100, 500, 3000);
    market.marketBoard.At(5) = 499;  // the market's bids went below it
    Print("10:00:01 100 499.0");
    ASSERT_EQ(recorder.fills.size(), 1u);
    EXPECT_EQ(recorder.fills[0].price, 500);
}

TEST_F(OrderMatchingTest, APrintThatTakesTheWholeLevelFillsTheQueue) {
    market.marketBoard.Qty(5) = 1000;  // only 1,000 shown at 500
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

    ctx.decimalPrices = ctx.fineTickMode = true;
    SetAsks({{500, 1000}, {501, 500}});
    Place(kSideMarginBuy, 100, 500.5f);
    Print("10:00:01 100 500.0");
    EXPECT_EQ(recorder.fills.back().price, 500.5f);  // never worse than the limit
}

TEST_F(OrderMatchingTest, StopsFireOnTheirTriggerOnly) {
    PlaceStop(kSideMarginBuy, 100, 510, false, 0);
    PlaceStop(kSideMarginBuy, 100, 0, false, 0);  // a trigger of 0 never fires
    PlaceStop(kSideMarginSell, 100, 495, true, 0);
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
    // A short before the open is held at the upper limit: the opening price is not known yet.
    Place(kSideMarginSell, 200, 495).reservedAmount = Money::FromTenths(market.limits.upper.tenths() * 200);
    Print("09:00:00 34,500 498", 0);
    ASSERT_EQ(recorder.fills.size(), 2u);
    EXPECT_EQ(recorder.fills[0].price, 498);
    EXPECT_EQ(recorder.fills[1].price, 498);
}

TEST_F(OrderMatchingTest, AFiredShortSaleStopKeepsWhatItWillSellAt) {
    // 売建 stop: 以下 499, then a limit of 1 yen, which sells at the 500 bid at once.
    Order& stop = PlaceStop(kSideMarginSell, 2000, 499, true, 1);
    stop.reservedAmount = 500 * 2000;
    account.buyingPower = 3'000'000 - 500 * 2000;
    Print("10:00:01 100 499.0");
    ASSERT_EQ(recorder.stops.size(), 1u);
    EXPECT_EQ(book.pendingNewOrders[0].reservedAmount, 500.0 * 2000);  // not 1 yen a share
    EXPECT_EQ(account.buyingPower, 2'000'000);
    // A buy stop that turns into a limit holds its limit, as before.
    PlaceStop(kSideMarginBuy, 100, 499, true, 450).reservedAmount = 45'000;
    Print("10:00:02 100 499.0");
    EXPECT_EQ(book.pendingNewOrders[1].reservedAmount, 45'000);
}

TEST_F(OrderMatchingTest, DecimalPricesOfALineEqualTheSamePricesTyped) {
    // 999.8 read from a line and 999.8 typed into an order are the same exact price.
    ctx.decimalPrices = ctx.fineTickMode = true;
    for (int i = 0; i < 5; ++i) {
        market.marketBoard.At(i) = Price::FromTenths(9999 + i);
        market.marketBoard.At(5 + i) = Price::FromTenths(9998 - i);
    }
    market.limits = DailyPriceBand(999.8);
    Show();
    Place(kSideMarginBuy, 100, 999.8, 200);
    PlaceStop(kSideMarginSell, 100, 999.8, true, 0);
    Print("10:00:01 300 999.8");  // trades the 200 ahead of the bid, and is the stop's trigger
    ASSERT_EQ(recorder.stops.size(), 1u);
    ASSERT_EQ(recorder.fills.size(), 2u);
    EXPECT_EQ(recorder.fills[0].price.tenths(), 9998);  // the queue at the bid, to the tenth
    EXPECT_EQ(recorder.fills[1].side, kSideMarginSell);
}

TEST_F(OrderMatchingTest, WithTheSimulationOffNoOrderIsTested) {
    ctx.simulationOn = false;
    Place(kSideMarginBuy, 100, 0);
    Print("10:00:01 100 501.0");
    EXPECT_TRUE(recorder.fills.empty());
    EXPECT_EQ(market.tapeRows.size(), 1u);
}

TEST_F(OrderMatchingTest, TheUsersOwnOrdersNeverTradeWithEachOtherNorSupplyTheUser) {
    // Asks from 502: the user's own offer at 501 stands alone inside the spread.
    SetAsks({{502, 1000}, {503, 1000}});
    Place(kSideMarginSell, 300, 501);
    Place(kSideMarginBuy, 100, 501).fresh = true;  // at the user's own offer
    Place(kSideMarginBuy, 100, 0).fresh = true;    // a market buy
    market.newOrderFlag = true;
    Print("10:00:09 100 502.0", 1);  // an order pass: the line is not due yet
    ASSERT_EQ(recorder.fills.size(), 1u);
    EXPECT_EQ(recorder.fills[0].orderNumber, 102);
    EXPECT_EQ(recorder.fills[0].price, 502);  // the market's ask, not the user's 501
    EXPECT_TRUE(book.pendingNewOrders[0].InUse());
    EXPECT_TRUE(book.pendingNewOrders[1].InUse());
    EXPECT_EQ(book.pendingNewOrders[0].quantity, 300);
}

TEST_F(OrderMatchingTest, ALimitAtTheOppositeBestPriceTradesAtOnceAndNeverQueuesBehindIt) {
    // A short at the 500 bid (5,000 bid there) is no seller in a queue of buyers: it sells.
    Order& sell = Place(kSideMarginSell, 100, 500);
    sell.fresh = true;
    market.newOrderFlag = true;
    Print("10:00:09 100 499.0", 1);
    ASSERT_EQ(recorder.fills.size(), 1u);
    EXPECT_EQ(recorder.fills[0].price, 500);
    // The queue of a new short at a bid's price is its own side's: nothing stands ahead.
    ShowBoard(market.cells, market.board, false);
    EXPECT_EQ(板数量チェック(market.cells, 500, 100, /*sells=*/true), 0);
    EXPECT_EQ(板数量チェック(market.cells, 500, 100, /*sells=*/false), 4900);  // the sale took 100
    EXPECT_EQ(板数量チェック(market.cells, 503, 100, /*sells=*/true), 1000);
}

TEST_F(OrderMatchingTest, APassForANewOrderTestsOnlyItAndNoVolumeBeforeItsLine) {
    // A resting bid at 500 with the whole 5,000 there ahead of it; the next line will trade
    // 9,000 at 500, but not before 10:00:09.
    Place(kSideMarginBuy, 100, 500, 5000);
    Place(kSideMarginBuy, 100, 450).fresh = true;  // unrelated, just confirmed
    market.newOrderFlag = true;
    Print("10:00:09 9,000 500.0", 1);
    EXPECT_TRUE(recorder.fills.empty());
    EXPECT_EQ(book.pendingNewOrders[0].volumeAtPrice, 0);
    engine.MatchPendingOrders(9, ctx);  // the line is due: now it trades the queue
    ASSERT_EQ(recorder.fills.size(), 1u);
    EXPECT_EQ(recorder.fills[0].orderNumber, 100);
}

// Orders placed together meet the quotes each for itself: a buy meets the ask, and a market sell
// behind it, with no bid at all, meets neither that ask nor the last trade (nobody's offer now):
// it waits, said once, and sells to the next print at the print's price.
TEST_F(OrderMatchingTest, APassForNewOrdersGivesNoOrderThePriceAnotherMet) {
    for (int i = 5; i < 10; ++i) market.marketBoard.At(i) = market.marketBoard.Qty(i) = 0;
    market.currentPrintPrice = 499;
    Place(kSideMarginBuy, 100, 501).fresh = true;  // at the ask: trades at once
    Order& sell = Place(kSideMarginSell, 100, 0);
    sell.fresh = true;
    sell.reservedAmount = 600 * 100;
    market.newOrderFlag = true;
    Print("10:00:09 9,000 500.0", 1);
    ASSERT_EQ(recorder.fills.size(), 1u) << "the market sell took the ask the buy met, or the last trade";
    EXPECT_EQ(recorder.fills[0].price, 501);
    EXPECT_TRUE(book.pendingNewOrders[1].awaitingCounterparty);
    engine.MatchPendingOrders(9, ctx);  // the line is due: its print is the seller's counterparty
    ASSERT_EQ(recorder.fills.size(), 2u);
    EXPECT_EQ(recorder.fills[1].price, 500);
}

// A limit buy just placed above the last trade, with no ask on the market's board and the
// user's own orders around it: nobody sells now, so it waits for the next print.
TEST_F(OrderMatchingTest, ALimitJustPlacedFacingAnEmptySideWaitsForAPrint) {
    for (int i = 0; i < 5; ++i) market.marketBoard.At(i) = market.marketBoard.Qty(i) = 0;
    market.currentPrintPrice = 499;  // minutes ago
    Place(kSideMarginSell, 100, 502);
    Place(kSideMarginBuy, 100, 497);
    Show();
    Place(kSideMarginBuy, 100, 505).fresh = true;
    market.newOrderFlag = true;
    ctx.shownSeconds = ctx.baseSeconds;  // paused on screen
    engine.MatchNewOrdersNow(ctx);
    ASSERT_TRUE(recorder.fills.empty()) << "filled at " << recorder.fills[0].price << " against nobody";
    Print("10:00:01 300 503.0", 1);
    const auto buy = std::find_if(recorder.fills.begin(), recorder.fills.end(), [](const Execution& e) { return e.orderNumber == 102; });
    ASSERT_NE(buy, recorder.fills.end());
    EXPECT_EQ(buy->price, 505);  // the seller at 503 met the best bid shown: the order
}

TEST_F(OrderMatchingTest, AStopFiredForANewOrderWaitsForTheNextLine) {
    // 売建 stop 以下 505 then a limit of 500 (the bid): the last print, 501, fires it at once.
    market.currentPrintPrice = 501;
    Order& stop = PlaceStop(kSideMarginSell, 100, 505, true, 500);
    stop.reservedAmount = 505 * 100;
    stop.fresh = true;
    market.newOrderFlag = true;
    Print("10:00:01 100 501.0", 1);  // the order pass, then the line itself
    EXPECT_EQ(recorder.stops.size(), 1u);
    EXPECT_TRUE(recorder.fills.empty());
    Print("10:00:01 100 501.0", 1);
    ASSERT_EQ(recorder.fills.size(), 1u);
    EXPECT_EQ(recorder.fills[0].price, 500);
}

TEST_F(OrderMatchingTest, AStopFiredBeforeTheNextPrintIsDueMeetsThatPrint) {
    market.currentPrintPrice = 501;
    PlaceStop(kSideMarginSell, 100, 505, true, 500).fresh = true;
    market.newOrderFlag = true;
    Print("10:00:05 100 500.0", 1);  // fired in the pass for the new order; the print is later
    ASSERT_EQ(recorder.stops.size(), 1u);
    engine.MatchPendingOrders(5, ctx);
    ASSERT_EQ(recorder.fills.size(), 1u);
    EXPECT_EQ(recorder.fills[0].price, 500);
}

TEST_F(OrderMatchingTest, TheUsersMarketOrdersTakeTheMarketsQuotesOnce) {
    SetAsks({{501, 1000}, {502, 1000}, {503, 1000}});
    Place(kSideMarginBuy, 1000, 0);
    Place(kSideMarginBuy, 1000, 0);
    Print("10:00:01 100 500.0");
    ASSERT_EQ(recorder.fills.size(), 2u);
    EXPECT_EQ(recorder.fills[0].price, 501);
    EXPECT_EQ(recorder.fills[1].price, 502);  // the 501 ask is gone
}

TEST_F(OrderMatchingTest, AFillLeavesTheBoardBeforeTheNextOrderOfTheLineIsTested) {
    // Two bids of the user's at 500 behind the market's 5,000: the first, with nothing ahead,
    // fills; the second then has the market's 5,000 ahead, which this print of 5,100 traded.
    Place(kSideMarginBuy, 100, 500, 0);
    Place(kSideMarginBuy, 100, 500, 5150);
    Print("10:00:01 5,100 500.0");
    EXPECT_EQ(recorder.fills.size(), 2u);
}

TEST_F(OrderMatchingTest, NoFillAtNoPriceOffTheGridBeyondTheLimitsOrBeyondAReservation) {
    // The opening line without a price: a market buy waits.
    market.tape = DayTape{};
    market.tapeCursor = 0;
    Place(kSideMarginBuy, 100, 0);
    Print("09:00:00 1,000", 0);
    EXPECT_TRUE(recorder.fills.empty());
    book.pendingNewOrders[0] = Order{};
    // With no quotes a market buy pays the print, never a price off the grid.
    market.marketBoard = {};
    Place(kSideMarginBuy, 100, 0);
    Print("10:00:01 100 499.5");
    EXPECT_TRUE(recorder.fills.empty());
    Print("10:00:01 100 500.0");
    ASSERT_EQ(recorder.fills.size(), 1u);
    EXPECT_EQ(recorder.fills[0].price, 500);
    // Asks recorded beyond the upper limit of 600 are no price to buy at, until the market
    // prints there: then the exchange allowed it, and the limits take it in. An order reserved
    // at the old limit does not fill beyond it, and says so.
    SetAsks({{610, 1000}});
    Place(kSideMarginBuy, 100, 0).reservedAmount = 620 * 100;  // order 102
    Place(kSideMarginBuy, 100, 0);  // 103, held back at 600 a share
    Print("10:00:01 100 599.0");
    EXPECT_EQ(recorder.fills.size(), 1u);
    Print("10:00:01 100 610.0");
    ASSERT_EQ(recorder.fills.size(), 2u);
    EXPECT_EQ(recorder.fills[1].price, 610);
    EXPECT_EQ(market.limits.upper, 610);
    EXPECT_EQ(recorder.heldBack, std::vector<int>{103});
    // A short that a print went past sells at what it was reserved for, never above it.
    for (Order& o : book.pendingNewOrders) o = Order{};
    market.marketBoard = {};
    Place(kSideMarginSell, 100, 503);
    Print("10:00:02 100 508.0", 2);
    ASSERT_EQ(recorder.fills.size(), 3u);
    EXPECT_EQ(recorder.fills[2].side, kSideMarginSell);
    EXPECT_EQ(recorder.fills[2].price, 503);
}

TEST_F(OrderMatchingTest, AJumpBackHoldsEveryTestUntilTheClockHasCaughtUp) {
    Place(kSideMarginBuy, 100, 0);
    ctx.baseSeconds = 10 * 3600 + 300;
    Print("10:05:01 100 501.0");
    ASSERT_EQ(recorder.fills.size(), 1u);
    // Back to 10:00: the tape is spent up to 10:05:01; a new market buy waits for it.
    ctx.baseSeconds = 10 * 3600;
    ctx.shownSeconds = 10 * 3600 + 1;
    Place(kSideMarginBuy, 100, 0).fresh = true;
    market.newOrderFlag = true;
    engine.MatchPendingOrders(1, ctx);
    EXPECT_EQ(recorder.fills.size(), 1u);
    ctx.baseSeconds = 10 * 3600 + 300;
    ctx.shownSeconds = -1;
    engine.MatchPendingOrders(1, ctx);
    ASSERT_EQ(recorder.fills.size(), 2u);
    EXPECT_GE(recorder.fills[1].seconds, recorder.fills[0].seconds);
}

}  // namespace
}  // namespace corvala
