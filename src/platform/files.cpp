#include "platform/files.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <system_error>

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

bool WriteFileAtomically(const std::string& path, const std::string& bytes) {
    const std::string tmp = path + ".tmp";
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        if (!out) return false;
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.flush();
        if (!out) {
            out.close();
            std::error_code ec;
            fs::remove(tmp, ec);
            return false;
        }
    }
    std::error_code ec;
    fs::rename(tmp, path, ec);
    if (ec) {
        std::error_code ignored;  // the rename's failure is the answer, not the clean-up's
        fs::remove(tmp, ignored);
        return false;
    }
    return true;
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

std::string ExecutableFolder() {
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec) return fs::current_path(ec).string();
    return exe.parent_path().string();
}

}  // namespace corvala
