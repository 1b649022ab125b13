#pragma once
// Removable drives (USB sticks, memory cards): a data folder kept on one is found again when the
// drive comes back under another mount point.

#include <string>
#include <vector>

namespace corvala {

class RemovableDrives {
public:
    virtual ~RemovableDrives() = default;
    // True when `path` lies on a mounted file system whose block device is removable.
    virtual bool IsRemovableDrive(const std::string& path) const = 0;
    // The folder 日中データ in the root of a removable drive, with a trailing separator; the
    // first one found, or "" when no removable drive holds one.
    virtual std::string FindDataFolderOnRemovableDrives() const = 0;
};

// The drives as the system sees them: the mount table, the block devices' "removable" flags,
// and the folders under which the desktop mounts removable media.
class SystemDrives final : public RemovableDrives {
public:
    struct Tables {
        std::string mounts = "/proc/self/mounts";
        std::string blockDevices = "/sys/class/block";
        // In the order they are searched; each mount directly inside one is a drive's root.
        std::vector<std::string> mediaFolders;
    };
    // The system's own tables; the media folders /media/$USER, /run/media/$USER and /media.
    SystemDrives();
    explicit SystemDrives(Tables tables) : tables_(std::move(tables)) {}

    bool IsRemovableDrive(const std::string& path) const override;
    std::string FindDataFolderOnRemovableDrives() const override;

private:
    struct Mount {
        std::string device, point;
    };
    std::vector<Mount> ReadMounts() const;
    bool DeviceIsRemovable(const std::string& device) const;

    Tables tables_;
};

}  // namespace corvala
