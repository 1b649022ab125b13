#include "review_report.h"

namespace corvala::cli {

using json = Json;

json TradeStatsJson(const TradeStats& s) {
    json bySide = json::object();
    for (const auto& [side, f] : s.bySide) bySide[side] = {{"trades", f.trades}, {"wins", f.wins}, {"pnl", f.pnl}};
    return {{"trades", s.trades},
            {"wins", s.wins},
            {"losses", s.losses},
            {"winRate", s.winRate},
            {"avgWin", s.avgWin},
            {"avgLoss", s.avgLoss},
            {"profitFactor", s.profitFactor ? json(*s.profitFactor) : json(nullptr)},
            {"largestWin", s.largestWin},
            {"largestLoss", s.largestLoss},
            {"maxDrawdown", s.maxDrawdown},
            {"bySide", bySide},
            {"netPnl", s.netPnl},
            {"avgHoldingSeconds", s.avgHoldingSeconds}};
}

json SessionReportJson(const SessionRecord& session) {
    json report = TradeStatsJson(session.Stats());
    report["equity"] = session.EquityCurve();
    report["kept"] = session.kept();
    return report;
}

json HistoryStatsJson(const HistoryStats& s) {
    json byDay = json::array();
    for (const DayResult& d : s.byDay) byDay.push_back({{"date", d.date}, {"pnl", d.pnl}, {"runs", d.runs}});
    json byCode = json::object(), byWeekday = json::object();
    for (const auto& [code, stats] : s.byCode) byCode[code] = TradeStatsJson(stats);
    for (const auto& [day, stats] : s.byWeekday) byWeekday[day] = TradeStatsJson(stats);
    return {{"runs", s.runs},      {"trades", s.trades},   {"skippedLines", s.skippedLines},
            {"byDay", byDay},      {"byCode", byCode},     {"byWeekday", byWeekday},
            {"cumulative", s.cumulative}, {"resets", s.resets}, {"overall", TradeStatsJson(s.overall)}};
}

}  // namespace corvala::cli
