// The review's figures: the statistics of a set of trades checked against figures worked out by
// hand, and the kept runs read back from history files the program wrote, or that were damaged.

#include <gtest/gtest.h>

#include <cmath>

#include "account/account.h"
#include "account/history.h"
#include "platform/cp932.h"
#include "review/history_reader.h"
#include "review/history_stats.h"
#include "review/report_picture.h"
#include "review/session_record.h"

namespace corvala {
namespace {

ClosedTrade Trade(const char* side, double pnl, int opened = 9 * 3600, int closed = 9 * 3600 + 600) {
    return ClosedTrade{side, 100, 1000, 1000 + pnl / 100, opened, closed, pnl};
}

TEST(TradeStatsTest, FiguresOfAKnownSetOfTrades) {
    const TradeStats s = ComputeTradeStats({Trade("買建", 3000), Trade("売建", -1000), Trade("買建", 500),
                                            Trade("買付", 0, 36000, 36000), Trade("売建", -2000, 36000, 37200)});
    EXPECT_EQ(s.trades, 5);
    EXPECT_EQ(s.wins, 2);
    EXPECT_EQ(s.losses, 2);  // the trade of exactly 0 is neither
    EXPECT_DOUBLE_EQ(s.winRate, 0.4);
    EXPECT_DOUBLE_EQ(s.avgWin, 1750);
    EXPECT_DOUBLE_EQ(s.avgLoss, -1500);
    ASSERT_TRUE(s.profitFactor.has_value());
    EXPECT_DOUBLE_EQ(*s.profitFactor, 3500.0 / 3000.0);
    EXPECT_DOUBLE_EQ(s.largestWin, 3000);
    EXPECT_DOUBLE_EQ(s.largestLoss, -2000);
    EXPECT_DOUBLE_EQ(s.netPnl, 500);
    // The running result 3000, 2000, 2500, 2500, 500 fell 2500 below its high.
    EXPECT_DOUBLE_EQ(s.maxDrawdown, 2500);
    EXPECT_DOUBLE_EQ(s.avgHoldingSeconds, (600 * 3 + 0 + 1200) / 5.0);
    EXPECT_EQ(s.bySide.at("買建").trades, 2);
    EXPECT_DOUBLE_EQ(s.bySide.at("買建").pnl, 3500);
    EXPECT_EQ(s.bySide.at("売建").wins, 0);
    EXPECT_DOUBLE_EQ(s.bySide.at("売建").pnl, -3000);
    EXPECT_EQ(s.bySide.at("買付").trades, 1);
}

TEST(TradeStatsTest, EdgesWithoutTradesWithoutLossesAndAnEquityCurve) {
    const TradeStats none = ComputeTradeStats({});
    EXPECT_EQ(none.trades, 0);
    EXPECT_DOUBLE_EQ(none.winRate, 0);
    EXPECT_FALSE(none.profitFactor.has_value());
    EXPECT_DOUBLE_EQ(none.maxDrawdown, 0);

    const TradeStats wins = ComputeTradeStats({Trade("買建", 100), Trade("買建", 200)});
    EXPECT_FALSE(wins.profitFactor.has_value());  // no loss: no finite factor
    EXPECT_DOUBLE_EQ(wins.winRate, 1);

    // The curve of the day counts, open positions included: down 500 from 0, then from 1000 to 200.
    const TradeStats day = ComputeTradeStats({Trade("買建", 200)}, {0, -500, 1000, 200});
    EXPECT_DOUBLE_EQ(day.maxDrawdown, 800);
    EXPECT_DOUBLE_EQ(MaxDrawdown({-300, -100}), 300);  // below the start of 0 is a fall too
    EXPECT_DOUBLE_EQ(ClosedTradePnl("売建", 3190, 3185, 100), 500);
    EXPECT_DOUBLE_EQ(ClosedTradePnl("買付", 3181, 3175, 100), -600);
    // Single-precision prices of a stock quoted in tenths: the result is whole tenths of a yen.
    EXPECT_DOUBLE_EQ(ClosedTradePnl("買付", 1001.3f, 1000.1f, 300), -360);
}

TEST(SessionRecordTest, ARowRunAgainTakesItsNewFigureAndRowsOutOfRangeAreIgnored) {
    SessionRecord r;
    r.SetEquity(0, 0);
    r.SetEquity(2, -300);
    r.SetEquity(1, 100);
    r.SetEquity(2, -200);  // after a jump back
    r.SetEquity(-1, 5);
    r.SetEquity(100000, 5);
    EXPECT_EQ(r.EquityCurve(), (std::vector<double>{0, 100, -200}));
    EXPECT_EQ(r.EquityRows(), (std::vector<int>{0, 1, 2}));
    // ≪ back to row 1 and a stop there: what rows 2 and later showed before the jump is gone.
    r.SetEquity(3, -900);
    r.SetEquity(1, -50.04);
    EXPECT_EQ(r.EquityCurve(), (std::vector<double>{0, -50}));  // to 0.1 yen
    r.AddTrade(Trade("買建", -200));
    EXPECT_DOUBLE_EQ(r.Stats().maxDrawdown, 50);
    EXPECT_FALSE(r.kept());
    r.MarkKept();
    r.Clear();
    EXPECT_FALSE(r.kept());
    EXPECT_TRUE(r.EquityCurve().empty());
}

// A history file as the program writes it: the header, runs with their summary blocks, a run
// without a trade, a reset between them.
std::string WrittenHistory() {
    const RunInfo nov4{"2026/12/08 21:00:00", "2022/11/04", "8473", "白鷺フィナンシャル"};
    const RunInfo nov2{"2026/12/08 21:10:00", "2022/11/02", "3350", "テスト"};
    const HistorySummary summary{"1,004,622", "新規建余力", 3013866, "5,800", "5,800", "4,622"};
    HistoryBuffers first;
    first.Add(nov4, RealizedRow{32400, "買建", "売埋", 300, 3136, 34800, 3126});  // −3,000
    first.Add(nov4, RealizedRow{36300, "売建", "買埋", 200, 3118, 54000, 3074});  // +8,800
    HistoryBuffers empty;
    HistoryBuffers third;
    third.Add(nov2, RealizedRow{33000, "買付", "売付", 100, Price::Nearest(1000.5), 33600, Price::Nearest(1001.5)});  // +100
    std::string text = std::string(kRealizedHeader) + "\r\n";
    text += FormatRun(first, summary).realized;
    text += FormatRun(empty, summary).realized;
    text += FormatResetMarker(Ymd{2026, 12, 8}).realized;
    text += FormatRun(third, summary).realized;
    return EncodeCp932(text);
}

TEST(HistoryReaderTest, RunsWrittenByTheProgramReadBackWhole) {
    const HistoryReading r = ReadRealizedHistory(WrittenHistory());
    EXPECT_EQ(r.skippedLines, 0);  // the summary figures' thousands separators are not rows
    EXPECT_EQ(r.resets, 1);
    ASSERT_EQ(r.runs.size(), 3u);
    ASSERT_EQ(r.runs[0].trades.size(), 2u);
    EXPECT_DOUBLE_EQ(r.runs[0].pnl, 5800);
    EXPECT_EQ(r.runs[0].tradingDay, (Ymd{2022, 11, 4}));
    const KeptTrade& first = r.runs[0].trades[0];
    EXPECT_EQ(first.side, "買建");
    EXPECT_EQ(first.code, "8473");
    EXPECT_EQ(first.name, "白鷺フィナンシャル");
    EXPECT_EQ(first.openedSeconds, 32400);
    EXPECT_EQ(first.closedSeconds, 34800);
    EXPECT_DOUBLE_EQ(first.pnl, -3000);
    EXPECT_TRUE(r.runs[1].trades.empty());  // kept without a trade: still a run
    EXPECT_DOUBLE_EQ(r.runs[2].trades[0].openPrice, 1000.5);
    EXPECT_DOUBLE_EQ(r.runs[2].pnl, 100);

    const HistoryStats s = ComputeHistoryStats(r);
    EXPECT_EQ(s.runs, 3);
    EXPECT_EQ(s.trades, 3);
    EXPECT_EQ(s.cumulative, (std::vector<double>{5800, 5800, 5900}));
    ASSERT_EQ(s.byDay.size(), 2u);  // oldest first
    EXPECT_EQ(s.byDay[0].date, "2022/11/02");
    EXPECT_DOUBLE_EQ(s.byDay[1].pnl, 5800);
    EXPECT_EQ(s.byCode.at("8473").trades, 2);
    EXPECT_DOUBLE_EQ(*s.byCode.at("8473").profitFactor, 8800.0 / 3000.0);
    EXPECT_EQ(s.byWeekday.at("金").trades, 2);  // 2022-11-04 was a Friday
    EXPECT_EQ(s.byWeekday.at("水").wins, 1);    // 2022-11-02 a Wednesday
    EXPECT_DOUBLE_EQ(s.overall.winRate, 2.0 / 3.0);
}

TEST(HistoryReaderTest, DamagedAndOlderLinesAreSkippedAndCountedNeverFatal) {
    std::string text = WrittenHistory();
    const std::string lines[] = {
        "garbage",
        "2026/12/08 21:00:00,2022/13/04,09:00:00,8473,x,買建,100,3000,売埋,09:10:00,3010,1000,301000",  // month 13
        "2026/12/08 21:00:00,2022/11/04,09:00:00,8473,x,買建,nan,3000,売埋,09:10:00,3010,1000,301000",
        "2026/12/08 21:00:00,2022/11/04,09:00:00,8473,x,買建,100,1e300,売埋,09:10:00,3010,1000,301000",
        "2026/12/08 21:00:00,2022/11/04,09:00:00,8473,x,持ち,100,3000,売埋,09:10:00,3010,1000,301000",
        "2026/12/08 21:00:00,2022/11/04,9:00,8473,x,買建,100,3000,売埋,09:10:00,3010,1000,301000",
        "a,b,c,d,e,f,g,h,i,j,k,l,m,n,o",
    };
    std::string more;
    for (const std::string& line : lines) more += line + "\r\n";
    // Older rows: without 決済額, and without 損益 (worked out from the prices); LF endings.
    more += "2026/12/08 21:20:00,2022/11/07,09:00:00,8473,x,売建,100,3000,買埋,09:10:00,2990,1000\n";
    more += "2026/12/08 21:20:00,2022/11/07,09:00:00,8473,x,買建,100,3000,売埋,09:10:00,2990\n";
    more += "\n,,,,\n";
    text += EncodeCp932(more);
    const HistoryReading r = ReadRealizedHistory(text);
    EXPECT_EQ(r.skippedLines, 7);
    ASSERT_EQ(r.runs.size(), 4u);  // the rows after the last summary block make a run of their own
    ASSERT_EQ(r.runs[3].trades.size(), 2u);
    EXPECT_DOUBLE_EQ(r.runs[3].trades[0].pnl, 1000);
    EXPECT_DOUBLE_EQ(r.runs[3].trades[1].pnl, -1000);
    EXPECT_EQ(ReadRealizedHistory("").runs.size(), 0u);
}

// The report's axes read in round figures: three labels a whole number of steps of 1, 2 or 5 ×
// 10^k apart, the middle one halfway, and the curve inside them (once 370 / −3,700 / −7,770).
TEST(ReportPictureTest, TheAxisLabelsAreRoundFiguresAroundTheCurve) {
    for (const std::vector<double>& values :
         {std::vector<double>{300, -7'500}, {12'345}, {-3}, {1'000'000, 999'000, 1'002'500}, {}}) {
        std::vector<double> labels;
        for (const Shape& s : DrawCumulativeCurve(values, 600, 300))
            if (s.kind == Shape::Kind::Text && s.rightAligned && s.text.find("回") == std::string::npos)
                labels.push_back(ReadFormattedNumber(s.text));
        ASSERT_EQ(labels.size(), 3u);
        const double top = labels[0], middle = labels[1], bottom = labels[2];
        EXPECT_EQ(middle * 2, top + bottom);
        // The coarsest round step all three are multiples of spans the panel in a few steps.
        double step = 0;
        for (double s = 1; s <= 1e15; s *= 10)
            for (const double m : {1.0, 2.0, 5.0})
                if (std::fmod(top, m * s) == 0 && std::fmod(middle, m * s) == 0 && std::fmod(bottom, m * s) == 0) step = m * s;
        ASSERT_GT(step, 0) << top << " " << middle << " " << bottom;
        EXPECT_LE((top - bottom) / step, 12) << top << " " << bottom;
        for (const double v : values) EXPECT_TRUE(bottom <= v && v <= top) << v;
        EXPECT_TRUE(bottom <= 0 && 0 <= top);  // the cumulative curve starts at 0
    }
}

}  // namespace
}  // namespace corvala
