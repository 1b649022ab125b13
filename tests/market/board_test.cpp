// The synthetic board: laying the user's orders, corrections by prints, synthetic refills and
// the change highlight.

#include "market/board.h"

#include <gtest/gtest.h>

#include <cmath>
#include <deque>

#include "trading/order_tables.h"

namespace corvala {
namespace {

// Draws scripted values, then 0.5.
class ScriptedRandom final : public Random {
public:
    explicit ScriptedRandom(std::deque<double> draws = {}) : draws_(std::move(draws)) {}
    double Next() override {
        ++count;
        if (draws_.empty()) return 0.5;
        const double v = draws_.front();
        draws_.pop_front();
        return v;
    }
    int count = 0;

private:
    std::deque<double> draws_;
};

// Asks 501..505 with 100..500, bids 500..496 with 1000..5000.
Board SampleBoard() {
    Board b{};
    for (int i = 0; i < 5; ++i) {
        b.At(i) = static_cast<int>(501 + i);
        b.Qty(i) = static_cast<int>(100 * (i + 1));
        b.At(5 + i) = static_cast<int>(500 - i);
        b.Qty(5 + i) = static_cast<int>(1000 * (i + 1));
    }
    return b;
}

BoardOverlay Overlay(std::initializer_list<OverlayEntry> entries) {
    BoardOverlay o;
    for (const auto& e : entries) o.Add(e.quantity, e.price, e.sells);
    return o;
}

// Non-empty asks rise and non-empty bids fall from the best level outward.
void ExpectOrdered(const Board& b) {
    for (int i = 1; i < 5; ++i) {
        if (b.At(i) != 0 && b.At(i - 1) != 0) {
            EXPECT_GT(b.At(i), b.At(i - 1)) << i;
        }
        if (b.At(5 + i) != 0 && b.At(4 + i) != 0) {
            EXPECT_LT(b.At(5 + i), b.At(4 + i)) << i;
        }
    }
}

TEST(BoardOverlayTest, SellInsideTheSpreadBecomesTheBestAskAndDropsTheFifth) {
    Board b = SampleBoard();
    b.At(0) = 502;  // spread 500 / 502 … 506
    for (int i = 1; i < 5; ++i) b.At(i) = static_cast<int>(502 + i);
    LayOverlay(b, Overlay({{300, 501, true}}), false);
    EXPECT_EQ(b.At(0), 501);
    EXPECT_EQ(b.Qty(0), 300);
    EXPECT_EQ(b.At(1), 502);
    EXPECT_EQ(b.Qty(1), 100);
    EXPECT_EQ(b.At(4), 505);  // 506 dropped off
    EXPECT_EQ(b.Qty(4), 400);
}

TEST(BoardOverlayTest, BuysJoinTheirLevelAndOutsideOrdersShowOnlyBeforeTheOpen) {
    Board b = SampleBoard();
    LayOverlay(b, Overlay({{200, 498, false}, {100, 495, false}}), false);
    EXPECT_EQ(b.Qty(7), 3200);  // joined 498
    EXPECT_EQ(b.At(9), 496);    // 495 lies beyond the fifth bid
    EXPECT_EQ(b.Qty(9), 5000);

    // A sell below the best bid is shown only before the open, on the best ask.
    Board open = SampleBoard();
    LayOverlay(open, Overlay({{700, 499, true}}), false);
    EXPECT_EQ(open, SampleBoard());
    Board preOpen = SampleBoard();
    LayOverlay(preOpen, Overlay({{700, 499, true}, {50, 0, true}, {60, 0, false}}), true);
    EXPECT_EQ(preOpen.Qty(0), 100 + 700 + 50);  // market sells join the best ask
    EXPECT_EQ(preOpen.Qty(5), 1000);            // a market buy is not shown
}

TEST(BoardOverlayTest, TheListEndsAtAnEmptyEntryAndRefusesTheFiftyFirst) {
    BoardOverlay o;
    for (int i = 0; i < BoardOverlay::kCapacity; ++i) ASSERT_TRUE(o.Add(100, 500, false));
    EXPECT_FALSE(o.Add(100, 500, false));
    EXPECT_EQ(o.size(), BoardOverlay::kCapacity);

    OrderBook book;
    for (int i = 0; i < kOrderSlots; ++i) {
        book.pendingNewOrders[static_cast<std::size_t>(i)].number = static_cast<float>(100 + i);
        book.pendingNewOrders[static_cast<std::size_t>(i)].quantity = 100;
        book.pendingNewOrders[static_cast<std::size_t>(i)].side = kSideMarginSell;
        book.pendingClosingOrders[static_cast<std::size_t>(i)].number = static_cast<float>(300 + i);
        book.pendingClosingOrders[static_cast<std::size_t>(i)].quantity = 100;
        book.pendingClosingOrders[static_cast<std::size_t>(i)].side = kSideMarginSell;  // 買埋
    }
    BoardOverlay fromBook;
    EXPECT_EQ(未実行注文確認(book, fromBook), 10);
    ASSERT_EQ(fromBook.size(), 50);
    EXPECT_TRUE(fromBook[0].sells);    // 売建
    EXPECT_FALSE(fromBook[1].sells);   // 買埋, interleaved slot by slot

    Board b = SampleBoard();
    LayOverlay(b, Overlay({{100, 498, false}, {0, 0, false}, {100, 497, false}}), false);
    EXPECT_EQ(b.Qty(7), 3100);
    EXPECT_EQ(b.Qty(8), 4000);  // after the empty entry nothing counts
}

TEST(BoardCorrectionTest, PrintAtTheThirdAskEmptiesTheNearerLevelsAndRefillsAbove) {
    Board b = SampleBoard();
    ScriptedRandom random;
    板補正(b, 100, 503, {false, 50'000, 100, random});
    // 503 keeps 200; 504 and 505 follow; two levels are synthesised at 506 and 507.
    EXPECT_EQ(b.At(0), 503);
    EXPECT_EQ(b.Qty(0), 200);
    EXPECT_EQ(b.At(1), 504);
    EXPECT_EQ(b.At(2), 505);
    EXPECT_EQ(b.At(3), 506);
    EXPECT_EQ(b.At(4), 507);
    EXPECT_EQ(random.count, 2);
    EXPECT_EQ(b.At(5), 500);  // bids untouched
    ExpectOrdered(b);
}

TEST(BoardCorrectionTest, PrintAboveTheFifthAskSweepsTheSellSide) {
    Board b = SampleBoard();
    ScriptedRandom random;
    板補正(b, 5000, 510, {false, 50'000, 100, random});
    for (int i = 0; i < 5; ++i) EXPECT_EQ(b.At(i), 510 + i) << i;
    EXPECT_EQ(random.count, 5);
    ExpectOrdered(b);

    // Below the fifth bid the buy side goes; each level below is one step of the price a yen
    // lower, so 3000 steps down by the 1-yen step.
    Board high{};
    high.At(0) = 3035;
    high.Qty(0) = 100;
    for (int i = 5; i < 10; ++i) {
        high.At(i) = static_cast<int>(3030 - (i - 5) * 5);
        high.Qty(i) = 100;
    }
    板補正(high, 100, 3005, {false, 0, 100, random});
    EXPECT_EQ(high.At(5), 3005);
    EXPECT_EQ(high.At(6), 3000);
    EXPECT_EQ(high.At(7), 2999);
    EXPECT_EQ(high.At(9), 2997);
    EXPECT_EQ(high.At(0), 3035);
    ExpectOrdered(high);
}

TEST(BoardCorrectionTest, BuySidePrintsAndALockedBoardConsumeTheNearerLevels) {
    ScriptedRandom random;
    Board b = SampleBoard();
    板補正(b, 1000, 498, {false, 10'000, 100, random});  // the third bid
    EXPECT_EQ(b.At(5), 498);
    EXPECT_EQ(b.Qty(5), 2000);  // 500 and 499 are gone, 498 keeps 2,000
    EXPECT_EQ(b.At(0), 501);    // asks untouched
    ExpectOrdered(b);

    // Best ask equal to best bid: a print into the asks also empties the best bid.
    Board locked = SampleBoard();
    for (int i = 0; i < 5; ++i) locked.At(i) = static_cast<int>(500 + i);
    板補正(locked, 100, 502, {false, 10'000, 100, random});
    EXPECT_EQ(locked.At(0), 502);
    EXPECT_NE(locked.At(5), 500);  // the bid at 500 lost its quantity and left the side
}

TEST(BoardOverlayTest, APreOpenBuyAboveTheBestAskJoinsTheBestBid) {
    Board b = SampleBoard();
    LayOverlay(b, Overlay({{400, 502, false}}), true);
    EXPECT_EQ(b.Qty(5), 1400);
    Board open = SampleBoard();
    LayOverlay(open, Overlay({{400, 502, false}}), false);
    EXPECT_EQ(open, SampleBoard());
}

TEST(BoardOverlayTest, TheDailyPriceBandFollowsThePreviousClose) {
    const PriceBand band = DailyPriceBand(300);  // 300 yen: 80 either way
    EXPECT_EQ(band.lower, 220);
    EXPECT_EQ(band.upper, 380);
    const PriceBand none = DailyPriceBand(0);
    EXPECT_EQ(none.lower, 0);
    EXPECT_EQ(none.upper, 0);
}

TEST(BoardCorrectionTest, SyntheticQuantitiesFollowTheBoardTotal) {
    ScriptedRandom lowest({0.0});
    EXPECT_EQ(SyntheticQuantity(50'000, 100, lowest), 4300);
    ScriptedRandom highest({0.9999});
    EXPECT_EQ(SyntheticQuantity(50'000, 100, highest), 5800);
    // An empty board: the first draw leaves nothing, the second picks one to five units.
    ScriptedRandom empty({0.0, 0.0});
    EXPECT_EQ(SyntheticQuantity(0, 100, empty), 100);
    ScriptedRandom emptyHigh({0.3, 0.9999});
    EXPECT_EQ(SyntheticQuantity(0, 100, emptyHigh), 500);
    for (double r = 0; r < 1; r += 0.01) {
        ScriptedRandom any({r, r});
        const Shares q = SyntheticQuantity(50'000, 100, any);
        EXPECT_GE(q, 4300);
        EXPECT_LE(q, 5800);
        EXPECT_EQ(static_cast<int>(q) % 100, 0);
    }
}

TEST(BoardCorrectionTest, UserOrdersAreLaidOnACopyAndNeverPileUpOverAStep) {
    Board market = SampleBoard();
    ScriptedRandom random;
    const BoardOverlay mine = Overlay({{300, 499, false}, {200, 504, true}});
    for (int print = 0; print < 5; ++print) {
        板補正(market, 10, 502, {false, 10'000, 100, random});
        const Board shown = WithOverlay(market, mine, false);
        EXPECT_EQ(shown.Qty(6), 2000 + 300) << print;  // the recorded bid and the order, once
        EXPECT_EQ(market.Qty(6), 2000) << print;       // the market's board never carries it
        ExpectOrdered(shown);
    }
    // A print that takes the market's whole level leaves the order alone at its price.
    板補正(market, 2000, 499, {false, 10'000, 100, random});
    const Board shown = WithOverlay(market, mine, false);
    EXPECT_EQ(shown.At(5), 499);
    EXPECT_EQ(shown.Qty(5), 300);
}

TEST(BoardOverlayTest, AnEmptyFifthLevelOrAnEmptySideBoundsNothing) {
    // Two asks only: a sell beyond them is the next level, not "above the fifth".
    Board thin = SampleBoard();
    for (int i = 2; i < 5; ++i) thin.At(i) = thin.Qty(i) = 0;
    LayOverlay(thin, Overlay({{300, 505, true}, {100, 502, true}}), false);
    EXPECT_EQ(thin.At(2), 505);
    EXPECT_EQ(thin.Qty(2), 300);
    EXPECT_EQ(thin.Qty(1), 200 + 100);
    ExpectOrdered(thin);

    // The upper price limit: no asks at all, the best bid is the limit. A sell there is the best
    // ask and a buy there joins the bid; orders beyond the limit are not shown.
    const PriceBand band{490, 500};
    Board limitUp = SampleBoard();
    for (int i = 0; i < 5; ++i) limitUp.At(i) = limitUp.Qty(i) = 0;
    LayOverlay(limitUp, Overlay({{100, 510, true}, {100, 500, true}, {400, 500, false}, {200, 501, false}}), false, band);
    EXPECT_EQ(limitUp.At(0), 500);
    EXPECT_EQ(limitUp.Qty(0), 100);
    EXPECT_EQ(limitUp.At(1), 0);
    EXPECT_EQ(limitUp.At(5), 500);
    EXPECT_EQ(limitUp.Qty(5), 1000 + 400);
    ExpectOrdered(limitUp);

    // A thin book away from the limits: an empty ask side bounds nothing.
    Board thinAsks = SampleBoard();
    for (int i = 0; i < 5; ++i) thinAsks.At(i) = thinAsks.Qty(i) = 0;
    LayOverlay(thinAsks, Overlay({{100, 510, true}, {200, 501, false}}), false, {400, 600});
    EXPECT_EQ(thinAsks.At(0), 510);
    EXPECT_EQ(thinAsks.At(5), 501);  // a buy above the best bid is the new best bid
    EXPECT_EQ(thinAsks.Qty(5), 200);
    ExpectOrdered(thinAsks);

    // Orders without a price show only before the open, never as a level at 0 on a thin side.
    Board empty{};
    empty.At(5) = 500;
    empty.Qty(5) = 100;
    LayOverlay(empty, Overlay({{100, 0, true}, {200, 0, false}}), false);
    EXPECT_EQ(empty.Qty(0), 0);
    EXPECT_EQ(empty.Qty(6), 0);

    // The lower limit, the other way round.
    Board limitDown = SampleBoard();
    for (int i = 5; i < 10; ++i) limitDown.At(i) = limitDown.Qty(i) = 0;
    LayOverlay(limitDown, Overlay({{100, 490, false}, {300, 501, false}, {400, 501, true}, {200, 500, true}}), false,
               PriceBand{501, 600});
    EXPECT_EQ(limitDown.At(5), 501);
    EXPECT_EQ(limitDown.Qty(5), 300);
    EXPECT_EQ(limitDown.At(6), 0);
    EXPECT_EQ(limitDown.At(0), 501);
    EXPECT_EQ(limitDown.Qty(0), 100 + 400);
    ExpectOrdered(limitDown);
}

TEST(BoardCorrectionTest, SyntheticLevelsOfDecimalPricesStayOnTheTickGrid) {
    // Fine ticks: 0.1 yen below 1,000, 0.5 yen from 1,000. A print beyond the fifth level sweeps
    // the side and the refill walks the grid across the band boundary.
    ScriptedRandom random;
    Board up{};
    for (int i = 0; i < 5; ++i) {
        up.At(i) = Price::FromTenths(9990 + i);
        up.Qty(i) = 100;
        up.At(i + 5) = Price::FromTenths(9989 - i);
        up.Qty(i + 5) = 100;
    }
    板補正(up, 500, Price::FromTenths(9998), {true, 10'000, 100, random});
    const std::int64_t asks[] = {9998, 9999, 10000, 10005, 10010};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(up.At(i).tenths(), asks[i]) << i;

    Board down{};
    down.At(0) = Price::FromTenths(10035);
    down.Qty(0) = 100;
    for (int i = 5; i < 10; ++i) {
        down.At(i) = Price::FromTenths(10030 - 5 * (i - 5));
        down.Qty(i) = 100;
    }
    板補正(down, 100, Price::FromTenths(10005), {true, 10'000, 100, random});
    const std::int64_t bids[] = {10005, 10000, 9999, 9998, 9997};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(down.At(i + 5).tenths(), bids[i]) << i;
}

TEST(BoardDisplayTest, CellsPatternsHighlightAndInstantReflection) {
    BoardCells cells;
    Board b = SampleBoard();
    ShowBoard(cells, b, false);
    EXPECT_EQ(cells.text[0], "501");
    EXPECT_EQ(cells.text[15], "1,000");
    b.Qty(0) = 0;
    b.At(0) = 0;
    ShowBoard(cells, b, true);
    EXPECT_EQ(cells.text[0], "");   // an empty level shows blank
    EXPECT_EQ(cells.text[10], "");
    EXPECT_EQ(cells.text[1], "502.0");

    // A changed quantity at a price shown before is highlighted: at its new place after a
    // step, where it was shown before after a correction.
    Board before = SampleBoard();
    ShowBoard(cells, before, false);
    Board after = before;
    for (int i = 0; i < 4; ++i) {  // asks move down one place: 502 … 505 and a new 506
        after.At(i) = before.At(i + 1);
        after.Qty(i) = before.Qty(1 + i);
    }
    after.At(4) = 506;
    after.Qty(4) = 900;
    after.Qty(1) = 999;  // 503 changed
    BoardCells atNew = cells;
    ShowBoardWithChanges(atNew, after, false, false);
    EXPECT_TRUE(atNew.highlighted[1]);
    EXPECT_FALSE(atNew.highlighted[0]);  // 502 kept its 200
    BoardCells atOld = cells;
    ShowBoardWithChanges(atOld, after, false, true);
    EXPECT_TRUE(atOld.highlighted[2]);

    板瞬時反映(cells, before, 498, 500, false);
    EXPECT_EQ(cells.text[17], "3,500");
    const auto shown = cells.text;
    板瞬時反映(cells, before, 490, 500, false);  // no level at 490
    EXPECT_EQ(cells.text, shown);
}

TEST(BoardOverlayTest, RecordedFiguresAndLargeOrdersAreExact) {
    // A recorded row in single precision reads as the prices and shares it stands for.
    BoardRow row{};
    row[0] = 999.8f;
    row[5] = 999.7f;
    row[10] = 123'456'789.0f;  // 123,456,792 in single precision: whole shares, rounded once
    row[15] = -5;              // no count at all
    const Board b = BoardOf(row);
    EXPECT_EQ(b.At(0).tenths(), 9998);
    EXPECT_EQ(b.At(5).tenths(), 9997);
    EXPECT_EQ(b.Qty(0), 123'456'792);
    EXPECT_EQ(b.Qty(5), 0);
    // An order of 100,000,100 shares stands on the board as 100,000,100, not as a float's 100,000,096.
    Board big = SampleBoard();
    LayOverlay(big, Overlay({{100'000'100, 498, false}}), false);
    EXPECT_EQ(big.Qty(7), 3000 + 100'000'100);
}

}  // namespace
}  // namespace corvala
