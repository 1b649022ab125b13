// LHA extraction against arbitrary bytes: nothing crashes, nothing lands beside the target
// folder, no link or special file is ever made, a refused archive leaves the folder empty with a
// message, and an extracted one holds exactly the files it reports.

#include <stdlib.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "platform/archive.h"

namespace {

namespace fs = std::filesystem;

void RemoveScratch();

// A fresh folder below `base`, or nothing.
std::optional<fs::path> MakeFolderIn(const fs::path& base) {
    std::error_code ec;
    if (!fs::is_directory(base, ec)) return std::nullopt;
    std::string tmpl = (base / "corvala-archive-fuzz-XXXXXX").string();
    if (!mkdtemp(tmpl.data())) return std::nullopt;
    return fs::path(tmpl);
}

// One scratch folder per process, removed at exit: the archive and the target sit side by side.
// It is kept in memory where the system offers that: every run writes and removes files, and on
// a disk that work slows the fuzzer some twenty times.
const fs::path& Scratch() {
    static const fs::path scratch = [] {
        auto made = MakeFolderIn("/dev/shm");
        if (!made) made = MakeFolderIn(fs::temp_directory_path());
        if (!made) std::abort();
        return *made;
    }();
    // Registered after the path is built, so it runs while the path still exists.
    [[maybe_unused]] static const bool cleanup = std::atexit(RemoveScratch) == 0;
    return scratch;
}

void RemoveScratch() {
    std::error_code ec;
    fs::remove_all(Scratch(), ec);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace corvala;
    const fs::path archive = Scratch() / "quest.lzh";
    const fs::path folder = Scratch() / "out";
    {
        std::ofstream out(archive, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
        if (!out) std::abort();
    }
    fs::create_directory(folder);

    ArchiveLimits limits;
    limits.maxTotalBytes = 1 << 20;
    limits.maxFileBytes = 256 << 10;
    limits.maxEntries = 64;
    limits.maxPathBytes = 200;
    const ExtractOutcome out = LhaArchive(limits).ExtractAll(archive.string(), folder.string());

    std::size_t beside = 0;
    for (const auto& e : fs::directory_iterator(Scratch()))
        beside += e.path() != archive && e.path() != folder;
    if (beside != 0) std::abort();
    std::size_t files = 0;
    for (const auto& e : fs::recursive_directory_iterator(folder)) {
        if (e.is_symlink() || !(e.is_regular_file() || e.is_directory())) std::abort();
        if (e.is_regular_file()) {
            ++files;
            if (e.file_size() > limits.maxFileBytes) std::abort();
        }
    }
    if (out.ok && files != out.files) std::abort();
    if (!out.ok && (!fs::is_empty(folder) || out.message.empty() || out.files != 0)) std::abort();
    fs::remove_all(folder);
    return 0;
}
