#pragma once
// The review's figures as JSON: a run's statistics with its equity curve (replay --report), and
// the statistics across the kept runs (stats).

#include <nlohmann/json.hpp>

#include "review/history_stats.h"
#include "review/session_record.h"

namespace corvala::cli {

using Json = nlohmann::ordered_json;

// {"trades","wins","losses","winRate","avgWin","avgLoss","profitFactor" (null without a loss),
//  "largestWin","largestLoss","maxDrawdown","bySide":{side:{"trades","wins","pnl"}},"netPnl",
//  "avgHoldingSeconds"}
Json TradeStatsJson(const TradeStats& stats);
// The statistics of a run, "equity" (its result after every step that ran) and "kept" (the run
// was written to the history).
Json SessionReportJson(const SessionRecord& session);
// {"runs","trades","skippedLines","byDay":[{"date","pnl","runs"}],"byCode":{code:stats},
//  "byWeekday":{day:stats},"cumulative":[…],"resets","overall"}
Json HistoryStatsJson(const HistoryStats& stats);

}  // namespace corvala::cli
