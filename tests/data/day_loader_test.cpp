#include "data/day_loader.h"

#include <gtest/gtest.h>

#include <cmath>

#include "test_support.h"

namespace corvala {
namespace {

using test::DayFileBuilder;

class DayLoaderTest : public ::testing::Test {
protected:
    std::string Parse(const DayFileBuilder& b, SeriesSlot slot = SeriesSlot::DayStock,
                      SeriesKind kind = SeriesKind::Stock, int barLength = 5) {
        day[slot].kind = kind;
        return ParseDayFile(b.Bytes(), slot, barLength, day);
    }
    DayData day;
};

TEST_F(DayLoaderTest, OnlyStocksAndTheFuturesCarryVolume) {
    DayFileBuilder b;  // column 5 holds a growing number on every line
    ASSERT_EQ(Parse(b, SeriesSlot::DayIndex, SeriesKind::Nikkei225), "");
    EXPECT_EQ(day[SeriesSlot::DayIndex].finalVolume, 0);
    EXPECT_EQ(day[SeriesSlot::DayIndex].maxBarVolume, 0);
    EXPECT_EQ(day[SeriesSlot::DayIndex].bars[3].volume, 0);
    ASSERT_EQ(Parse(b, SeriesSlot::DayIndex, SeriesKind::Futures), "");
    EXPECT_GT(day[SeriesSlot::DayIndex].finalVolume, 0);
    EXPECT_GT(day[SeriesSlot::DayIndex].bars[3].volume, 0);
}

TEST_F(DayLoaderTest, FirstPricedRowTakesTheOpeningPriceOfColumnSix) {
    DayFileBuilder b;
    b.Set(0, 3, "-").Set(0, 6, "").Set(0, 2, "");
    b.Set(1, 3, "1010").Set(1, 6, "1005");
    b.Set(2, 3, "1020").Set(2, 6, "999");  // a later row's column 6 is ignored
    ASSERT_EQ(Parse(b), "");
    const DaySeries& s = day[SeriesSlot::DayStock];
    EXPECT_EQ(s.price[0], 0);
    EXPECT_EQ(s.price[1], 1005);
    EXPECT_EQ(s.price[2], 1020);
    EXPECT_EQ(s.firstPrice, 1010);
    EXPECT_EQ(s.bars[0].open, 1005);
    EXPECT_EQ(s.high, 1020);
    EXPECT_EQ(s.low, 1000);  // column 3 counts, not the opening price
    EXPECT_EQ(s.open, 1000);  // the day's open is the closing line's column 6
    // A closing line with a blank open: the day opened where its first priced row says.
    for (int line = 3; line < b.lines(); ++line) b.Set(line, 6, "");
    ASSERT_EQ(Parse(b), "");
    EXPECT_EQ(day[SeriesSlot::DayStock].open, 1005);
    b.Set(1, 6, "");
    ASSERT_EQ(Parse(b), "");
    EXPECT_EQ(day[SeriesSlot::DayStock].open, 1010);  // no open anywhere: the first trade
}

TEST_F(DayLoaderTest, RowsWithoutTradeKeepPriceZeroAndEmptyBarsCarryTheClose) {
    DayFileBuilder b;
    for (int r = 60; r < 120; ++r) b.Set(r, 3, r % 2 ? "-" : "0");  // bar 1 has no trade
    b.Set(59, 3, "1040");
    b.Set(130, 3, "1");  // one low print in bar 2
    ASSERT_EQ(Parse(b), "");
    const DaySeries& s = day[SeriesSlot::DayStock];
    EXPECT_EQ(s.price[60], 0);
    EXPECT_EQ(s.price[61], 0);
    EXPECT_EQ(s.bars[1].open, 1040);
    EXPECT_EQ(s.bars[1].high, 1040);
    EXPECT_EQ(s.bars[1].low, 1040);
    EXPECT_EQ(s.bars[1].close, 1040);
    EXPECT_EQ(s.low, 1);
    EXPECT_EQ(s.bars[2].low, 1);
}

TEST_F(DayLoaderTest, DecreasingCumulativeVolumeRepeatsThePreviousRow) {
    DayFileBuilder b;
    b.Set(10, 5, "5000");  // below row 9's 10000
    b.Set(11, 5, "-");
    b.Set(12, 5, "abc");
    ASSERT_EQ(Parse(b), "");
    const DaySeries& s = day[SeriesSlot::DayStock];
    EXPECT_EQ(s.cumVolume[9], 100);
    EXPECT_EQ(s.cumVolume[10], 100);
    EXPECT_EQ(s.cumVolume[11], 0);
    EXPECT_EQ(s.cumVolume[12], 0);
    EXPECT_EQ(s.cumVolume[13], 140);
    // A row without a figure does not make the bar's volume negative.
    for (int t = 0; t < 60; ++t) EXPECT_GE(s.bars[static_cast<std::size_t>(t)].volume, 0) << t;
    EXPECT_EQ(s.bars[0].volume, 600);
    EXPECT_EQ(s.bars[1].volume, 600);
}

TEST_F(DayLoaderTest, IndexVolumesWithoutAUnitStayInShares) {
    DayFileBuilder b;
    b.SetAll(34, "-");
    ASSERT_EQ(Parse(b, SeriesSlot::DayIndex, SeriesKind::Futures), "");
    const DaySeries& s = day[SeriesSlot::DayIndex];
    EXPECT_EQ(s.cumVolume[0], 1000);
    EXPECT_EQ(s.bars[0].volume, 60000);
    EXPECT_EQ(s.finalVolume, 3601000);
    EXPECT_EQ(s.open, s.firstPrice);  // the futures open at their first trade
    EXPECT_EQ(s.board[0][0], 1001);   // the futures keep their board
    EXPECT_EQ(s.tradingUnit, 0);      // only a stock takes its unit from the file
}

TEST_F(DayLoaderTest, ClosingSnapshotAlwaysLandsInRow3599) {
    for (int rows : {3000, 3600, 3700}) {
        DayFileBuilder b(rows);
        b.Set(rows, 3, "1111").Set(rows, 5, "9999900").Set(rows, 14, "1112");
        ASSERT_EQ(Parse(b), "") << rows;
        const DaySeries& s = day[SeriesSlot::DayStock];
        EXPECT_EQ(s.price[3599], 1111) << rows;
        EXPECT_EQ(s.cumVolume[3599], 99999) << rows;
        EXPECT_EQ(s.board[3599][0], 1112) << rows;
        EXPECT_EQ(s.close, 1111) << rows;
        EXPECT_EQ(s.lastRow, rows) << rows;
        EXPECT_EQ(s.bars[59].close, 1111) << rows;
        EXPECT_EQ(s.bars[59].high, 1111) << rows;
        EXPECT_EQ(s.bars[59].cumVolume, 99999) << rows;
        EXPECT_EQ(s.finalVolume, 99999) << rows;
    }
}

TEST_F(DayLoaderTest, StaleLastTradeDoesNotOpenTheNextBar) {
    DayFileBuilder b;
    // Bar 29 (11:25–11:30): the snapshots go on, the last trade stays at 11:20.
    for (int r = 1740; r < 1800; ++r) b.Set(r, 2, "11:20").Set(r, 3, "1200");
    ASSERT_EQ(Parse(b), "");
    const DaySeries& s = day[SeriesSlot::DayStock];
    EXPECT_EQ(s.bars[29].open, s.bars[28].close);
    EXPECT_EQ(s.bars[29].high, 1000);
    EXPECT_EQ(s.lastTradeSeconds[1799], 40800);
    EXPECT_EQ(s.high, 1200);  // the day's high still sees the price
}

TEST_F(DayLoaderTest, LastTradeTimeRules) {
    DayFileBuilder b;
    b.Set(3, 2, "");         // blank: the snapshot's own time, seconds dropped
    b.Set(4, 2, "garbage");  // unreadable: the previous value stays
    b.Set(5, 2, "09:03:45");
    ASSERT_EQ(Parse(b), "");
    const DaySeries& s = day[SeriesSlot::DayStock];
    EXPECT_EQ(s.lastTradeSeconds[3], 32400);
    EXPECT_EQ(s.lastTradeSeconds[4], 32400);
    EXPECT_EQ(s.lastTradeSeconds[5], 32580);
}

TEST_F(DayLoaderTest, PrimeIndexOpensAtColumnSixTimesHundred) {
    DayFileBuilder b;
    b.SetAll(34, "-").Set(b.closingLine(), 6, "12.5");
    ASSERT_EQ(Parse(b, SeriesSlot::DayIndex, SeriesKind::Prime), "");
    EXPECT_EQ(day[SeriesSlot::DayIndex].open, 1250);
    EXPECT_EQ(day[SeriesSlot::DayIndex].price[0], 100000);  // the first row's open, scaled too
    EXPECT_EQ(day[SeriesSlot::DayIndex].bars[0].open, 100000);
    ASSERT_EQ(Parse(b, SeriesSlot::DayIndex, SeriesKind::Topix), "");
    EXPECT_EQ(day[SeriesSlot::DayIndex].open, 12.5);
    EXPECT_EQ(day[SeriesSlot::DayIndex].prevClose, 0);  // TOPIX takes no previous close
    ASSERT_EQ(Parse(b, SeriesSlot::DayIndex, SeriesKind::Nikkei225), "");
    EXPECT_EQ(day[SeriesSlot::DayIndex].prevClose, 990);
    EXPECT_EQ(day[SeriesSlot::DayIndex].board[0][0], 0);  // an index keeps no board
}

TEST_F(DayLoaderTest, DecimalPointBeforeTheLastFiveCharactersMeansDecimalPrices) {
    DayFileBuilder plain;
    plain.SetAll(35, "1000.5");  // the VWAP's point sits in the last five characters
    ASSERT_EQ(Parse(plain), "");
    EXPECT_FALSE(day.decimalPrices);
    EXPECT_FALSE(day.fineTickMode);

    DayFileBuilder decimal;
    decimal.Set(100, 3, "1000.5");
    ASSERT_EQ(Parse(decimal), "");
    EXPECT_TRUE(day.decimalPrices);
    EXPECT_TRUE(day.fineTickMode);
    EXPECT_FLOAT_EQ(day[SeriesSlot::DayStock].price[100], 1000.5f);

    // The previous day's stock never sets the flags.
    ASSERT_EQ(Parse(decimal, SeriesSlot::PrevStock), "");
    EXPECT_TRUE(day.decimalPrices);
}

TEST_F(DayLoaderTest, OffGridPriceAboveThreeThousandSetsOnlyFineTickMode) {
    DayFileBuilder onGrid;
    onGrid.SetAll(3, "3005");
    ASSERT_EQ(Parse(onGrid), "");
    EXPECT_FALSE(day.fineTickMode);
    DayFileBuilder offGrid;
    offGrid.SetAll(3, "3005").Set(200, 3, "3001");
    ASSERT_EQ(Parse(offGrid), "");
    EXPECT_TRUE(day.fineTickMode);
    EXPECT_FALSE(day.decimalPrices);
    DayFileBuilder below;  // below 3000 the standard step is 1: nothing is off the grid
    below.SetAll(3, "2999");
    ASSERT_EQ(Parse(below), "");
    EXPECT_FALSE(day.fineTickMode);
    // A day that never trades shows its steps in its quotes: an ask of 3,103 is on no
    // standard step, so the board is not off the grid.
    DayFileBuilder quoted;
    quoted.SetAll(3, "-").SetAll(14, "3105").Set(0, 14, "3103");
    ASSERT_EQ(Parse(quoted), "");
    EXPECT_TRUE(day.fineTickMode);
    DayFileBuilder quotedOnGrid;
    quotedOnGrid.SetAll(3, "-").SetAll(14, "3105");
    ASSERT_EQ(Parse(quotedOnGrid), "");
    EXPECT_FALSE(day.fineTickMode);
}

TEST_F(DayLoaderTest, LateOpeningLeavesTheFirstBarEmpty) {
    DayFileBuilder b;
    for (int r = 0; r < 90; ++r) b.Set(r, 3, "-").Set(r, 5, "-").Set(r, 6, "").Set(r, 2, "");
    b.SetAll(6, "1003");
    for (int r = 0; r < 90; ++r) b.Set(r, 6, "");
    ASSERT_EQ(Parse(b), "");
    const DaySeries& s = day[SeriesSlot::DayStock];
    EXPECT_EQ(s.bars[0].open, 0);
    EXPECT_EQ(s.bars[0].close, 0);
    EXPECT_EQ(s.bars[1].open, 1003);  // the day's first bar opens at column 6
    EXPECT_EQ(s.price[90], 1003);
    EXPECT_EQ(s.firstPrice, 1000);
    EXPECT_EQ(s.open, 1003);
}

TEST_F(DayLoaderTest, UnitVwapAndBoardWidthComeFromTheFile) {
    DayFileBuilder b(3600, 35);
    b.SetAll(34, "1000").Set(7, 31, "1234567");
    ASSERT_EQ(Parse(b), "");
    EXPECT_FALSE(day.hasVwapColumn);
    EXPECT_EQ(day.tradingUnit, 1000);
    EXPECT_EQ(day[SeriesSlot::DayStock].cumVolume[0], 1);
    EXPECT_DOUBLE_EQ(day.buyQtyCellWidth, 1073.73);

    DayFileBuilder v;
    v.Set(3, 35, "1001.5").Set(4, 35, "-").SetAll(34, "-");
    DayData fresh;
    ASSERT_EQ(ParseDayFile(v.Bytes(), SeriesSlot::DayStock, 5, fresh), "");
    EXPECT_TRUE(fresh.hasVwapColumn);
    EXPECT_FLOAT_EQ(fresh[SeriesSlot::DayStock].vwap[3], 1001.5f);
    EXPECT_EQ(fresh[SeriesSlot::DayStock].vwap[4], 0);
    EXPECT_EQ(fresh.tradingUnit, 1);  // "-" is one share, as the volumes are counted
    EXPECT_DOUBLE_EQ(fresh.buyQtyCellWidth, 746.94);
}

TEST_F(DayLoaderTest, FiguresBeyondFloatRangeAreNotFigures) {
    DayFileBuilder b;
    b.Set(5, 3, "1e300").Set(5, 14, "-1e300").Set(5, 35, "3e39");
    b.Set(b.closingLine(), 3, "1e300");
    ASSERT_EQ(Parse(b), "");
    const DaySeries& s = day[SeriesSlot::DayStock];
    EXPECT_EQ(s.price[5], 0);
    EXPECT_EQ(s.board[5][0], 0);
    EXPECT_EQ(s.vwap[5], 0);
    EXPECT_EQ(s.price[3599], 0);
    for (const float v : {s.high, s.low, s.close, s.bars[0].high})
        EXPECT_TRUE(std::isfinite(v));
}

TEST_F(DayLoaderTest, MalformedFilesAreRejectedWithoutTouchingMemoryBeyondTheSlot) {
    DayFileBuilder good;
    ASSERT_EQ(Parse(good), "");
    ASSERT_TRUE(day[SeriesSlot::DayStock].loaded);

    DayFileBuilder shortLine;
    shortLine.Line(7).resize(34);
    EXPECT_NE(Parse(shortLine).find("8行目"), std::string::npos);
    EXPECT_FALSE(day[SeriesSlot::DayStock].loaded);
    EXPECT_EQ(day[SeriesSlot::DayStock].price[0], 0);  // nothing half-loaded stays

    EXPECT_NE(Parse(DayFileBuilder(3723)).find("3723"), std::string::npos);  // 3724 lines
    EXPECT_EQ(Parse(DayFileBuilder(3722)), "");                            // 3723 lines fit
    EXPECT_FALSE(ParseDayFile(std::string("a,b\0c", 5), SeriesSlot::DayStock, 5, day).empty());
    EXPECT_FALSE(ParseDayFile("", SeriesSlot::DayStock, 5, day).empty());
    EXPECT_FALSE(ParseDayFile("\r\n\r\n", SeriesSlot::DayStock, 5, day).empty());
    EXPECT_FALSE(ParseDayFile(std::string(10000, ','), SeriesSlot::DayStock, 5, day).empty());
}

TEST_F(DayLoaderTest, TrailingBlankLinesAreNotRows) {
    DayFileBuilder b;
    for (const char* tail : {"\r\n\r\n", "\r\n   \r\n", "\r\n\t \r\n\r\n"}) {
        ASSERT_EQ(ParseDayFile(b.Bytes() + tail, SeriesSlot::DayStock, 5, day), "");
        EXPECT_EQ(day[SeriesSlot::DayStock].lastRow, 3600);
        EXPECT_EQ(day[SeriesSlot::DayStock].close, 1000);
    }
}

TEST_F(DayLoaderTest, EveryBarLengthFitsTheBarTable) {
    for (int n : {1, 2, 3, 4, 5, 10}) {
        DayFileBuilder b(3722);
        ASSERT_EQ(Parse(b, SeriesSlot::DayStock, SeriesKind::Stock, n), "") << n;
        const DaySeries& s = day[SeriesSlot::DayStock];
        EXPECT_EQ(s.bars[static_cast<std::size_t>(BarsPerDay(n) - 1)].close, 1000) << n;
        EXPECT_GT(s.maxBarVolume, 0) << n;
    }
    EXPECT_EQ(BarStartSeconds(29, 5), 11 * 3600 + 25 * 60);
    EXPECT_EQ(BarStartSeconds(30, 5), 12 * 3600 + 30 * 60);
    EXPECT_EQ(BarStartSeconds(38, 4), 12 * 3600 + 32 * 60);  // the lunch falls inside bar 37
}

TEST(LoadDaySeriesTest, MissingFilesAndTheMarker) {
    test::TempDir dir;
    DayData day;
    test::WriteFile(dir.Sub("221101/8473.csv"), DayFileBuilder().Bytes());
    test::WriteFile(dir.Sub("221114/データ未取得"), "");
    EXPECT_EQ(LoadDaySeries(dir.path(), "221101", "8473", SeriesSlot::DayStock, 5, day).status,
              DayFileResult::Status::Loaded);
    EXPECT_EQ(LoadDaySeries(dir.path(), "221101", "N225", SeriesSlot::DayIndex, 5, day).status,
              DayFileResult::Status::Missing);
    // A file that goes missing leaves nothing of the earlier load behind.
    EXPECT_EQ(LoadDaySeries(dir.path(), "221102", "8473", SeriesSlot::DayStock, 5, day).status,
              DayFileResult::Status::Missing);
    EXPECT_FALSE(day[SeriesSlot::DayStock].loaded);
    EXPECT_EQ(day[SeriesSlot::DayStock].close, 0);
    EXPECT_EQ(day[SeriesSlot::DayStock].price[10], 0);
    EXPECT_EQ(day[SeriesSlot::DayIndex].kind, SeriesKind::Nikkei225);
    EXPECT_FALSE(day.noDataMarked[0]);
    EXPECT_EQ(LoadDaySeries(dir.path(), "221114", "8473", SeriesSlot::PrevStock, 5, day).status,
              DayFileResult::Status::MissingMarked);
    EXPECT_TRUE(day.noDataMarked[1]);
    EXPECT_EQ(LoadDaySeries(dir.path(), "221114", "先物", SeriesSlot::DayIndex, 5, day).status,
              DayFileResult::Status::MissingMarked);
    EXPECT_EQ(day[SeriesSlot::DayIndex].kind, SeriesKind::Futures);
    EXPECT_TRUE(day.noDataMarked[0]);
}

}  // namespace
}  // namespace corvala
