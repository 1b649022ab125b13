#include "trading_check/soak.h"

#include "demo_data/demo_data.h"
#include "platform/files.h"
#include "trading_check/generated_day.h"

namespace corvala::check {

bool MakeSoakInstalls(const std::string& root, SoakInstalls& installs, std::string& error) {
    installs.demo = GenerateDemoData(JoinPath(root, "demo"));
    if (installs.demo.ok) installs.generated = GenerateDemoData(JoinPath(root, "generated"));
    error = !installs.demo.ok ? installs.demo.error : installs.generated.ok ? std::string() : installs.generated.error;
    return error.empty();
}

// Session `seed` on its own: the day, the account and the user all follow from the seed.
SessionPlan SoakPlan(std::uint64_t seed, const SoakInstalls& installs, std::string& what) {
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
        const auto& d = installs.demo;
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
    plan.installFolder = installs.generated.installFolder;
    plan.dataFolder = installs.generated.dataFolder;
    plan.date = kGeneratedDate;
    plan.code = kGeneratedCode;
    plan.knownGoodDay = false;
    if (!WriteGeneratedDay(plan.dataFolder, shape)) what += " (not written)";
    what = "generated day " + shape.Describe();
    return plan;
}

}  // namespace corvala::check
