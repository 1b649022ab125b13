#include "screening/search_data_builder.h"

#include <gtest/gtest.h>

#include "data/day_loader.h"
#include "platform/files.h"
#include "screening/search_data.h"
#include "test_support.h"

namespace corvala {
namespace {

using test::DayFileBuilder;

// A day of a stock at 1000 yen that trades at `price` from each given row on; the closing line
// trades at `close`. Rows are five seconds apart from 09:00:00 (row 100 is 09:08:20).
DayFileBuilder Day(std::initializer_list<std::pair<int, int>> moves, int close) {
    DayFileBuilder b;
    for (const auto& [from, price] : moves)
        for (int row = from; row < b.closingLine(); ++row) b.Set(row, 3, std::to_string(price));
    b.Set(b.closingLine(), 3, std::to_string(close));
    return b;
}

class SearchDataBuilderTest : public ::testing::Test {
protected:
    void Put(const std::string& date, const std::string& file, const std::string& bytes) {
        CreateDir(dir.Sub("data/" + date));
        test::WriteFile(dir.Sub("data/" + date + "/" + file), bytes);
    }
    std::string Line(const DayFileBuilder& b) {
        Put("221101", "1301.csv", b.Bytes());
        const SearchMonthBuild built = BuildSearchMonth(dir.Sub("data"), "202211");
        EXPECT_EQ(built.read, 1);
        return built.lines.substr(0, built.lines.find("\r\n"));
    }
    test::TempDir dir;
};

// Fields: date, code, open, its time, the times of the high, the low, the high and the low up
// to 9:30; then open → 9:30 high, open → 9:30 low, open → high, open → low, high → low,
// low → high, high → close, low → close, open → close; the volume in units (3,601,000 shares
// of 100).
TEST_F(SearchDataBuilderTest, ARiseAfterHalfPastNineIsNotAnEarlyRiseAndTheLowComesFirst) {
    EXPECT_EQ(Line(Day({{100, 1050}, {500, 1200}, {600, 1150}}, 1150)),
              "221101,1301,1000,09:00,09:41,09:00,09:08,09:00,5.00,0.00,20.00,0.00,0.00,20.00,-4.17,15.00,15.00,36010");
}

TEST_F(SearchDataBuilderTest, AFallFromTheOpenHasNoRiseFromItsLowToAnEarlierHigh) {
    EXPECT_EQ(Line(Day({{200, 940}, {1000, 900}, {1100, 950}}, 950)),
              "221101,1301,1000,09:00,09:00,10:23,09:00,09:16,0.00,-6.00,0.00,-10.00,-10.00,0.00,-5.00,5.56,-5.00,36010");
}

TEST_F(SearchDataBuilderTest, AHighBeforeTheLowIsAFallFromTheHighAndNoRiseToIt) {
    // 09:40 up to 1100, 13:20 down to 880, closing at 900; the first five minutes dip to 990.
    EXPECT_EQ(Line(Day({{12, 990}, {60, 1000}, {480, 1100}, {2400, 880}, {2500, 900}}, 900)),
              "221101,1301,1000,09:00,09:40,13:20,09:00,09:01,0.00,-1.00,10.00,-12.00,-20.00,0.00,-18.18,2.27,-10.00,36010");
}

TEST_F(SearchDataBuilderTest, TheMonthTakesItsOwnTradedDaysInOrderAndSaysWhatItPassedOver) {
    DayFileBuilder quiet;
    quiet.SetAll(3, "-");  // never traded
    Put("221102", "6501.csv", DayFileBuilder().Bytes());
    Put("221102", "1301.csv", DayFileBuilder().Bytes());
    Put("221102", "N225.csv", DayFileBuilder().Bytes());  // a series, not a stock
    Put("221102", "2315.csv", quiet.Bytes());
    Put("221102", "3350.csv", "not a day file\r\n");
    Put("221101", "1301.csv", DayFileBuilder().Bytes());
    Put("221201", "1301.csv", DayFileBuilder().Bytes());  // another month
    Put("221103", "1301.csv", DayFileBuilder().Bytes());
    test::WriteFile(dir.Sub("data/221103/" + std::string(kNoDataMarker)), "");

    const SearchMonthBuild built = BuildSearchMonth(dir.Sub("data"), "202211");
    EXPECT_EQ(built.read, 3);
    EXPECT_EQ(built.skipped, 2);
    ASSERT_EQ(built.problems.size(), 2u);
    EXPECT_EQ(built.problems[0], "221102/2315.csv: 約定がありません。");
    EXPECT_EQ(built.problems[1].rfind("221102/3350.csv: ", 0), 0u) << built.problems[1];
    const std::vector<std::string_view> lines = SplitSearchLines(built.lines);
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[0].substr(0, 12), "221101,1301,");
    EXPECT_EQ(lines[1].substr(0, 12), "221102,1301,");
    EXPECT_EQ(lines[2].substr(0, 12), "221102,6501,");

    // What the screening reads back is what was built, every line used.
    ASSERT_EQ(WriteSearchMonth(dir.Sub("install"), "202211", built.lines), "");
    const auto bytes = ReadWholeFile(SearchFilePath(dir.Sub("install"), "202211"), 1 << 20);
    ASSERT_TRUE(bytes);
    int used = 0;
    for (std::string_view line : SplitSearchLines(*bytes)) {
        SearchLine read;
        if (ReadSearchLine(line, read) == SearchLineKind::Used) ++used;
    }
    EXPECT_EQ(used, 3);
}

}  // namespace
}  // namespace corvala
