#include "test_support.h"

#include <csignal>
#include <cstdlib>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "platform/cp932.h"

namespace corvala::test {

TempDir::TempDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "corvala-test-XXXXXX").string();
    if (!mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
    path_ = tmpl;
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::string TempDir::Sub(const std::string& name) const {
    return (std::filesystem::path(path_) / name).string();
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

bool WithDiskSpace(std::size_t bytes, const std::function<bool()>& write) {
    rlimit old{};
    ::getrlimit(RLIMIT_FSIZE, &old);
    rlimit limited = old;
    limited.rlim_cur = bytes;
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    ::setrlimit(RLIMIT_FSIZE, &limited);
    const bool result = write();
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previous);
    return result;
}

bool InProcessWithoutWriteAccess(const std::function<bool()>& action) {
    const pid_t child = ::fork();
    if (child < 0) return false;
    if (child == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(2);
        ::_exit(action() ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool MakeLhaArchive(const std::string& from, const std::string& item, const std::string& archive, int level) {
    const std::string command = "cd '" + from +
                                "' && LANG=C.UTF-8 LC_ALL=C.UTF-8 JAVA_TOOL_OPTIONS='-Dlha.encoding=windows-31j "
                                "-Dsun.jnu.encoding=UTF-8' lha a" + std::to_string(level) + "qo5 '" + archive + "' '" +
                                item + "' >/dev/null 2>&1";
    return std::system(command.c_str()) == 0 && std::filesystem::exists(archive);
}

std::string DayFileBuilder::TimeOfRow(int row) {
    int seconds = 9 * 3600 + row * 5;
    if (row >= 1800) seconds += 3600;
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", seconds / 3600, seconds / 60 % 60, seconds % 60);
    return buf;
}

DayFileBuilder::DayFileBuilder(int rows, int fields) {
    for (int i = 0; i <= rows; ++i) {
        std::vector<std::string> f(static_cast<std::size_t>(fields));
        const std::string t = i == rows ? "15:00:00" : TimeOfRow(i);
        f[0] = "2022/11/01";
        f[1] = t;
        f[2] = t.substr(0, 5);
        f[3] = "1000";
        f[4] = "990";
        f[5] = std::to_string((i + 1) * 1000);
        f[6] = "1000";
        for (int k = 0; k < 5; ++k) {
            f[static_cast<std::size_t>(14 + k)] = std::to_string(1001 + k);
            f[static_cast<std::size_t>(19 + k)] = std::to_string(999 - k);
            f[static_cast<std::size_t>(24 + k)] = "500";
            f[static_cast<std::size_t>(29 + k)] = "700";
        }
        f[34] = "100";
        if (fields > 35) f[35] = "1000.0";
        lines_.push_back(std::move(f));
    }
}

DayFileBuilder& DayFileBuilder::Set(int line, int col, const std::string& value) {
    lines_.at(static_cast<std::size_t>(line)).at(static_cast<std::size_t>(col)) = value;
    return *this;
}

DayFileBuilder& DayFileBuilder::SetAll(int col, const std::string& value) {
    for (auto& l : lines_) l.at(static_cast<std::size_t>(col)) = value;
    return *this;
}

std::string DayFileBuilder::Bytes() const {
    std::string out;
    for (const auto& l : lines_) {
        for (std::size_t i = 0; i < l.size(); ++i) {
            if (i) out += ',';
            out += l[i];
        }
        out += "\r\n";
    }
    return EncodeCp932(out);
}

}  // namespace corvala::test
