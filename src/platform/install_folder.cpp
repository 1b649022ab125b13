#include "platform/install_folder.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "platform/files.h"

namespace corvala {
namespace fs = std::filesystem;

namespace {

constexpr const char* kStockListFile = "銘柄リスト.csv";
constexpr const char* kSeedingSuffix = ".seeding";
constexpr std::size_t kFailuresShown = 5;

bool WritableFolder(const std::string& folder) {
    return DirExists(folder) && ::access(folder.c_str(), W_OK | X_OK) == 0;
}

bool HoldsStockList(const std::string& folder) {
    return !folder.empty() && FileExists(JoinPath(folder, kStockListFile));
}

std::string Reason(const std::error_code& ec) { return ec ? ec.message() : std::string("unknown error"); }

// One file: to a hidden temporary in the destination folder, then renamed to its name.
bool CopyOneFile(const fs::path& source, const fs::path& target, std::string& why) {
    const fs::path temporary = target.parent_path() / ("." + target.filename().string() + kSeedingSuffix);
    std::error_code ec;
    fs::copy_file(source, temporary, fs::copy_options::overwrite_existing, ec);
    if (!ec) fs::rename(temporary, target, ec);
    if (!ec) return true;
    why = Reason(ec);
    fs::remove(temporary, ec);
    return false;
}

}  // namespace

InstallPlaces DefaultInstallPlaces() {
    InstallPlaces places;
    places.executableFolder = ExecutableFolder();
    const fs::path shared = fs::path(places.executableFolder).parent_path() / "share" / "corvala";
    places.sharedFolder = (shared / "skel").string();
    places.guideFile = (shared / "guide" / "guide.md").string();
    std::string dataHome;
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && xdg[0] == '/') dataHome = xdg;
    else if (const char* home = std::getenv("HOME"); home && *home) dataHome = JoinPath(JoinPath(home, ".local"), "share");
    if (!dataHome.empty()) places.userFolder = JoinPath(dataHome, kUserInstallSubfolder);
    return places;
}

SeedResult SeedFolder(const std::string& from, const std::string& to) {
    SeedResult result;
    std::error_code ec;
    fs::create_directories(to, ec);
    if (!DirExists(to)) {
        result.failed.push_back(".: " + Reason(ec));
        return result;
    }
    fs::recursive_directory_iterator it(from, fs::directory_options::skip_permission_denied, ec);
    if (ec) {
        result.failed.push_back(".: " + Reason(ec));
        return result;
    }
    for (; it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (ec) {
            result.failed.push_back(it->path().lexically_relative(from).string() + ": " + Reason(ec));
            break;
        }
        const fs::path relative = it->path().lexically_relative(from);
        const fs::path target = fs::path(to) / relative;
        const fs::file_status status = it->symlink_status(ec);
        if (ec || fs::is_symlink(status)) continue;
        std::error_code exists;
        if (fs::symlink_status(target, exists).type() != fs::file_type::not_found) {
            // A file or folder the user already has stays; a file where a folder was expected
            // keeps its contents out of reach, so nothing below it is copied.
            if (fs::is_directory(status) && !fs::is_directory(fs::symlink_status(target, exists)))
                it.disable_recursion_pending();
            continue;
        }
        if (fs::is_directory(status)) {
            std::error_code made;
            if (!fs::create_directory(target, made)) {
                result.failed.push_back(relative.string() + ": " + Reason(made));
                it.disable_recursion_pending();
            }
        } else if (fs::is_regular_file(status)) {
            std::string why;
            if (CopyOneFile(it->path(), target, why)) ++result.copied;
            else result.failed.push_back(relative.string() + ": " + why);
        }
    }
    return result;
}

InstallFolderChoice ChooseInstallFolder(const InstallPlaces& places, const std::string& version) {
    InstallFolderChoice choice;
    choice.folder = places.executableFolder;
    const bool ownHasList = HoldsStockList(places.executableFolder);
    if (ownHasList && WritableFolder(places.executableFolder)) return choice;

    std::string from;
    if (DirExists(places.sharedFolder)) from = places.sharedFolder;
    else if (ownHasList) from = places.executableFolder;
    if (places.userFolder.empty()) {
        if (!from.empty())
            choice.problem = "ホームフォルダが分からないため、インストールフォルダを作成できませんでした。";
        return choice;
    }
    if (from.empty() && !HoldsStockList(places.userFolder)) return choice;

    choice.folder = places.userFolder;
    choice.perUser = true;
    const std::string stamp = JoinPath(places.userFolder, kSeededVersionFile);
    if (from.empty() || (HoldsStockList(places.userFolder) && ReadWholeFile(stamp, 4096) == version)) return choice;
    const SeedResult seeded = SeedFolder(from, places.userFolder);
    choice.copied = seeded.copied;
    if (!seeded.failed.empty()) {
        choice.problem = "インストールフォルダ " + places.userFolder + " に次のファイルをコピーできませんでした。";
        for (std::size_t i = 0; i < seeded.failed.size() && i < kFailuresShown; ++i)
            choice.problem += "\n" + seeded.failed[i];
        if (seeded.failed.size() > kFailuresShown)
            choice.problem += "\nほか " + std::to_string(seeded.failed.size() - kFailuresShown) + " 件";
    } else if (!WriteFileAtomically(stamp, version)) {
        choice.problem = "インストールフォルダ " + places.userFolder + " に書き込めませんでした。";
    }
    return choice;
}

}  // namespace corvala
