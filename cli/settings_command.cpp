// corvala-cli settings: the settings as the program loads them at start-up, typed into the
// settings dialog and saved, without windows.

#include <cstdio>
#include <iostream>
#include <nlohmann/json.hpp>

#include "commands.h"
#include "day_options.h"
#include "platform/files.h"
#include "settings/settings.h"

namespace corvala::cli {

const char* const kSettingsUsage =
    "  settings [--install DIR] [--appdata DIR] [--apply KEY=VALUE ...] [--save]\n"
    "      Loads the settings of the install folder as the program's start-up does: setsim\n"
    "      (copied from setsim(初期) when missing), the hand-over file setfolder of the\n"
    "      application-data folder (--appdata; default APPDATA, else XDG_DATA_HOME, else\n"
    "      ~/.local/share), which is consumed, and the stock list (error 1013 without it).\n"
    "      --apply types into the settings dialog (folder=PATH, barLength=1|2|3|4|5|10,\n"
    "      ma1=N, ma2=N; repeatable) and presses 設定; --save then writes setsim as the program\n"
    "      does. Prints {\"lines\":[the 41 lines as they would be saved],\"dataFolder\",\"barLength\",\n"
    "      \"ma1\",\"ma2\",\"investment\",\"profitTotal\",\"lossTotal\",\"cashOnly\",\"showDisclaimer\",\n"
    "      \"message\"} (\"message\": the message line at start-up, e.g. a value of setsim refused).\n"
    "      Exit status 2 when setsim cannot be written.\n";

namespace {

using json = nlohmann::ordered_json;

bool Fail(const std::string& text) {
    std::fprintf(stderr, "corvala-cli settings: %s\n", text.c_str());
    return false;
}

struct SettingsArgs {
    std::string install, appData;
    bool appDataGiven = false;
    std::vector<std::pair<std::string, std::string>> applies;
    bool save = false;
};

// 0 to go on, -1 after help, else the exit status.
int ParseArgs(const std::vector<std::string>& args, SettingsArgs& out) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "--help" || a == "-h") {
            std::printf("usage:\n%s", kSettingsUsage);
            return -1;
        }
        if (a == "--install" && hasValue) {
            out.install = args[++i];
        } else if (a == "--appdata" && hasValue) {
            out.appData = args[++i];
            out.appDataGiven = true;
        } else if (a == "--apply" && hasValue) {
            const std::string& kv = args[++i];
            const std::size_t eq = kv.find('=');
            const std::string key = kv.substr(0, eq);
            if (eq == std::string::npos || (key != "folder" && key != "barLength" && key != "ma1" && key != "ma2"))
                return Fail("--apply takes folder=, barLength=, ma1= or ma2=, not '" + kv + "'"), 1;
            out.applies.emplace_back(key, kv.substr(eq + 1));
        } else if (a == "--save") {
            out.save = true;
        } else {
            Fail("unknown or incomplete option '" + a + "'");
            std::fprintf(stderr, "usage:\n%s", kSettingsUsage);
            return 1;
        }
    }
    if (out.install.empty()) out.install = ProgramInstallFolder();
    if (!DirExists(out.install)) return Fail("--install " + out.install + " is not a folder"), 1;
    if (!out.appDataGiven) out.appData = AppDataFolder();
    return 0;
}

}  // namespace

int RunSettings(const std::vector<std::string>& args) {
    SettingsArgs a;
    if (const int status = ParseArgs(args, a)) return status < 0 ? 0 : status;

    Headless h(a.install);
    Simulation& sim = h.sim;
    sim.LoadSettings(a.appData);
    if (!sim.StartUp()) {
        std::cerr << h.dialogs.ErrorLine() << "\n";
        return 2;
    }
    if (!a.applies.empty()) {
        sim.settings().Activate();
        for (const auto& [key, value] : a.applies) {
            if (key == "folder") {
                sim.settings().EditFolder(value);
            } else if (key == "barLength") {
                const auto& items = BarLengthItems();
                if (std::find(items.begin(), items.end(), value) == items.end())
                    return Fail("barLength must be one of 1, 2, 3, 4, 5, 10 (the list offers no '" + value + "')"), 1;
                sim.settings().ChooseBarLength(value);
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
    out["message"] = sim.display().message.text;
    std::cout << out.dump() << "\n";
    return 0;
}

}  // namespace corvala::cli
