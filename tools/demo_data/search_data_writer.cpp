#include "demo_data/search_data_writer.h"

#include "demo_data/demo_format.h"

namespace corvala {
namespace {

constexpr int kEarlyEnd = 9 * 3600 + 30 * 60;  // "up to 9:30" means trades before 09:30:00
constexpr std::int64_t kUnit = 100;

struct Extremes {
    std::int64_t high = 0, low = 0;
    int highAt = 0, lowAt = 0;
    bool any = false;

    void Add(std::int64_t price, int seconds) {
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

// (to − from) / from in hundredths of a per cent, written with two decimals and its sign.
void AppendPercent(std::string& out, std::int64_t to, std::int64_t from) {
    AppendFixed(out, from > 0 ? RoundedDiv((to - from) * 10'000, from) : 0, 2);
}

}  // namespace

std::string FormatSearchLine(std::string_view dateFolder, std::string_view code, const DayPath& day,
                             int priceDecimals) {
    Extremes all, early;
    const int openAt =
        day.openLine >= 0 ? day.lines[static_cast<std::size_t>(day.openLine)].seconds : 0;
    all.Add(day.open, openAt);
    early.Add(day.open, openAt);
    for (std::size_t i = static_cast<std::size_t>(day.openLine < 0 ? 0 : day.openLine);
         i < day.lines.size(); ++i) {
        const Snapshot& s = day.lines[i];
        if (s.price <= 0) continue;
        all.Add(s.price, s.lastTradeSeconds);
        if (s.lastTradeSeconds < kEarlyEnd) early.Add(s.price, s.lastTradeSeconds);
    }
    const std::int64_t open = day.open;
    const std::int64_t close = day.Close();

    std::string line;
    line += dateFolder;
    line += ',';
    line += code;
    line += ',';
    AppendCents(line, open, priceDecimals);
    for (int t : {openAt, all.highAt, all.lowAt, early.highAt, early.lowAt}) {
        line += ',';
        AppendHhMm(line, t);
    }
    const std::int64_t pairs[][2] = {
        {early.high, open},  {early.low, open},    // 8, 9
        {all.high, open},    {all.low, open},      // 10, 11
        {all.low, all.high}, {all.high, all.low},  // 12 fall, 13 rise
        {close, all.high},   {close, all.low},     // 14, 15
        {close, open},                             // 16
    };
    for (const auto& p : pairs) {
        line += ',';
        AppendPercent(line, p[0], p[1]);
    }
    line += ',';
    AppendInt(line, day.lines.back().cumVolume > 0 ? day.lines.back().cumVolume / kUnit : 0);
    return line;
}

}  // namespace corvala
