// The engine consuming the tape without orders: which lines are due, how each is shown on the
// tape list, and how it moves the board.

#include "trading/matching.h"

#include <gtest/gtest.h>

#include <memory>

#include "data/day_series.h"
#include "platform/system.h"

namespace corvala {
namespace {

class MatchingTest : public ::testing::Test {
protected:
    MatchingTest() : stock(std::make_unique<DaySeries>()) {
        for (auto& row : stock->board)
            for (int i = 0; i < 5; ++i) {
                row[static_cast<std::size_t>(i)] = 501.0f + static_cast<float>(i);
                row[static_cast<std::size_t>(5 + i)] = 500.0f - static_cast<float>(i);
                row[static_cast<std::size_t>(10 + i)] = row[static_cast<std::size_t>(15 + i)] = 1000;
            }
        ctx.baseSeconds = 10 * 3600;  // 10:00:00
        ctx.stock = stock.get();
        ctx.random = &random;
        ctx.boardTotalQty = 10'000;
        初期板(market, *stock, 0, false, false);
    }
    void Lines(std::initializer_list<const char*> lines) {
        for (const char* l : lines) market.tape.Add(l);
    }

    std::unique_ptr<DaySeries> stock;
    MarketState market;
    OrderBook book;
    MatchingEngine engine{market, book};
    MatchContext ctx;
    SeededRandom random{1};
};

TEST_F(MatchingTest, OnlyDueLinesAreTakenAndALaterOneWaitsAtTheCursor) {
    Lines({"10:00:01 100 501.0", "10:00:02 200 501.0", "10:00:04 300 502.0"});
    engine.MatchPendingOrders(2, ctx);
    EXPECT_EQ(market.tapeCursor, 2);
    ASSERT_EQ(market.tapeRows.size(), 2u);
    engine.MatchPendingOrders(3, ctx);
    EXPECT_EQ(market.tapeCursor, 2);  // 10:00:04 is not due at 10:00:03
    engine.MatchPendingOrders(5, ctx);
    EXPECT_EQ(market.tapeCursor, 3);
    EXPECT_EQ(market.tapeRows.back().time, "15:00:00");  // the day's last line closes it
    engine.MatchPendingOrders(5, ctx);  // nothing left
    EXPECT_EQ(market.tapeRows.size(), 3u);
}

// The pass that tests an order just placed must not use up the print waiting at the cursor: it
// still comes, with its own price and volume, when it is due.
TEST_F(MatchingTest, AnOrderPassLeavesTheNextPrintWhereItIs) {
    Lines({"10:00:01 100 501.0", "10:00:04 300 502.0"});
    engine.MatchPendingOrders(1, ctx);
    ASSERT_EQ(market.tapeCursor, 1);
    const Board before = market.board;
    market.newOrderFlag = true;
    engine.MatchPendingOrders(2, ctx);
    EXPECT_FALSE(market.newOrderFlag);
    EXPECT_EQ(market.tapeCursor, 1);
    EXPECT_EQ(market.tapeRows.size(), 1u);
    EXPECT_EQ(market.board, before);
    market.newOrderFlag = true;
    engine.MatchPendingOrders(4, ctx);  // due now: the order pass, then the print itself
    EXPECT_EQ(market.tapeCursor, 2);
    ASSERT_EQ(market.tapeRows.size(), 2u);
    EXPECT_EQ(market.tapeRows.back().volume, "300");
    EXPECT_EQ(market.tapeRows.back().price, "502");
}

TEST_F(MatchingTest, RowsAreColouredAgainstThePreviousPrice) {
    Lines({"10:00:01 100 501.0", "10:00:01 100 502.0", "10:00:01 100 500.0", "10:00:01 100 500.0",
           "10:00:02 100 500.0"});
    engine.MatchPendingOrders(1, ctx);
    ASSERT_EQ(market.tapeRows.size(), 4u);
    EXPECT_EQ(market.tapeRows[0].colour, colours::kTapeSame);  // nothing before it
    EXPECT_EQ(market.tapeRows[1].colour, colours::kTapeUp);
    EXPECT_EQ(market.tapeRows[2].colour, colours::kTapeDown);
    EXPECT_EQ(market.tapeRows[3].colour, colours::kTapeSame);
    EXPECT_EQ(market.tapeRows[1].price, "502");
    EXPECT_EQ(market.tapeRows[1].volume, "100");
    EXPECT_EQ(market.prevDisplayedPrice, 500);
    ctx.decimalPrices = true;
    engine.MatchPendingOrders(2, ctx);
    EXPECT_EQ(market.tapeRows.back().price, "500.0");
}

TEST_F(MatchingTest, PrintsCorrectTheBoardAndMarkedLinesResynchronise) {
    Lines({"10:00:01 1,500 501.0", "10:00:02 100 502.0 @"});
    engine.MatchPendingOrders(1, ctx);
    EXPECT_EQ(market.board.At(0), 502);  // 501 traded out
    EXPECT_EQ(market.cells.text[0], "502");
    engine.MatchPendingOrders(2, ctx);
    EXPECT_EQ(market.board.At(0), 501);  // back to the recording
    EXPECT_EQ(market.board.Qty(0), 1000);
}

TEST_F(MatchingTest, SkippingStepsLeavesTheBoardAlone) {
    Lines({"10:00:01 1,500 501.0"});
    ctx.skipping = true;
    const Board before = market.board;
    engine.MatchPendingOrders(5, ctx);
    EXPECT_EQ(market.board, before);
    EXPECT_EQ(market.tapeRows.size(), 1u);  // still shown
}

TEST_F(MatchingTest, ALockedBoardHoldsTheNextLineOnce) {
    Lines({"10:00:00 100 500.0", "10:00:01 100 501.0"});
    engine.MatchPendingOrders(0, ctx);  // the first line is the opening: never held
    ASSERT_EQ(market.tapeCursor, 1);
    market.lockedBoardHold = true;
    engine.MatchPendingOrders(1, ctx);
    EXPECT_EQ(market.tapeCursor, 1);
    EXPECT_FALSE(market.lockedBoardHold);
    engine.MatchPendingOrders(2, ctx);
    EXPECT_EQ(market.tapeCursor, 2);
}

TEST_F(MatchingTest, MarkedLinesResynchroniseOnlyUpToRow2722) {
    // A marked print ends its step: the board becomes the snapshot it leads to, the next row's.
    stock->board[2723][0] = 600;  // a recognisable recorded board
    stock->board[2724][0] = 700;
    Lines({"10:00:01 100 501.0 @", "10:00:02 100 501.0 @"});
    ctx.currentRow = 2722;
    engine.MatchPendingOrders(1, ctx);
    EXPECT_EQ(market.board.At(0), 600);
    ctx.currentRow = 2723;
    engine.MatchPendingOrders(2, ctx);
    EXPECT_NE(market.board.At(0), 700);  // corrected by the print instead
}

TEST_F(MatchingTest, TheOpeningLinesAreNeverHeldAndOnlyAProcessedLineOpensTheAfternoon) {
    Lines({"10:00:00 100 500.0", "12:30:00 100 501.0"});
    market.lockedBoardHold = true;
    engine.MatchPendingOrders(0, ctx);
    EXPECT_EQ(market.tapeCursor, 1);  // the day's first line went through the hold

    market.newOrderFlag = true;  // an order just confirmed: the pass looks at the next line
    engine.MatchPendingOrders(1, ctx);
    EXPECT_EQ(market.tapeCursor, 1);
    EXPECT_FALSE(market.afternoonOpenFlag);

    ctx.baseSeconds = 12 * 3600 + 30 * 60;
    market.lockedBoardHold = true;
    engine.MatchPendingOrders(0, ctx);
    EXPECT_EQ(market.tapeCursor, 2);  // still the afternoon's opening line: not held
    EXPECT_TRUE(market.afternoonOpenFlag);
}

TEST_F(MatchingTest, NothingIsTakenWhileTheClockIsBlankAndUnreadableLinesArePassedOver) {
    Lines({"10:00:00 100 500.0", "garbage", "10:00:01 100 501.0"});
    ctx.clockShown = false;
    engine.MatchPendingOrders(1, ctx);
    EXPECT_EQ(market.tapeCursor, 0);
    ctx.clockShown = true;
    engine.MatchPendingOrders(1, ctx);
    EXPECT_EQ(market.tapeCursor, 3);
    EXPECT_EQ(market.tapeRows.size(), 2u);
}

TEST_F(MatchingTest, APassTakesAtMost201Lines) {
    for (int i = 0; i < 300; ++i) market.tape.Add("10:00:00 100 501.0");
    engine.MatchPendingOrders(1, ctx);
    EXPECT_EQ(market.tapeCursor, 201);
    engine.MatchPendingOrders(2, ctx);
    EXPECT_EQ(market.tapeCursor, 300);
}

}  // namespace
}  // namespace corvala
