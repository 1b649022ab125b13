// The order and position tables: numbers, list lines, the holdings summary, the order buttons
// and the removal of filled and cancelled orders.

#include "trading/order_tables.h"

#include <gtest/gtest.h>

namespace corvala {
namespace {

Order NewOrder(Side side, Shares qty, double price, OrderKind kind = kKindNormal, int placedAt = 9 * 3600 + 34 * 60) {
    Order o;
    o.number = 100;
    o.placedAt = placedAt;
    o.side = side;
    o.quantity = qty;
    o.limitPrice = Price::Nearest(price);
    o.kind = kind;
    return o;
}

TEST(OrderTablesTest, PendingLinesShowTimeSideQuantityPriceAndTheHiddenSlot) {
    const std::string tail = std::string(21, ' ');
    EXPECT_EQ(PendingOrderLine(NewOrder(kSideMarginBuy, 100, 0), false, 3, false),
              "09:34 買建   100株       -円" + tail + "3");
    Order stop = NewOrder(kSideMarginSell, 1200, 0, kKindStop);
    stop.stopLimitPrice = 495;
    EXPECT_EQ(PendingOrderLine(stop, false, 0, false), "09:34 売建  1200株       -円*" + tail + "0");
    EXPECT_EQ(PendingOrderLine(NewOrder(kSideMarginBuy, 100, 500.5f, kKindNormalWithStop), true, 12, true),
              "09:34 売埋   100株   500.5円*" + tail + "12");
    EXPECT_EQ(PendingOrderLine(NewOrder(kSideCash, 123456, 3005), false, 1, false),
              "09:34 買付 123456株    3005円" + tail + "1");  // a longer quantity is not cut

    OrderBook book;
    book.pendingNewOrders[4] = NewOrder(kSideMarginBuy, 100, 500);
    book.pendingClosingOrders[0].number = 300;
    book.pendingClosingOrders[0].side = kSideMarginSell;
    book.pendingClosingOrders[0].quantity = 100;
    const auto lines = RebuildPendingList(book, false);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].back(), '4');  // new orders first, then closing orders
    EXPECT_EQ(lines[1].substr(6, 6), "買埋");
}

TEST(OrderTablesTest, HoldingsSummaryAndOrderButtons) {
    OrderBook book;
    OrderCounters counters;
    std::array<std::string, 2> none = RebuildPositionSummary(book, 510);
    EXPECT_EQ(none, (std::array<std::string, 2>{"", ""}));
    EXPECT_FALSE(保有状態チェック(none));
    const OrderButtonStates idle = UpdateOrderButtons(false, none, 0, 0);
    EXPECT_TRUE(idle.newOrder);
    EXPECT_FALSE(idle.closingOrder);
    EXPECT_FALSE(idle.correctCancel);

    ASSERT_EQ(AddPosition(book, counters, NewOrder(kSideMarginBuy, 100, 0), 500, 34'200), 0);
    ASSERT_EQ(AddPosition(book, counters, NewOrder(kSideCash, 200, 0), 520, 34'300), 1);
    ASSERT_EQ(AddPosition(book, counters, NewOrder(kSideMarginSell, 300, 0), 505, 34'400), 2);
    EXPECT_EQ(book.positions[0].number, 200);
    EXPECT_EQ(book.positions[2].number, 202);
    EXPECT_EQ(counters.positionSeq, 203);
    const auto summary = RebuildPositionSummary(book, 510);
    EXPECT_EQ(summary[0], "買付   300株   513.3円   -1000円");
    EXPECT_EQ(summary[1], "売建   300株   505.0円   -1500円");
    const OrderButtonStates held = UpdateOrderButtons(false, summary, 2, 0);
    EXPECT_TRUE(held.closingOrder);
    EXPECT_TRUE(held.correctCancel);
    const OrderButtonStates dialogOpen = UpdateOrderButtons(true, summary, 2, 1);
    EXPECT_FALSE(dialogOpen.newOrder || dialogOpen.closingOrder || dialogOpen.correctCancel);
    EXPECT_TRUE(UpdateOrderButtons(true, summary, 2, 0).newOrder);
}

TEST(OrderTablesTest, AFullPositionTableCreatesNothing) {
    OrderBook book;
    OrderCounters counters;
    for (int i = 0; i < kOrderSlots; ++i) ASSERT_TRUE(AddPosition(book, counters, NewOrder(kSideMarginBuy, 100, 0), 500, 0));
    EXPECT_FALSE(AddPosition(book, counters, NewOrder(kSideMarginBuy, 100, 0), 500, 0));
    EXPECT_EQ(counters.positionSeq, 230);
}

TEST(OrderTablesTest, RemovingOrdersSettlesTheirAllocation) {
    OrderBook book;
    OrderCounters counters;
    AddPosition(book, counters, NewOrder(kSideMarginBuy, 100, 0), 500, 0);
    AddPosition(book, counters, NewOrder(kSideMarginBuy, 200, 0), 520, 0);
    book.positions[0].committedQty = 100;
    book.positions[1].committedQty = 150;
    ClosingOrder& c = book.pendingClosingOrders[0];
    c.number = 300;
    c.quantity = 250;
    c.limitPrice = 530;
    c.closeSlots = "1,0";
    c.closeQuantities = "150,100";

    ClosingOrder copy = c;
    ASSERT_TRUE(RemoveFilledOrder(book, 0, RemoveMode::CancelledClosing));
    EXPECT_EQ(book.positions[0].committedQty, 0);
    EXPECT_EQ(book.positions[1].quantity, 200);  // a cancel closes nothing
    EXPECT_FALSE(book.pendingClosingOrders[0].InUse());
    EXPECT_TRUE(book.pendingClosingOrders[0].closeSlots.empty());

    book.pendingClosingOrders[0] = copy;
    book.positions[0].committedQty = 100;
    book.positions[1].committedQty = 150;
    EXPECT_TRUE(RemoveFilledOrder(book, 0, RemoveMode::FilledClosing));
    EXPECT_FALSE(book.positions[0].InUse());  // all 100 closed
    EXPECT_EQ(book.positions[1].quantity, 50);
    EXPECT_EQ(book.positions[1].committedQty, 0);
    for (const Position& p : book.positions) EXPECT_LE(p.committedQty, p.quantity);

    book.pendingNewOrders[5] = NewOrder(kSideMarginBuy, 100, 500);
    ASSERT_TRUE(RemoveFilledOrder(book, 5, RemoveMode::NewOrder));
    EXPECT_FALSE(book.pendingNewOrders[5].InUse());
    EXPECT_FALSE(RemoveFilledOrder(book, 30, RemoveMode::NewOrder));  // no such slot
}

}  // namespace
}  // namespace corvala

namespace corvala {
namespace {

TEST(OrderTablesTest, TheQueueFigureIsTheEnginesForRestingLimitsOnlyAndMarksTheirLevel) {
    OrderBook book;
    Order limit;
    limit.number = 100, limit.side = kSideMarginBuy, limit.quantity = 100, limit.limitPrice = 999;
    limit.boardQtyAhead = 700, limit.volumeAtPrice = 300;
    Order market = limit;
    market.number = 101, market.isMarket = true, market.limitPrice = 0;
    Order stop = limit;
    stop.number = 102, stop.kind = kKindStop, stop.limitPrice = 0, stop.triggerPrice = 1010;
    ClosingOrder sell;
    sell.number = 300, sell.side = kSideMarginBuy, sell.quantity = 100, sell.limitPrice = 1002;  // 売埋: sells
    sell.boardQtyAhead = 500, sell.volumeAtPrice = 800;  // more printed than stood ahead: 0, not negative
    book.pendingNewOrders[0] = limit;
    book.pendingNewOrders[1] = market;
    book.pendingNewOrders[3] = stop;
    book.pendingClosingOrders[0] = sell;
    const auto figures = PendingQueueFigures(book);
    ASSERT_EQ(figures.size(), 4u);  // in the pending list's order
    EXPECT_EQ(figures[0], 400);
    EXPECT_FALSE(figures[1].has_value());
    EXPECT_FALSE(figures[2].has_value());
    EXPECT_EQ(figures[3], 0);

    // Asks 1001–1005 over bids 999–995: the buy at the best bid, the sell at the second ask.
    BoardCells cells;
    for (int i = 0; i < 5; ++i) {
        cells.shown.At(i) = 1001 + i;
        cells.shown.At(5 + i) = 999 - i;
        cells.shown.Qty(i) = 500;
        cells.shown.Qty(5 + i) = 900;
    }
    Order second = limit;  // a second buy at the same price, further back
    second.number = 103, second.boardQtyAhead = 900, second.volumeAtPrice = 0;
    book.pendingNewOrders[4] = second;
    const auto marks = BoardQueueMarks(book, cells);
    for (int level = 0; level < kBoardLevels; ++level)
        EXPECT_EQ(marks[static_cast<std::size_t>(level)].has_value(), level == 1 || level == 5) << level;
    EXPECT_DOUBLE_EQ(marks[5]->ahead, 400);  // the first in the queue
    EXPECT_DOUBLE_EQ(marks[5]->levelQuantity, 900);
    EXPECT_DOUBLE_EQ(marks[1]->ahead, 0);
    // A sell at a bid's price is not on the bid side's queue.
    book.pendingClosingOrders[0].limitPrice = 999;
    EXPECT_FALSE(BoardQueueMarks(book, cells)[1].has_value());

    // The engine's rule at a print: a level thinned below the queue cuts it to what the level
    // holds besides the order; a price gone from the board leaves nothing ahead.
    Board board{};
    board.At(5) = 999, board.Qty(5) = 5000;
    EXPECT_DOUBLE_EQ(QueueOnBoard(limit, board, false), 700);
    board.Qty(5) = 350;
    EXPECT_DOUBLE_EQ(QueueOnBoard(limit, board, false), 250);
    board.At(5) = 998;
    EXPECT_DOUBLE_EQ(QueueOnBoard(limit, board, false), 0);
    // The asks at the price are no queue for a buy.
    board.At(0) = 999, board.Qty(0) = 5000;
    EXPECT_DOUBLE_EQ(QueueOnBoard(limit, board, false), 0);
}

}  // namespace
}  // namespace corvala
