#pragma once
// The report's figures as text: the lines the window shows, and a CSV text (UTF-8 here; written
// as CP932 with CR LF like the history) with the statistics as 項目,値 lines, the sides, then the
// result after every step.

#include <string>
#include <vector>

#include "review/session_record.h"

namespace corvala {

struct FigureLine {
    std::string label, value;
};
// 取引回数 … 平均保有時間 with their values as the window shows them ("###,##0", "66.7%", "1.25",
// "12分30秒"; "-" where a figure has no value).
std::vector<FigureLine> StatsFigureLines(const TradeStats& stats);

// `stepTimes` names the rows of the equity curve ("hh:nn:ss"), one per figure.
std::string SessionReportCsv(const TradeStats& stats, const std::vector<std::string>& stepTimes,
                             const std::vector<double>& equity);

}  // namespace corvala
