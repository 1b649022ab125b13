// corvala-cli tape: the day's estimated tape as the program stores it, one line per print.

#include <cstdio>
#include <iostream>

#include "commands.h"
#include "day_options.h"

namespace corvala::cli {

const char* const kTapeUsage =
    "  tape [--data DIR] --date YYMMDD --code CODE [--series NAME] [--bar-length N]\n"
    "       [--install DIR] [--seed N]\n"
    "      Estimates the day's tape (歩み値) as the display button does and prints its lines,\n"
    "      \"hh:nn:ss volume price[ @]\", in UTF-8, oldest first.\n";

int RunTape(const std::vector<std::string>& args) {
    DayOptions o;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--help" || args[i] == "-h") {
            PrintUsage(kTapeUsage, true);
            return 0;
        }
        switch (TakeDayOption(args, i, o, "tape")) {
            case OptionResult::Taken:
                continue;
            case OptionResult::Bad:
                return 1;
            case OptionResult::NotMine:
                std::fprintf(stderr, "corvala-cli tape: unknown or incomplete option '%s'\n", args[i].c_str());
                PrintUsage(kTapeUsage, false);
                return 1;
        }
    }
    FinishDayOptions(o);
    Headless h(o.install, false, o.seed);
    if (const int status = OpenDay(h, o, "tape")) return status;
    const auto outcome = h.sim.day().DisplayDay();
    if (h.dialogs.hasError()) {
        std::cerr << h.dialogs.ErrorLine() << "\n";
        return 2;
    }
    if (outcome != Simulation::DisplayOutcome::Loaded) {
        std::cerr << h.sim.display().message.text << "\n";
        return 3;
    }
    const DayTape& tape = h.sim.trading().market().tape;
    for (const std::string& line : tape.lines()) std::cout << line << "\n";
    if (tape.refused() > 0)
        std::fprintf(stderr, "corvala-cli tape: %d lines beyond the tape's 30,001 were left out\n",
                     tape.refused());
    return 0;
}

}  // namespace corvala::cli
