#include "screening/search_data_builder.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>

#include "data/day_loader.h"
#include "platform/cp932.h"
#include "platform/files.h"
#include "platform/text.h"
#include "screening/search_data.h"

namespace corvala {
namespace {

constexpr int kEarlyEnd = 9 * 3600 + 30 * 60;  // "up to 9:30": trades before 09:30

// The highest and the lowest price and when each was first reached.
struct Extremes {
    double high = 0, low = 0;
    int highAt = 0, lowAt = 0;
    bool any = false;

    void Add(double price, int seconds) {
        if (!any || price > high) {
            high = price;
            highAt = seconds;
        }
        if (!any || price < low) {
            low = price;
            lowAt = seconds;
        }
        any = true;
    }
};

std::string HhMm(int seconds) {
    char text[8];
    std::snprintf(text, sizeof text, "%02d:%02d", seconds / 3600 % 100, seconds / 60 % 60);
    return text;
}

// The change from `from` to `to` in per cent, two decimals, signed when it falls.
std::string Percent(double to, double from) {
    const long long hundredths = from > 0 ? std::llround((to - from) * 10'000.0 / from) : 0;
    const long long a = hundredths < 0 ? -hundredths : hundredths;
    char text[32];
    std::snprintf(text, sizeof text, "%s%lld.%02lld", hundredths < 0 ? "-" : "", a / 100, a % 100);
    return text;
}

// A price as the day files write it: whole yen without decimals, else up to two.
std::string Price(double price) {
    const long long cents = std::llround(price * 100.0);
    char text[32];
    if (cents % 100 == 0) std::snprintf(text, sizeof text, "%lld", cents / 100);
    else if (cents % 10 == 0) std::snprintf(text, sizeof text, "%lld.%lld", cents / 100, cents / 10 % 10);
    else std::snprintf(text, sizeof text, "%lld.%02lld", cents / 100, cents % 100);
    return text;
}

bool IsStockFile(const std::string& name) {
    return name.size() == 8 && name.compare(4, 4, ".csv") == 0 && IsAllDigits(name.substr(0, 4));
}

}  // namespace

std::optional<std::string> SearchLineOfDay(std::string_view date, std::string_view code, const DaySeries& s) {
    const int last = std::min(s.lastRow, kReplayRows - 1);
    int first = -1;
    for (int r = 0; r <= last && first < 0; ++r)
        if (s.price[static_cast<std::size_t>(r)] > 0) first = r;
    if (first < 0) return std::nullopt;

    // The moves of the one-minute bars, as the chart draws the day: every snapshot of the file
    // counts (the last bar's too, before the closing line takes its row), at its minute.
    const int openAt = s.lastTradeSeconds[static_cast<std::size_t>(first)];
    const double open = s.open > 0 ? s.open : s.price[static_cast<std::size_t>(first)];
    Extremes all, early;
    all.Add(open, openAt);
    early.Add(open, openAt);
    for (int b = 0; b < BarsPerDay(1); ++b) {
        const DayBar& bar = s.bars[static_cast<std::size_t>(b)];
        if (bar.high <= 0) continue;
        const int at = BarStartSeconds(b, 1);
        all.Add(bar.high, at);
        all.Add(bar.low, at);
        if (at < kEarlyEnd) {
            early.Add(bar.high, at);
            early.Add(bar.low, at);
        }
    }
    const double close = s.close > 0 ? s.close : s.price[static_cast<std::size_t>(last)];

    std::string line;
    line.append(date).append(",").append(code).append(",").append(Price(open));
    for (int t : {openAt, all.highAt, all.lowAt, early.highAt, early.lowAt}) line.append(",").append(HhMm(t));
    const bool highFirst = all.highAt <= all.lowAt;
    const bool lowFirst = all.lowAt <= all.highAt;
    const std::string changes[] = {
        Percent(early.high, open),                         // 8: open → high up to 9:30
        Percent(early.low, open),                          // 9: open → low up to 9:30
        Percent(all.high, open),                           // 10: open → high
        Percent(all.low, open),                            // 11: open → low
        highFirst ? Percent(all.low, all.high) : "0.00",   // 12: high → low, when the low came later
        lowFirst ? Percent(all.high, all.low) : "0.00",    // 13: low → high, when the high came later
        Percent(close, all.high),                          // 14: high → 15:00
        Percent(close, all.low),                           // 15: low → 15:00
        Percent(close, open),                              // 16: open → 15:00
    };
    for (const std::string& c : changes) line.append(",").append(c);
    line.append(",").append(std::to_string(static_cast<long long>(std::floor(s.finalVolume + 1e-9))));
    return line;
}

SearchMonthBuild BuildSearchMonth(const std::string& dataFolder, std::string_view month) {
    SearchMonthBuild out;
    if (month.size() != 6) return out;
    const std::string prefix(month.substr(2, 4));  // YYMM of the day folders
    auto day = std::make_unique<DayData>();
    std::vector<std::string> dates = ListSubfolders(dataFolder);
    std::sort(dates.begin(), dates.end());
    for (const std::string& date : dates) {
        if (date.size() != 6 || !IsAllDigits(date) || date.compare(0, 4, prefix) != 0) continue;
        const std::string folder = JoinPath(dataFolder, date);
        if (FileExists(JoinPath(folder, std::string(kNoDataMarker)))) continue;
        std::vector<std::string> files = ListFiles(folder);
        std::sort(files.begin(), files.end());
        for (const std::string& file : files) {
            if (!IsStockFile(file)) continue;
            const std::string code = file.substr(0, 4);
            day->ClearSeries();
            const DayFileResult r = LoadDaySeries(dataFolder, date, code, SeriesSlot::DayStock, 1, *day);
            std::optional<std::string> line;
            if (r.status == DayFileResult::Status::Loaded) line = SearchLineOfDay(date, code, (*day)[SeriesSlot::DayStock]);
            if (line) {
                out.lines.append(*line).append("\r\n");
                ++out.read;
            } else {
                ++out.skipped;
                out.problems.push_back(date + "/" + file + ": " +
                                       (r.status != DayFileResult::Status::Loaded ? (r.problem.empty() ? "読み込めません。" : r.problem)
                                                                                  : std::string("約定がありません。")));
            }
        }
    }
    return out;
}

std::string WriteSearchMonth(const std::string& installFolder, std::string_view month, const std::string& lines) {
    const std::string folder = JoinPath(installFolder, kSearchDataFolder);
    if (!CreateDir(folder)) return "検索データフォルダを作成できません。" + folder;
    const std::string path = SearchFilePath(installFolder, month);
    if (!WriteFileAtomically(path, EncodeCp932(lines))) return "検索データを書き込めません。" + path;
    return {};
}

}  // namespace corvala
