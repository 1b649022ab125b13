// corvala-soak [N] [--seed S] [--keep DIR]: plays N checked trading sessions (1,000 unless told)
// over the demo days and over generated days, with the money rules checked after every step,
// and says what it played and which rules failed, with the seed that plays the failure again
// (`corvala-soak 1 --seed S`). Exit status 1 when any rule failed.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

#include <map>
#include <string>
#include <vector>

#include "demo_data/demo_data.h"
#include "platform/text.h"
#include "trading_check/checked_session.h"
#include "trading_check/generated_day.h"

namespace corvala::check {
namespace {

struct Install {
    std::string folder;
    DemoManifest demo;
};

bool MakeInstall(const std::string& folder, Install& out) {
    out.folder = folder;
    out.demo = GenerateDemoData(folder);
    if (!out.demo.ok) std::fprintf(stderr, "corvala-soak: the demo install in %s: %s\n", folder.c_str(), out.demo.error.c_str());
    return out.demo.ok;
}

// Session `seed` on its own: the day, the account and the user all follow from the seed.
SessionPlan PlanFor(std::uint64_t seed, const Install& demo, const Install& generated, std::string& what) {
    RandomChoices pick(static_cast<std::uint32_t>(seed * 2654435761u + 1));
    SessionPlan plan;
    plan.seed = seed;
    const std::int64_t investments[] = {300'000, 1'000'000, 3'000'000, 20'000'000};
    plan.investment = investments[pick.Between(0, 3)];
    plan.profitTotal = pick.Between(0, 400'000);
    plan.lossTotal = pick.Between(0, 300'000);
    plan.cashOnly = pick.Chance(15);
    plan.roaming = pick.Chance(70);
    plan.runs = plan.roaming ? pick.Between(1, 3) : 1;
    plan.profile = pick.Chance(15) ? kCrowded : kBalanced;
    if (pick.Chance(50)) {
        const auto& d = demo.demo;
        plan.installFolder = d.installFolder;
        plan.dataFolder = d.dataFolder;
        // A day with a day before it; a stock that has a file that day.
        for (int tries = 0; tries < 20; ++tries) {
            plan.date = d.dateFolders[static_cast<std::size_t>(pick.Between(1, static_cast<int>(d.dateFolders.size()) - 1))];
            plan.code = d.stocks[static_cast<std::size_t>(pick.Between(0, static_cast<int>(d.stocks.size()) - 1))].code;
            if (!(plan.date == d.missingDate && plan.code == d.missingCode)) break;
        }
        what = "demo day " + plan.date + " " + plan.code;
        return plan;
    }
    const DayShape shape = ChooseDayShape(pick);
    plan.installFolder = generated.demo.installFolder;
    plan.dataFolder = generated.demo.dataFolder;
    plan.date = kGeneratedDate;
    plan.code = kGeneratedCode;
    plan.knownGoodDay = false;
    if (!WriteGeneratedDay(plan.dataFolder, shape)) std::fprintf(stderr, "corvala-soak: cannot write the generated day\n");
    what = "generated day " + shape.Describe();
    return plan;
}

int Main(int argc, char** argv) {
    long sessions = 1000;
    std::uint64_t first = 1;
    std::string keep;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--seed" && i + 1 < argc && IsAllDigits(argv[i + 1])) {
            first = std::stoull(argv[++i]);
        } else if (a == "--keep" && i + 1 < argc) {
            keep = argv[++i];
        } else if (!a.empty() && IsAllDigits(a) && a.size() < 9) {
            sessions = std::stol(a);
        } else {
            std::fprintf(stderr, "usage: corvala-soak [N] [--seed S] [--keep DIR]\n");
            return 2;
        }
    }
    namespace fs = std::filesystem;
    const fs::path root = keep.empty() ? fs::temp_directory_path() / ("corvala-soak-" + std::to_string(::getpid())) : fs::path(keep);
    Install demo, generated;
    if (!MakeInstall((root / "demo").string(), demo) || !MakeInstall((root / "generated").string(), generated)) return 2;

    Tally total;
    std::map<std::string, std::vector<std::uint64_t>> failedRules;
    const auto start = std::chrono::steady_clock::now();
    for (long i = 0; i < sessions; ++i) {
        const std::uint64_t seed = first + static_cast<std::uint64_t>(i);
        std::string what;
        const SessionPlan plan = PlanFor(seed, demo, generated, what);
        ClearHistory(plan.installFolder);
        RandomChoices user(static_cast<std::uint32_t>(seed * 40503u + 7));
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
