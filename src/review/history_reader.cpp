#include "review/history_reader.h"

#include <charconv>
#include <cmath>
#include <optional>

#include "platform/cp932.h"

namespace corvala {

namespace {

constexpr std::string_view kSummaryLead = ",,,,,,,,,,,";
constexpr std::string_view kRunEndLabel = "投資金額";  // the summary block's first line

std::vector<std::string_view> Split(std::string_view line) {
    std::vector<std::string_view> fields;
    for (std::size_t start = 0;;) {
        const std::size_t comma = line.find(',', start);
        fields.push_back(line.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start));
        if (comma == std::string_view::npos) return fields;
        start = comma + 1;
    }
}

// A whole field as a number: an optional sign, digits, an optional fraction; nothing else.
std::optional<double> Number(std::string_view text) {
    text = Trim(text);
    if (text.empty()) return std::nullopt;
    double value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    // Prices and quantities of a real file are far below this; larger values are not a trade.
    if (ec != std::errc() || ptr != end || !std::isfinite(value) || std::fabs(value) > 1e12) return std::nullopt;
    return value;
}

std::optional<int> Time(std::string_view text) {
    text = Trim(text);
    if (text.size() != 8 || text[2] != ':' || text[5] != ':') return std::nullopt;
    return ParseTimeOfDay(text);
}

// "YYYY/MM/DD" of a real date.
std::optional<Ymd> Day(std::string_view text) {
    text = Trim(text);
    if (text.size() != 10 || text[4] != '/' || text[7] != '/' || text.substr(0, 2) != "20") return std::nullopt;
    const std::string yymmdd = std::string(text.substr(2, 2)) + std::string(text.substr(5, 2)) + std::string(text.substr(8, 2));
    if (!IsAllDigits(yymmdd)) return std::nullopt;
    return ParseYymmdd(yymmdd);
}

bool IsPositionSide(std::string_view s) { return s == "買建" || s == "売建" || s == "買付"; }
bool IsClosingSide(std::string_view s) { return s == "売埋" || s == "買埋" || s == "売付"; }

// シミュレーション日・時間, 約定日, 時間, コード, 銘柄名, 売買, 数量, 単価, 売買, 返済時間, 返済単価,
// 損益[, 決済額]: older files lack the last column; a missing 損益 is worked out from the prices.
std::optional<KeptTrade> Row(std::vector<std::string_view> f) {
    if (f.size() == 14 && Trim(f.back()).empty()) f.pop_back();  // a trailing comma
    if (f.size() < 11 || f.size() > 13) return std::nullopt;
    KeptTrade t;
    const auto day = Day(f[1]);
    const auto opened = Time(f[2]), closed = Time(f[9]);
    const auto quantity = Number(f[6]), price = Number(f[7]), closePrice = Number(f[10]);
    if (!day || !opened || !closed || !quantity || !price || !closePrice || *quantity <= 0) return std::nullopt;
    if (!IsPositionSide(Trim(f[5])) || !IsClosingSide(Trim(f[8]))) return std::nullopt;
    t.tradingDay = *day;
    t.code = std::string(Trim(f[3]));
    t.name = std::string(Trim(f[4]));
    t.side = std::string(Trim(f[5]));
    t.quantity = *quantity;
    t.openPrice = *price;
    t.closePrice = *closePrice;
    t.openedSeconds = *opened;
    t.closedSeconds = *closed;
    const auto written = f.size() > 11 ? Number(f[11]) : std::nullopt;
    t.pnl = written ? *written : ClosedTradePnl(t.side, t.openPrice, t.closePrice, t.quantity);
    return t;
}

bool IsResetMarker(std::string_view line) {
    return line.find("全損益をリセットしました") != std::string_view::npos && line.substr(0, 10) == "**********";
}

}  // namespace

HistoryReading ReadRealizedHistory(std::string_view bytes) {
    HistoryReading out;
    KeptRun run;
    bool open = false;
    const auto endRun = [&] {
        if (open) out.runs.push_back(std::move(run));
        run = KeptRun{};
        open = false;
    };
    const std::string text = DecodeCp932(bytes);
    std::string_view rest = text;
    while (!rest.empty()) {
        const std::size_t nl = rest.find('\n');
        std::string_view line = rest.substr(0, nl);
        rest = nl == std::string_view::npos ? std::string_view() : rest.substr(nl + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (Trim(line).empty() || line.find_first_not_of(", \t") == std::string_view::npos) continue;
        if (line.rfind("シミュレーション日・時間", 0) == 0) continue;  // a header
        if (IsResetMarker(line)) {
            ++out.resets;
            continue;
        }
        if (line.rfind(kSummaryLead, 0) == 0) {
            // Its figures are written with their thousands separators: only the label counts.
            const std::string_view label = line.substr(kSummaryLead.size(), line.find(',', kSummaryLead.size()) - kSummaryLead.size());
            if (label == kRunEndLabel) {
                open = true;  // a run without a trade is a run too
                endRun();
            }
            continue;
        }
        const auto trade = Row(Split(line));
        if (!trade) {
            ++out.skippedLines;
            continue;
        }
        if (!open) run.tradingDay = trade->tradingDay;
        open = true;
        run.pnl += trade->pnl;
        run.trades.push_back(*trade);
    }
    endRun();  // rows after the last summary block
    return out;
}

}  // namespace corvala
