#include <cstdio>
#include <string>
#include <vector>

#include "commands.h"
#include "day_options.h"

namespace {

void PrintHelp() {
    std::printf(
        "corvala-cli — the replay core without windows\n\n"
        "usage: corvala-cli COMMAND [options]\n\n"
        "commands:\n%s\n%s\n%s\n%s\n%s\n%s\n%s\n%s\n%s\n%s\n%s\n%s\n"
        "Every command prints one JSON object on standard output. Exit status: 0 done, 1 bad\n"
        "arguments, 2 the program showed an error box (its number and text on standard error),\n"
        "3 the day could not be replayed, 4 a session file did not play as recorded, 5 a kept\n"
        "run could not be written to the history files.\n",
        corvala::cli::kLoadUsage, corvala::cli::kReplayUsage, corvala::cli::kTapeUsage,
        corvala::cli::kChartUsage, corvala::cli::kSettingsUsage, corvala::cli::kScreenUsage, corvala::cli::kQuizUsage, corvala::cli::kStatsUsage,
        corvala::cli::kSearchDataUsage, corvala::cli::kImportUsage, corvala::cli::kRecordUsage, corvala::cli::kDayOptionsUsage);
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        PrintHelp();
        return args.empty() ? 1 : 0;
    }
    const std::string command = args[0];
    args.erase(args.begin());
    if (command == "load") return corvala::cli::RunLoad(args);
    if (command == "replay") return corvala::cli::RunReplay(args);
    if (command == "tape") return corvala::cli::RunTape(args);
    if (command == "chart") return corvala::cli::RunChart(args);
    if (command == "settings") return corvala::cli::RunSettings(args);
    if (command == "screen") return corvala::cli::RunScreen(args);
    if (command == "quiz") return corvala::cli::RunQuiz(args);
    if (command == "stats") return corvala::cli::RunStats(args);
    if (command == "search-data") return corvala::cli::RunSearchData(args);
    if (command == "import") return corvala::cli::RunImport(args);
    if (command == "record") return corvala::cli::RunRecord(args);
    std::fprintf(stderr, "corvala-cli: unknown command '%s' (try --help)\n", command.c_str());
    return 1;
}
