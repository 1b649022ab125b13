#pragma once
// The kept runs read back from 売買履歴/実現損益.csv: whatever that file holds — header lines,
// rows, summary blocks, reset markers, empty lines, rows of older versions — a line that is none
// of these is skipped and counted, never a reason to stop.

#include <string>
#include <string_view>
#include <vector>

#include "platform/text.h"
#include "review/trade_stats.h"

namespace corvala {

struct KeptTrade : ClosedTrade {
    Ymd tradingDay;  // the replayed day
    std::string code, name;
};

// The rows of one run, up to its summary block.
struct KeptRun {
    std::vector<KeptTrade> trades;
    Ymd tradingDay;   // of its first row; zero for a run without trades
    double pnl = 0;   // the sum of its rows
};

struct HistoryReading {
    std::vector<KeptRun> runs;  // in the file's order
    int skippedLines = 0;       // lines that are neither rows nor the file's own lines
    int resets = 0;             // reset markers met
};

// Reads the file's bytes (CP932, CR LF or LF).
HistoryReading ReadRealizedHistory(std::string_view bytes);

}  // namespace corvala
