// A trading day under a hostile user. The first bytes choose a day from a small grammar (how
// the price moves, a late first trade, no previous close, the open on the first line only, a
// decimal stock across a step boundary, a thin or one-sided board, a lunch auction, stale
// last-trade times, a file cut short); it is written as a day file and loaded by the real
// loader. The rest choose what the user does and when: orders of every kind, closes, corrections,
// cancellations, jumps, speeds, ■ with any answer, another run with another account. The money
// rules are checked after every action and every step; the first that fails aborts, naming it.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "demo_data/demo_data.h"
#include "trading_check/checked_session.h"
#include "trading_check/generated_day.h"

namespace {

using namespace corvala;
using namespace corvala::check;

// One demo install for the whole run, removed at exit; in memory where there is /dev/shm, as every
// input rewrites a day file and the history.
struct Install {
    std::filesystem::path root;
    DemoManifest demo;
    Install() {
        const std::filesystem::path shm = "/dev/shm";
        root = (std::filesystem::is_directory(shm) ? shm : std::filesystem::temp_directory_path()) /
               ("corvala-fuzz-trading-" + std::to_string(::getpid()));
        demo = GenerateDemoData((root / "install").string());
        if (!demo.ok) {
            std::fprintf(stderr, "the demo install: %s\n", demo.error.c_str());
            std::abort();
        }
    }
    ~Install() {
        std::error_code ec;
        std::filesystem::remove_all(root, ec);
    }
};

const Install& TheInstall() {
    static const Install install;
    return install;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Install& install = TheInstall();
    ByteChoices choices(data, size);
    const DayShape shape = ChooseDayShape(choices);
    if (!WriteGeneratedDay(install.demo.dataFolder, shape)) std::abort();
    ClearHistory(install.demo.installFolder);

    SessionPlan plan;
    plan.seed = shape.seed;
    plan.installFolder = install.demo.installFolder;
    plan.dataFolder = install.demo.dataFolder;
    plan.date = kGeneratedDate;
    plan.code = kGeneratedCode;
    plan.knownGoodDay = false;
    plan.roaming = true;
    plan.runs = 2;
    plan.maxStepsBetweenActions = 40;
    const std::int64_t investments[] = {300'000, 1'000'000, 3'000'000, 50'000'000};
    plan.investment = investments[choices.Between(0, 3)];
    plan.cashOnly = choices.Chance(15);
    if (choices.Chance(20)) plan.profile = kCrowded;
    // Every way resting limits may fill keeps the money rules (taken from the seed, so that the
    // corpus's choices keep their meaning).
    plan.fillRule = static_cast<FillRule>(shape.seed % 3);

    CheckedSession session(plan, choices, [&](const std::string& rule, const std::string& detail) {
        if (rule == "repeated") return;
        std::fprintf(stderr, "\n== a money rule failed: %s\n   day: %s\n%s\n", rule.c_str(), shape.Describe().c_str(),
                     detail.c_str());
        std::abort();
    });
    session.Run();
    return 0;
}
