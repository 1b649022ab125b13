// The demo install that a ctest run generates once and every test process copies: a copy must be
// the generated install under another folder, and no process may reach another's files through it.

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <string>

#include "data/stock_list.h"
#include "demo_install.h"
#include "platform/files.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace corvala {
namespace {

// Every file below `folder` by its path relative to it, with its size and a hash of its bytes.
std::map<std::string, std::string> Contents(const std::string& folder) {
    std::map<std::string, std::string> files;
    for (const auto& e : fs::recursive_directory_iterator(folder)) {
        const std::string rel = fs::relative(e.path(), folder).string();
        if (e.is_directory()) {
            files[rel] = "folder";
        } else if (const auto bytes = ReadWholeFile(e.path().string())) {
            files[rel] = std::to_string(bytes->size()) + " bytes, hash " + std::to_string(std::hash<std::string>{}(*bytes));
        } else {
            files[rel] = "unreadable";
        }
    }
    return files;
}

std::string Moved(const std::string& path, const std::string& from, const std::string& to) {
    EXPECT_EQ(path.rfind(from + "/", 0), 0u) << path << " lies outside " << from;
    return to + path.substr(from.size());
}

TEST(DemoInstallTest, ACopyIsTheGeneratedInstallAndManifestUnderAnotherFolder) {
    const test::TempDir dir;
    const std::string from = dir.Sub("template");
    // A template left by an older generator: nothing of it may outlive the new one.
    test::WriteFile(JoinPath(from, "install/日中データ/991231/1234.csv"), "stale");
    test::WriteFile(JoinPath(from, "manifest.json"), "{}");

    const DemoManifest generated = test::WriteDemoTemplate(from);
    ASSERT_TRUE(generated.ok) << generated.error;
    EXPECT_EQ(generated.installFolder, JoinPath(from, "install"));
    EXPECT_FALSE(fs::exists(JoinPath(from, "install/日中データ/991231")));

    const std::string to = dir.Sub("not/yet/there");
    const DemoManifest copy = test::CopyDemoTemplate(from, to);
    ASSERT_TRUE(copy.ok) << copy.error;

    // Every member survives the trip through the manifest file; the paths name the copy's files.
    DemoManifest expected = generated;
    expected.installFolder = to;
    expected.dataFolder = Moved(generated.dataFolder, generated.installFolder, to);
    expected.searchDataPath = Moved(generated.searchDataPath, generated.installFolder, to);
    for (DemoDayFile& f : expected.files) f.path = Moved(f.path, generated.installFolder, to);
    EXPECT_TRUE(copy == expected) << "a member of the manifest changed on the way through manifest.json";
    ASSERT_FALSE(copy.files.empty());
    for (const DemoDayFile& f : copy.files) EXPECT_TRUE(FileExists(f.path)) << f.path;
    EXPECT_TRUE(FileExists(copy.searchDataPath));

    EXPECT_EQ(Contents(to), Contents(generated.installFolder));
}

// Tests write history and settings into their install and edit its day files: in place (as the
// history is appended to) or replaced. Neither reaches the template nor another process's copy.
TEST(DemoInstallTest, WritingIntoOneCopyChangesNeitherTheTemplateNorAnotherCopy) {
    const test::TempDir dir;
    std::string from = test::DemoTemplateFolder();  // only read, as by every other test
    if (from.empty()) {
        from = dir.Sub("template");
        ASSERT_TRUE(test::WriteDemoTemplate(from).ok);
    }
    const auto before = Contents(JoinPath(from, "install"));

    const DemoManifest a = test::CopyDemoTemplate(from, dir.Sub("a"));
    ASSERT_TRUE(a.ok) << a.error;
    ASSERT_FALSE(a.files.empty());
    ASSERT_TRUE(AppendToFile(a.files.front().path, "15:00:05,1\r\n"));
    ASSERT_TRUE(TruncateFile(a.files.back().path, 10));
    ASSERT_TRUE(WriteFileAtomically(JoinPath(a.installFolder, std::string(kStockListFile)), "x"));
    ASSERT_TRUE(RemoveFile(a.searchDataPath));
    test::WriteFile(JoinPath(a.dataFolder, "221111/9999.csv"), "new");

    const DemoManifest b = test::CopyDemoTemplate(from, dir.Sub("b"));
    ASSERT_TRUE(b.ok) << b.error;
    EXPECT_EQ(Contents(JoinPath(from, "install")), before);
    EXPECT_EQ(Contents(b.installFolder), before);
}

TEST(DemoInstallTest, AMissingUnfinishedOrForeignTemplateIsReportedAndNothingIsCopied) {
    const test::TempDir dir;
    const std::string to = dir.Sub("copy");
    auto refused = [&](const std::string& from, const std::string& why) {
        const DemoManifest m = test::CopyDemoTemplate(from, to);
        EXPECT_FALSE(m.ok) << from;
        EXPECT_NE(m.error.find(why), std::string::npos) << m.error;
        EXPECT_FALSE(fs::exists(to)) << from;
    };
    refused(dir.Sub("none"), "no demo template");

    // A generation that failed half-way leaves the install without its manifest.
    const std::string unfinished = dir.Sub("unfinished");
    test::WriteFile(JoinPath(unfinished, "install/銘柄リスト.csv"), "8473,8473.T,x\r\n");
    refused(unfinished, "no demo template");

    test::WriteFile(JoinPath(unfinished, "manifest.json"), "{\"ok\": tru");
    refused(unfinished, "is no manifest");
    test::WriteFile(JoinPath(unfinished, "manifest.json"), "{\"ok\": true}");
    refused(unfinished, "is no manifest");

    // A folder that is there already is never written into: a test's files must not mix with
    // the copy's.
    fs::create_directories(to);
    test::WriteFile(JoinPath(to, "mine"), "kept");
    const DemoManifest m = test::CopyDemoTemplate(unfinished, to);
    EXPECT_FALSE(m.ok);
    EXPECT_NE(m.error.find("exists already"), std::string::npos) << m.error;
    EXPECT_EQ(ReadWholeFile(JoinPath(to, "mine")), "kept");
    EXPECT_EQ(Contents(to).size(), 1u);
}

}  // namespace
}  // namespace corvala
