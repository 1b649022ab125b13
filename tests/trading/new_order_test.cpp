// New-order entry: required fields, prices on the grid and within the limits, the amounts by
// order type (the worst price each can fill at), the strict funds check, the confirmation,
// numbering and corrections.

#include "trading/new_order.h"

#include <gtest/gtest.h>

#include "account/account.h"
#include "base/price_rules.h"
#include "test_support.h"

namespace corvala {
namespace {

class NewOrderTest : public ::testing::Test {
protected:
    NewOrderTest() {
        Board b{};
        b.At(0) = 501, b.Qty(0) = 1000, b.At(5) = 500, b.Qty(5) = 3000;
        ShowBoard(cells, b, false);
        ctx.nowSeconds = 9 * 3600 + 34 * 60;
        ctx.code = 8473;
        ctx.limits = DailyPriceBand(480);  // 400–560
        ctx.marketBid = 500;
        ctx.cells = &cells;
        account.buyingPower = 3'000'000;
    }
    EntryOutcome Submit(const NewOrderForm& form, double capacity, bool answer = true) {
        ctx.capacity = capacity;
        dialogs.answers = {answer};
        return SubmitNewOrder(form, ctx, book, counters, account, dialogs);
    }
    static NewOrderForm Limit(const std::string& qty, const std::string& price) {
        NewOrderForm f;
        f.quantity = qty;
        f.price = price;
        return f;
    }

    BoardCells cells;
    OrderEntryContext ctx;
    OrderBook book;
    OrderCounters counters;
    Account account;
    test::ScriptedDialogs dialogs;
};

// Shares are whole and exact however many: 100,000,100 is not rounded to a neighbour a float holds
// (100,000,096), and a decimal price is kept as typed, not as its nearest float.
TEST_F(NewOrderTest, QuantitiesAndPricesAreKeptExactly) {
    const EntryOutcome big = Submit(Limit("100,000,100", "500"), 1e12);
    ASSERT_EQ(big.status, EntryOutcome::Status::Stored);
    EXPECT_EQ(book.pendingNewOrders[0].quantity, 100'000'100);
    EXPECT_EQ(big.amount, 50'000'050'000.0);
    ctx.fineTickMode = true;  // 0.1-yen steps at this price
    ctx.limits = DailyPriceBand(999.8);
    const EntryOutcome decimal = Submit(Limit("100", "999.8"), 1e6);
    ASSERT_EQ(decimal.status, EntryOutcome::Status::Stored) << decimal.message;
    EXPECT_EQ(book.pendingNewOrders[1].limitPrice.tenths(), 9998);
}

TEST_F(NewOrderTest, TheFundsCheckIsStrict) {
    EXPECT_EQ(Submit(Limit("1000", "500"), 500'000).status, EntryOutcome::Status::NoFunds);
    EXPECT_TRUE(dialogs.questions.empty());  // refused before asking
    const EntryOutcome ok = Submit(Limit("1000", "500"), 500'001);
    ASSERT_EQ(ok.status, EntryOutcome::Status::Stored);
    EXPECT_EQ(ok.amount, 500'000);
    EXPECT_EQ(account.buyingPower, 2'500'000);
    const Order& o = book.pendingNewOrders[0];
    EXPECT_EQ(o.number, 100);
    EXPECT_EQ(o.boardQtyAhead, 3000);  // the bid shown at 500
    EXPECT_EQ(dialogs.questions[0], (std::pair<std::string, std::string>{"注文内容確認", "表記内容で注文しますか？"}));
}

TEST_F(NewOrderTest, ADeclinedOrderLeavesItsNumberToTheNext) {
    EXPECT_EQ(Submit(Limit("100", "500"), 1e9, false).status, EntryOutcome::Status::Declined);
    EXPECT_FALSE(book.pendingNewOrders[0].InUse());
    ASSERT_EQ(Submit(Limit("100", "500"), 1e9).status, EntryOutcome::Status::Stored);
    EXPECT_EQ(book.pendingNewOrders[0].number, 100);
}

TEST_F(NewOrderTest, MarketAndStopOrdersReserveAtTheUpperPriceLimit) {
    const double upper = 480 + DailyPriceLimit(480);
    NewOrderForm market = Limit("200", "");
    market.normalMarket = true;
    EXPECT_EQ(Submit(market, 1e9).amount, 200 * upper);
    EXPECT_EQ(book.pendingNewOrders[0].isMarket, 1);

    NewOrderForm stop = Limit("100", "");
    stop.kind = kKindStop;
    stop.trigger = "510";
    stop.stopMarket = true;
    EXPECT_EQ(Submit(stop, 1e9).amount, 100 * upper);

    NewOrderForm both = Limit("100", "500");
    both.kind = kKindNormalWithStop;
    both.trigger = "520";
    both.stopPrice = "530";  // above the normal limit: the stop amount is held
    const EntryOutcome r = Submit(both, 1e9);
    EXPECT_EQ(r.amount, 53'000);
    EXPECT_EQ(book.pendingNewOrders[2].stopLimitPrice, 530);
    EXPECT_EQ(book.pendingNewOrders[2].kind, kKindNormalWithStop);
}

TEST_F(NewOrderTest, MissingFieldsAreNamed) {
    EXPECT_EQ(Submit(Limit("", "500"), 1e9).message, "数量が入力されていません。");
    EXPECT_EQ(Submit(Limit("100", "abc"), 1e9).message, "価格が入力されていません。");
    NewOrderForm stop = Limit("100", "");
    stop.kind = kKindStop;
    EXPECT_EQ(Submit(stop, 1e9).message, "価格が入力されていません。");  // the trigger
    stop.trigger = "510";
    EXPECT_EQ(Submit(stop, 1e9).message, "価格が入力されていません。");  // the stop limit
    EXPECT_TRUE(dialogs.questions.empty());
}

TEST_F(NewOrderTest, ACorrectionNeedsOnlyTheDifference) {
    ASSERT_EQ(Submit(Limit("1000", "500"), 1e9).status, EntryOutcome::Status::Stored);
    ctx.correctionSlot = 0;
    EXPECT_EQ(Submit(Limit("1000", "510"), 10'000).status, EntryOutcome::Status::NoFunds);
    ASSERT_EQ(Submit(Limit("1000", "510"), 10'001).status, EntryOutcome::Status::Stored);
    EXPECT_EQ(book.pendingNewOrders[0].number, 100);  // the same order
    EXPECT_EQ(counters.newOrderSeq, 101);
    EXPECT_EQ(account.buyingPower, 3'000'000 - 510'000);
}

TEST_F(NewOrderTest, AnAccountUnderWaterTakesNoOrderNotEvenACorrectionThatHoldsBackLess) {
    ASSERT_EQ(Submit(Limit("1000", "500"), 1e9).status, EntryOutcome::Status::Stored);
    ctx.underWater = true;
    EXPECT_EQ(Submit(Limit("100", "400"), 1e9).message, "資金が足りません。");
    ctx.correctionSlot = 0;
    EXPECT_EQ(Submit(Limit("100", "400"), 1e9).status, EntryOutcome::Status::NoFunds);
    EXPECT_EQ(book.pendingNewOrders[0].quantity, 1000);
    EXPECT_EQ(account.buyingPower, 2'500'000);
    EXPECT_EQ(dialogs.questions.size(), 1u);
}

TEST_F(NewOrderTest, AShortSaleBelowTheMarketIsReservedAtWhatItFillsAt) {
    // 10,000 shares at the lower limit, 400, would sell at the 500 bid at once: 5 million yen,
    // not 4 million.
    NewOrderForm dump = Limit("10000", "400");
    dump.sell = true;
    const EntryOutcome refused = Submit(dump, 4'500'000);
    EXPECT_EQ(refused.status, EntryOutcome::Status::NoFunds);
    EXPECT_EQ(refused.message, "資金が足りません。");
    EXPECT_FALSE(book.pendingNewOrders[0].InUse());

    // A short above the market holds its own price, as before; so does a buy below it.
    NewOrderForm above = Limit("100", "510");
    above.sell = true;
    EXPECT_EQ(Submit(above, 1e9).amount, 51'000);
    EXPECT_EQ(Submit(Limit("100", "400"), 1e9).amount, 40'000);

    // A stop that sells below the market, and a limit with such a stop, hold the bid as well.
    NewOrderForm stop = Limit("100", "");
    stop.kind = kKindStop;
    stop.sell = true;
    stop.trigger = "495";
    stop.triggerBelow = true;
    stop.stopPrice = "400";
    EXPECT_EQ(Submit(stop, 1e9).amount, 50'000);
    stop.kind = kKindNormalWithStop;
    stop.price = "520";
    EXPECT_EQ(Submit(stop, 1e9).amount, 52'000);

    // A stop that fires above the market sells there at least: its trigger counts.
    stop.kind = kKindStop;
    stop.triggerBelow = false;
    stop.trigger = "520";
    stop.stopPrice = "400";
    EXPECT_EQ(Submit(stop, 1e9).amount, 52'000);

    // Before the open every short meets the opening print, whose price only the upper limit
    // bounds: it is reserved like a market order, at or above the bid alike.
    ctx.meetsOpeningPrint = true;
    const double upper = 480 + DailyPriceLimit(480);
    NewOrderForm early = Limit("100", "400");
    early.sell = true;
    EXPECT_EQ(Submit(early, 1e9).amount, 100 * upper);
    early.price = "505";
    EXPECT_EQ(Submit(early, 1e9).amount, 100 * upper);
    ctx.meetsOpeningPrint = false;

    // With no bid the market's last price stands in for it; with neither (a stock that has not
    // traded yet), the upper limit.
    ctx.marketBid = 0;
    ctx.currentPrice = 498;
    EXPECT_EQ(Submit(dump, 1e12).amount, 4'980'000.0);
    ctx.currentPrice = 0;
    EXPECT_EQ(Submit(dump, 1e12).amount, 10'000 * upper);
    EXPECT_EQ(Submit(Limit("100", "400"), 1e9).amount, 40'000);  // a buy pays its limit at most
}

TEST_F(NewOrderTest, PricesOffTheGridAtZeroOrBeyondTheLimitsAreRefused) {
    const auto refusal = [&](NewOrderForm f) {
        const EntryOutcome out = Submit(f, 1e9);
        EXPECT_EQ(out.status, EntryOutcome::Status::BadPrice) << out.message;
        return out.message;
    };
    EXPECT_EQ(refusal(Limit("100", "499.5")), "価格の499.5円は呼値の単位（1円）に合っていません。");
    EXPECT_EQ(refusal(Limit("100", "0")), "価格は0より大きい値を入力して下さい。");
    refusal(Limit("100", "500.0005"));  // within a float's error of 500, but no price of the grid
    EXPECT_EQ(refusal(Limit("100", "561")), "価格の561円は値幅制限（400円～560円）の外です。");
    NewOrderForm stop = Limit("100", "");
    stop.kind = kKindStop;
    stop.trigger = "399";
    stop.stopMarket = true;
    EXPECT_EQ(refusal(stop).rfind("逆指値の条件価格の399円", 0), 0u);
    stop.trigger = "510";
    stop.stopMarket = false;
    stop.stopPrice = "510.1";
    EXPECT_EQ(refusal(stop).rfind("逆指値の価格", 0), 0u);
    EXPECT_TRUE(dialogs.questions.empty());
    EXPECT_EQ(Submit(Limit("100", "560"), 1e9).status, EntryOutcome::Status::Stored);  // the limit itself
    // Above 3,000 yen the step is 5 yen; a decimal stock's step is 0.1 yen below 1,000, 0.5 above.
    ctx.limits = DailyPriceBand(3100);
    EXPECT_EQ(refusal(Limit("100", "3101")), "価格の3,101円は呼値の単位（5円）に合っていません。");
    ctx.decimalPrices = ctx.fineTickMode = true;
    ctx.limits = DailyPriceBand(1000);
    EXPECT_EQ(Submit(Limit("100", "999.9"), 1e9).status, EntryOutcome::Status::Stored);
    EXPECT_EQ(refusal(Limit("100", "1000.3")), "価格の1,000.3円は呼値の単位（0.5円）に合っていません。");
    // A day with no previous close and no trade has no limits: nothing bounds a market order.
    ctx.limits = {};
    NewOrderForm market = Limit("100", "");
    market.normalMarket = true;
    EXPECT_EQ(refusal(market), "この日は値幅制限が分からないため、この注文は出せません。");
}

TEST_F(NewOrderTest, ACorrectionKeepsItsPlaceOnlyAtTheSamePriceAndSideWithNoMoreShares) {
    ASSERT_EQ(Submit(Limit("300", "500"), 1e9).status, EntryOutcome::Status::Stored);
    Order& o = book.pendingNewOrders[0];
    const auto queueMoved = [&] {
        o.boardQtyAhead = 1200;  // the queue has moved on since it was placed
        o.volumeAtPrice = 900;
    };
    queueMoved();
    ctx.correctionSlot = 0;
    ASSERT_EQ(Submit(Limit("200", "500"), 1e9).status, EntryOutcome::Status::Stored);
    EXPECT_EQ(o.boardQtyAhead, 1200);
    EXPECT_EQ(o.volumeAtPrice, 900);
    EXPECT_EQ(o.quantity, 200);
    // More shares go to the back of the queue: what stands at the price now, nothing traded yet.
    ASSERT_EQ(Submit(Limit("300", "500"), 1e9).status, EntryOutcome::Status::Stored);
    EXPECT_EQ(o.boardQtyAhead, 3000);
    EXPECT_EQ(o.volumeAtPrice, 0);
    // So does the other side at the same price.
    queueMoved();
    NewOrderForm sell = Limit("300", "510");
    ASSERT_EQ(Submit(sell, 1e9).status, EntryOutcome::Status::Stored);  // a new price
    EXPECT_EQ(o.volumeAtPrice, 0);
    queueMoved();
    sell.sell = true;
    ASSERT_EQ(Submit(sell, 1e9).status, EntryOutcome::Status::Stored);
    EXPECT_EQ(o.boardQtyAhead, 0);  // nothing shown at 510 on the asks
    EXPECT_EQ(o.volumeAtPrice, 0);
    // A market order is no place at all, and a limit that was one starts anew.
    NewOrderForm market = Limit("300", "");
    market.normalMarket = true;
    ASSERT_EQ(Submit(market, 1e9).status, EntryOutcome::Status::Stored);
    EXPECT_EQ(o.boardQtyAhead, 0);
    ASSERT_EQ(Submit(Limit("300", "500"), 1e9).status, EntryOutcome::Status::Stored);
    EXPECT_EQ(o.boardQtyAhead, 3000);
    EXPECT_EQ(o.volumeAtPrice, 0);
}

TEST_F(NewOrderTest, QuantitiesAreWholeUnitsAndAFullTableRefuses) {
    EXPECT_EQ(QuantityInUnits("250", 100), 200);
    EXPECT_EQ(QuantityInUnits("100", 100), 100);
    EXPECT_EQ(QuantityInUnits("50", 100), 100);
    for (int i = 0; i < kOrderSlots; ++i) ASSERT_EQ(Submit(Limit("100", "400"), 1e12).status, EntryOutcome::Status::Stored);
    EXPECT_EQ(Submit(Limit("100", "400"), 1e12).status, EntryOutcome::Status::TableFull);
    NewOrderForm cash = Limit("100", "400");
    cash.cashCaption = true;
    book.pendingNewOrders[3] = Order{};
    ASSERT_EQ(Submit(cash, 1e12).status, EntryOutcome::Status::Stored);
    EXPECT_EQ(book.pendingNewOrders[3].side, kSideCash);
}

}  // namespace
}  // namespace corvala
