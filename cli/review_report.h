#pragma once
// The review's figures as JSON: a run's statistics with its equity curve (replay --report), and
// the statistics across the kept runs (stats).

#include <nlohmann/json.hpp>

#include "review/history_stats.h"
#include "review/session_record.h"

namespace corvala::cli {

// {"trades","wins","losses","winRate","avgWin","avgLoss","profitFactor" (null without a loss),
//  "largestWin","largestLoss","maxDrawdown","netPnl","avgHoldingSeconds","bySide":{side:{"trades","wins","pnl"}}}
nlohmann::json TradeStatsJson(const TradeStats& stats);
// The statistics of a run and "equity": its result after every step that ran.
nlohmann::json SessionReportJson(const SessionRecord& session);
// {"runs","trades","skippedLines","resets","overall","byDay":[{"date","pnl","runs"}],"byCode":{code:stats},
//  "byWeekday":{day:stats},"cumulative":[…]}
nlohmann::json HistoryStatsJson(const HistoryStats& stats);

}  // namespace corvala::cli
