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
}

}  // namespace
}  // namespace corvala
