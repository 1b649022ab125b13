#include "platform/drives.h"

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "platform/files.h"
#include "platform/text.h"

namespace fs = std::filesystem;

namespace corvala {
namespace {

std::string UserName() {
    if (const char* user = std::getenv("USER"); user && *user) return user;
    if (const passwd* pw = ::getpwuid(::geteuid()); pw && pw->pw_name) return pw->pw_name;
    return {};
}

// The mount table writes blanks and backslashes in names as octal escapes ("\040").
std::string Unescape(std::string_view field) {
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            const std::string_view digits = field.substr(i + 1, 3);
            if (digits.size() == 3 && std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '7'; })) {
                out += static_cast<char>((digits[0] - '0') * 64 + (digits[1] - '0') * 8 + (digits[2] - '0'));
                i += 3;
                continue;
            }
        }
        out += field[i];
    }
    return out;
}

fs::path Normal(const std::string& path) {
    std::error_code ec;
    fs::path p = fs::weakly_canonical(fs::absolute(path, ec), ec);
    if (ec) p = fs::absolute(path, ec).lexically_normal();
    if (p.has_filename() || p == p.root_path()) return p;
    return p.parent_path();  // "…/folder/" names the folder
}

// `inner` is `outer` or lies inside it.
bool Within(const fs::path& inner, const fs::path& outer) {
    auto [o, i] = std::mismatch(outer.begin(), outer.end(), inner.begin(), inner.end());
    return o == outer.end();
}

bool FlagFileIsOne(const fs::path& file) {
    const auto bytes = ReadWholeFile(file.string(), 64);
    return bytes && Trim(*bytes) == "1";
}

}  // namespace

SystemDrives::SystemDrives() {
    const std::string user = UserName();
    if (!user.empty()) {
        tables_.mediaFolders.push_back("/media/" + user);
        tables_.mediaFolders.push_back("/run/media/" + user);
    }
    tables_.mediaFolders.push_back("/media");
}

std::vector<SystemDrives::Mount> SystemDrives::ReadMounts() const {
    std::vector<Mount> mounts;
    const auto bytes = ReadWholeFile(tables_.mounts, 16u * 1024 * 1024);
    if (!bytes) return mounts;
    std::string_view rest = *bytes;
    while (!rest.empty()) {
        const std::size_t nl = rest.find('\n');
        const std::string_view line = rest.substr(0, nl);
        rest = nl == std::string_view::npos ? std::string_view() : rest.substr(nl + 1);
        const std::size_t a = line.find(' ');
        if (a == std::string_view::npos) continue;
        const std::size_t b = line.find(' ', a + 1);
        mounts.push_back({Unescape(line.substr(0, a)), Unescape(line.substr(a + 1, b == std::string_view::npos ? b : b - a - 1))});
    }
    return mounts;
}

// The kernel flags the whole disk; a partition (sdb1) takes its disk's flag.
bool SystemDrives::DeviceIsRemovable(const std::string& device) const {
    if (device.rfind("/dev/", 0) != 0) return false;
    std::error_code ec;
    fs::path dev = fs::canonical(device, ec);  // /dev/disk/by-label/… names the device through a link
    if (ec) dev = device;
    const fs::path node = fs::path(tables_.blockDevices) / dev.filename();
    if (!fs::exists(node, ec)) return false;
    return FlagFileIsOne(node / "removable") || FlagFileIsOne(node / ".." / "removable");
}

bool SystemDrives::IsRemovableDrive(const std::string& path) const {
    if (path.empty()) return false;
    const fs::path target = Normal(path);
    const std::vector<Mount> mounts = ReadMounts();
    const Mount* best = nullptr;
    std::size_t bestDepth = 0;
    // Of mounts on the same point, the last one covers the others.
    for (const Mount& m : mounts) {
        const fs::path point = fs::path(m.point).lexically_normal();
        if (!Within(target, point)) continue;
        const auto depth = static_cast<std::size_t>(std::distance(point.begin(), point.end()));
        if (!best || depth >= bestDepth) {
            best = &m;
            bestDepth = depth;
        }
    }
    return best && DeviceIsRemovable(best->device);
}

std::string SystemDrives::FindDataFolderOnRemovableDrives() const {
    const std::vector<Mount> mounts = ReadMounts();
    for (const std::string& media : tables_.mediaFolders) {
        fs::path folder = fs::path(media).lexically_normal();
        if (!folder.has_filename()) folder = folder.parent_path();  // "/media/" is "/media"
        std::vector<std::string> roots;
        for (const Mount& m : mounts) {
            const fs::path point = fs::path(m.point).lexically_normal();
            if (point.parent_path() == folder && DeviceIsRemovable(m.device)) roots.push_back(point.string());
        }
        std::sort(roots.begin(), roots.end());
        for (const std::string& root : roots) {
            const std::string data = JoinPath(root, "日中データ");
            if (DirExists(data)) return data + "/";
        }
    }
    return {};
}

}  // namespace corvala
