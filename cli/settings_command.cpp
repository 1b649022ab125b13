// corvala-cli settings: the settings as the program loads them at start-up, typed into the
// settings dialog and saved, without windows.

#include <cstdio>
#include <iostream>
#include <nlohmann/json.hpp>

#include "commands.h"
#include "day_options.h"
#include "platform/files.h"
#include "platform/text.h"
#include "settings/settings.h"

namespace corvala::cli {

namespace {

const char* const kSettingsText =
    "      Loads the settings of the install folder as the program's start-up does: setsim\n"
    "      (copied from setsim(初期) when missing), the hand-over file setfolder of the\n"
    "      application-data folder (--appdata; default APPDATA, else XDG_DATA_HOME, else\n"
    "      ~/.local/share), which is consumed, and the stock list (error 1013 without it).\n"
    "      --apply types into the settings dialog (folder=PATH, barLength=1|2|3|4|5|10,\n"
    "      ma1=N, ma2=N; the own page: oneKey.buyAtAsk|sellAtBid|closeAll|cancelAll=F5…F12 or\n"
    "      empty, oneKeyConfirm=0|1, oneKeyUnits=N, hideRange=0|1; repeatable) and presses 設定;\n"
    "      --save then writes setsim as the program does. Prints {\"lines\":[the 45 lines as they\n"
    "      would be saved],\"dataFolder\",\"barLength\",\"ma1\",\"ma2\",\"investment\",\"profitTotal\",\n"
    "      \"lossTotal\",\"cashOnly\",\"showDisclaimer\",\"own\":{\"keys\":{…},\"confirm\",\"units\",\n"
    "      \"hideRange\"},\"message\"} (\"message\": the message line at start-up, e.g. a value of\n"
    "      setsim refused).\n"
    "      Exit status 2 when setsim cannot be written.\n";

using json = nlohmann::ordered_json;

bool Fail(const std::string& text) {
    std::fprintf(stderr, "corvala-cli settings: %s\n", text.c_str());
    return false;
}

struct SettingsArgs {
    std::string install, appData;
    const CLI::Option* appDataOption = nullptr;  // given: its folder, even when empty
    std::vector<std::string> applies;  // KEY=VALUE
    bool save = false;
};

// 0 to go on, -1 after help, else the exit status.
// The keys --apply takes.
std::string ApplyKeyProblem(const std::string& kv) {
    const std::size_t eq = kv.find('=');
    const std::string key = kv.substr(0, eq);
    const bool own = key.rfind("oneKey.", 0) == 0 || key == "oneKeyConfirm" || key == "oneKeyUnits" || key == "hideRange";
    if (eq == std::string::npos || (key != "folder" && key != "barLength" && key != "ma1" && key != "ma2" && !own))
        return "takes folder=, barLength=, ma1=, ma2=, oneKey.NAME=, oneKeyConfirm=, oneKeyUnits= or hideRange=, not '" +
               kv + "'";
    return {};
}


int RunSettings(SettingsArgs a) {
    if (a.install.empty()) a.install = ProgramInstallFolder();
    if (!DirExists(a.install)) return Fail("--install " + a.install + " is not a folder"), 1;
    if (a.appDataOption->count() == 0) a.appData = AppDataFolder();

    Headless h(a.install);
    Simulation& sim = h.sim;
    sim.LoadSettings(a.appData);
    if (!sim.StartUp()) {
        std::cerr << h.dialogs.ErrorLine() << "\n";
        return 2;
    }
    if (!a.applies.empty()) {
        sim.settings().Activate();
        for (const std::string& kv : a.applies) {
            const std::size_t eq = kv.find('=');
            const std::string key = kv.substr(0, eq), value = kv.substr(eq + 1);
            if (key == "folder") {
                sim.settings().EditFolder(value);
            } else if (key == "barLength") {
                const auto& items = BarLengthItems();
                if (std::find(items.begin(), items.end(), value) == items.end())
                    return Fail("barLength must be one of 1, 2, 3, 4, 5, 10 (the list offers no '" + value + "')"), 1;
                sim.settings().ChooseBarLength(value);
            } else if (key.rfind("oneKey.", 0) == 0) {
                const std::optional<OneKey> which = OneKeyOrders::FromName(key.substr(7));
                if (!which) return Fail("oneKey. takes buyAtAsk, sellAtBid, closeAll or cancelAll, not '" + key.substr(7) + "'"), 1;
                if (!value.empty() && !IsOneKeyName(value)) return Fail("a one-key order takes F5 to F12 or nothing, not '" + value + "'"), 1;
                sim.settings().ChooseOneKey(static_cast<int>(*which), value);
            } else if (key == "oneKeyConfirm" || key == "hideRange") {
                if (value != "0" && value != "1") return Fail(key + " must be 0 or 1"), 1;
                if (key == "hideRange") sim.settings().SetHideRange(value == "1");
                else sim.settings().SetOneKeyConfirm(value == "1");
            } else if (key == "oneKeyUnits") {
                const int units = !value.empty() && value.size() <= 4 && IsAllDigits(value) ? std::stoi(value) : 0;
                if (units < 1 || units > kMaxOneKeyUnits)
                    return Fail("oneKeyUnits must be a whole number from 1 to " + std::to_string(kMaxOneKeyUnits)), 1;
                sim.settings().EditOneKeyUnits(value);
            } else {
                sim.settings().EditPeriod(key == "ma1" ? 0 : 1, value);
            }
        }
        sim.ApplySettingsDialog(/*save=*/false);
    }
    if (a.save && !sim.SaveSettings(/*quietly=*/true)) {
        Fail("cannot write " + JoinPath(a.install, kSettingsFile) + " (the old file is left as it was)");
        return 2;
    }

    const Settings s = sim.CurrentSettings();
    std::vector<std::string> lines = SettingsLines(s);
    lines.resize(kSettingsLines);
    const Account& account = sim.trading().account();
    json out;
    out["lines"] = lines;
    out["dataFolder"] = sim.settings().dataFolder();
    out["barLength"] = sim.day().barLength();
    out["ma1"] = sim.chart().averagePeriods()[0];
    out["ma2"] = sim.chart().averagePeriods()[1];
    out["investment"] = account.baseInvestment;
    out["profitTotal"] = account.profitTotal;
    out["lossTotal"] = account.lossTotal;
    out["cashOnly"] = account.cashOnly;
    out["showDisclaimer"] = s.showDisclaimer;
    json keys;
    for (int k = 0; k < kOneKeys; ++k) keys[OneKeyOrders::Name(static_cast<OneKey>(k))] = s.oneKeys[static_cast<std::size_t>(k)];
    out["own"] = {{"keys", keys}, {"confirm", s.oneKeyConfirm}, {"units", s.oneKeyUnits}, {"hideRange", s.hideRange}};
    out["message"] = sim.display().message.text;
    std::cout << out.dump() << "\n";
    return 0;
}

}  // namespace

void AddSettingsCommand(Program& program) {
    auto a = std::make_shared<SettingsArgs>();
    CLI::App& command = program.AddCommand("settings", kSettingsText, [a] { return RunSettings(*a); });
    AddInstallOption(command, a->install);
    a->appDataOption =
        command.add_option("--appdata", a->appData, "the application-data folder with the hand-over file setfolder")
            ->type_name("DIR");
    Repeatable(command.add_option("--apply", a->applies, "types KEY=VALUE into the settings dialog (repeatable)"))
        ->type_name("KEY=VALUE")
        ->check(CLI::Validator(ApplyKeyProblem, "", "setting"));
    command.add_flag("--save", a->save, "writes setsim as the program does");
}

}  // namespace corvala::cli
