// corvala-demo-data INSTALL_DIR: fills an install folder with the demo days, lists and search
// data, so the program can be tried without recorded data.

#include <chrono>
#include <cstdio>

#include "demo_data/demo_data.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: corvala-demo-data INSTALL_DIR\n");
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
