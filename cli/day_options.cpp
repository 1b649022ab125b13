#include "day_options.h"

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <charconv>

#include "data/day_loader.h"
#include "data/series_table.h"
#include "platform/files.h"
#include "platform/install_folder.h"
#include "settings/settings_dialog.h"
#include "settings/settings_files.h"

namespace corvala::cli {

std::string ProgramInstallFolder() {
    const InstallFolderChoice choice = ChooseInstallFolder(DefaultInstallPlaces(), kProgramVersion);
    if (!choice.problem.empty()) std::cerr << choice.problem << "\n";
    return choice.folder;
}

std::string ProgramDataFolder(const std::string& install) {
    const SystemDrives drives;
    const std::string configured = LoadSettings({install, "", drives}).settings.dataFolder;
    if (!configured.empty() && DirExists(configured)) return configured;
    return JoinPath(install, kInstallDataFolder);
}

CLI::Option* AddInstallOption(CLI::App& command, std::string& install) {
    return command.add_option("--install", install,
                              "the folder with the stock lists (default: the program's own, this program's folder "
                              "when it holds them, else ~/.local/share/Corvala, filled at the first start)")
        ->type_name("DIR");
}

CLI::Option* AddDataOption(CLI::App& command, std::string& data) {
    return command.add_option("--data", data,
                              "the data folder with one YYMMDD folder per date (default: the one the program "
                              "uses, the settings' folder or else the install folder's 日中データ)")
        ->type_name("DIR");
}

CLI::Option* AddSeedOption(CLI::App& command, std::uint64_t& seed) {
    return command.add_option("--seed", seed, "fixes the random draws (default 1): the same seed gives the same draws")
        ->type_name("N")
        ->check(WholeNumber(0, UINT64_MAX));
}

CLI::Option* AddBarLengthOption(CLI::App& command, int& barLength) {
    return command.add_option("--bar-length", barLength, "N of the N-minute bars: 1, 2, 3, 4, 5 or 10 (default 5)")
        ->type_name("N")
        ->check(CLI::Validator(
            [](std::string& text) -> std::string {
                int n = 0;
                const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), n);
                if (!text.empty() && error == std::errc() && end == text.data() + text.size() && IsValidBarLength(n))
                    return {};
                return "'" + text + "' is not 1, 2, 3, 4, 5 or 10";
            },
            "", "bar length"));
}

void AddDayOptions(CLI::App& command, DayOptions& out) {
    AddDataOption(command, out.data);
    Needed(command.add_option("--date", out.date, "the day, a folder of the data folder")->type_name("YYMMDD"));
    Needed(command.add_option("--code", out.code, "the stock's code, or a series such as N225")->type_name("CODE"));
    command.add_option("--series", out.series, "a selector item such as 日経225 (the default)")->type_name("NAME");
    AddBarLengthOption(command, out.barLength);
    AddInstallOption(command, out.install);
    AddSeedOption(command, out.seed);
}

void FinishDayOptions(DayOptions& out) {
    if (out.install.empty()) out.install = ProgramInstallFolder();
    if (out.data.empty()) out.data = ProgramDataFolder(out.install);
}

Headless::Headless(const std::string& install, bool answerYes, std::uint64_t seed)
    : dialogs(answerYes), random(seed), sim(Ports{dialogs, clock, random, scheduler, nullptr, &drives}, install) {
    sim.day().FixDaySeed(seed);
    sim.sessions().SetOnlyWhenKept(true);  // a script's run leaves a session only when it is kept
}

int OpenDay(Headless& h, const DayOptions& o, const char* command) {
    if (!h.sim.StartUp(o.data)) {
        std::cerr << h.dialogs.ErrorLine() << "\n";
        return 2;
    }
    // The window falls back to the install folder's data; a command names its folder itself.
    if (!DirExists(o.data)) {
        std::cerr << "1012 エラー: " << DataFolderErrorText() << "\n";
        return 2;
    }
    if (o.barLength) h.sim.day().SetBarLength(o.barLength);
    h.sim.day().SetDateText(o.date);
    h.sim.day().SetCodeText(o.code);
    if (!o.series.empty()) {
        const auto& items = h.sim.display().seriesItems;
        if (std::find(items.begin(), items.end(), o.series) == items.end()) {
            std::string offered;
            for (const auto& item : items) offered += (offered.empty() ? "" : ", ") + item;
            std::fprintf(stderr, "corvala-cli %s: --series %s is not offered on %s (offered: %s)\n",
                         command, o.series.c_str(), o.date.c_str(), offered.c_str());
            return 1;
        }
        h.sim.day().SelectSeries(o.series);
    }
    return 0;
}

}  // namespace corvala::cli
