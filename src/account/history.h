#pragma once
// The trade-history files in 売買履歴: one row per fill in 約定履歴.csv and one row per closed
// position in 実現損益.csv, kept in memory during a run and appended when the run is kept.

#include <functional>
#include <string>

#include "platform/text.h"

namespace corvala {

inline constexpr const char* kHistoryFolder = "売買履歴";
inline constexpr const char* kRealizedFile = "実現損益.csv";
inline constexpr const char* kExecutionFile = "約定履歴.csv";
inline constexpr const char* kRealizedHeader =
    "シミュレーション日・時間,約定日,時間,コード,銘柄名,売買,数量,単価,売買,返済時間,返済単価,損益,決済額";
inline constexpr const char* kExecutionHeader =
    "シミュレーション日・時間,約定日,時間,コード,銘柄名,取引,売買,数量,単価,約定代金";

// What every row of a run shares.
struct RunInfo {
    std::string recordedAt;  // the computer's "YYYY/MM/DD hh:nn:ss" when the fill was recorded
    std::string tradingDay;  // "20YY/MM/DD" of the replayed day
    std::string code;        // as typed
    std::string name;        // from the stock list
};

struct ExecutionRow {
    int fillSeconds = 0;
    bool cash = false;      // 現物 rather than 信用
    bool closing = false;   // 返済 rather than 新規
    std::string side;       // 買建 売建 買付 / 売埋 買埋 売付
    double quantity = 0, price = 0;
};

struct RealizedRow {
    int openedSeconds = 0;
    std::string positionSide, closingSide;
    double quantity = 0, price = 0;  // closed from the position, at its price
    int closedSeconds = 0;
    double closePrice = 0;
};

// 約定日: the century of `now` before the chosen date's "YY/MM/DD".
std::string TradingDayText(const Ymd& now, const std::string& yymmdd);
// シミュレーション日・時間: "YYYY/MM/DD hh:nn:ss".
std::string RecordedAtText(const Ymd& date, int secondsOfDay);

// Numbers as the platform writes them: no thousands separators, no needless decimals.
std::string PlainNumber(double v);

// The two buffers of a displayed day; a buffer never ends with a line break.
struct HistoryBuffers {
    std::string realized, executions;
    void Clear() { realized.clear(), executions.clear(); }
    void Add(const RunInfo& run, const ExecutionRow& row);
    void Add(const RunInfo& run, const RealizedRow& row);
};

// The summary block's values: the four money figures as the window shows them, the buying power
// as a plain number so that a spreadsheet reads it as one cell.
struct HistorySummary {
    std::string investment, buyingPowerCaption;
    double buyingPower = 0;
    std::string runPnl, netPnl, netPnlAfterTax;
};

// Text to be appended to the two files, in order; a file with nothing to add is not touched.
struct HistoryAppend {
    std::string realized, executions;
    bool empty() const { return realized.empty() && executions.empty(); }
    void Add(const HistoryAppend& more) { realized += more.realized, executions += more.executions; }
};
// A kept run: its rows and summary block for 実現損益.csv, its rows for 約定履歴.csv.
HistoryAppend FormatRun(const HistoryBuffers& buffers, const HistorySummary& summary);
// The reset marker and two empty lines, for 実現損益.csv.
HistoryAppend FormatResetMarker(const Ymd& today);

// Writers of the history take turns on the folder's lock; one waits this long for another.
inline constexpr int kHistoryLockWaitMs = 3000;
// The run being appended, kept beside the files until both hold it (a hidden file: the files
// themselves keep the format their readers and spreadsheets know).
inline constexpr const char* kHistoryJournalFile = ".corvala-history.journal";

// Creates each file with its header line when it is missing. Returns "" or what went wrong.
std::string EnsureHistoryFiles(const std::string& historyFolder);

// How far an append has gone, for a test that ends the program there.
enum class AppendStage { JournalWritten, RealizedAppended, ExecutionsAppended };
struct AppendHooks {
    int lockWaitMs = kHistoryLockWaitMs;
    std::function<void(AppendStage)> reached;
};
// Appends to 実現損益.csv and 約定履歴.csv (CP932, CR LF) in place, under the folder's lock, a
// missing file created with its header first. The text goes to the journal first, so a program
// killed anywhere in the append leaves the run for RecoverHistory: it ends up in both files or in
// neither. Returns "" or what went wrong (also when another program kept the lock); on failure
// neither file changed and the caller keeps the text to append it with the next one.
std::string AppendHistory(const std::string& historyFolder, const HistoryAppend& text,
                          const AppendHooks& hooks = {});

// Start-up: completes an append that a killed program left in the journal and removes the
// temporary files a kill left in the folder. Returns "" or what it could not do.
std::string RecoverHistory(const std::string& historyFolder, int lockWaitMs = kHistoryLockWaitMs);

// FormatRun appended; FormatResetMarker appended.
std::string WriteHistoryFiles(const std::string& historyFolder, const HistoryBuffers& buffers,
                              const HistorySummary& summary);
std::string AppendResetMarker(const std::string& historyFolder, const Ymd& today);

}  // namespace corvala
