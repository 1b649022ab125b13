#pragma once
// The picture across the kept runs of 実現損益.csv: the result by replayed day, the account's
// result run after run, and how each stock and each weekday went.

#include <map>
#include <string>
#include <vector>

#include "review/history_reader.h"
#include "review/trade_stats.h"

namespace corvala {

struct DayResult {
    std::string date;  // "YYYY/MM/DD" of the replayed day
    double pnl = 0;
    int runs = 0;
};

struct HistoryStats {
    int runs = 0, trades = 0, skippedLines = 0, resets = 0;
    TradeStats overall;                       // every kept trade
    std::vector<DayResult> byDay;             // by replayed day, oldest first
    std::map<std::string, TradeStats> byCode;     // by stock code
    std::map<std::string, TradeStats> byWeekday;  // 月 … 金 (土 and 日 when a file has them)
    std::vector<double> cumulative;           // the summed result after each run, in file order
};

HistoryStats ComputeHistoryStats(const HistoryReading& reading);

}  // namespace corvala
