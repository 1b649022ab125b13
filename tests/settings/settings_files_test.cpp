// Where the settings come from at start-up and how they are written back: the factory copy,
// the one-time hand-over, the removable-drive marker, and writes that never leave half a file.

#include "settings/settings_files.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/cp932.h"
#include "platform/files.h"
#include "test_support.h"

namespace corvala {
namespace {

namespace fs = std::filesystem;

class SettingsFilesTest : public ::testing::Test {
protected:
    SettingsFilesTest() { fs::create_directories(install()); }
    std::string install() const { return dir.Sub("install"); }
    std::string appData() const { return dir.Sub("appdata"); }
    std::string setsim() const { return JoinPath(install(), kSettingsFile); }
    LoadedSettings Load() { return LoadSettings({install(), appData(), drives}); }
    void WriteSetsim(const Settings& s) { test::WriteFile(setsim(), WriteSettings(s)); }
    void HandOver(const std::string& folder, const std::string& path) {
        test::WriteFile(JoinPath(folder, kHandOverFile), EncodeCp932(path) + "\r\nsecond line\r\n");
    }
    bool Marker() const { return FileExists(JoinPath(install(), kRemovableMarker)); }

    test::TempDir dir;
    test::FakeDrives drives;
};

TEST_F(SettingsFilesTest, AMissingSetsimIsCopiedFromTheFactoryFileAndWithoutOneTheBuiltInValuesServe) {
    Settings factory = FactorySettings();
    factory.investment = 500'000;
    test::WriteFile(JoinPath(install(), kFactorySettingsFile), WriteSettings(factory));
    EXPECT_EQ(Load().settings.investment, 500'000);
    EXPECT_EQ(*ReadWholeFile(setsim()), WriteSettings(factory));

    // An existing setsim is never replaced by the factory file.
    Settings mine = factory;
    mine.investment = 800'000;
    WriteSetsim(mine);
    EXPECT_EQ(Load().settings.investment, 800'000);

    fs::remove(setsim());
    fs::remove(JoinPath(install(), kFactorySettingsFile));
    const LoadedSettings loaded = Load();
    EXPECT_EQ(loaded.settings, FactorySettings());
    EXPECT_TRUE(loaded.problem.empty());
}

// The factory file, not the built-in values, speaks for what setsim lacks or cannot hold.
TEST_F(SettingsFilesTest, LinesMissingOrRefusedTakeTheFactoryFilesValuesAndAreTold) {
    Settings factory = FactorySettings();
    factory.investment = 500'000;
    factory.lossTotal = 40;
    factory.screening.threshold = 9;
    test::WriteFile(JoinPath(install(), kFactorySettingsFile), WriteSettings(factory));
    Settings mine = FactorySettings();
    mine.investment = 800'000;
    std::vector<std::string> lines = SettingsLines(mine);
    std::string file;
    for (int n = 0; n < 25; ++n) file += lines[static_cast<std::size_t>(n)] + "\r\n";  // an older, shorter file
    test::WriteFile(setsim(), file);
    LoadedSettings loaded = Load();
    EXPECT_EQ(loaded.settings.investment, 800'000);
    EXPECT_EQ(loaded.settings.lossTotal, 40);
    EXPECT_EQ(loaded.settings.screening.threshold, 9);
    EXPECT_EQ(loaded.notice, "");

    lines[24] = "-5000";
    lines[32] = "-2147483648";
    file.clear();
    for (const std::string& line : lines) file += line + "\r";  // and in CR line ends
    test::WriteFile(setsim(), file);
    loaded = Load();
    EXPECT_EQ(loaded.settings.investment, 500'000);
    EXPECT_EQ(loaded.settings.lossTotal, 40);
    EXPECT_EQ(loaded.settings.barLength, mine.barLength);
    EXPECT_NE(loaded.notice.find("25・33行目の金額が正しくない"), std::string::npos);
}

TEST_F(SettingsFilesTest, TheHandOverIsTakenOnceFromTheAppDataFolderBeforeItsCorvalaFolder) {
    const std::string data = dir.Sub("handed");
    const std::string other = dir.Sub("other");
    fs::create_directories(data);
    fs::create_directories(other);
    HandOver(appData(), data);
    HandOver(JoinPath(appData(), kAppDataSubfolder), other);
    LoadedSettings loaded = Load();
    EXPECT_EQ(loaded.handOver, data);
    EXPECT_EQ(loaded.settings.dataFolder, data);  // line 15 was empty
    EXPECT_FALSE(FileExists(JoinPath(appData(), kHandOverFile)));
    // The next start finds the one in the Corvala folder, and then none.
    EXPECT_EQ(Load().handOver, other);
    EXPECT_FALSE(FileExists(JoinPath(JoinPath(appData(), kAppDataSubfolder), kHandOverFile)));
    EXPECT_EQ(Load().handOver, "");
}

TEST_F(SettingsFilesTest, AHandOverGivesWayToAConfiguredFolderAndOneThatIsNoFolderIsDropped) {
    const std::string data = dir.Sub("handed");
    fs::create_directories(data);
    Settings mine = FactorySettings();
    mine.dataFolder = "/configured/";
    WriteSetsim(mine);
    HandOver(appData(), data);
    LoadedSettings loaded = Load();
    EXPECT_EQ(loaded.handOver, data);
    EXPECT_EQ(loaded.settings.dataFolder, "/configured/");

    mine.dataFolder.clear();
    WriteSetsim(mine);
    HandOver(appData(), dir.Sub("no-such-folder"));
    loaded = Load();
    EXPECT_EQ(loaded.handOver, "");
    EXPECT_EQ(loaded.settings.dataFolder, "");
    EXPECT_FALSE(FileExists(JoinPath(appData(), kHandOverFile)));  // consumed all the same
    // Without an application-data folder nothing is looked for.
    EXPECT_EQ(LoadSettings({install(), "", drives}).handOver, "");
}

TEST_F(SettingsFilesTest, AHandedOverFolderOnARemovableDriveSetsTheMarkerAndAFixedOneClearsIt) {
    const std::string stick = dir.Sub("media/USB1/日中データ");
    fs::create_directories(stick);
    drives.removableRoots = {dir.Sub("media/USB1")};
    WriteSetsim(FactorySettings());
    HandOver(appData(), stick);
    EXPECT_EQ(Load().settings.dataFolder, stick);
    EXPECT_TRUE(Marker());
    const std::string fixed = dir.Sub("disk");
    fs::create_directories(fixed);
    UpdateRemovableMarker(install(), fixed, drives);
    EXPECT_FALSE(Marker());
}

TEST_F(SettingsFilesTest, WithTheMarkerAMissingDataFolderIsFoundAgainUnderAnotherMountPoint) {
    Settings mine = FactorySettings();
    mine.dataFolder = dir.Sub("media/OLDNAME/日中データ") + "/";
    WriteSetsim(mine);
    const std::string moved = dir.Sub("media/NEWNAME/日中データ") + "/";
    fs::create_directories(moved);
    drives.found = moved;
    // Without the marker the folder stays as configured (and a day display will say it is missing).
    EXPECT_EQ(Load().settings.dataFolder, mine.dataFolder);
    test::WriteFile(JoinPath(install(), kRemovableMarker), "");
    EXPECT_EQ(Load().settings.dataFolder, moved);
    // A folder that still exists is kept even when a drive holds another one.
    fs::create_directories(mine.dataFolder);
    EXPECT_EQ(Load().settings.dataFolder, mine.dataFolder);
    // Nothing found: the configured value stays.
    fs::remove_all(mine.dataFolder);
    drives.found.clear();
    EXPECT_EQ(Load().settings.dataFolder, mine.dataFolder);
}

TEST_F(SettingsFilesTest, TheFolderSavedIsTheUsersOwnNeverTheStandInOrTheQuizFolder) {
    const std::optional<std::string> none;
    EXPECT_EQ(DataFolderToSave("/data/", none, ""), "/data/");
    // The install folder's 日中データ stood in for a configured folder that was missing.
    EXPECT_EQ(DataFolderToSave("/opt/corvala/日中データ/", std::string("/media/usb/日中データ/"), ""),
              "/media/usb/日中データ/");
    EXPECT_EQ(DataFolderToSave("/opt/corvala/日中データ/", std::string(""), ""), "");
    EXPECT_EQ(DataFolderToSave("/", none, ""), "");
    EXPECT_EQ(DataFolderToSave("\\", none, ""), "");
    EXPECT_EQ(DataFolderToSave("/opt/corvala/出題/", none, "/home/me/日中データ/"), "/home/me/日中データ/");
    EXPECT_EQ(DataFolderToSave("/opt/corvala/出題/", none, ""), "/opt/corvala/出題/");
}

TEST_F(SettingsFilesTest, AFullDiskLeavesTheOldFileWholeAndNoTemporaryBehind) {
    Settings old = FactorySettings();
    old.profitTotal = 4321;
    ASSERT_TRUE(SaveSettingsFile(install(), old));
    const std::string before = *ReadWholeFile(setsim());
    Settings next = old;
    next.profitTotal = 99999;
    EXPECT_FALSE(test::WithDiskSpace(64, [&] { return SaveSettingsFile(install(), next); }));
    EXPECT_EQ(*ReadWholeFile(setsim()), before);
    EXPECT_EQ(ListFiles(install()), std::vector<std::string>{kSettingsFile});
    EXPECT_TRUE(SaveSettingsFile(install(), next));
    EXPECT_EQ(ReadSettings(*ReadWholeFile(setsim())).profitTotal, 99999);
}

TEST_F(SettingsFilesTest, AFolderThatRefusesWritesLeavesTheOldFileAndSaysSo) {
    Settings old = FactorySettings();
    old.lossTotal = 777;
    ASSERT_TRUE(SaveSettingsFile(install(), old));
    const std::string before = *ReadWholeFile(setsim());
    fs::permissions(dir.path(), fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                    fs::perms::others_read | fs::perms::others_exec);
    fs::permissions(install(), fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                   fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
    Settings next = old;
    next.lossTotal = 1;
    const std::string folder = install();
    // The child reports success when the save failed and the old file is still whole.
    EXPECT_TRUE(test::InProcessWithoutWriteAccess([&] {
        return !SaveSettingsFile(folder, next) && ReadWholeFile(JoinPath(folder, kSettingsFile)) == before &&
               ListFiles(folder).size() == 1;
    }));
    fs::permissions(install(), fs::perms::owner_all);
    EXPECT_EQ(*ReadWholeFile(setsim()), before);
}

TEST_F(SettingsFilesTest, ASaveKeepsThePermissionsOfTheFileItReplaces) {
    ASSERT_TRUE(SaveSettingsFile(install(), FactorySettings()));
    fs::permissions(setsim(), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    ASSERT_TRUE(SaveSettingsFile(install(), FactorySettings()));
    EXPECT_EQ(fs::status(setsim()).permissions(), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST_F(SettingsFilesTest, AnUnreadableSetsimStartsFromTheFactorySettingsAndSaysWhy) {
    fs::create_directories(setsim());  // a folder where the file should be
    const LoadedSettings loaded = Load();
    EXPECT_EQ(loaded.settings, FactorySettings());
    EXPECT_NE(loaded.problem.find("setsim"), std::string::npos);
}

}  // namespace
}  // namespace corvala
