// The trade-history files: headers, rows, the summary block, the reset marker and a failed write
// that changes nothing.

#include "account/history.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/cp932.h"
#include "platform/files.h"
#include "test_support.h"

namespace corvala {
namespace {

class HistoryTest : public ::testing::Test {
protected:
    std::string Read(const char* file) {
        const auto bytes = ReadWholeFile(JoinPath(dir.path(), file));
        return bytes ? DecodeCp932(*bytes) : std::string("<missing>");
    }
    HistorySummary Summary() {
        return {"1,000,000", "新規建余力", 3'000'000, "1,000", "1,000", "797"};
    }
    test::TempDir dir;
    RunInfo run{"2026/12/08 10:00:00", "2022/11/02", "8473", "テスト証券"};
};

TEST_F(HistoryTest, HeadersAreWrittenOnceInCp932WithCrLf) {
    ASSERT_EQ(EnsureHistoryFiles(dir.path()), "");
    EXPECT_EQ(Read(kRealizedFile), std::string(kRealizedHeader) + "\r\n");
    EXPECT_EQ(Read(kExecutionFile), std::string(kExecutionHeader) + "\r\n");
    test::WriteFile(JoinPath(dir.path(), kExecutionFile), "kept");
    ASSERT_EQ(EnsureHistoryFiles(dir.path()), "");
    EXPECT_EQ(Read(kExecutionFile), "kept");
    const auto raw = ReadWholeFile(JoinPath(dir.path(), kRealizedFile));
    EXPECT_EQ(*raw, EncodeCp932(std::string(kRealizedHeader) + "\r\n"));  // not UTF-8
}

TEST_F(HistoryTest, ARunWithoutExecutionsStillWritesItsSummary) {
    ASSERT_EQ(EnsureHistoryFiles(dir.path()), "");
    ASSERT_EQ(WriteHistoryFiles(dir.path(), HistoryBuffers{}, Summary()), "");
    EXPECT_EQ(Read(kRealizedFile), std::string(kRealizedHeader) + "\r\n" + "\r\n\r\n" +
                                       ",,,,,,,,,,,投資金額,1,000,000\r\n"
                                       ",,,,,,,,,,,新規建余力,3000000\r\n"  // one cell
                                       ",,,,,,,,,,,今回の損益,1,000\r\n"
                                       ",,,,,,,,,,,全損益,1,000\r\n"
                                       ",,,,,,,,,,,全損益(税考慮),797\r\n\r\n\r\n");
    EXPECT_EQ(Read(kExecutionFile), std::string(kExecutionHeader) + "\r\n\r\n\r\n");
}

TEST_F(HistoryTest, ATwoPositionCloseGivesTwoRealisedRowsAndOneExecution) {
    HistoryBuffers b;
    b.Add(run, ExecutionRow{36'000, false, true, "売埋", 300, 510});
    b.Add(run, RealizedRow{34'200, "買建", "売埋", 100, 500, 36'000, 510});
    b.Add(run, RealizedRow{34'500, "買建", "売埋", 200, 520, 36'000, 510});
    EXPECT_EQ(b.executions, "2026/12/08 10:00:00,2022/11/02,10:00:00,8473,テスト証券,信用,返済売埋,300,510,153000");
    EXPECT_EQ(b.realized,
              "2026/12/08 10:00:00,2022/11/02,09:30:00,8473,テスト証券,買建,100,500,売埋,10:00:00,510,1000,51000\r\n"
              "2026/12/08 10:00:00,2022/11/02,09:35:00,8473,テスト証券,買建,200,520,売埋,10:00:00,510,-2000,102000");

    HistoryBuffers shortClose;
    shortClose.Add(run, RealizedRow{34'200, "売建", "買埋", 100, 520, 36'000, 500});
    EXPECT_NE(shortClose.realized.find(",2000,50000"), std::string::npos);
    shortClose.Add(run, ExecutionRow{36'000, true, false, "買付", 100, 500.5});
    EXPECT_NE(shortClose.executions.find("現物,新規買付,100,500.5,50050"), std::string::npos);
}

TEST_F(HistoryTest, TheResetMarkerStandsBetweenRuns) {
    ASSERT_EQ(EnsureHistoryFiles(dir.path()), "");
    ASSERT_EQ(WriteHistoryFiles(dir.path(), HistoryBuffers{}, Summary()), "");
    const std::string executionsBefore = Read(kExecutionFile);
    ASSERT_EQ(AppendResetMarker(dir.path(), {2022, 11, 2}), "");
    ASSERT_EQ(WriteHistoryFiles(dir.path(), HistoryBuffers{}, Summary()), "");
    const std::string realized = Read(kRealizedFile);
    const auto marker = realized.find("2022/11/02全損益をリセットしました");
    ASSERT_NE(marker, std::string::npos);
    EXPECT_LT(realized.find("全損益(税考慮)"), marker);
    EXPECT_GT(realized.rfind("全損益(税考慮)"), marker);
    EXPECT_NE(realized.find("******************************\r\n\r\n\r\n"), std::string::npos);
    EXPECT_EQ(Read(kExecutionFile), executionsBefore + "\r\n\r\n");  // only the second run
}

TEST_F(HistoryTest, AFailedWriteChangesNeitherFileAndSaysSo) {
    ASSERT_EQ(EnsureHistoryFiles(dir.path()), "");
    const std::string realizedBefore = Read(kRealizedFile);
    // The execution file cannot be written: a folder stands in its place.
    std::filesystem::remove(JoinPath(dir.path(), kExecutionFile));
    std::filesystem::create_directory(JoinPath(dir.path(), kExecutionFile));
    HistoryBuffers b;
    b.Add(run, ExecutionRow{36'000, false, false, "買建", 100, 500});
    const std::string error = WriteHistoryFiles(dir.path(), b, Summary());
    EXPECT_NE(error.find("約定履歴.csv"), std::string::npos);
    EXPECT_EQ(Read(kRealizedFile), realizedBefore);
    // A missing folder: nothing is written and the reason names the file.
    EXPECT_NE(WriteHistoryFiles(dir.Sub("none"), b, Summary()).find("実現損益.csv"), std::string::npos);
}

TEST_F(HistoryTest, AMarkerOrARunBeforeTheFilesExistCreatesThemWithTheirHeaders) {
    ASSERT_EQ(AppendResetMarker(dir.path(), {2022, 11, 2}), "");
    const std::string realized = Read(kRealizedFile);
    EXPECT_EQ(realized.rfind(std::string(kRealizedHeader) + "\r\n****", 0), 0u) << realized;
    EXPECT_EQ(Read(kExecutionFile), "<missing>");  // a marker does not touch the other file
    ASSERT_EQ(WriteHistoryFiles(dir.path(), HistoryBuffers{}, Summary()), "");
    EXPECT_EQ(Read(kExecutionFile), std::string(kExecutionHeader) + "\r\n\r\n\r\n");
}

TEST_F(HistoryTest, AFailedAppendOfANewFileLeavesNoFileBehind) {
    // 実現損益.csv can be created, 約定履歴.csv cannot: the first is taken back.
    std::filesystem::create_directory(JoinPath(dir.path(), kExecutionFile));
    HistoryBuffers b;
    b.Add(run, ExecutionRow{36'000, false, false, "買建", 100, 500});
    EXPECT_NE(WriteHistoryFiles(dir.path(), b, Summary()), "");
    EXPECT_EQ(Read(kRealizedFile), "<missing>");
}

TEST(HistoryTextTest, DatesAndNumbers) {
    EXPECT_EQ(TradingDayText({2026, 12, 8}, "221102"), "2022/11/02");
    EXPECT_EQ(RecordedAtText({2026, 12, 8}, 9 * 3600 + 5), "2026/12/08 09:00:05");
    EXPECT_EQ(PlainNumber(3000000), "3000000");
    EXPECT_EQ(PlainNumber(500.5f), "500.5");
    EXPECT_EQ(PlainNumber(-2000), "-2000");
}

}  // namespace
}  // namespace corvala
