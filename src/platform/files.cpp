#include "platform/files.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <thread>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace corvala {

bool FileExists(const std::string& path) {
    std::error_code ec;
    const auto st = fs::status(path, ec);
    return !ec && fs::exists(st) && !fs::is_directory(st);
}

bool DirExists(const std::string& path) {
    std::error_code ec;
    return fs::is_directory(path, ec);
}

bool CreateDir(const std::string& path) {
    std::error_code ec;
    fs::create_directories(path, ec);
    return DirExists(path);
}

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    return (fs::path(folder) / name).string();
}

std::optional<std::string> ReadWholeFile(const std::string& path, std::uintmax_t maxBytes) {
    std::error_code ec;
    if (fs::is_directory(path, ec)) return std::nullopt;
    const auto size = fs::file_size(path, ec);
    if (ec || size > maxBytes) return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::string bytes(static_cast<std::size_t>(size), '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(size));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    if (in.bad()) return std::nullopt;
    return bytes;
}

namespace {

// The temporary of WriteFileAtomically: the file's name, this mark and six characters of mkstemp.
constexpr const char* kTemporaryMark = ".tmp";
constexpr std::size_t kTemporaryRandom = 6;

bool WriteAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

bool WriteFileAtomically(const std::string& path, const std::string& bytes) {
    std::error_code ec;
    if (fs::is_directory(path, ec)) return false;
    // A name of its own in the same folder, so that the rename replaces the file in one step
    // and two writers never share a temporary.
    std::string tmp = path + kTemporaryMark + std::string(kTemporaryRandom, 'X');
    const int fd = ::mkstemp(tmp.data());
    if (fd < 0) return false;
    // The replacement keeps the permissions of the file it replaces (a new file: 0644 less the umask).
    struct stat old {};
    mode_t mode = 0644;
    if (::stat(path.c_str(), &old) == 0) {
        mode = old.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode &= ~mask;
    }
    // The data reach the disk before the rename: a crash leaves the old file or the new one.
    bool ok = ::fchmod(fd, mode) == 0 && WriteAll(fd, bytes) && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (ok && ::rename(tmp.c_str(), path.c_str()) == 0) return true;
    ::unlink(tmp.c_str());
    return false;
}

bool AppendToFile(const std::string& path, const std::string& bytes) {
    std::error_code ec;
    if (fs::is_directory(path, ec)) return false;
    const bool existed = FileExists(path);
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    struct stat before {};
    bool ok = ::fstat(fd, &before) == 0;
    const off_t oldSize = before.st_size;
    ok = ok && WriteAll(fd, bytes) && ::fsync(fd) == 0;
    if (!ok && existed) {
        // What did reach the file is taken back, so that it holds all of `bytes` or none.
        if (::ftruncate(fd, oldSize) == 0) ::fsync(fd);
    }
    ok = (::close(fd) == 0) && ok;
    if (!ok && !existed) ::unlink(path.c_str());
    if (ok && !existed) SyncFolder(fs::path(path).parent_path().string());
    return ok;
}

bool TruncateFile(const std::string& path, std::uintmax_t size) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) return false;
    bool ok = ::ftruncate(fd, static_cast<off_t>(size)) == 0 && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    return ok;
}

void SyncFolder(const std::string& folder) {
    const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

int RemoveLeftTemporaries(const std::string& path) {
    const fs::path file(path);
    const std::string stem = file.filename().string() + kTemporaryMark;
    int removed = 0;
    for (const std::string& name : ListFiles(file.parent_path().string())) {
        if (name.size() != stem.size() + kTemporaryRandom || name.compare(0, stem.size(), stem) != 0) continue;
        std::error_code ec;
        if (fs::remove(file.parent_path() / name, ec)) ++removed;
    }
    return removed;
}

WriterLock::WriterLock(const std::string& folder, int waitMs)
    : fd_(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
    if (fd_ < 0) return;
    // A writer holds the lock for the few milliseconds of its write; the wait is short and rare.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    for (;;) {
        if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) {
            state_ = State::Held;
            return;
        }
        if (errno != EWOULDBLOCK && errno != EINTR) return;  // no locks here: Unavailable
        if (std::chrono::steady_clock::now() >= deadline) {
            state_ = State::Busy;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

WriterLock::~WriterLock() {
    if (fd_ >= 0) ::close(fd_);
}

namespace {

// Depth first: the sub-folders, then the files, then the folder itself.
void DelDirectorys(const fs::path& folder, bool onlyFiles, std::string& message) {
    std::error_code ec;
    std::vector<fs::path> folders, files;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const fs::file_status status = it->symlink_status(ec);
        (status.type() == fs::file_type::directory ? folders : files).push_back(it->path());
    }
    for (const fs::path& sub : folders) DelDirectorys(sub, onlyFiles, message);
    for (const fs::path& file : files) {
        std::error_code removed;
        if (!fs::remove(file, removed) || removed)
            message += "ファイル「" + file.filename().string() + "」が削除できませんでした\n";
    }
    if (onlyFiles) return;
    std::error_code removed;
    if (!fs::remove(folder, removed) || removed)
        message += "フォルダ「" + folder.filename().string() + "」が削除できませんでした\n";
}

}  // namespace

bool DelDir(const std::string& dir, std::string& message, bool onlyFiles) {
    message.clear();
    std::error_code ec;
    if (dir.empty() || fs::symlink_status(dir, ec).type() != fs::file_type::directory) {
        message = "指定のフォルダは存在しません。";
        return false;
    }
    DelDirectorys(fs::path(dir), onlyFiles, message);
    return message.empty();
}

bool RemoveFile(const std::string& path) {
    std::error_code ec;
    fs::remove(path, ec);
    return !FileExists(path);
}

namespace {

template <class Keep>
std::vector<std::string> ListEntries(const std::string& folder, Keep keep) {
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code ec2;
        if (keep(*it, ec2)) names.push_back(it->path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

std::vector<std::string> ListSubfolders(const std::string& folder) {
    return ListEntries(folder, [](const fs::directory_entry& e, std::error_code& ec) {
        return e.is_directory(ec);
    });
}

std::vector<std::string> ListFiles(const std::string& folder) {
    return ListEntries(folder, [](const fs::directory_entry& e, std::error_code& ec) {
        return e.is_regular_file(ec);
    });
}

std::string UniqueFilePath(const std::string& folder, const std::string& stem, const std::string& extension) {
    std::string path = JoinPath(folder, stem + extension);
    for (int n = 2; FileExists(path) || DirExists(path); ++n) path = JoinPath(folder, stem + "-" + std::to_string(n) + extension);
    return path;
}

std::string ExecutableFolder() {
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec) return fs::current_path(ec).string();
    return exe.parent_path().string();
}

std::string AppDataFolder() {
    for (const char* name : {"APPDATA", "XDG_DATA_HOME"})
        if (const char* value = std::getenv(name); value && *value) return value;
    if (const char* home = std::getenv("HOME"); home && *home) return JoinPath(JoinPath(home, ".local"), "share");
    return {};
}

}  // namespace corvala
