// Removable drives from a mount table and block-device flags laid out as the kernel shows them.

#include "platform/drives.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "test_support.h"

namespace corvala {
namespace {

namespace fs = std::filesystem;

class DrivesTest : public ::testing::Test {
protected:
    DrivesTest() {
        // sdb is a USB stick (removable) with one partition; sda a fixed disk; mmcblk0 a card
        // reader whose whole disk is mounted.
        Disk("sda", "0", {"sda1"});
        Disk("sdb", "1", {"sdb1"});
        Disk("mmcblk0", "1", {});
        fs::create_directories(Media("me/USB STICK/日中データ"));
        fs::create_directories(Media("me/CARD/日中データ"));
        fs::create_directories(Media("me/EMPTY"));
        fs::create_directories(dir.Sub("home/me/日中データ"));
    }
    // /sys/class/block/<name> links to the device's folder; a partition's folder lies inside
    // its disk's, which holds the "removable" flag.
    void Disk(const std::string& name, const char* removable, const std::vector<std::string>& partitions) {
        const std::string device = dir.Sub("sys/devices/" + name);
        test::WriteFile(device + "/removable", std::string(removable) + "\n");
        fs::create_directories(dir.Sub("sys/class/block"));
        fs::create_directory_symlink("../../devices/" + name, dir.Sub("sys/class/block/" + name));
        for (const auto& part : partitions) {
            test::WriteFile(device + "/" + part + "/partition", "1\n");
            fs::create_directory_symlink("../../devices/" + name + "/" + part, dir.Sub("sys/class/block/" + part));
        }
    }
    std::string Media(const std::string& sub) const { return dir.Sub("media/" + sub); }
    // The mount table; a blank in a mount point is written "\040".
    void Mounts(const std::string& table) { test::WriteFile(dir.Sub("mounts"), table); }
    SystemDrives Drives() const {
        return SystemDrives({dir.Sub("mounts"), dir.Sub("sys/class/block"), {Media("me"), Media("")}});
    }
    std::string StandardTable() const {
        std::string usb = Media("me/USB STICK");
        usb.replace(usb.find(' '), 1, "\\040");
        return "/dev/sda1 / ext4 rw 0 0\n"
               "proc /proc proc rw 0 0\n"
               "/dev/sdb1 " + usb + " vfat rw 0 0\n"
               "/dev/mmcblk0 " + Media("me/CARD") + " exfat rw 0 0\n"
               "/dev/sda1 " + Media("me/EMPTY") + " ext4 rw 0 0\n";
    }

    test::TempDir dir;
};

TEST_F(DrivesTest, APathIsOnARemovableDriveWhenItsMountsDeviceOrThatDevicesDiskIsRemovable) {
    Mounts(StandardTable());
    const SystemDrives drives = Drives();
    EXPECT_TRUE(drives.IsRemovableDrive(Media("me/USB STICK/日中データ/")));
    EXPECT_TRUE(drives.IsRemovableDrive(Media("me/USB STICK")));
    EXPECT_TRUE(drives.IsRemovableDrive(Media("me/CARD/日中データ")));
    EXPECT_FALSE(drives.IsRemovableDrive(dir.Sub("home/me/日中データ")));
    EXPECT_FALSE(drives.IsRemovableDrive(Media("me/EMPTY")));
    // A name that only begins like a mount point is not inside it.
    EXPECT_FALSE(drives.IsRemovableDrive(Media("me/CARDS/x")));
    EXPECT_FALSE(drives.IsRemovableDrive(""));
}

TEST_F(DrivesTest, TheLastMountOnAPointCoversTheEarlierOnes) {
    Mounts(StandardTable() + "/dev/sda1 " + Media("me/CARD") + " ext4 rw 0 0\n");
    EXPECT_FALSE(Drives().IsRemovableDrive(Media("me/CARD/日中データ")));
}

TEST_F(DrivesTest, TheDataFolderIsLookedForInTheRootsOfRemovableMountsInTheMediaFoldersInOrder) {
    Mounts(StandardTable());
    // The two removable roots under media/me are taken by name: CARD before USB STICK.
    EXPECT_EQ(Drives().FindDataFolderOnRemovableDrives(), Media("me/CARD/日中データ") + "/");
    fs::remove_all(Media("me/CARD/日中データ"));
    EXPECT_EQ(Drives().FindDataFolderOnRemovableDrives(), Media("me/USB STICK/日中データ") + "/");
    // A fixed disk under the media folders does not count, nor a removable one elsewhere.
    fs::remove_all(Media("me/USB STICK/日中データ"));
    fs::create_directories(Media("me/EMPTY/日中データ"));
    EXPECT_EQ(Drives().FindDataFolderOnRemovableDrives(), "");
    fs::create_directories(dir.Sub("mnt/日中データ"));
    Mounts(StandardTable() + "/dev/sdb1 " + dir.Sub("mnt") + " vfat rw 0 0\n");
    EXPECT_EQ(Drives().FindDataFolderOnRemovableDrives(), "");
    // A stick mounted directly in the last media folder is found there.
    fs::create_directories(Media("STICK2/日中データ"));
    Mounts("/dev/sdb1 " + Media("STICK2") + " vfat rw 0 0\n");
    EXPECT_EQ(Drives().FindDataFolderOnRemovableDrives(), Media("STICK2/日中データ") + "/");
}

TEST_F(DrivesTest, AMissingOrBrokenTableMeansNoRemovableDrives) {
    EXPECT_FALSE(Drives().IsRemovableDrive(Media("me/CARD")));
    EXPECT_EQ(Drives().FindDataFolderOnRemovableDrives(), "");
    Mounts("garbage\n\n/dev/sdb1\n\\0\\\n/dev/nosuch " + Media("me/CARD") + " x\n");
    EXPECT_FALSE(Drives().IsRemovableDrive(Media("me/CARD")));
    EXPECT_EQ(Drives().FindDataFolderOnRemovableDrives(), "");
}

}  // namespace
}  // namespace corvala
