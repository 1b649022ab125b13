#include "commands.h"

int main(int argc, char** argv) {
    corvala::cli::Program program;
    corvala::cli::AddLoadCommand(program);
    corvala::cli::AddReplayCommand(program);
    corvala::cli::AddTapeCommand(program);
    corvala::cli::AddChartCommand(program);
    corvala::cli::AddSettingsCommand(program);
    corvala::cli::AddScreenCommand(program);
    corvala::cli::AddQuizCommand(program);
    corvala::cli::AddStatsCommand(program);
    corvala::cli::AddSearchDataCommand(program);
    corvala::cli::AddImportCommand(program);
    corvala::cli::AddRecordCommand(program);
    return program.Main(argc, argv);
}
