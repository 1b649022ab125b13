#include "platform/install_folder.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "platform/files.h"

namespace corvala {
namespace fs = std::filesystem;

namespace {

constexpr const char* kStockListFile = "銘柄リスト.csv";
constexpr const char* kSeedingSuffix = ".seeding";
constexpr const char* kLockFile = ".corvala-seeding.lock";
constexpr std::size_t kFailuresShown = 5;

bool WritableFolder(const std::string& folder) {
    return DirExists(folder) && ::access(folder.c_str(), W_OK | X_OK) == 0;
}

bool HoldsStockList(const std::string& folder) {
    return !folder.empty() && FileExists(JoinPath(folder, kStockListFile));
}

std::string Reason(const std::error_code& ec) { return ec ? ec.message() : std::string("unknown error"); }

// One file: to a hidden temporary in the destination folder, then linked under its name, which
// fails rather than replaces when a file of that name appeared meanwhile (the user's stays).
enum class Copied { Added, AlreadyThere, Failed };
Copied CopyOneFile(const fs::path& source, const fs::path& target, std::string& why) {
    const fs::path temporary = target.parent_path() / ("." + target.filename().string() + kSeedingSuffix);
    std::error_code ec;
    fs::copy_file(source, temporary, fs::copy_options::overwrite_existing, ec);
    Copied result = Copied::Failed;
    if (ec) why = Reason(ec);
    else if (::link(temporary.c_str(), target.c_str()) == 0) result = Copied::Added;
    else if (errno == EEXIST) result = Copied::AlreadyThere;
    else why = std::strerror(errno);
    fs::remove(temporary, ec);
    return result;
}

// Holds the per-user folder's lock while it lives: a second program started meanwhile waits for
// the first one's copy instead of copying the same files at the same time.
class FolderLock {
public:
    explicit FolderLock(const std::string& folder)
        : fd_(::open(JoinPath(folder, kLockFile).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644)) {
        if (fd_ >= 0) ::flock(fd_, LOCK_EX);
    }
    ~FolderLock() {
        if (fd_ >= 0) ::close(fd_);
    }
    // The copies reach the disk before a stamp says they are there.
    void Sync() const {
        if (fd_ >= 0) ::syncfs(fd_);
    }
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

private:
    int fd_;
};

}  // namespace

InstallPlaces DefaultInstallPlaces() {
    InstallPlaces places;
    places.executableFolder = ExecutableFolder();
    const fs::path shared = fs::path(places.executableFolder).parent_path() / "share" / "corvala";
    places.sharedFolder = (shared / "skel").string();
    places.guideFile = GuideFile(places.executableFolder);
    std::string dataHome;
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && xdg[0] == '/') dataHome = xdg;
    else if (const char* home = std::getenv("HOME"); home && *home) dataHome = JoinPath(JoinPath(home, ".local"), "share");
    if (!dataHome.empty()) places.userFolder = JoinPath(dataHome, kUserInstallSubfolder);
    return places;
}

std::string GuideFile(const std::string& executableFolder) {
    const fs::path beside = fs::path(executableFolder) / "guide" / "guide.md";
    if (FileExists(beside.string())) return beside.string();
    return (fs::path(executableFolder).parent_path() / "share" / "corvala" / "guide" / "guide.md").string();
}

SeedResult SeedFolder(const std::string& from, const std::string& to) {
    SeedResult result;
    std::error_code ec;
    fs::create_directories(to, ec);
    if (!DirExists(to)) {
        result.failed.push_back(".: " + Reason(ec));
        return result;
    }
    fs::recursive_directory_iterator it(from, ec);  // a folder it cannot read is a failure
    if (ec) {
        result.failed.push_back(".: " + Reason(ec));
        return result;
    }
    const auto fail = [&](const fs::path& relative, const std::string& why) {
        result.failed.push_back(relative.string() + ": " + why);
    };
    for (const fs::recursive_directory_iterator done; it != done;) {
        const fs::path relative = it->path().lexically_relative(from);
        const fs::path target = fs::path(to) / relative;
        const fs::file_status status = it->symlink_status(ec);
        std::error_code exists;
        const fs::file_type there = fs::symlink_status(target, exists).type();
        if (ec) {
            fail(relative, Reason(ec));
        } else if (fs::is_symlink(status) || relative == kTemplateVersionFile) {
            // Links of the template are neither followed nor copied; its version is its own.
        } else if (there != fs::file_type::not_found) {
            // A file or folder the user already has stays; a file where a folder was expected
            // keeps its contents out of reach, so nothing below it is copied.
            if (fs::is_directory(status) && there != fs::file_type::directory) it.disable_recursion_pending();
        } else if (fs::is_directory(status)) {
            std::error_code made;
            fs::create_directory(target, made);
            if (!DirExists(target.string())) {
                fail(relative, Reason(made));
                it.disable_recursion_pending();
            }
        } else if (fs::is_regular_file(status)) {
            std::string why;
            const Copied copied = CopyOneFile(it->path(), target, why);
            if (copied == Copied::Added) ++result.copied;
            else if (copied == Copied::Failed) fail(relative, why);
        }
        it.increment(ec);
        if (ec) {
            // The walk cannot go on: what it did not reach is missing, and that is a failure.
            fail(relative, Reason(ec));
            break;
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
    if (from.empty()) return choice;
    // The template names its own version (the package's); a program folder used as the template
    // goes by the program's.
    const std::string templateVersion = ReadWholeFile(JoinPath(from, kTemplateVersionFile), 4096).value_or(version);
    const std::string stamp = JoinPath(places.userFolder, kSeededVersionFile);
    std::error_code ec;
    fs::create_directories(places.userFolder, ec);
    FolderLock lock(places.userFolder);
    if (HoldsStockList(places.userFolder) && ReadWholeFile(stamp, 4096) == templateVersion) return choice;
    const SeedResult seeded = SeedFolder(from, places.userFolder);
    choice.copied = seeded.copied;
    if (seeded.failed.empty()) {
        lock.Sync();
        if (!WriteFileAtomically(stamp, templateVersion))
            choice.problem = "インストールフォルダ " + places.userFolder + " に書き込めませんでした。";
    } else {
        choice.problem = "インストールフォルダ " + places.userFolder + " に次のファイルをコピーできませんでした。";
        for (std::size_t i = 0; i < seeded.failed.size() && i < kFailuresShown; ++i)
            choice.problem += "\n" + seeded.failed[i];
        if (seeded.failed.size() > kFailuresShown)
            choice.problem += "\nほか " + std::to_string(seeded.failed.size() - kFailuresShown) + " 件";
    }
    return choice;
}

}  // namespace corvala
