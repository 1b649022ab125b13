#pragma once
// The subcommands of corvala-cli. Each adds itself and its options to the program; when chosen
// it returns the exit status: 0 done, 1 bad arguments, 2 the command could not do its work (an
// error box of the program, a file or folder it could not read or write, a failed download or
// recording), 3 the day could not be replayed, 4 a session file did not play as recorded, 5 a kept
// run could not be written to the history (or its session file could not be written). The manual
// page says for each command what each of its statuses means.

#include "command_line.h"

namespace corvala::cli {

void AddLoadCommand(Program& program);
void AddReplayCommand(Program& program);
void AddTapeCommand(Program& program);
void AddChartCommand(Program& program);
void AddSettingsCommand(Program& program);
void AddScreenCommand(Program& program);
void AddQuizCommand(Program& program);
void AddStatsCommand(Program& program);
void AddSearchDataCommand(Program& program);
void AddImportCommand(Program& program);
void AddRecordCommand(Program& program);

}  // namespace corvala::cli
