// corvala-cli tape: the day's estimated tape as the program stores it, one line per print.

#include <cstdio>
#include <iostream>

#include "commands.h"
#include "day_options.h"

namespace corvala::cli {

namespace {

const char* const kTapeText =
    "      Estimates the day's tape (歩み値) as the display button does and prints its lines,\n"
    "      \"hh:nn:ss volume price[ @]\", in UTF-8, oldest first.\n";

int RunTape(DayOptions o) {
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

}  // namespace

void AddTapeCommand(Program& program) {
    auto day = std::make_shared<DayOptions>();
    AddDayOptions(program.AddCommand("tape", kTapeText, [day] { return RunTape(*day); }), *day);
}

}  // namespace corvala::cli
