#include "day_options.h"

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <map>

#include "data/day_loader.h"
#include "data/series_table.h"
#include "platform/files.h"
#include "platform/install_folder.h"
#include "settings/settings_dialog.h"
#include "settings/settings_files.h"

namespace corvala::cli {

const char* const kDayOptionsUsage =
    "      --data is the data folder with one YYMMDD folder per date (default: the one the\n"
    "      program uses, the settings' folder or else the install folder's 日中データ); --series\n"
    "      is a selector item such as 日経225 (the default); --bar-length is N of the N-minute\n"
    "      bars (1, 2, 3, 4, 5 or 10; default 5); --install is the folder with the stock lists\n"
    "      (default: the program's own, this program's folder when it holds them, else\n"
    "      ~/.local/share/Corvala, filled at the first start); --seed N fixes the random draws\n"
    "      (default 1): the same seed gives the same tape and board.\n";

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

OptionResult TakeDayOption(const std::vector<std::string>& args, std::size_t& i, DayOptions& out,
                           const char* command) {
    const std::map<std::string, std::string*> text = {{"--data", &out.data},
                                                      {"--date", &out.date},
                                                      {"--code", &out.code},
                                                      {"--series", &out.series},
                                                      {"--install", &out.install}};
    const std::string& a = args[i];
    const bool hasValue = i + 1 < args.size();
    if (hasValue && text.count(a)) {
        *text.at(a) = args[++i];
        return OptionResult::Taken;
    }
    if (hasValue && a == "--seed") {
        char* end = nullptr;
        out.seed = std::strtoull(args[++i].c_str(), &end, 10);
        if (!end || *end != '\0') {
            std::fprintf(stderr, "corvala-cli %s: --seed must be a whole number\n", command);
            return OptionResult::Bad;
        }
        return OptionResult::Taken;
    }
    if (hasValue && a == "--bar-length") {
        out.barLength = std::atoi(args[++i].c_str());
        if (!IsValidBarLength(out.barLength)) {
            std::fprintf(stderr, "corvala-cli %s: --bar-length must be 1, 2, 3, 4, 5 or 10\n", command);
            return OptionResult::Bad;
        }
        return OptionResult::Taken;
    }
    return OptionResult::NotMine;
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

void PrintUsage(const char* usage, bool asked) {
    std::fprintf(asked ? stdout : stderr, "usage:\n%s%s", usage, kDayOptionsUsage);
}

}  // namespace corvala::cli
