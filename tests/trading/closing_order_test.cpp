// Closing-order entry: closable holdings, row quantities, bulk close and the allocation.

#include "trading/closing_order.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace corvala {
namespace {

class ClosingOrderTest : public ::testing::Test {
protected:
    ClosingOrderTest() {
        Add(0, kSideMarginBuy, 300, 500, 100);
        Add(1, kSideMarginBuy, 200, 510, 0);
        Add(2, kSideMarginSell, 100, 520, 0);
        ctx.nowSeconds = 10 * 3600;
        ctx.tradingUnit = 100;
    }
    void Add(int slot, Side side, Shares qty, Price price, Shares committed) {
        Position& p = book.positions[static_cast<std::size_t>(slot)];
        p.number = 200 + slot;
        p.side = side;
        p.quantity = qty;
        p.price = price;
        p.committedQty = committed;
    }
    OrderBook book;
    OrderCounters counters;
    OrderEntryContext ctx;
    test::ScriptedDialogs dialogs;
};

TEST_F(ClosingOrderTest, BulkCloseTakesWhatIsNotCommittedYet) {
    EXPECT_EQ(ClosablePositions(book, kSideMarginBuy), (std::vector<int>{0, 1}));
    EXPECT_EQ(ClosablePositions(book, kSideMarginSell), std::vector<int>{2});
    EXPECT_EQ(BulkClose(book, kSideMarginBuy, true), 400);
    EXPECT_EQ(book.positions[0].closeQtyInput, 200);
    EXPECT_EQ(book.positions[2].closeQtyInput, 0);  // the short is not on this side
    EXPECT_EQ(BulkClose(book, kSideMarginBuy, false), 0);
}

TEST_F(ClosingOrderTest, RowQuantitiesAreWholeUnitsWithinWhatIsAvailable) {
    EXPECT_EQ(RowQuantity("250", 100, book.positions[0]), 200);
    EXPECT_EQ(RowQuantity("500", 100, book.positions[0]), 200);  // 100 of 300 committed
    EXPECT_EQ(RowQuantity("abc", 100, book.positions[0]), 0);
    EXPECT_EQ(RowQuantity("1e12", 100, book.positions[1]), 200);
}

TEST_F(ClosingOrderTest, AConfirmedOrderCommitsItsSharesAndListsThemHighestSlotFirst) {
    BulkClose(book, kSideMarginBuy, true);
    ClosingOrderForm form;
    form.order.price = "530";
    dialogs.answers = {true};
    const EntryOutcome r = SubmitClosingOrder(form, ctx, book, counters, dialogs);
    ASSERT_EQ(r.status, EntryOutcome::Status::Stored);
    const ClosingOrder& o = book.pendingClosingOrders[0];
    EXPECT_EQ(o.number, 300);
    EXPECT_EQ(o.quantity, 400);
    EXPECT_EQ(o.limitPrice, 530);
    EXPECT_EQ(o.reservedAmount, 0);
    EXPECT_EQ(o.closeSlots, "1,0");
    EXPECT_EQ(o.closeQuantities, "200,200");
    EXPECT_EQ(book.positions[0].committedQty, 300);
    EXPECT_EQ(book.positions[1].committedQty, 200);
    EXPECT_TRUE(ClosablePositions(book, kSideMarginBuy).empty());
    EXPECT_EQ(ClosingQuantity(book), 0);  // the row quantities went with the dialog
    EXPECT_EQ(counters.closingOrderSeq, 301);
}

TEST_F(ClosingOrderTest, NothingChosenOrADeclineStoresNothing) {
    ClosingOrderForm form;
    form.order.price = "530";
    EXPECT_EQ(SubmitClosingOrder(form, ctx, book, counters, dialogs).message, "数量が入力されていません。");
    BulkClose(book, kSideMarginSell, true);
    dialogs.answers = {false};
    form.side = kSideMarginSell;
    EXPECT_EQ(SubmitClosingOrder(form, ctx, book, counters, dialogs).status, EntryOutcome::Status::Declined);
    EXPECT_FALSE(book.pendingClosingOrders[0].InUse());
    EXPECT_EQ(book.positions[2].committedQty, 0);
}

}  // namespace
}  // namespace corvala
