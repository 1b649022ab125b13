#pragma once
// What the benchmarks share: a demo install written once per run, and dialogs nobody answers.

#include <filesystem>
#include <string>

#include "demo_data/demo_data.h"
#include "platform/ports.h"

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

}  // namespace corvala::bench
