// Which folder the program writes into, and how an installed package fills the user's own.

#include "platform/install_folder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "platform/files.h"
#include "test_support.h"

namespace corvala {
namespace {

namespace fs = std::filesystem;

// A package's layout: usr/bin with the programs, usr/share/corvala/skel with the template.
struct Package {
    test::TempDir root;
    InstallPlaces places;
    Package() {
        places.executableFolder = root.Sub("usr/bin");
        places.sharedFolder = root.Sub("usr/share/corvala/skel");
        places.userFolder = root.Sub("home/.local/share/Corvala");
        fs::create_directories(places.executableFolder);
        test::WriteFile(places.executableFolder + "/corvala", "program");
        test::WriteFile(places.sharedFolder + "/銘柄リスト.csv", "8473,8473.T,名前\r\n");
        test::WriteFile(places.sharedFolder + "/setsim(初期)", "factory");
        test::WriteFile(places.sharedFolder + "/約定音.mp3", "sound");
        test::WriteFile(places.sharedFolder + "/日中データ/221101/8473.csv", "day");
        test::WriteFile(places.sharedFolder + "/検索データ/検索データ_202211.txt", "search");
    }
    std::string User(const std::string& name) const { return JoinPath(places.userFolder, name); }
};

TEST(InstallFolderTest, AWritableProgramFolderWithTheStockListIsTheInstallFolder) {
    Package p;
    test::WriteFile(p.places.executableFolder + "/銘柄リスト.csv", "1301,1301.T,x\r\n");
    const InstallFolderChoice choice = ChooseInstallFolder(p.places, "2.1");
    EXPECT_EQ(choice.folder, p.places.executableFolder);
    EXPECT_FALSE(choice.perUser);
    EXPECT_TRUE(choice.problem.empty());
    EXPECT_FALSE(DirExists(p.places.userFolder));  // nothing is copied for a build tree
}

TEST(InstallFolderTest, APackageFillsTheUsersFolderAtTheFirstStart) {
    Package p;
    const InstallFolderChoice choice = ChooseInstallFolder(p.places, "2.1");
    EXPECT_EQ(choice.folder, p.places.userFolder);
    EXPECT_TRUE(choice.perUser);
    EXPECT_EQ(choice.copied, 5);
    EXPECT_TRUE(choice.problem.empty()) << choice.problem;
    EXPECT_EQ(*ReadWholeFile(p.User("日中データ/221101/8473.csv")), "day");
    EXPECT_EQ(*ReadWholeFile(p.User("検索データ/検索データ_202211.txt")), "search");
    EXPECT_EQ(*ReadWholeFile(p.User("setsim(初期)")), "factory");
    // No temporary of the copy is left, only the stamp of the version that was copied.
    EXPECT_EQ(ListFiles(p.places.userFolder), (std::vector<std::string>{".corvala-seeding.lock", ".corvala-version",
                                                                         "setsim(初期)", "約定音.mp3", "銘柄リスト.csv"}));
}

TEST(InstallFolderTest, TheUsersFilesAreNeverOverwrittenAndAnUpgradeAddsOnlyWhatIsMissing) {
    Package p;
    ChooseInstallFolder(p.places, "2.1");
    test::WriteFile(p.User("setsim"), "the user's settings");
    test::WriteFile(p.User("銘柄リスト.csv"), "edited list");
    test::WriteFile(p.User("売買履歴/実現損益.csv"), "history");
    fs::remove(p.User("日中データ/221101/8473.csv"));

    // Another start of the same version copies nothing: a file the user deleted stays deleted.
    InstallFolderChoice again = ChooseInstallFolder(p.places, "2.1");
    EXPECT_EQ(again.copied, 0);
    EXPECT_FALSE(FileExists(p.User("日中データ/221101/8473.csv")));

    // The upgrade brings a new day and new factory settings: only what is missing is added.
    test::WriteFile(p.places.sharedFolder + "/日中データ/221102/8473.csv", "new day");
    test::WriteFile(p.places.sharedFolder + "/銘柄リスト.csv", "new list");
    const InstallFolderChoice upgraded = ChooseInstallFolder(p.places, "2.2");
    EXPECT_EQ(upgraded.copied, 2);
    EXPECT_EQ(*ReadWholeFile(p.User("日中データ/221102/8473.csv")), "new day");
    EXPECT_EQ(*ReadWholeFile(p.User("日中データ/221101/8473.csv")), "day");
    EXPECT_EQ(*ReadWholeFile(p.User("銘柄リスト.csv")), "edited list");
    EXPECT_EQ(*ReadWholeFile(p.User("setsim")), "the user's settings");
    EXPECT_EQ(*ReadWholeFile(p.User("売買履歴/実現損益.csv")), "history");
    EXPECT_EQ(*ReadWholeFile(p.User(kSeededVersionFile)), "2.2");
}

TEST(InstallFolderTest, AnInterruptedCopyIsFinishedAtTheNextStart) {
    Package p;
    // A first start cut off: part of a file under the temporary name, no stamp written.
    test::WriteFile(p.User("日中データ/221101/.8473.csv.seeding"), "da");
    test::WriteFile(p.User("銘柄リスト.csv"), "8473,8473.T,名前\r\n");
    const InstallFolderChoice choice = ChooseInstallFolder(p.places, "2.1");
    EXPECT_EQ(choice.copied, 4);
    EXPECT_EQ(*ReadWholeFile(p.User("日中データ/221101/8473.csv")), "day");
    EXPECT_EQ(ListFiles(p.User("日中データ/221101")), std::vector<std::string>{"8473.csv"});
}

TEST(InstallFolderTest, LinksInTheTemplateAreNotFollowedAndAFileInAFoldersPlaceIsKept) {
    Package p;
    test::TempDir outside;
    test::WriteFile(outside.Sub("secret"), "outside");
    fs::create_directory_symlink(outside.path(), p.places.sharedFolder + "/link");
    fs::create_symlink(outside.Sub("secret"), p.places.sharedFolder + "/filelink");
    test::WriteFile(p.User("日中データ"), "a file of the user's");
    const InstallFolderChoice choice = ChooseInstallFolder(p.places, "2.1");
    EXPECT_TRUE(choice.problem.empty()) << choice.problem;
    EXPECT_FALSE(fs::exists(fs::symlink_status(p.User("link"))));
    EXPECT_FALSE(fs::exists(fs::symlink_status(p.User("filelink"))));
    EXPECT_EQ(*ReadWholeFile(p.User("日中データ")), "a file of the user's");
    EXPECT_EQ(*ReadWholeFile(p.User("検索データ/検索データ_202211.txt")), "search");
}

TEST(InstallFolderTest, AUserFolderThatCannotBeMadeIsReportedAndTriedAgain) {
    Package p;
    test::WriteFile(p.root.Sub("home/.local/share"), "a file where the folder should be");
    const InstallFolderChoice choice = ChooseInstallFolder(p.places, "2.1");
    EXPECT_EQ(choice.folder, p.places.userFolder);
    EXPECT_NE(choice.problem.find(p.places.userFolder), std::string::npos) << choice.problem;

    fs::remove(p.root.Sub("home/.local/share"));
    const InstallFolderChoice later = ChooseInstallFolder(p.places, "2.1");
    EXPECT_TRUE(later.problem.empty()) << later.problem;
    EXPECT_TRUE(FileExists(p.User("銘柄リスト.csv")));
}

// The checks below run in a child process that has no right to write into folders of mode 0555,
// even when the tests run as root; the folders it writes are opened to it first.
void OpenToEveryone(const Package& p) {
    ::chmod(p.root.path().c_str(), 0755);
    fs::create_directories(p.places.userFolder);
    for (const std::string& folder : {p.root.Sub("home"), p.root.Sub("home/.local"), p.root.Sub("home/.local/share"),
                                      p.places.userFolder})
        ::chmod(folder.c_str(), 0777);
}

TEST(InstallFolderTest, AFileThatCannotBeCopiedIsNamedAndNoStampIsWritten) {
    Package p;
    OpenToEveryone(p);
    fs::create_directories(p.User("日中データ/221101"));
    ::chmod(p.User("日中データ").c_str(), 0777);
    ::chmod(p.User("日中データ/221101").c_str(), 0555);
    EXPECT_TRUE(test::InProcessWithoutWriteAccess([&] {
        const InstallFolderChoice choice = ChooseInstallFolder(p.places, "2.1");
        return choice.copied == 4 && choice.problem.find("221101/8473.csv") != std::string::npos &&
               !FileExists(p.User(kSeededVersionFile)) && ListFiles(p.User("日中データ/221101")).empty();
    }));
    ::chmod(p.User("日中データ/221101").c_str(), 0755);
    const InstallFolderChoice next = ChooseInstallFolder(p.places, "2.1");  // the next start finishes it
    EXPECT_EQ(next.copied, 1);
    EXPECT_TRUE(next.problem.empty()) << next.problem;
    EXPECT_EQ(*ReadWholeFile(p.User("日中データ/221101/8473.csv")), "day");
}

TEST(InstallFolderTest, AFolderOfTheTemplateThatCannotBeReadIsAFailureNotASilentGap) {
    Package p;
    OpenToEveryone(p);
    ::chmod(p.places.sharedFolder.c_str(), 0755);
    ::chmod((p.places.sharedFolder + "/日中データ/221101").c_str(), 0700);
    EXPECT_TRUE(test::InProcessWithoutWriteAccess([&] {
        const InstallFolderChoice choice = ChooseInstallFolder(p.places, "2.1");
        return !choice.problem.empty() && !FileExists(p.User(kSeededVersionFile));
    }));
    ::chmod((p.places.sharedFolder + "/日中データ/221101").c_str(), 0755);
    EXPECT_TRUE(ChooseInstallFolder(p.places, "2.1").problem.empty());
    EXPECT_TRUE(FileExists(p.User("日中データ/221101/8473.csv")));
}

TEST(InstallFolderTest, ThePackagesVersionDecidesWhenTheTemplateIsCopiedAgain) {
    Package p;
    test::WriteFile(p.places.sharedFolder + "/" + kTemplateVersionFile, "2.1-1");
    ChooseInstallFolder(p.places, "2.1");
    EXPECT_EQ(*ReadWholeFile(p.User(kSeededVersionFile)), "2.1-1");
    EXPECT_FALSE(FileExists(p.User(kTemplateVersionFile)));  // the template's own, not copied
    fs::remove(p.User("約定音.mp3"));
    EXPECT_EQ(ChooseInstallFolder(p.places, "2.1").copied, 0);
    // A new package of the same program version (new demo days, a new sound) is an upgrade.
    test::WriteFile(p.places.sharedFolder + "/" + kTemplateVersionFile, "2.1-2");
    EXPECT_EQ(ChooseInstallFolder(p.places, "2.1").copied, 1);
    EXPECT_TRUE(FileExists(p.User("約定音.mp3")));
}

TEST(InstallFolderTest, ProgramsStartedAtOnceCopyOneAfterTheOther) {
    Package p;
    for (int i = 0; i < 40; ++i)
        test::WriteFile(p.places.sharedFolder + "/日中データ/2211" + std::to_string(10 + i) + "/8473.csv",
                        std::string(20000, 'x'));
    std::vector<pid_t> children;
    for (int i = 0; i < 4; ++i) {
        const pid_t child = ::fork();
        if (child == 0) ::_exit(ChooseInstallFolder(p.places, "2.1").problem.empty() ? 0 : 1);
        children.push_back(child);
    }
    int copied = 0;
    for (const pid_t child : children) {
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        copied += WIFEXITED(status) ? 1 : 0;
    }
    EXPECT_EQ(copied, 4);
    EXPECT_EQ(*ReadWholeFile(p.User(kSeededVersionFile)), "2.1");
    EXPECT_EQ(ReadWholeFile(p.User("日中データ/221149/8473.csv"))->size(), 20000u);
    EXPECT_EQ(ListFiles(p.User("日中データ/221110")), std::vector<std::string>{"8473.csv"});  // no temporary left
}

TEST(InstallFolderTest, AReadOnlyPortableCopyIsTheTemplateOfTheUsersFolder) {
    Package p;
    fs::remove_all(p.places.sharedFolder);
    test::WriteFile(p.places.executableFolder + "/銘柄リスト.csv", "1301,1301.T,x\r\n");
    OpenToEveryone(p);
    ::chmod(p.places.executableFolder.c_str(), 0555);
    EXPECT_TRUE(test::InProcessWithoutWriteAccess([&] {
        const InstallFolderChoice choice = ChooseInstallFolder(p.places, "2.1");
        return choice.folder == p.places.userFolder && choice.perUser && choice.problem.empty() &&
               ReadWholeFile(p.User("銘柄リスト.csv")) == "1301,1301.T,x\r\n";
    }));
    ::chmod(p.places.executableFolder.c_str(), 0755);
}

TEST(InstallFolderTest, WithoutATemplateOrAUserFolderTheProgramFolderIsKept) {
    Package p;
    fs::remove_all(p.places.sharedFolder);
    const InstallFolderChoice choice = ChooseInstallFolder(p.places, "2.1");
    EXPECT_EQ(choice.folder, p.places.executableFolder);  // the start-up reports the missing list
    EXPECT_TRUE(choice.problem.empty());
    EXPECT_FALSE(DirExists(p.places.userFolder));
    // A user folder filled by an earlier start is used even when the template went away.
    test::WriteFile(p.User("銘柄リスト.csv"), "8473,8473.T,名前\r\n");
    EXPECT_EQ(ChooseInstallFolder(p.places, "2.1").folder, p.places.userFolder);
}

TEST(InstallFolderTest, TheUsersFolderFollowsXdgDataHome) {
    const char* savedXdg = std::getenv("XDG_DATA_HOME");
    const std::string keptXdg = savedXdg ? savedXdg : "";
    const char* savedHome = std::getenv("HOME");
    const std::string keptHome = savedHome ? savedHome : "";
    ::setenv("HOME", "/home/trader", 1);
    ::setenv("XDG_DATA_HOME", "/data/xdg", 1);
    EXPECT_EQ(DefaultInstallPlaces().userFolder, "/data/xdg/Corvala");
    ::setenv("XDG_DATA_HOME", "relative/xdg", 1);  // not absolute: ignored
    EXPECT_EQ(DefaultInstallPlaces().userFolder, "/home/trader/.local/share/Corvala");
    ::unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(DefaultInstallPlaces().userFolder, "/home/trader/.local/share/Corvala");
    const InstallPlaces places = DefaultInstallPlaces();
    const fs::path share = fs::path(places.executableFolder).parent_path() / "share" / "corvala";
    EXPECT_EQ(fs::path(places.sharedFolder), share / "skel");
    EXPECT_EQ(fs::path(places.guideFile), share / "guide" / "guide.md");
    if (savedXdg) ::setenv("XDG_DATA_HOME", keptXdg.c_str(), 1);
    ::setenv("HOME", keptHome.c_str(), 1);
    if (!savedHome) ::unsetenv("HOME");
}

TEST(InstallFolderTest, TheGuideIsFoundBesideTheProgramOfACopiedFolderElseWhereThePackagePutsIt) {
    test::TempDir dir;
    const std::string program = dir.Sub("usr/bin");
    const std::string packaged = dir.Sub("usr/share/corvala/guide/guide.md");
    fs::create_directories(program);
    EXPECT_EQ(GuideFile(program), packaged);  // none there: the place the message names
    test::WriteFile(packaged, "# 使い方");
    EXPECT_EQ(GuideFile(program), packaged);
    // A program folder copied elsewhere carries its guide with it.
    const std::string copied = dir.Sub("USB/Corvala");
    test::WriteFile(copied + "/guide/guide.md", "# 使い方");
    EXPECT_EQ(GuideFile(copied), copied + "/guide/guide.md");
    test::WriteFile(program + "/guide/guide.md", "# 使い方");
    EXPECT_EQ(GuideFile(program), program + "/guide/guide.md");
}

}  // namespace
}  // namespace corvala
