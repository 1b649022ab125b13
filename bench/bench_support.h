#pragma once
// What the benchmarks share: a demo install written once per run, and dialogs nobody answers.

#include <cstdio>
#include <filesystem>
#include <string>

#include "demo_data/demo_data.h"
#include "platform/ports.h"
#include "platform/system.h"

namespace corvala::bench {

// Boxes that nobody reads; every question gets the same answer.
class SilentDialogs final : public Dialogs {
public:
    explicit SilentDialogs(bool answer = false) : answer_(answer) {}
    void ShowError(int, const std::string&) override {}
    bool Ask(const std::string&, const std::string&) override { return answer_; }
    void ShowNotice(const std::string&, const std::string&) override {}

private:
    bool answer_;
};

inline const std::string& DemoInstall() {
    static const std::string folder = [] {
        const auto dir = std::filesystem::temp_directory_path() / "corvala-bench-install";
        std::filesystem::remove_all(dir);
        GenerateDemoData(dir.string());
        WriteSettingsWithoutDisclaimer(dir.string());
        return dir.string();
    }();
    return folder;
}

// A month of search data as the service delivers it: `stocks` × `days` lines, changes mostly
// within a few per cent and now and then far beyond.
inline std::string GeneratedSearchMonth(int stocks, int days, std::uint64_t seed = 1) {
    SeededRandom random(seed);
    std::string out;
    out.reserve(static_cast<std::size_t>(stocks) * days * 96);
    char line[256];
    const auto change = [&](double sign) {
        const double r = random.Next();
        return sign * (r < 0.99 ? r * 4 : 4 + (r - 0.99) * 600);
    };
    for (int d = 0; d < days; ++d) {
        for (int s = 0; s < stocks; ++s) {
            std::snprintf(line, sizeof line,
                          "2212%02d,%04d,%d,09:00,%02d:%02d,%02d:%02d,09:2%d,09:1%d,%.1f,%.1f,%.1f,%.1f,%.1f,%.1f,%.1f,%.1f,%.1f,%d\r\n",
                          d + 1, 1300 + s, 100 + s % 5000, 9 + s % 6, s % 60, 9 + (s + 3) % 6, (s * 7) % 60, s % 10,
                          (s + 5) % 10, change(1), change(-1), change(1), change(-1), change(-1), change(1), change(-1),
                          change(1), change(random.Next() < 0.5 ? 1 : -1), 1 + s * 37 % 200000);
            out += line;
        }
    }
    return out;
}

}  // namespace corvala::bench
