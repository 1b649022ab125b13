// The trade-history files: headers, rows, the summary block, the reset marker and a failed write
// that changes nothing; and the faults of real programs: a kill anywhere in an append, two
// programs appending at once, a folder another program keeps locked or that cannot be written.

#include "account/history.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/cp932.h"
#include "platform/files.h"
#include "review/history_reader.h"
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
    shortClose.Add(run, ExecutionRow{36'000, true, false, "買付", 100, Price::Nearest(500.5)});
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


// ---- Faults of real programs ------------------------------------------------------------------

class HistoryFaultTest : public HistoryTest {
protected:
    // A kept run with one closed position, told apart by its code.
    HistoryAppend Run(const std::string& code) {
        RunInfo info = run;
        info.code = code;
        HistoryBuffers b;
        b.Add(info, ExecutionRow{36'000, false, false, "買建", 100, 500});
        b.Add(info, ExecutionRow{37'000, false, true, "売埋", 100, 510});
        b.Add(info, RealizedRow{36'000, "買建", "売埋", 100, 500, 37'000, 510});
        return FormatRun(b, Summary());
    }
    static std::size_t Count(const std::string& text, const std::string& what) {
        std::size_t n = 0;
        for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
        return n;
    }
    // How often run `code` stands in each file: its realised row, its two executions.
    std::pair<std::size_t, std::size_t> Held(const std::string& code) {
        return {Count(Read(kRealizedFile), "," + code + ","), Count(Read(kExecutionFile), "," + code + ",")};
    }
    // Runs `body` in a child process and says how it ended: the exit status, or 128 + the signal.
    static int InChild(const std::function<int()>& body) {
        const pid_t child = ::fork();
        if (child == 0) ::_exit(body());
        int status = 0;
        ::waitpid(child, &status, 0);
        return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
    }
};

TEST_F(HistoryFaultTest, AProgramKilledAnywhereInAnAppendLeavesTheRunInBothFilesAfterTheNextStart) {
    for (const AppendStage stage :
         {AppendStage::JournalWritten, AppendStage::RealizedAppended, AppendStage::ExecutionsAppended}) {
        SCOPED_TRACE(static_cast<int>(stage));
        test::TempDir fresh;
        const std::string folder = fresh.path();
        ASSERT_EQ(AppendHistory(folder, Run("1111")), "");
        AppendHooks hooks;
        hooks.reached = [&](AppendStage at) {
            if (at == stage) ::raise(SIGKILL);
        };
        ASSERT_EQ(InChild([&] { return AppendHistory(folder, Run("2222"), hooks).empty() ? 0 : 1; }), 128 + SIGKILL);
        // Between the two files the run is in one only: the fault the journal repairs.
        const auto read = [&](const char* file) { return DecodeCp932(ReadWholeFile(JoinPath(folder, file)).value()); };
        if (stage == AppendStage::RealizedAppended) {
            EXPECT_EQ(Count(read(kRealizedFile), ",2222,"), 1u);
            EXPECT_EQ(Count(read(kExecutionFile), ",2222,"), 0u);
        }
        // A kill inside an atomic write leaves its temporary; another name stays.
        test::WriteFile(JoinPath(folder, std::string(kRealizedFile) + ".tmpAb12Cd"), "half");
        test::WriteFile(JoinPath(folder, std::string(kRealizedFile) + ".tmp-mine"), "kept");

        ASSERT_EQ(RecoverHistory(folder), "");
        EXPECT_EQ(Count(read(kRealizedFile), ",2222,"), 1u);
        EXPECT_EQ(Count(read(kExecutionFile), ",2222,"), 2u);
        EXPECT_EQ(Count(read(kRealizedFile), ",1111,"), 1u);
        EXPECT_EQ(ListFiles(folder), (std::vector<std::string>{kRealizedFile, std::string(kRealizedFile) + ".tmp-mine",
                                                               kExecutionFile}));
        // The file reads as two whole runs: nothing of the repair shows in it.
        const HistoryReading reading = ReadRealizedHistory(*ReadWholeFile(JoinPath(folder, kRealizedFile)));
        EXPECT_EQ(reading.runs.size(), 2u);
        EXPECT_EQ(reading.skippedLines, 0);
        ASSERT_EQ(AppendHistory(folder, Run("3333")), "");  // and appends go on after it
        EXPECT_EQ(Count(read(kExecutionFile), ",3333,"), 2u);
    }
}

TEST_F(HistoryFaultTest, ATornAppendIsCompletedFromWhereItStoppedAndAnAppendFirstCompletesALeftJournal) {
    ASSERT_EQ(AppendHistory(dir.path(), Run("1111")), "");
    AppendHooks hooks;
    hooks.reached = [](AppendStage at) {
        if (at == AppendStage::JournalWritten) ::raise(SIGKILL);
    };
    ASSERT_EQ(InChild([&] { return AppendHistory(dir.path(), Run("2222"), hooks).empty() ? 0 : 1; }), 128 + SIGKILL);
    // The kill came halfway through the first file's write.
    const std::string run2 = EncodeCp932(Run("2222").realized);
    ASSERT_TRUE(AppendToFile(JoinPath(dir.path(), kRealizedFile), run2.substr(0, run2.size() / 2)));
    // The next program appends before any start of its own: the left run goes first, whole.
    ASSERT_EQ(AppendHistory(dir.path(), Run("3333")), "");
    const std::string realized = Read(kRealizedFile);
    EXPECT_EQ(Held("2222"), (std::pair<std::size_t, std::size_t>{1, 2}));
    EXPECT_LT(realized.find(",2222,"), realized.find(",3333,"));
    EXPECT_EQ(ReadRealizedHistory(EncodeCp932(realized)).runs.size(), 3u);
    EXPECT_FALSE(FileExists(JoinPath(dir.path(), kHistoryJournalFile)));
}

TEST_F(HistoryFaultTest, TwoProgramsAppendingAtOnceKeepEveryRunOfBoth) {
    // A long history, as after years of practice.
    std::string years;
    for (const HistoryAppend old = Run("0000"); years.size() < 2'000'000;) years += old.realized;
    ASSERT_EQ(AppendHistory(dir.path(), {years, {}}), "");
    constexpr int kRuns = 12;
    int go[2];
    ASSERT_EQ(::pipe(go), 0);
    const auto program = [&](char name) {
        return [&, name] {
            char byte = 0;
            if (::read(go[0], &byte, 1) != 1) return 2;  // both start at once
            for (int i = 0; i < kRuns; ++i)
                if (!AppendHistory(dir.path(), Run(std::string(1, name) + std::to_string(100 + i))).empty()) return 1;
            return 0;
        };
    };
    std::vector<pid_t> children;
    for (const char name : {'A', 'B'}) {
        const pid_t child = ::fork();
        if (child == 0) ::_exit(program(name)());
        children.push_back(child);
    }
    ASSERT_EQ(::write(go[1], "go", 2), 2);
    for (const pid_t child : children) {
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    ::close(go[0]);
    ::close(go[1]);
    const std::string realized = Read(kRealizedFile);
    for (const char name : {'A', 'B'}) {
        std::size_t last = 0;
        for (int i = 0; i < kRuns; ++i) {
            const std::string code = std::string(1, name) + std::to_string(100 + i);
            EXPECT_EQ(Held(code), (std::pair<std::size_t, std::size_t>{1, 2})) << code;
            EXPECT_GT(realized.find("," + code + ","), last) << code;  // each program's runs in its order
            last = realized.find("," + code + ",");
        }
    }
    EXPECT_EQ(ReadRealizedHistory(EncodeCp932(realized)).skippedLines, 0);
}

TEST_F(HistoryFaultTest, AFolderAnotherProgramKeepsLockedIsToldAndChangesNothing) {
    ASSERT_EQ(EnsureHistoryFiles(dir.path()), "");
    const std::string realized = Read(kRealizedFile), executions = Read(kExecutionFile);
    {
        const WriterLock other(dir.path(), 0);
        ASSERT_EQ(other.state(), WriterLock::State::Held);
        AppendHooks hooks;
        hooks.lockWaitMs = 50;
        EXPECT_NE(AppendHistory(dir.path(), Run("1111"), hooks).find("他のプログラム"), std::string::npos);
        EXPECT_EQ(Read(kRealizedFile), realized);
        EXPECT_EQ(Read(kExecutionFile), executions);
    }
    // Free again, the next append goes in. (That a program holding it briefly is waited for, the
    // two programs appending at once show.)
    EXPECT_EQ(AppendHistory(dir.path(), Run("2222")), "");
    EXPECT_EQ(Held("2222"), (std::pair<std::size_t, std::size_t>{1, 2}));
}

TEST_F(HistoryFaultTest, AReadOnlyFolderRefusesTheRunEvenWhereItsFilesCouldBeWritten) {
    namespace fs = std::filesystem;
    ASSERT_EQ(EnsureHistoryFiles(dir.path()), "");
    const std::string realized = Read(kRealizedFile), executions = Read(kExecutionFile);
    for (const char* file : {kRealizedFile, kExecutionFile})
        fs::permissions(JoinPath(dir.path(), file), fs::perms::all);
    fs::permissions(dir.path(), fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                    fs::perms::others_read | fs::perms::others_exec);
    const std::string folder = dir.path();
    // Without the journal a kill could leave the run in one file: no run goes in without it.
    EXPECT_TRUE(test::InProcessWithoutWriteAccess([&] {
        return AppendHistory(folder, Run("1111")).find(kRealizedFile) != std::string::npos &&
               RecoverHistory(folder).empty();
    }));
    EXPECT_EQ(Read(kRealizedFile), realized);
    EXPECT_EQ(Read(kExecutionFile), executions);
    EXPECT_EQ(ListFiles(folder).size(), 2u);
}

TEST_F(HistoryFaultTest, AHalfWrittenRunThatCannotBeTakenBackIsToldAndCompletedByTheNextStart) {
    namespace fs = std::filesystem;
    ASSERT_EQ(EnsureHistoryFiles(dir.path()), "");
    const std::string realized = JoinPath(dir.path(), kRealizedFile), executions = JoinPath(dir.path(), kExecutionFile);
    AppendHooks hooks;
    hooks.reached = [&](AppendStage at) {
        if (at != AppendStage::RealizedAppended) return;
        // The second file refuses the run, and the first cannot be cut back either.
        for (const std::string& path : {realized, executions}) {
            fs::rename(path, path + ".aside");
            fs::create_directory(path);
        }
    };
    const std::string problem = AppendHistory(dir.path(), Run("1111"), hooks);
    EXPECT_NE(problem.find("取り消せなかった"), std::string::npos) << problem;
    for (const std::string& path : {realized, executions}) {
        fs::remove(path);
        fs::rename(path + ".aside", path);
    }
    ASSERT_EQ(RecoverHistory(dir.path()), "");
    EXPECT_EQ(Held("1111"), (std::pair<std::size_t, std::size_t>{1, 2}));
}

TEST_F(HistoryFaultTest, RowsThatCannotBeAppendedWaitBesideTheHistoryAndGoFirstWithTheirTotals) {
    namespace fs = std::filesystem;
    ASSERT_EQ(EnsureHistoryFiles(dir.path()), "");
    const std::string pending = PendingHistoryPath(dir.path());
    const std::string blocked = JoinPath(dir.path(), kExecutionFile);
    fs::rename(blocked, blocked + ".aside");
    fs::create_directory(blocked);
    HistoryAppend first = Run("1111"), second = Run("2222");
    first.totals = KeptTotals{0, 0, 1000, 0};
    second.totals = KeptTotals{0, 0, 1000, 400};
    KeptRunAppend done = AppendKeptRun(dir.path(), first);
    EXPECT_EQ(done.pendingFile, pending);
    EXPECT_NE(done.problem.find(pending), std::string::npos) << done.problem;
    {
        // Another program holds the lock: said once before the wait, and the run waits behind the first.
        const WriterLock other(dir.path(), 0);
        AppendHooks hooks;
        hooks.lockWaitMs = 50;
        int told = 0;
        hooks.waiting = [&] { ++told; };
        done = AppendKeptRun(dir.path(), second, hooks);
        EXPECT_TRUE(done.busy);
        EXPECT_EQ(told, 1);
        EXPECT_EQ(done.pendingFile, pending);
    }
    EXPECT_EQ(Held("1111").first + Held("2222").first, 0u);
    fs::remove(blocked);
    fs::rename(blocked + ".aside", blocked);
    done = AppendKeptRun(dir.path(), {});
    EXPECT_EQ(done.problem, "");
    EXPECT_TRUE(done.carriedPending);
    EXPECT_FALSE(FileExists(pending));
    EXPECT_EQ(Held("1111"), (std::pair<std::size_t, std::size_t>{1, 2}));
    EXPECT_EQ(Held("2222"), (std::pair<std::size_t, std::size_t>{1, 2}));
    EXPECT_LT(Read(kRealizedFile).find(",1111,"), Read(kRealizedFile).find(",2222,"));
    EXPECT_EQ(ReadKeptTotals(dir.path()), second.totals);
    RemoveFile(pending);
}

TEST_F(HistoryFaultTest, TheTotalsOfARunKilledInItsAppendComeWithItsCompletion) {
    HistoryAppend text = Run("1111");
    text.totals = KeptTotals{200, 0, 900, 50};
    AppendHooks hooks;
    hooks.reached = [](AppendStage at) {
        if (at == AppendStage::RealizedAppended) ::raise(SIGKILL);
    };
    ASSERT_EQ(InChild([&] { return AppendHistory(dir.path(), text, hooks).empty() ? 0 : 1; }), 128 + SIGKILL);
    EXPECT_FALSE(ReadKeptTotals(dir.path()).has_value());
    ASSERT_EQ(RecoverHistory(dir.path()), "");
    EXPECT_EQ(Held("1111"), (std::pair<std::size_t, std::size_t>{1, 2}));
    EXPECT_EQ(ReadKeptTotals(dir.path()), text.totals);
}

}  // namespace
}  // namespace corvala
