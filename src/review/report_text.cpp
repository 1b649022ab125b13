#include "review/report_text.h"

#include <cmath>

#include "account/history.h"
#include "platform/text.h"

namespace corvala {

namespace {
constexpr const char* kCrLf = "\r\n";
std::string YenText(double v) { return Format(std::round(v), "###,##0"); }

std::string Duration(double seconds) {
    const long long s = std::llround(seconds);
    if (s < 60) return std::to_string(s) + "秒";
    if (s < 3600) return std::to_string(s / 60) + "分" + std::to_string(s % 60) + "秒";
    return std::to_string(s / 3600) + "時間" + std::to_string(s / 60 % 60) + "分";
}

}  // namespace

std::vector<FigureLine> StatsFigureLines(const TradeStats& s) {
    const bool any = s.trades > 0;
    return {{"取引回数", std::to_string(s.trades)},
            {"勝ち / 負け", std::to_string(s.wins) + " / " + std::to_string(s.losses)},
            {"勝率", any ? Format(s.winRate * 100, "0.0") + "%" : "-"},
            {"平均利益", s.wins ? YenText(s.avgWin) : "-"},
            {"平均損失", s.losses ? YenText(s.avgLoss) : "-"},
            {"プロフィットファクター", s.profitFactor ? Format(*s.profitFactor, "0.00") : "-"},
            {"最大利益", s.wins ? YenText(s.largestWin) : "-"},
            {"最大損失", s.losses ? YenText(s.largestLoss) : "-"},
            {"最大ドローダウン", YenText(s.maxDrawdown)},
            {"損益合計", YenText(s.netPnl)},
            {"平均保有時間", any ? Duration(s.avgHoldingSeconds) : "-"}};
}

std::string SessionReportCsv(const TradeStats& s, const std::vector<std::string>& stepTimes,
                             const std::vector<double>& equity) {
    std::string out = std::string("項目,値") + kCrLf;
    const auto line = [&](const char* label, const std::string& value) { out += std::string(label) + "," + value + kCrLf; };
    line("取引回数", PlainNumber(s.trades));
    line("勝ち", PlainNumber(s.wins));
    line("負け", PlainNumber(s.losses));
    line("勝率(%)", PlainNumber(std::round(s.winRate * 1000) / 10));
    line("平均利益", PlainNumber(std::round(s.avgWin)));
    line("平均損失", PlainNumber(std::round(s.avgLoss)));
    line("プロフィットファクター", s.profitFactor ? PlainNumber(std::round(*s.profitFactor * 100) / 100) : "-");
    line("最大利益", PlainNumber(s.largestWin));
    line("最大損失", PlainNumber(s.largestLoss));
    line("最大ドローダウン", PlainNumber(s.maxDrawdown));
    line("損益合計", PlainNumber(s.netPnl));
    line("平均保有時間(秒)", PlainNumber(std::round(s.avgHoldingSeconds)));
    out += kCrLf;
    out += std::string("売買,取引回数,勝ち,損益") + kCrLf;
    for (const auto& [side, f] : s.bySide) out += side + "," + PlainNumber(f.trades) + "," + PlainNumber(f.wins) + "," + PlainNumber(f.pnl) + kCrLf;
    out += kCrLf;
    out += std::string("時刻,損益") + kCrLf;
    for (std::size_t i = 0; i < equity.size() && i < stepTimes.size(); ++i) out += stepTimes[i] + "," + PlainNumber(equity[i]) + kCrLf;
    return out;
}

}  // namespace corvala
