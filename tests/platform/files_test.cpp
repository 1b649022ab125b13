// Writing files all or nothing.

#include "platform/files.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "test_support.h"

namespace corvala {
namespace {

TEST(FilesTest, AFailedReplaceReportsFailureAndLeavesNoTemporary) {
    test::TempDir dir;
    const std::string blocked = dir.Sub("blocked");
    std::filesystem::create_directory(blocked);  // a folder where the file should go
    EXPECT_FALSE(WriteFileAtomically(blocked, "data"));
    EXPECT_FALSE(WriteFileAtomically(dir.Sub("missing/file"), "data"));
    EXPECT_TRUE(ListFiles(dir.path()).empty());  // no temporary left behind
    EXPECT_TRUE(WriteFileAtomically(dir.Sub("ok"), "data"));
    EXPECT_EQ(*ReadWholeFile(dir.Sub("ok")), "data");
    EXPECT_TRUE(WriteFileAtomically(dir.Sub("ok"), ""));  // a shorter file replaces a longer one whole
    EXPECT_EQ(*ReadWholeFile(dir.Sub("ok")), "");
    EXPECT_EQ(ListFiles(dir.path()), std::vector<std::string>{"ok"});
}

TEST(FilesTest, AppendAddsAtTheEndOrCreates) {
    test::TempDir dir;
    EXPECT_TRUE(AppendToFile(dir.Sub("log"), "a\r\n"));
    EXPECT_TRUE(AppendToFile(dir.Sub("log"), "b\r\n"));
    EXPECT_EQ(*ReadWholeFile(dir.Sub("log")), "a\r\nb\r\n");
    EXPECT_FALSE(AppendToFile(dir.Sub("none/log"), "a"));
    // A disk that fills up halfway: what reached the file is taken back, a new file goes again.
    EXPECT_FALSE(test::WithDiskSpace(8, [&] { return AppendToFile(dir.Sub("log"), "0123456789"); }));
    EXPECT_EQ(*ReadWholeFile(dir.Sub("log")), "a\r\nb\r\n");
    EXPECT_FALSE(test::WithDiskSpace(4, [&] { return AppendToFile(dir.Sub("new"), "0123456789"); }));
    EXPECT_FALSE(FileExists(dir.Sub("new")));
}

TEST(FilesTest, DelDirDeletesDepthFirstAndNeverFollowsALink) {
    test::TempDir dir;
    const std::string quiz = dir.Sub("出題1");
    test::WriteFile(quiz + "/data.txt", "x");
    test::WriteFile(quiz + "/221104/8473.csv", "x");
    test::WriteFile(quiz + "/221104/sub/deep.csv", "x");
    test::WriteFile(dir.Sub("outside/keep.csv"), "x");
    std::filesystem::create_directory_symlink(dir.Sub("outside"), quiz + "/link");
    std::string message = "old";
    // Only the files: every folder of the tree stays.
    EXPECT_TRUE(DelDir(quiz, message, /*onlyFiles=*/true));
    EXPECT_EQ(message, "");
    EXPECT_TRUE(DirExists(quiz + "/221104/sub"));
    EXPECT_FALSE(FileExists(quiz + "/221104/8473.csv"));
    EXPECT_TRUE(FileExists(dir.Sub("outside/keep.csv")));  // the link went, not what it points at
    EXPECT_TRUE(DelDir(quiz, message));
    EXPECT_FALSE(DirExists(quiz));
    EXPECT_TRUE(FileExists(dir.Sub("outside/keep.csv")));
    EXPECT_FALSE(DelDir(quiz, message));
    EXPECT_EQ(message, "指定のフォルダは存在しません。");
    // What cannot be deleted is named, and the rest still goes.
    test::WriteFile(quiz + "/locked/a.csv", "x");
    test::WriteFile(quiz + "/b.csv", "x");
    namespace fs = std::filesystem;
    fs::permissions(dir.path(), fs::perms::all);
    fs::permissions(quiz, fs::perms::all);
    fs::permissions(quiz + "/locked", fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                          fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
    EXPECT_TRUE(test::InProcessWithoutWriteAccess([&] {
        std::string why;
        const bool ok = DelDir(quiz, why);
        return !ok &&
               why == "ファイル「a.csv」が削除できませんでした\nフォルダ「locked」が削除できませんでした\n"
                      "フォルダ「出題1」が削除できませんでした\n" &&
               !FileExists(quiz + "/b.csv");
    }));
    fs::permissions(quiz + "/locked", fs::perms::owner_all);
}

}  // namespace
}  // namespace corvala
