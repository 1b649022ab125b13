#pragma once
// The subcommands of corvala-cli. Each takes the arguments after its name and returns the exit
// status: 0 done, 1 bad arguments, 2 the program showed an error box, 3 the day could not be replayed,
// 4 a session file did not play as recorded, 5 a kept run could not be written to the history (or its
// session file could not be written).

#include <string>
#include <vector>

namespace corvala::cli {

int RunLoad(const std::vector<std::string>& args);
extern const char* const kLoadUsage;
int RunReplay(const std::vector<std::string>& args);
extern const char* const kReplayUsage;
int RunTape(const std::vector<std::string>& args);
extern const char* const kTapeUsage;
int RunChart(const std::vector<std::string>& args);
extern const char* const kChartUsage;
int RunSettings(const std::vector<std::string>& args);
extern const char* const kSettingsUsage;
int RunScreen(const std::vector<std::string>& args);
extern const char* const kScreenUsage;
int RunQuiz(const std::vector<std::string>& args);
extern const char* const kQuizUsage;
int RunStats(const std::vector<std::string>& args);
extern const char* const kStatsUsage;
int RunSearchData(const std::vector<std::string>& args);
extern const char* const kSearchDataUsage;
int RunImport(const std::vector<std::string>& args);
extern const char* const kImportUsage;
int RunRecord(const std::vector<std::string>& args);
extern const char* const kRecordUsage;

}  // namespace corvala::cli
