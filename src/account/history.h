#pragma once
// The trade-history files in 売買履歴: one row per fill in 約定履歴.csv and one row per closed
// position in 実現損益.csv, kept in memory during a run and appended when the run is kept.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>

#include "base/values.h"
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
    Shares quantity = 0;
    Price price;
};

struct RealizedRow {
    int openedSeconds = 0;
    std::string positionSide, closingSide;
    Shares quantity = 0;  // closed from the position, at its price
    Price price;
    int closedSeconds = 0;
    Price closePrice;
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
    Yen buyingPower = 0;
    std::string runPnl, netPnl, netPnlAfterTax;
};

// The totals (利益分, 損失分) a kept run leaves, with those the settings file held when it was
// kept: they go with the run's rows, so that a program killed before it saved its settings
// starts again from the totals the history holds.
struct KeptTotals {
    std::int64_t savedProfit = 0, savedLoss = 0;  // in the settings file when the run was kept
    std::int64_t profit = 0, loss = 0;            // after the run
    bool operator==(const KeptTotals&) const = default;
};

// Text to be appended to the two files, in order; a file with nothing to add is not touched.
// `totals`: the totals after the last of the runs it holds (none when they are not kept).
struct HistoryAppend {
    HistoryAppend() = default;
    HistoryAppend(std::string realizedText, std::string executionText, std::optional<KeptTotals> keptTotals = {})
        : realized(std::move(realizedText)), executions(std::move(executionText)), totals(keptTotals) {}
    std::string realized, executions;
    std::optional<KeptTotals> totals;
    bool empty() const { return realized.empty() && executions.empty(); }
    void Add(const HistoryAppend& more) {
        realized += more.realized, executions += more.executions;
        if (more.totals) totals = more.totals;
    }
};
// A kept run: its rows and summary block for 実現損益.csv, its rows for 約定履歴.csv.
HistoryAppend FormatRun(const HistoryBuffers& buffers, const HistorySummary& summary);
// The reset marker and two empty lines, for 実現損益.csv.
HistoryAppend FormatResetMarker(const Ymd& today);

// Writers of the history take turns on the folder's lock; one waits this long for another.
inline constexpr int kHistoryLockWaitMs = 3000;
// What a writer says when another program kept the lock for the whole wait.
inline constexpr const char* kHistoryBusyText = "他のプログラムが売買履歴に書き込んでいるため、書き込めませんでした。";
// What a writer says before it waits for another program's lock.
inline constexpr const char* kHistoryLockWaitText = "他のプログラムが売買履歴に書き込んでいます。終わるのを待っています…";
// The totals the last kept run left (a hidden file in the history folder).
inline constexpr const char* kKeptTotalsFile = ".corvala-totals";
// Rows that could not be appended wait in this file beside the history folder (its name is the
// folder's with this ending) until an append or a start takes them.
inline constexpr const char* kPendingHistorySuffix = "_未書込.dat";
// The run being appended, kept beside the files until both hold it (a hidden file: the files
// themselves keep the format their readers and spreadsheets know).
inline constexpr const char* kHistoryJournalFile = ".corvala-history.journal";

// Creates each file with its header line when it is missing. Returns "" or what went wrong.
// `waiting` is told before a wait for another program's lock.
std::string EnsureHistoryFiles(const std::string& historyFolder, int lockWaitMs = kHistoryLockWaitMs,
                               const std::function<void()>& waiting = {});

// How far an append has gone, for a test that ends the program there.
enum class AppendStage { JournalWritten, RealizedAppended, ExecutionsAppended };
struct AppendHooks {
    int lockWaitMs = kHistoryLockWaitMs;
    std::function<void(AppendStage)> reached;
    // Called once, before the append waits for the lock another program holds.
    std::function<void()> waiting;
};
// Appends to 実現損益.csv and 約定履歴.csv (CP932, CR LF) in place, under the folder's lock, a
// missing file created with its header first. The text goes to the journal first, so a program
// killed anywhere in the append leaves the run for RecoverHistory: it ends up in both files or in
// neither. Returns "" or what went wrong (also when another program kept the lock); on failure
// neither file changed and the caller keeps the text to append it with the next one, unless a
// half-written run could not be taken back (said so): the journal then keeps it for the next
// append or start.
std::string AppendHistory(const std::string& historyFolder, const HistoryAppend& text,
                          const AppendHooks& hooks = {});

// How an append of a kept run went.
struct KeptRunAppend {
    std::string problem;      // "" when the files hold the run (and whatever waited before it)
    bool busy = false;        // another program kept the lock for the whole wait
    std::string pendingFile;  // the rows wait in this file for the next append or start
    bool journalLeft = false; // half written and not taken back: the next append or start completes it
    bool carriedPending = false;  // rows that waited from before went in first
};
// The file beside `historyFolder` where rows that could not be appended wait.
std::string PendingHistoryPath(const std::string& historyFolder);
// Appends what waits in the pending file and then `text`, in that order, under the history
// folder's lock. What cannot be appended goes to (or stays in) the pending file, unless the
// append was left half written in the journal; should the pending file not take it either,
// `pendingFile` is "" and the caller holds the only copy.
KeptRunAppend AppendKeptRun(const std::string& historyFolder, const HistoryAppend& text, const AppendHooks& hooks = {});

// The totals the last kept run (or pending rows, or a completed journal) left; nothing when none.
std::optional<KeptTotals> ReadKeptTotals(const std::string& historyFolder);

// Start-up: completes an append that a killed program left in the journal and removes the
// temporary files a kill left in the folder. Returns "", kHistoryBusyText when another program
// kept the lock (it completes the journal itself), or what it could not do.
std::string RecoverHistory(const std::string& historyFolder, int lockWaitMs = kHistoryLockWaitMs,
                           const std::function<void()>& waiting = {});

// FormatRun appended; FormatResetMarker appended.
std::string WriteHistoryFiles(const std::string& historyFolder, const HistoryBuffers& buffers,
                              const HistorySummary& summary);
std::string AppendResetMarker(const std::string& historyFolder, const Ymd& today);

}  // namespace corvala
