// corvala-cli stats: the statistics across the kept runs of 売買履歴/実現損益.csv.

#include <cstdio>
#include <iostream>

#include "account/history.h"
#include "app/simulation.h"
#include "commands.h"
#include "day_options.h"
#include "platform/files.h"
#include "review_report.h"

namespace corvala::cli {

namespace {

const char* const kStatsText =
    "      Reads the kept runs back from the install folder's 売買履歴/実現損益.csv (rows,\n"
    "      summary blocks, reset markers and empty lines; a line that is none of these is\n"
    "      skipped and counted) and prints {\"runs\",\"trades\",\"skippedLines\",\n"
    "      \"byDay\":[{\"date\",\"pnl\",\"runs\"}],\"byCode\":{…},\"byWeekday\":{…},\"cumulative\":[…],\n"
    "      \"resets\",\"overall\"}: each of byCode, byWeekday and overall as {\"trades\",\"wins\",\n"
    "      \"losses\",\"winRate\",\"avgWin\",\"avgLoss\",\"profitFactor\",\"largestWin\",\n"
    "      \"largestLoss\",\"maxDrawdown\",\"bySide\",\"netPnl\",\"avgHoldingSeconds\"}, the drawdown\n"
    "      trade by trade; cumulative is the summed result after each run. A missing file is no runs.\n";

int RunStats(std::string install) {
    if (install.empty()) install = ProgramInstallFolder();
    const std::string path = JoinPath(JoinPath(install, kHistoryFolder), kRealizedFile);
    std::string bytes;
    if (FileExists(path)) {
        const auto read = ReadWholeFile(path, 256u * 1024 * 1024);
        if (!read) {
            std::fprintf(stderr, "corvala-cli stats: cannot read %s\n", path.c_str());
            return 2;
        }
        bytes = *read;
    }
    std::cout << HistoryStatsJson(ComputeHistoryStats(ReadRealizedHistory(bytes))).dump() << "\n";
    return 0;
}

}  // namespace

void AddStatsCommand(Program& program) {
    auto install = std::make_shared<std::string>();
    AddInstallOption(program.AddCommand("stats", kStatsText, [install] { return RunStats(*install); }), *install);
}

}  // namespace corvala::cli
