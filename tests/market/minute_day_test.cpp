#include "market/minute_day.h"

#include <gtest/gtest.h>

#include <memory>

#include "data/day_loader.h"
#include "platform/cp932.h"
#include "platform/files.h"
#include "test_support.h"

namespace corvala {
namespace {

// A day of bars at 1500 yen wandering by a yen or two, with a closing auction at 15:00.
std::string Bars(const std::string& header = "Date,Time,Open,High,Low,Close,Volume") {
    std::string csv = header + "\n";
    double p = 1500;
    int n = 0;
    for (int t = 9 * 60; t <= 15 * 60; ++t) {
        if (t >= 11 * 60 + 31 && t < 12 * 60 + 30) continue;
        const double o = p, c = p + (n % 5) - 2, h = std::max(o, c) + (n % 2), l = std::min(o, c) - (n % 3 == 0);
        char line[96];
        std::snprintf(line, sizeof line, "2022/12/02,%02d:%02d,%.0f,%.0f,%.0f,%.0f,%d\n", t / 60, t % 60, o, h, l, c, 1200 * (n % 7 + 1));
        csv += line;
        p = c;
        ++n;
    }
    return csv;
}

// The day built from `bars` as the loader reads it with one-minute bars; none when it is refused.
std::unique_ptr<DayData> LoadBuilt(const std::vector<MinuteBar>& bars, double prevClose) {
    test::TempDir dir;
    CreateDir(dir.Sub("221202"));
    test::WriteFile(dir.Sub("221202/8473.csv"), MinuteDayFile(bars, prevClose, 100));
    auto day = std::make_unique<DayData>();
    if (LoadDaySeries(dir.path(), "221202", "8473", SeriesSlot::DayStock, 1, *day).status != DayFileResult::Status::Loaded)
        return nullptr;
    return day;
}

TEST(MinuteDayTest, TheLoadedDaysOneMinuteBarsAreTheImportedBars) {
    const MinuteBarsRead read = ReadMinuteBars(Bars());
    ASSERT_EQ(read.error, "");
    ASSERT_TRUE(read.problems.empty());
    ASSERT_EQ(read.bars.size(), 302u);  // 09:00–11:30 and 12:30–15:00
    const auto day = LoadBuilt(read.bars, 1490);
    ASSERT_TRUE(day);
    const DaySeries& s = (*day)[SeriesSlot::DayStock];
    EXPECT_EQ(s.prevClose, 1490);
    EXPECT_EQ(s.tradingUnit, 100);
    double shares = 0;
    for (const MinuteBar& b : read.bars) {
        const int t = b.seconds / 60;
        // 11:30 and 15:00 join the minute before them.
        const int k = t < 12 * 60 ? std::min(t - 9 * 60, 149) : 150 + std::min(t - (12 * 60 + 30), 149);
        const DayBar& got = s.bars[static_cast<std::size_t>(k)];
        SCOPED_TRACE(b.line);
        const bool auction = t == 11 * 60 + 30 || t == 15 * 60, beforeAuction = t == 11 * 60 + 29 || t == 14 * 60 + 59;
        if (!auction) {
            EXPECT_EQ(got.open, b.open);
        }
        if (!beforeAuction) {
            EXPECT_EQ(got.close, b.close);
        }
        if (auction || beforeAuction) {
            EXPECT_GE(got.high, b.high);
            EXPECT_LE(got.low, b.low);
        } else {
            EXPECT_EQ(got.high, b.high);
            EXPECT_EQ(got.low, b.low);
        }
        shares += b.volume;
    }
    for (int k = 0; k < 300; ++k) EXPECT_GT(s.bars[static_cast<std::size_t>(k)].high, 0) << k;  // every minute drawn
    EXPECT_EQ(s.finalVolume, shares / 100);
    // The board is one tick wide around the price, on the grid, at every row.
    for (int r = 0; r < kReplayRows; r += 97) {
        const BoardRow& b = s.board[static_cast<std::size_t>(r)];
        EXPECT_EQ(b[0], s.price[static_cast<std::size_t>(r)] + 1) << r;  // best sell
        EXPECT_EQ(b[5], s.price[static_cast<std::size_t>(r)]) << r;      // best buy
    }
}

TEST(MinuteDayTest, BadRowsAreToldByTheirLineAndTheRestIsRead) {
    std::string csv = "日付,時刻,始値,高値,安値,終値,出来高\r\n"
                      "2022-12-02,9:00,100,101,99,100,500\r\n"
                      "2022-12-02,09:01,100,99,98,100,500\r\n"   // high below the open
                      "2022-12-02,0902,x,101,99,100,500\r\n"
                      "2022-13-02,09:03,100,101,99,100,500\r\n"
                      "20221202 09:04,,100,101,99,100,500\r\n"
                      "2022-12-02,09:05,100,101,99,100,1000000000000000000000000000000000000000\r\n";
    const MinuteBarsRead read = ReadMinuteBars(EncodeCp932(csv));
    ASSERT_EQ(read.error, "");
    ASSERT_EQ(read.bars.size(), 2u);
    EXPECT_EQ(read.bars[1].seconds, 9 * 3600 + 4 * 60);
    ASSERT_EQ(read.problems.size(), 4u);
    EXPECT_EQ(read.problems[0], "行 3: 高値・安値が始値・終値と合いません。");
    EXPECT_EQ(read.problems[1], "行 4: 四本値が読めません。");
    EXPECT_EQ(read.problems[2], "行 5: 日付が読めません。");
    EXPECT_EQ(read.problems[3], "行 7: 出来高が読めません。");
    // Other names, given by the user; a file without the needed columns is refused whole.
    MinuteBarColumns names{"d", "t", "o", "h", "l", "c", "v"};
    EXPECT_EQ(ReadMinuteBars("d,t,o,h,l,c,v\n221202,09:00,1,1,1,1,1\n", names).bars.size(), 1u);
    EXPECT_NE(ReadMinuteBars("a,b,c\n1,2,3\n").error, "");
}

TEST(MinuteDayTest, BarsOutsideTheSessionOrBeyondTheLimitsAreToldAndLeftOut) {
    // From a previous close of 1,000 the day may trade 700–1,300.
    const MinuteBarsRead read = ReadMinuteBars(
        "date,time,open,high,low,close,volume\n"
        "2022/12/02,08:59,1000,1000,1000,1000,100\n"
        "2022/12/02,09:00,1000.4,1300,999.6,1200,100\n"
        "2022/12/02,09:01,1200,1301,1200,1200,100\n"
        "2022/12/02,09:02,1200,1200,699,1200,100\n"
        "2022/12/02,11:31,1200,1200,1200,1200,100\n"
        "2022/12/02,15:00,1200,1250,700,1250,100\n"
        "2022/12/02,15:01,650,650,650,650,100\n");
    ASSERT_EQ(read.bars.size(), 7u);
    const MinuteDay built = BuildMinuteDay(read.bars, 1000, 100);
    EXPECT_EQ(built.problems, (std::vector<std::string>{
                                  "行 2: 08:59 は取引時間外です。この足は取り込みません。",
                                  "行 4: 値幅制限（700〜1300円）を超えています。この足は取り込みません。",
                                  "行 5: 値幅制限（700〜1300円）を超えています。この足は取り込みません。",
                                  "行 6: 11:31 は取引時間外です。この足は取り込みません。",
                                  "行 8: 15:01 は取引時間外です。この足は取り込みません。"}));
    EXPECT_EQ(built.bars, 2);
    EXPECT_EQ(built.close, 1250);  // the session's last bar, not the one after it
    const auto day = LoadBuilt(read.bars, 1000);
    ASSERT_TRUE(day);
    const DaySeries& s = (*day)[SeriesSlot::DayStock];
    EXPECT_EQ(s.bars[0].open, 1000);  // on the grid
    EXPECT_EQ(s.bars[0].high, 1300);
    EXPECT_EQ(s.high, 1300);
    EXPECT_EQ(s.low, 700);
    EXPECT_EQ(s.close, 1250);
    EXPECT_EQ(s.finalVolume, 2);  // the two bars taken
    for (int r = 0; r < 12; ++r) {
        const BoardRow& b = s.board[static_cast<std::size_t>(r)];
        for (int i = 0; i < 10; ++i) {
            if (b[static_cast<std::size_t>(i)] > 0) {
                EXPECT_LE(b[static_cast<std::size_t>(i)], 1300);
            }
        }
    }
    // A day with no bar to take has no file.
    EXPECT_EQ(BuildMinuteDay({read.bars[0], read.bars[2]}, 1000, 100).file, "");
}

}  // namespace
}  // namespace corvala
