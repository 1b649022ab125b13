#include "review/history_stats.h"

#include <cstdio>

namespace corvala {

namespace {

std::string DateText(const Ymd& d) {
    char text[16];
    std::snprintf(text, sizeof text, "%04d/%02d/%02d", d.year, d.month, d.day);
    return text;
}

const char* WeekdayName(const Ymd& d) {
    static const char* const kNames[] = {"日", "月", "火", "水", "木", "金", "土"};
    return kNames[Weekday(d) % 7];
}

}  // namespace

HistoryStats ComputeHistoryStats(const HistoryReading& reading) {
    HistoryStats s;
    s.runs = static_cast<int>(reading.runs.size());
    s.skippedLines = reading.skippedLines;
    s.resets = reading.resets;
    std::vector<ClosedTrade> all;
    std::map<std::string, std::vector<ClosedTrade>> byCode, byWeekday;
    std::map<std::string, DayResult> byDay;
    double sum = 0;
    for (const KeptRun& run : reading.runs) {
        sum += run.pnl;
        s.cumulative.push_back(sum);
        if (run.trades.empty()) continue;
        DayResult& day = byDay[DateText(run.tradingDay)];
        day.date = DateText(run.tradingDay);
        day.pnl += run.pnl;
        ++day.runs;
        for (const KeptTrade& t : run.trades) {
            all.push_back(t);
            byCode[t.code].push_back(t);
            byWeekday[WeekdayName(t.tradingDay)].push_back(t);
        }
    }
    s.trades = static_cast<int>(all.size());
    s.overall = ComputeTradeStats(all);  // the drawdown trade by trade, as for each stock and weekday
    for (const auto& [code, trades] : byCode) s.byCode[code] = ComputeTradeStats(trades);
    for (const auto& [weekday, trades] : byWeekday) s.byWeekday[weekday] = ComputeTradeStats(trades);
    for (auto& [date, day] : byDay) s.byDay.push_back(day);
    return s;
}

}  // namespace corvala
