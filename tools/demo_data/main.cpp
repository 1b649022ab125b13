// corvala-demo-data INSTALL_DIR: fills an install folder with the demo days, lists and search
// data, so the program can be tried without recorded data.

#include <chrono>
#include <cstdio>
#include <string>

#include "demo_data/demo_data.h"

namespace {

constexpr const char* kUsage =
    "usage: corvala-demo-data INSTALL_DIR\n"
    "  Writes the demo market data into INSTALL_DIR (created when missing): the stock lists,\n"
    "  日中データ/YYMMDD/CODE.csv for every demo day, and 検索データ. The same every run.\n";

}  // namespace

int main(int argc, char** argv) {
    const std::string arg = argc == 2 ? argv[1] : "";
    if (arg == "--help" || arg == "-h") {
        std::fputs(kUsage, stdout);
        return 0;
    }
    // A folder is named by a path; anything that looks like an option is not written into.
    if (argc != 2 || arg.empty() || arg[0] == '-') {
        if (argc == 2) std::fprintf(stderr, "corvala-demo-data: unknown option '%s'\n", argv[1]);
        std::fputs(kUsage, stderr);
        return 2;
    }
    const auto start = std::chrono::steady_clock::now();
    const corvala::DemoManifest m = corvala::GenerateDemoData(argv[1]);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now() - start)
                        .count();
    if (!m.ok) {
        std::fprintf(stderr, "corvala-demo-data: %s\n", m.error.c_str());
        return 1;
    }
    std::printf(
        "corvala-demo-data: %zu day files over %zu dates, %zu list entries, %d search "
        "lines, %.1f MB in %lld ms under %s\n",
        m.files.size(), m.dateFolders.size(), m.stockList.size(), m.searchDataLines,
        static_cast<double>(m.totalBytes) / (1024.0 * 1024.0), static_cast<long long>(ms),
        m.installFolder.c_str());
    return 0;
}
