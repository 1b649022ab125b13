#pragma once
// The options every day-based command shares (--data, --date, --code, --series, --bar-length,
// --install) and the headless program they open.

#include <cstdint>
#include <string>
#include <vector>

#include "app/simulation.h"
#include "cli_ports.h"
#include "command_line.h"
#include "platform/drives.h"
#include "platform/system.h"
#include "platform/virtual_scheduler.h"

namespace corvala::cli {

struct DayOptions {
    std::string data, date, code, series, install;
    int barLength = 0;          // 0: not given (the settings' N, or 5)
    std::uint64_t seed = 1;  // of the random draws (board refills, tape splits)
};

// The install folder the program would use: its own folder in a build tree or a portable copy,
// else the user's own, filled from the package at the first start (a problem is told on stderr).
std::string ProgramInstallFolder();
// The data folder the program would use with `install`: the settings' one when it exists, else
// the install folder's 日中データ.
std::string ProgramDataFolder(const std::string& install);

// The options several commands share, defined once.
CLI::Option* AddInstallOption(CLI::App& command, std::string& install);
CLI::Option* AddDataOption(CLI::App& command, std::string& data);
CLI::Option* AddSeedOption(CLI::App& command, std::uint64_t& seed);
CLI::Option* AddBarLengthOption(CLI::App& command, int& barLength);
// The options of a day-based command: --data, --date, --code, --series, --bar-length, --install,
// --seed.
void AddDayOptions(CLI::App& command, DayOptions& out);
// Fills the defaults of the options not given.
void FinishDayOptions(DayOptions& out);

// The program without windows: scripted dialogs, a fixed seed and virtual time.
struct Headless {
    explicit Headless(const std::string& install, bool answerYes = false, std::uint64_t seed = 1);
    CliDialogs dialogs;
    SystemClock clock;
    SeededRandom random;
    VirtualScheduler scheduler;
    SystemDrives drives;
    Simulation sim;
};

// Starts the program and puts the day into its boxes. Returns 0, or the exit status after
// printing the error: 2 for an error box (1012 when --data is not a folder), 1 for a series
// that the date does not offer.
int OpenDay(Headless& h, const DayOptions& o, const char* command);

}  // namespace corvala::cli
