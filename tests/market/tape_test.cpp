// The estimated tape: opening prints, swept levels, the re-synchronising remainder, piece
// splitting and the sub-second times.

#include "market/tape.h"

#include <gtest/gtest.h>

#include <deque>
#include <memory>

#include "data/day_series.h"
#include "test_support.h"

namespace corvala {
namespace {

class ScriptedRandom final : public Random {
public:
    explicit ScriptedRandom(std::deque<double> draws = {}, double then = 0.0)
        : draws_(std::move(draws)), then_(then) {}
    double Next() override {
        if (draws_.empty()) return then_;
        const double v = draws_.front();
        draws_.pop_front();
        return v;
    }

private:
    std::deque<double> draws_;
    double then_;
};

class TapeTest : public ::testing::Test {
protected:
    TapeTest() : stock(std::make_unique<DaySeries>()) {
        for (int r = 0; r < kMaxRows; ++r)
            stock->timeText[static_cast<std::size_t>(r)] = test::DayFileBuilder::TimeOfRow(r);
        stock->open = 498;
    }
    // Row r trades at `price` with `cumUnits` units so far and the sample board.
    void Row(int r, float price, double cumUnits) {
        stock->price[static_cast<std::size_t>(r)] = price;
        stock->cumVolume[static_cast<std::size_t>(r)] = cumUnits;
        BoardRow& b = stock->board[static_cast<std::size_t>(r)];
        for (int i = 0; i < 5; ++i) {
            b[static_cast<std::size_t>(i)] = price + 1 + static_cast<float>(i);
            b[static_cast<std::size_t>(5 + i)] = price - static_cast<float>(i);
            b[static_cast<std::size_t>(10 + i)] = 200;
            b[static_cast<std::size_t>(15 + i)] = 200;
        }
    }
    std::vector<std::string> Estimate(int r, Random& random) {
        DayTape tape;
        TapeEstimator e(*stock, 100, random, tape);
        e.EstimateStepTape(r);
        return tape.lines();
    }

    std::unique_ptr<DaySeries> stock;
};

TEST_F(TapeTest, NoVolumeNoTradeOrANegativeVolumeGivesNoLine) {
    ScriptedRandom random;
    Row(10, 500, 50);
    Row(11, 501, 50);
    EXPECT_TRUE(Estimate(10, random).empty());
    Row(11, 0, 60);  // no trade in the next row
    EXPECT_TRUE(Estimate(10, random).empty());
    Row(11, 501, 0);  // a row without its cumulative volume
    EXPECT_TRUE(Estimate(10, random).empty());
}

TEST_F(TapeTest, FirstTradedRowIsOneOpeningLineAtTheDayOpen) {
    ScriptedRandom random;
    Row(0, 0, 0);
    Row(1, 500, 37);
    EXPECT_EQ(Estimate(0, random), std::vector<std::string>{"09:00:00 3,700 498"});
    // A day whose open is not known opens at its first trade, never at no price.
    stock->open = 0;
    stock->firstPrice = 500;
    EXPECT_EQ(Estimate(0, random), std::vector<std::string>{"09:00:00 3,700 500"});
    stock->firstPrice = 1001.5f;  // a decimal stock's open keeps its fraction
    EXPECT_EQ(Estimate(0, random), std::vector<std::string>{"09:00:00 3,700 1,001.5"});
}

TEST_F(TapeTest, AnOpeningAuctionInTheFirstSnapshotIsPrintedFirst) {
    ScriptedRandom random({0.0}, 0.0);
    Row(0, 500, 240);
    Row(1, 500, 240);
    EXPECT_EQ(Estimate(0, random), std::vector<std::string>{"09:00:00 24,000 498"});
}

TEST_F(TapeTest, TheAfternoonAuctionIsTheOpeningLineAtTwelveThirty) {
    // Row 1800 already holds the afternoon's auction, as row 0 holds the morning's: the volume
    // traded over the lunch break is one line at 12:30:00 at row 1800's price, never a print
    // before lunch.
    Row(1798, 499, 80);
    Row(1799, 500, 90);
    Row(1800, 502, 100);
    Row(1801, 505, 103);
    ScriptedRandom random;
    DayTape tape;
    TapeEstimator e(*stock, 100, random, tape);
    e.EstimateStepTape(1798);  // the morning's last step, as usual
    const int morning = tape.size();
    ASSERT_GT(morning, 0);
    e.EstimateStepTape(1799);
    EXPECT_EQ(tape.size(), morning);
    EXPECT_FALSE(e.afternoonOpened());
    e.EstimateStepTape(1800);
    ASSERT_GT(tape.size(), morning + 1);
    EXPECT_EQ(tape.lines()[static_cast<std::size_t>(morning)], "12:30:00 1,000 502");
    EXPECT_TRUE(e.afternoonOpened());
    // The rest of the first afternoon step is distributed from 502 to 505, carrying its volume.
    double rest = 0;
    for (std::size_t i = static_cast<std::size_t>(morning) + 1; i < tape.lines().size(); ++i) {
        const auto line = ReadTapeLine(tape.lines()[i]);
        ASSERT_TRUE(line);
        EXPECT_EQ(line->time.substr(0, 6), "12:30:");
        rest += line->volume.value_or(0);
    }
    EXPECT_EQ(rest, 300);
}

TEST_F(TapeTest, AnAfternoonWithoutAnAuctionOpensAtItsFirstPricedStep) {
    ScriptedRandom random;
    Row(1799, 500, 90);
    Row(1800, 500, 90);  // nothing traded over lunch
    Row(1801, 505, 93);
    Row(1802, 506, 94);
    DayTape tape;
    TapeEstimator e(*stock, 100, random, tape);
    e.EstimateStepTape(1799);
    e.EstimateStepTape(1800);
    EXPECT_EQ(tape.lines(), std::vector<std::string>{"12:30:00 300 505"});
    EXPECT_TRUE(e.afternoonOpened());
    e.EstimateStepTape(1801);  // the next one is distributed as usual
    EXPECT_GT(tape.size(), 1);
    EXPECT_NE(tape.lines().back().find("506.0"), std::string::npos);
}

TEST_F(TapeTest, VolumeBeyondTheSweptLevelsEndsWithAMarkedRemainder) {
    // 300 shares rising 500 → 501 with 200 recorded at 501: 200 at 501, then 100 at 501 " @".
    Row(20, 500, 10);
    Row(21, 501, 13);
    ScriptedRandom random({0.0, 0.0, 0.0, 0.0});  // one piece each
    EXPECT_EQ(Estimate(20, random),
              (std::vector<std::string>{"09:01:40 200 501.0", "09:01:41 100 501.0 @"}));
}

TEST_F(TapeTest, VolumeBelowTheSweptLevelsKeepsAPartForTheNewPrice) {
    // Falling 500 → 498: the levels at 499 and 498 (200 each) hold 400 shares; 300 traded.
    Row(30, 500, 10);
    Row(31, 498, 13);
    ScriptedRandom random({0.0}, 0.0);  // k = 1 unit kept; every split one piece
    const auto lines = Estimate(30, random);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].substr(9), "200 499.0");
    EXPECT_EQ(lines[1].substr(9), "100 498.0");
    for (const auto& l : lines) EXPECT_EQ(l.find('@'), std::string::npos);
}

TEST_F(TapeTest, WalksTheLevelsInPriceOrderOfTheMove) {
    ScriptedRandom random({}, 0.0);  // one piece each
    Row(40, 500, 10);
    Row(41, 503, 17);  // rising through the asks at 501, 502 and 503, 700 shares
    std::vector<std::string> prices;
    for (const auto& l : Estimate(40, random)) prices.push_back(l.substr(9));
    EXPECT_EQ(prices, (std::vector<std::string>{"200 501.0", "200 502.0", "200 503.0", "100 503.0 @"}));

    prices.clear();
    Row(41, 497, 17);  // falling through the bids at 499, 498 and 497
    for (const auto& l : Estimate(40, random)) prices.push_back(l.substr(9));
    EXPECT_EQ(prices, (std::vector<std::string>{"200 499.0", "200 498.0", "200 497.0", "100 497.0 @"}));

    prices.clear();
    Row(41, 500, 13);  // unchanged: the level at the price itself
    for (const auto& l : Estimate(40, random)) prices.push_back(l.substr(9));
    EXPECT_EQ(prices, (std::vector<std::string>{"200 500.0", "100 500.0 @"}));
}

TEST_F(TapeTest, LessThanTheLevelsHoldKeepsSeveralUnitsForTheNewPrice) {
    Row(50, 500, 10);
    Row(51, 497, 15);                          // 500 shares against 600 held
    ScriptedRandom random({0.9999}, 0.0);      // k = ⌊0.9999 × 5 / 3⌋ + 1 = 2 units kept
    std::vector<std::string> prices;
    for (const auto& l : Estimate(50, random)) prices.push_back(l.substr(9));
    EXPECT_EQ(prices, (std::vector<std::string>{"200 499.0", "100 498.0", "200 497.0"}));
}

TEST_F(TapeTest, FractionalUnitsRoundAndAnOddLotIsStillPrinted) {
    ScriptedRandom random({}, 0.0);
    Row(60, 500, 12345.1);
    Row(61, 501, 12345.2);  // 10 shares, not 9 by truncation
    const auto lines = Estimate(60, random);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].substr(9), "10 501.0");  // below the 200 held at 501: no remainder
}

TEST_F(TapeTest, ARowWithoutATradeLaterInTheDayIsNoSecondOpening) {
    ScriptedRandom random({}, 0.0);
    DayTape tape;
    TapeEstimator e(*stock, 100, random, tape);
    Row(0, 0, 0);
    Row(1, 500, 50);
    e.EstimateStepTape(0);
    Row(2000, 0, 900);
    Row(2001, 505, 903);
    e.EstimateStepTape(2000);
    ASSERT_EQ(tape.size(), 2);
    EXPECT_EQ(tape.lines()[1].substr(9), "300 505");  // the step's volume, not the day's
}

TEST_F(TapeTest, SplitPrintPiecesAndTimes) {
    // Six pieces drawn for two units: two pieces.
    {
        ScriptedRandom random({0.9999}, 0.0);
        DayTape tape;
        TapeEstimator e(*stock, 100, random, tape);
        e.SplitPrint("10:00:00", 200, 500, false);
        EXPECT_EQ(tape.size(), 2);
    }
    // Halves round to even: 2.5 units → two pieces.
    {
        ScriptedRandom random({0.9999}, 0.0);
        DayTape tape;
        TapeEstimator e(*stock, 100, random, tape);
        e.SplitPrint("10:00:00", 250, 500, false);
        EXPECT_EQ(tape.size(), 2);
    }
    // Second 57 with the offset at 4.4: second 59, never 60.
    {
        ScriptedRandom random({0.0}, 0.9999);
        DayTape tape;
        TapeEstimator e(*stock, 100, random, tape);
        for (int i = 0; i < 6; ++i) e.SplitPrint("10:00:57", 100, 500, false);
        for (const auto& line : tape.lines()) EXPECT_LE(line.substr(0, 8), "10:00:59") << line;
        EXPECT_EQ(tape.lines().back().substr(0, 8), "10:00:59");
        EXPECT_EQ(e.subSecondOffset(), 2.0);  // held at the minute's last second
    }
    // Successive prints of a step pile up at 4.4 s.
    {
        ScriptedRandom random({0.0, 0.9999, 0.0, 0.9999, 0.0, 0.9999, 0.0, 0.9999, 0.0, 0.9999});
        DayTape tape;
        TapeEstimator e(*stock, 100, random, tape);
        for (int i = 0; i < 5; ++i) e.SplitPrint("10:00:10", 100, 500, false);
        EXPECT_EQ(e.subSecondOffset(), 4.4);
        std::vector<std::string> seconds;
        for (const auto& l : tape.lines()) seconds.push_back(l.substr(6, 2));
        EXPECT_EQ(seconds, (std::vector<std::string>{"11", "12", "13", "14", "14"}));
    }
    // From 15:00 every line reads 15:00:00.
    {
        ScriptedRandom random({0.0}, 0.0);
        DayTape tape;
        TapeEstimator e(*stock, 100, random, tape);
        e.SplitPrint("15:00:01", 100, 500, false);
        EXPECT_EQ(tape.lines()[0].substr(0, 8), "15:00:00");
    }
}

TEST_F(TapeTest, SplitPrintKeepsTheVolumeAndThePieceSizes) {
    for (double r : {0.0, 0.13, 0.37, 0.5, 0.71, 0.93, 0.9999}) {
        ScriptedRandom random({}, r);
        DayTape tape;
        TapeEstimator e(*stock, 100, random, tape);
        e.SplitPrint("11:00:00", 12'300, 1234.5f, true);
        double sum = 0;
        for (const auto& line : tape.lines()) {
            const auto t = ReadTapeLine(line);
            ASSERT_TRUE(t && t->volume && t->price) << line;
            EXPECT_EQ(*t->price, 1234.5);
            EXPECT_TRUE(t->resync);
            EXPECT_EQ(static_cast<long>(*t->volume) % 100, 0);
            sum += *t->volume;
        }
        EXPECT_EQ(sum, 12'300) << r;
        EXPECT_LE(e.subSecondOffset(), 4.4);
    }
}

TEST(TapeLineTest, ReadsTheFormatsItWrites) {
    auto t = ReadTapeLine("09:00:01 1,200 3,263.0 @");
    ASSERT_TRUE(t);
    EXPECT_EQ(t->seconds, 9 * 3600 + 1);
    EXPECT_EQ(*t->volume, 1200);
    EXPECT_EQ(*t->price, 3263);
    EXPECT_TRUE(t->resync);
    t = ReadTapeLine("09:00:00 3,700 498");
    ASSERT_TRUE(t);
    EXPECT_FALSE(t->resync);
    EXPECT_FALSE(ReadTapeLine(""));
    EXPECT_FALSE(ReadTapeLine("abc 100 500"));
    t = ReadTapeLine("09:00:00 x");
    ASSERT_TRUE(t);
    EXPECT_FALSE(t->volume);
    EXPECT_FALSE(t->price);
}

TEST(DayTapeTest, RefusesLinesBeyondItsSize) {
    DayTape tape;
    for (int i = 0; i < kMaxTapeLines; ++i) ASSERT_TRUE(tape.Add("09:00:00 100 500.0"));
    EXPECT_FALSE(tape.Add("09:00:00 100 500.0"));
    EXPECT_EQ(tape.size(), kMaxTapeLines);
    EXPECT_EQ(tape.refused(), 1);
    EXPECT_EQ(tape.At(kMaxTapeLines), "");
}

}  // namespace
}  // namespace corvala
