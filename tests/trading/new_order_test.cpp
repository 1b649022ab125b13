// New-order entry: required fields, the amounts by order type, the strict funds check, the
// confirmation, numbering and corrections.

#include "trading/new_order.h"

#include <gtest/gtest.h>

#include "account/account.h"
#include "market/price_rules.h"
#include "test_support.h"

namespace corvala {
namespace {

class NewOrderTest : public ::testing::Test {
protected:
    NewOrderTest() {
        Board b{};
        b[0] = 501, b[10] = 1000, b[5] = 500, b[15] = 3000;
        ShowBoard(cells, b, false);
        ctx.nowSeconds = 9 * 3600 + 34 * 60;
        ctx.code = 8473;
        ctx.prevClose = 480;
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

TEST_F(NewOrderTest, AShortSaleBelowTheMarketIsReservedAtWhatItFillsAt) {
    // 100,000 shares at 1 yen would sell at the 500 bid at once: 50 million yen, not 100,000.
    NewOrderForm dump = Limit("100000", "1");
    dump.sell = true;
    const EntryOutcome refused = Submit(dump, 3'000'000);
    EXPECT_EQ(refused.status, EntryOutcome::Status::NoFunds);
    EXPECT_EQ(refused.message, "資金が足りません。");
    EXPECT_FALSE(book.pendingNewOrders[0].InUse());

    // A short above the market holds its own price, as before; so does a buy below it.
    NewOrderForm above = Limit("100", "510");
    above.sell = true;
    EXPECT_EQ(Submit(above, 1e9).amount, 51'000);
    EXPECT_EQ(Submit(Limit("100", "1"), 1e9).amount, 100);

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

    // Before the open a short below the bid meets the opening print, whose price only the upper
    // limit bounds: it is reserved like a market order. One above the bid holds its price.
    ctx.preOpen = true;
    const double upper = 480 + DailyPriceLimit(480);
    NewOrderForm early = Limit("100", "1");
    early.sell = true;
    EXPECT_EQ(Submit(early, 1e9).amount, 100 * upper);
    early.price = "505";
    EXPECT_EQ(Submit(early, 1e9).amount, 50'500);
    ctx.preOpen = false;

    // With no bids on the board the current price stands in for the bid.
    Board noBids{};
    noBids[0] = 501, noBids[10] = 1000;
    ShowBoard(cells, noBids, false);
    ctx.currentPrice = 498;
    EXPECT_EQ(Submit(dump, 1e12).amount, 49'800'000.0);
}

TEST_F(NewOrderTest, ACorrectionAtTheSamePriceKeepsItsPlaceInTheQueue) {
    ASSERT_EQ(Submit(Limit("100", "500"), 1e9).status, EntryOutcome::Status::Stored);
    Order& o = book.pendingNewOrders[0];
    o.boardQtyAhead = 1200;  // the queue has moved on since it was placed
    o.volumeAtPrice = 900;
    ctx.correctionSlot = 0;
    ASSERT_EQ(Submit(Limit("300", "500"), 1e9).status, EntryOutcome::Status::Stored);
    EXPECT_EQ(o.boardQtyAhead, 1200);
    EXPECT_EQ(o.volumeAtPrice, 900);
    EXPECT_EQ(o.quantity, 300);
    // A new price is a new place: what stands there now, nothing traded yet.
    ASSERT_EQ(Submit(Limit("300", "501"), 1e9).status, EntryOutcome::Status::Stored);
    EXPECT_EQ(o.boardQtyAhead, 1000);
    EXPECT_EQ(o.volumeAtPrice, 0);
    // So is a market order, and a limit that was a market order.
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
