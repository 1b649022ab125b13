#include "platform/files.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <system_error>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
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
    std::string tmp = path + ".tmpXXXXXX";
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
    std::string whole;
    if (FileExists(path)) {
        const auto old = ReadWholeFile(path, std::uintmax_t{1} << 40);
        if (!old) return false;
        whole = *old;
    }
    whole += bytes;
    return WriteFileAtomically(path, whole);
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
