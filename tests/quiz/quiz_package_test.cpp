// The quiz package put in place: the service's addresses, and an old quiz folder that cannot be
// deleted whole, which must not stop a new quiz.

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/archive.h"
#include "platform/files.h"
#include "quiz/quiz_package.h"
#include "test_support.h"

namespace corvala {
namespace {

namespace fs = std::filesystem;

TEST(QuizPackageTest, TheAddressesAreInTheFolderOfTheConfiguredOne) {
    EXPECT_EQ(QuizPackageUrl("https://data.example.jp/kensaku/"), "https://data.example.jp/kensaku/quest.lzh");
    EXPECT_EQ(QuizIdUrl("https://data.example.jp/kensaku/検索データ_{YYYYMM}.txt"), "https://data.example.jp/kensaku/quest.txt");
    EXPECT_EQ(QuizPackageUrl("https://data.example.jp"), "https://data.example.jp/quest.lzh");
    EXPECT_EQ(QuizPackageUrl(""), "");
}

TEST(QuizPackageTest, AnOldQuizFolderThatCannotBeDeletedWholeDoesNotBlockTheNewOne) {
    test::TempDir install, source;
    test::WriteFile(source.Sub("出題/data.txt"), "Q2\r\n221104\r\n8473\r\n09:00:00\r\n0\r\n");
    test::WriteFile(source.Sub("出題/221104/8473.csv"), "x");
    ASSERT_TRUE(test::MakeLhaArchive(source.path(), "出題", source.Sub("quest.lzh")));
    const std::string package = ReadWholeFile(source.Sub("quest.lzh")).value_or("");
    // 出題1 left by an earlier toggle, with a file nobody may delete; and the current quiz.
    test::WriteFile(install.Sub("出題1/locked/a.csv"), "x");
    test::WriteFile(install.Sub("出題/data.txt"), "Q1\r\n221102\r\n8473\r\n09:00:00\r\n0\r\n");
    for (const char* folder : {"", "/出題", "/出題/data.txt", "/出題1"})
        fs::permissions(install.path() + folder, fs::perms::all);
    fs::permissions(install.Sub("出題1/locked"), fs::perms::owner_read | fs::perms::owner_exec |
                                                    fs::perms::others_read | fs::perms::others_exec);
    EXPECT_TRUE(test::InProcessWithoutWriteAccess([&] {
        LhaArchive archive;
        const QuizInstallOutcome out = InstallQuizPackage(install.path(), package, archive);
        return out.ok && out.quiz->id == "Q2" && out.files == 1 &&
               ReadWholeFile(install.Sub("quest.lzh")) == package;
    }));
    fs::permissions(install.Sub("出題1/locked"), fs::perms::owner_all);
    EXPECT_TRUE(FileExists(install.Sub("出題/221104/8473.csv")));
    EXPECT_TRUE(FileExists(install.Sub("出題1/locked/a.csv")));  // still there, out of the way
}

}  // namespace
}  // namespace corvala
