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
        b[static_cast<std::size_t>(i)] = static_cast<float>(501 + i);
        b[static_cast<std::size_t>(10 + i)] = static_cast<float>(100 * (i + 1));
        b[static_cast<std::size_t>(5 + i)] = static_cast<float>(500 - i);
        b[static_cast<std::size_t>(15 + i)] = static_cast<float>(1000 * (i + 1));
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
        if (b[static_cast<std::size_t>(i)] != 0 && b[static_cast<std::size_t>(i - 1)] != 0) {
            EXPECT_GT(b[static_cast<std::size_t>(i)], b[static_cast<std::size_t>(i - 1)]) << i;
        }
        if (b[static_cast<std::size_t>(5 + i)] != 0 && b[static_cast<std::size_t>(4 + i)] != 0) {
            EXPECT_LT(b[static_cast<std::size_t>(5 + i)], b[static_cast<std::size_t>(4 + i)]) << i;
        }
    }
}

TEST(BoardOverlayTest, SellInsideTheSpreadBecomesTheBestAskAndDropsTheFifth) {
    Board b = SampleBoard();
    b[0] = 502;  // spread 500 / 502 … 506
    for (int i = 1; i < 5; ++i) b[static_cast<std::size_t>(i)] = static_cast<float>(502 + i);
    LayOverlay(b, Overlay({{300, 501, true}}), false);
    EXPECT_EQ(b[0], 501);
    EXPECT_EQ(b[10], 300);
    EXPECT_EQ(b[1], 502);
    EXPECT_EQ(b[11], 100);
    EXPECT_EQ(b[4], 505);  // 506 dropped off
    EXPECT_EQ(b[14], 400);
}

TEST(BoardOverlayTest, BuysJoinTheirLevelAndOutsideOrdersShowOnlyBeforeTheOpen) {
    Board b = SampleBoard();
    LayOverlay(b, Overlay({{200, 498, false}, {100, 495, false}}), false);
    EXPECT_EQ(b[17], 3200);  // joined 498
    EXPECT_EQ(b[9], 496);    // 495 lies beyond the fifth bid
    EXPECT_EQ(b[19], 5000);

    // A sell below the best bid is shown only before the open, on the best ask.
    Board open = SampleBoard();
    LayOverlay(open, Overlay({{700, 499, true}}), false);
    EXPECT_EQ(open, SampleBoard());
    Board preOpen = SampleBoard();
    LayOverlay(preOpen, Overlay({{700, 499, true}, {50, 0, true}, {60, 0, false}}), true);
    EXPECT_EQ(preOpen[10], 100 + 700 + 50);  // market sells join the best ask
    EXPECT_EQ(preOpen[15], 1000);            // a market buy is not shown
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
    EXPECT_EQ(b[17], 3100);
    EXPECT_EQ(b[18], 4000);  // after the empty entry nothing counts
}

TEST(BoardCorrectionTest, PrintAtTheThirdAskEmptiesTheNearerLevelsAndRefillsAbove) {
    Board b = SampleBoard();
    ScriptedRandom random;
    板補正(b, 100, 503, {false, 50'000, 100, random});
    // 503 keeps 200; 504 and 505 follow; two levels are synthesised at 506 and 507.
    EXPECT_EQ(b[0], 503);
    EXPECT_EQ(b[10], 200);
    EXPECT_EQ(b[1], 504);
    EXPECT_EQ(b[2], 505);
    EXPECT_EQ(b[3], 506);
    EXPECT_EQ(b[4], 507);
    EXPECT_EQ(random.count, 2);
    EXPECT_EQ(b[5], 500);  // bids untouched
    ExpectOrdered(b);
}

TEST(BoardCorrectionTest, PrintAboveTheFifthAskSweepsTheSellSide) {
    Board b = SampleBoard();
    ScriptedRandom random;
    板補正(b, 5000, 510, {false, 50'000, 100, random});
    for (int i = 0; i < 5; ++i) EXPECT_EQ(b[static_cast<std::size_t>(i)], 510 + i) << i;
    EXPECT_EQ(random.count, 5);
    ExpectOrdered(b);

    // Below the fifth bid the buy side goes; each level below is one step of the price a yen
    // lower, so 3000 steps down by the 1-yen step.
    Board high{};
    high[0] = 3035;
    high[10] = 100;
    for (int i = 5; i < 10; ++i) {
        high[static_cast<std::size_t>(i)] = static_cast<float>(3030 - (i - 5) * 5);
        high[static_cast<std::size_t>(i + 10)] = 100;
    }
    板補正(high, 100, 3005, {false, 0, 100, random});
    EXPECT_EQ(high[5], 3005);
    EXPECT_EQ(high[6], 3000);
    EXPECT_EQ(high[7], 2999);
    EXPECT_EQ(high[9], 2997);
    EXPECT_EQ(high[0], 3035);
    ExpectOrdered(high);
}

TEST(BoardCorrectionTest, BuySidePrintsAndALockedBoardConsumeTheNearerLevels) {
    ScriptedRandom random;
    Board b = SampleBoard();
    板補正(b, 1000, 498, {false, 10'000, 100, random});  // the third bid
    EXPECT_EQ(b[5], 498);
    EXPECT_EQ(b[15], 2000);  // 500 and 499 are gone, 498 keeps 2,000
    EXPECT_EQ(b[0], 501);    // asks untouched
    ExpectOrdered(b);

    // Best ask equal to best bid: a print into the asks also empties the best bid.
    Board locked = SampleBoard();
    for (int i = 0; i < 5; ++i) locked[static_cast<std::size_t>(i)] = static_cast<float>(500 + i);
    板補正(locked, 100, 502, {false, 10'000, 100, random});
    EXPECT_EQ(locked[0], 502);
    EXPECT_NE(locked[5], 500);  // the bid at 500 lost its quantity and left the side
}

TEST(BoardOverlayTest, APreOpenBuyAboveTheBestAskJoinsTheBestBid) {
    Board b = SampleBoard();
    LayOverlay(b, Overlay({{400, 502, false}}), true);
    EXPECT_EQ(b[15], 1400);
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
        const float q = SyntheticQuantity(50'000, 100, any);
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
        EXPECT_EQ(shown[16], 2000 + 300) << print;  // the recorded bid and the order, once
        EXPECT_EQ(market[16], 2000) << print;       // the market's board never carries it
        ExpectOrdered(shown);
    }
    // A print that takes the market's whole level leaves the order alone at its price.
    板補正(market, 2000, 499, {false, 10'000, 100, random});
    const Board shown = WithOverlay(market, mine, false);
    EXPECT_EQ(shown[5], 499);
    EXPECT_EQ(shown[15], 300);
}

TEST(BoardOverlayTest, AnEmptyFifthLevelOrAnEmptySideBoundsNothing) {
    // Two asks only: a sell beyond them is the next level, not "above the fifth".
    Board thin = SampleBoard();
    for (int i = 2; i < 5; ++i) thin[static_cast<std::size_t>(i)] = thin[static_cast<std::size_t>(i + 10)] = 0;
    LayOverlay(thin, Overlay({{300, 505, true}, {100, 502, true}}), false);
    EXPECT_EQ(thin[2], 505);
    EXPECT_EQ(thin[12], 300);
    EXPECT_EQ(thin[11], 200 + 100);
    ExpectOrdered(thin);

    // The upper price limit: no asks at all, the best bid is the limit. A sell there is the best
    // ask and a buy there joins the bid; orders beyond the limit are not shown.
    const PriceBand band{490, 500};
    Board limitUp = SampleBoard();
    for (int i = 0; i < 5; ++i) limitUp[static_cast<std::size_t>(i)] = limitUp[static_cast<std::size_t>(i + 10)] = 0;
    LayOverlay(limitUp, Overlay({{100, 510, true}, {100, 500, true}, {400, 500, false}, {200, 501, false}}), false, band);
    EXPECT_EQ(limitUp[0], 500);
    EXPECT_EQ(limitUp[10], 100);
    EXPECT_EQ(limitUp[1], 0);
    EXPECT_EQ(limitUp[5], 500);
    EXPECT_EQ(limitUp[15], 1000 + 400);
    ExpectOrdered(limitUp);

    // A thin book away from the limits: an empty ask side bounds nothing.
    Board thinAsks = SampleBoard();
    for (int i = 0; i < 5; ++i) thinAsks[static_cast<std::size_t>(i)] = thinAsks[static_cast<std::size_t>(i + 10)] = 0;
    LayOverlay(thinAsks, Overlay({{100, 510, true}, {200, 501, false}}), false, {400, 600});
    EXPECT_EQ(thinAsks[0], 510);
    EXPECT_EQ(thinAsks[5], 501);  // a buy above the best bid is the new best bid
    EXPECT_EQ(thinAsks[15], 200);
    ExpectOrdered(thinAsks);

    // Orders without a price show only before the open, never as a level at 0 on a thin side.
    Board empty{};
    empty[5] = 500;
    empty[15] = 100;
    LayOverlay(empty, Overlay({{100, 0, true}, {200, 0, false}}), false);
    EXPECT_EQ(empty[10], 0);
    EXPECT_EQ(empty[16], 0);

    // The lower limit, the other way round.
    Board limitDown = SampleBoard();
    for (int i = 5; i < 10; ++i) limitDown[static_cast<std::size_t>(i)] = limitDown[static_cast<std::size_t>(i + 10)] = 0;
    LayOverlay(limitDown, Overlay({{100, 490, false}, {300, 501, false}, {400, 501, true}, {200, 500, true}}), false,
               PriceBand{501, 600});
    EXPECT_EQ(limitDown[5], 501);
    EXPECT_EQ(limitDown[15], 300);
    EXPECT_EQ(limitDown[6], 0);
    EXPECT_EQ(limitDown[0], 501);
    EXPECT_EQ(limitDown[10], 100 + 400);
    ExpectOrdered(limitDown);
}

TEST(BoardCorrectionTest, SyntheticLevelsOfDecimalPricesStayOnTheTickGrid) {
    // Fine ticks: 0.1 yen below 1,000, 0.5 yen from 1,000. A print beyond the fifth level sweeps
    // the side and the refill walks the grid across the band boundary.
    ScriptedRandom random;
    Board up{};
    for (int i = 0; i < 5; ++i) {
        up[static_cast<std::size_t>(i)] = 999.0f + 0.1f * static_cast<float>(i);
        up[static_cast<std::size_t>(i + 10)] = 100;
        up[static_cast<std::size_t>(i + 5)] = 998.9f - 0.1f * static_cast<float>(i);
        up[static_cast<std::size_t>(i + 15)] = 100;
    }
    板補正(up, 500, 999.8f, {true, 10'000, 100, random});
    const float asks[] = {999.8f, 999.9f, 1000.0f, 1000.5f, 1001.0f};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(up[static_cast<std::size_t>(i)], asks[i]) << i;

    Board down{};
    down[0] = 1003.5f;
    down[10] = 100;
    for (int i = 5; i < 10; ++i) {
        down[static_cast<std::size_t>(i)] = 1003.0f - 0.5f * static_cast<float>(i - 5);
        down[static_cast<std::size_t>(i + 10)] = 100;
    }
    板補正(down, 100, 1000.5f, {true, 10'000, 100, random});
    const float bids[] = {1000.5f, 1000.0f, 999.9f, 999.8f, 999.7f};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(down[static_cast<std::size_t>(i + 5)], bids[i]) << i;
    // Whatever the walk, every level equals the price a print or a limit typed there reads as.
    for (int i = 0; i < 10; ++i) {
        const float p = down[static_cast<std::size_t>(i)];
        EXPECT_EQ(p, static_cast<float>(std::round(static_cast<double>(p) * 10) / 10)) << i;
    }
}

TEST(BoardDisplayTest, CellsPatternsHighlightAndInstantReflection) {
    BoardCells cells;
    Board b = SampleBoard();
    ShowBoard(cells, b, false);
    EXPECT_EQ(cells.text[0], "501");
    EXPECT_EQ(cells.text[15], "1,000");
    b[10] = 0;
    b[0] = 0;
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
        after[static_cast<std::size_t>(i)] = before[static_cast<std::size_t>(i + 1)];
        after[static_cast<std::size_t>(10 + i)] = before[static_cast<std::size_t>(11 + i)];
    }
    after[4] = 506;
    after[14] = 900;
    after[11] = 999;  // 503 changed
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

}  // namespace
}  // namespace corvala
