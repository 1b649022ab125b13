// corvala-soak [N] [--seed S] [--seconds T] [--keep DIR]: plays N checked trading sessions (1,000
// unless told; fewer when T seconds ran out first) over the demo days and over generated days,
// with the money rules checked after every step, and says what it played and which rules failed,
// with the seed that plays the failure again (`corvala-soak 1 --seed S`). Without --seed it starts
// from a fresh seed, so that every soak explores sessions nobody has played; it prints the seed.
// Exit status 1 when any rule failed.

#include <chrono>
#include <random>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <filesystem>
#include <unistd.h>

#include <map>
#include <string>
#include <vector>

#include "demo_data/demo_data.h"
#include "platform/text.h"
#include "trading_check/checked_session.h"
#include "trading_check/generated_day.h"
#include "trading_check/soak.h"

namespace corvala::check {
namespace {

int Main(int argc, char** argv) {
    long sessions = 1000;
    std::optional<std::uint64_t> given;
    long timeLimit = 0;
    std::string keep;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--seed" && i + 1 < argc && IsAllDigits(argv[i + 1]) && std::strlen(argv[i + 1]) < 19) {
            given = std::stoull(argv[++i]);
        } else if (a == "--seconds" && i + 1 < argc && IsAllDigits(argv[i + 1]) && std::strlen(argv[i + 1]) < 7) {
            timeLimit = std::stol(argv[++i]);
        } else if (a == "--keep" && i + 1 < argc) {
            keep = argv[++i];
        } else if (!a.empty() && IsAllDigits(a) && a.size() < 9) {
            sessions = std::stol(a);
        } else {
            std::fprintf(stderr, "usage: corvala-soak [N] [--seed S] [--seconds T] [--keep DIR]\n");
            return 2;
        }
    }
    // A fresh seed below 10^12, so that the seeds of its sessions stay short to type.
    std::random_device device;
    const std::uint64_t fresh = (static_cast<std::uint64_t>(device()) << 32 | device()) % 1'000'000'000'000ull + 1;
    const std::uint64_t first = given ? *given : fresh;
    std::printf("seed %llu\n", static_cast<unsigned long long>(first));
    std::fflush(stdout);
    namespace fs = std::filesystem;
    const fs::path root = keep.empty() ? fs::temp_directory_path() / ("corvala-soak-" + std::to_string(::getpid())) : fs::path(keep);
    SoakInstalls installs;
    if (std::string error; !MakeSoakInstalls(root.string(), installs, error)) {
        std::fprintf(stderr, "corvala-soak: the demo installs in %s: %s\n", root.string().c_str(), error.c_str());
        return 2;
    }

    Tally total;
    std::map<std::string, std::vector<std::uint64_t>> failedRules;
    const auto start = std::chrono::steady_clock::now();
    for (long i = 0; i < sessions; ++i) {
        if (timeLimit > 0 && std::chrono::steady_clock::now() - start >= std::chrono::seconds(timeLimit)) break;
        const std::uint64_t seed = first + static_cast<std::uint64_t>(i);
        std::string what;
        const SessionPlan plan = SoakPlan(seed, installs, what);
        ClearHistory(plan.installFolder);
        RandomChoices user(SoakUserSeed(seed));
        CheckedSession session(plan, user, [&](const std::string& rule, const std::string& detail) {
            if (rule == "repeated") return;
            std::printf("FAIL seed %llu, %s\n  %s\n", static_cast<unsigned long long>(seed), what.c_str(), detail.c_str());
            failedRules[rule].push_back(seed);
        });
        total.Add(session.Run());
        if ((i + 1) % 100 == 0) {
            std::fprintf(stderr, "%ld sessions…\n", i + 1);
        }
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%d sessions (%d runs), %d steps, %d orders, %d fills (%d closing), %d stops fired, %d ■, %d jumps, "
                "%d refused for funds; %.1f s, %.2f sessions per second\n",
                total.sessions, total.runs, total.steps, total.Orders(), total.fills, total.closingFills, total.stopsFired,
                total.stops, total.jumpsBack + total.jumpsForward, total.noFunds, seconds, total.sessions / seconds);
    std::printf("%zu rules failed\n", failedRules.size());
    for (const auto& [rule, seeds] : failedRules) {
        std::printf("  %s: %zu sessions, first seed %llu\n", rule.c_str(), seeds.size(), static_cast<unsigned long long>(seeds.front()));
    }
    if (keep.empty()) {
        std::error_code ec;
        fs::remove_all(root, ec);
    }
    return failedRules.empty() ? 0 : 1;
}

}  // namespace
}  // namespace corvala::check

int main(int argc, char** argv) { return corvala::check::Main(argc, argv); }
